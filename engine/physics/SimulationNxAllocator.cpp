#include "engine/physics/SimulationNxAllocator.h"

#include <cstdlib>

namespace Engine
{
    namespace Detail
    {
        void* SimulationNxAllocator::Malloc(std::size_t size) { return std::malloc(size); }
        void* SimulationNxAllocator::Realloc(void* memory, std::size_t size) { return std::realloc(memory, size); }
        void SimulationNxAllocator::Free(void* memory) { std::free(memory); }
    }
}
