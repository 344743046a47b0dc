#pragma once
#include <boost/shared_ptr.hpp>

namespace Engine
{
    class Entity;

    /// One behaviour of one entity, run by the ControllerManager every frame while the entity
    /// lives and is enabled. Implemented by the game and by scripts; the manager holds the only
    /// strong reference the engine keeps.
    class IController
    {
    public:
        virtual ~IController() = default;

        /// One frame of behaviour; returning false ends the controller (OnDetach follows).
        virtual bool Update(float dt, boost::shared_ptr<Entity> entity) = 0;
        /// Called once, before the first Update.
        virtual void OnAttach(boost::shared_ptr<Entity> entity) = 0;
        /// Called once when the controller ends while its entity is alive.
        virtual void OnDetach(boost::shared_ptr<Entity> entity) = 0;
    };
}
