#pragma once
#include <cstddef>

namespace Engine
{
    /// Memory entry points the physics layer and its helpers allocate through.
    class PhysicsAllocator
    {
    public:
        virtual ~PhysicsAllocator() = default;
        virtual void* Malloc(std::size_t size) = 0;
        virtual void* Realloc(void* memory, std::size_t size) = 0;
        virtual void Free(void* memory) = 0;

        /// The layer's own allocator (the C runtime heap); lives as long as the process.
        static PhysicsAllocator& GetDefault();
    };
}
