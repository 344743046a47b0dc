#include "engine/physics/sdk/PhysicsControllerManager.h"

#include <algorithm>

#include "engine/physics/sdk/PhysicsController.h"

namespace Engine
{
    PhysicsControllerManager::PhysicsControllerManager(PhysicsAllocator& allocator) : allocator(allocator)
    {
    }

    PhysicsControllerManager::~PhysicsControllerManager()
    {
        PurgeControllers();
    }

    PhysicsController* PhysicsControllerManager::AddController(std::unique_ptr<PhysicsController> controller)
    {
        controllers.push_back(std::move(controller));
        return controllers.back().get();
    }

    bool PhysicsControllerManager::ReleaseController(PhysicsController& controller)
    {
        const auto found = std::find_if(controllers.begin(), controllers.end(),
                                        [&controller](const std::unique_ptr<PhysicsController>& held)
                                        { return held.get() == &controller; });
        if (found == controllers.end())
            return false;
        // Take it out of the list before it is destroyed: its destructor may look at the manager.
        std::unique_ptr<PhysicsController> released = std::move(*found);
        controllers.erase(found);
        return true;
    }

    void PhysicsControllerManager::PurgeControllers()
    {
        while (!controllers.empty())
        {
            std::unique_ptr<PhysicsController> released = std::move(controllers.back());
            controllers.pop_back();
        }
    }

    void PhysicsControllerManager::UpdateControllers()
    {
        for (std::size_t i = 0; i < controllers.size(); ++i)
            controllers[i]->Update();
    }
}
