#pragma once
#include <memory>
#include <unordered_map>
#include <vector>

namespace Engine
{
    class PhysicsActor;
    class PhysicsAllocator;
    class PhysicsController;

    /// Owns the character controllers of one scene, in the order they were added.
    class PhysicsControllerManager
    {
    public:
        /// The allocator is the one controllers allocate through; it must outlive the manager.
        explicit PhysicsControllerManager(PhysicsAllocator& allocator);
        ~PhysicsControllerManager();
        PhysicsControllerManager(const PhysicsControllerManager&) = delete;
        PhysicsControllerManager& operator=(const PhysicsControllerManager&) = delete;

        unsigned GetControllerCount() const { return static_cast<unsigned>(controllers.size()); }
        /// The controller at an index below GetControllerCount().
        PhysicsController* GetController(unsigned index) const { return controllers[index].get(); }

        /// Takes ownership of a controller made by a controller kind and returns it.
        PhysicsController* AddController(std::unique_ptr<PhysicsController> controller);
        /// Frees one controller; false when it does not belong to this manager.
        bool ReleaseController(PhysicsController& controller);
        /// Frees every controller.
        void PurgeControllers();
        /// The controller whose actor this is, or null.
        PhysicsController* FindByActor(const PhysicsActor* actor) const;
        /// Lets every controller do its per-frame work, in order.
        void UpdateControllers();

        PhysicsAllocator& GetAllocator() const { return allocator; }

    private:
        PhysicsAllocator& allocator;
        std::vector<std::unique_ptr<PhysicsController>> controllers;
        std::unordered_map<const PhysicsActor*, PhysicsController*> byActor;
    };
}
