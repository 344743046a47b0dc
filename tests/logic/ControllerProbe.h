#pragma once
// A controller for the tests: every call is written to a shared journal as
// "<Call>:<controller name>" and may run an action given by the test.
#include <functional>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "engine/logic/ControllerManager.h"
#include "engine/logic/IController.h"
#include "engine/scene/Entity.h"

namespace Test
{
    inline std::vector<std::string>& ControllerJournal()
    {
        static std::vector<std::string> journal;
        return journal;
    }

    class ProbeController : public Engine::IController
    {
    public:
        typedef std::function<void (const boost::shared_ptr<Engine::Entity>&)> Action;

        explicit ProbeController(std::string name) : name(std::move(name)) {}

        bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override
        {
            ControllerJournal().push_back("Update:" + name);
            lastDt = dt;
            ++updates;
            if (onUpdate)
                onUpdate(entity);
            return carryOn;
        }
        void OnAttach(boost::shared_ptr<Engine::Entity> entity) override
        {
            ControllerJournal().push_back("Attach:" + name);
            attachedTo = entity.get();
            if (onAttach)
                onAttach(entity);
        }
        void OnDetach(boost::shared_ptr<Engine::Entity> entity) override
        {
            ControllerJournal().push_back("Detach:" + name);
            detachedFrom = entity.get();
            if (onDetach)
                onDetach(entity);
        }

        std::string name;
        bool carryOn = true;
        float lastDt = 0.0f;
        int updates = 0;
        Engine::Entity* attachedTo = nullptr;
        Engine::Entity* detachedFrom = nullptr;
        Action onAttach, onUpdate, onDetach;
    };

    /// The number of probes "Probe" has made (reset by the tests' set-up).
    inline int& ProbesMade()
    {
        static int made = 0;
        return made;
    }

    /// Registers "Probe": each controller it makes is named "Probe<n>", n counting from 1.
    inline void RegisterProbe(Engine::ControllerManager& manager)
    {
        manager.RegisterController("Probe", [] {
            return boost::shared_ptr<Engine::IController>(new ProbeController("Probe" + std::to_string(++ProbesMade())));
        });
    }

    inline boost::shared_ptr<ProbeController> AsProbe(const boost::weak_ptr<Engine::IController>& controller)
    {
        return boost::dynamic_pointer_cast<ProbeController>(controller.lock());
    }
}
