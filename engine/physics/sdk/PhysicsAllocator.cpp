#include "engine/physics/sdk/PhysicsAllocator.h"

#include <cstdlib>

namespace Engine
{
    namespace
    {
        class HeapAllocator : public PhysicsAllocator
        {
        public:
            void* Malloc(std::size_t size) override { return std::malloc(size); }
            void* Realloc(void* memory, std::size_t size) override { return std::realloc(memory, size); }
            void Free(void* memory) override { std::free(memory); }
        };
    }

    PhysicsAllocator& PhysicsAllocator::GetDefault()
    {
        static HeapAllocator allocator;
        return allocator;
    }
}
