#include "engine/core/UniqueId.h"

#include <atomic>
#include <cstdint>

namespace Engine
{
    int GenerateUniqueId()
    {
        // Starts at 0x80000000 and is incremented before each use; unsigned arithmetic keeps
        // the wrap-around defined.
        static std::atomic<std::uint32_t> counter(0x80000000u);
        const std::uint32_t id = counter.fetch_add(1u) + 1u;
        return static_cast<int>(static_cast<std::int32_t>(id));
    }

    std::string GenerateUniqueIdString()
    {
        return std::to_string(GenerateUniqueId());
    }
}
