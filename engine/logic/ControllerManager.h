#pragma once
#include <string>
#include <vector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "engine/core/Singleton.h"
#include "engine/logic/IController.h"
#include "engine/scene/Factory.h"

namespace Engine
{
    class Entity;

    /// Runs the controllers of all entities. Controller types are registered by name; a
    /// controller attached to an entity waits (pending) until the next Update, which calls its
    /// OnAttach and from then on its Update every frame, in attach order, while the entity lives
    /// and is enabled. The manager holds the only strong reference to each controller; callers
    /// and the "Controller" component keep weak ones. The application creates the singleton.
    ///
    /// Attaching and detaching are safe from inside a controller's OnAttach, Update and OnDetach:
    /// a controller attached then waits for the next Update, a detached one is not run again.
    class ControllerManager : public Singleton<ControllerManager>
    {
    public:
        typedef boost::function<boost::shared_ptr<IController> ()> Creator;
        typedef Factory<IController, std::string, boost::shared_ptr<IController> > ControllerFactory;

        ControllerManager();
        ~ControllerManager();

        /// An id already registered is an error.
        void RegisterController(const std::string& id, Creator creator);
        /// An id not registered is an error.
        void UnregisterController(const std::string& id);

        /// Creates a controller of the registered type for the entity; it is attached (OnAttach,
        /// then its first Update) by the next Update. An unknown id is an error.
        boost::weak_ptr<IController> AttachController(const std::string& id, boost::weak_ptr<Entity> entity);
        /// Ends the controller on that entity now (OnDetach when the entity is alive). A
        /// controller still waiting for its attachment is not affected.
        void DetachController(boost::shared_ptr<IController> controller, Entity* entity);
        /// Ends every attached controller of the entity, as DetachController.
        void DetachControllers(Entity* entity);

        /// Once per frame: attaches the pending controllers, then updates every controller in
        /// attach order. Exceptions of controllers propagate.
        void Update(float dt);

    private:
        /// A controller on its entity. `identity` is the entity's address when the record was
        /// made (null when it had already expired); it is compared, never followed. A record
        /// whose controller is empty is dead and removed at the end of the next Update.
        struct Record
        {
            boost::shared_ptr<IController> controller;
            boost::weak_ptr<Entity> entity;
            Entity* identity;
        };

        /// Counts the walks over `active` in progress; dead records are removed only when none is.
        class Walk;

        ControllerManager(const ControllerManager&) = delete;
        ControllerManager& operator=(const ControllerManager&) = delete;

        void AttachPending();
        void UpdateActive(float dt);
        /// Empties the active records that match (and are not dead), calling OnDetach on those
        /// whose entity lives.
        template <class Match> void Detach(Match match);
        void RemoveDeadRecords();

        std::vector<Record> active;    // in attach order
        std::vector<Record> pending;   // attached since the last Update, in order
        ControllerFactory factory;
        int walkDepth;
        bool updating;
    };
}
