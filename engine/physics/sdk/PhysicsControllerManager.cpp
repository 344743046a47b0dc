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
        if (controllers.back()->GetActor())
            byActor[controllers.back()->GetActor()] = controllers.back().get();
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
        byActor.erase(released->GetActor());
        return true;
    }

    void PhysicsControllerManager::PurgeControllers()
    {
        while (!controllers.empty())
        {
            std::unique_ptr<PhysicsController> released = std::move(controllers.back());
            controllers.pop_back();
            byActor.erase(released->GetActor());
        }
    }

    PhysicsController* PhysicsControllerManager::FindByActor(const PhysicsActor* actor) const
    {
        const auto found = byActor.find(actor);
        return found == byActor.end() ? nullptr : found->second;
    }

    void PhysicsControllerManager::UpdateControllers()
    {
        for (std::size_t i = 0; i < controllers.size(); ++i)
            controllers[i]->Update();
    }
}
