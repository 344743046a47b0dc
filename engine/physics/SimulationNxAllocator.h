#pragma once
#include "engine/physics/sdk/PhysicsAllocator.h"

namespace Engine
{
    namespace Detail
    {
        /// The allocator the world hands to its character-controller manager: the C runtime heap.
        class SimulationNxAllocator : public PhysicsAllocator
        {
        public:
            void* Malloc(std::size_t size) override;
            void* Realloc(void* memory, std::size_t size) override;
            void Free(void* memory) override;
        };
    }
}
