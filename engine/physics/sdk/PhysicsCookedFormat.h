#pragma once
#include <cstdint>

namespace Engine
{
    // Layout of cooked convex data: magic, version, point count (32-bit words), hull volume,
    // then three floats per hull point. Shared by the cooker and PhysicsSdk::CreateConvexMesh.
    constexpr std::uint32_t CookedConvexMagic = 0x58564347;   // "GCVX"
    constexpr std::uint32_t CookedConvexVersion = 1;
    constexpr std::uint32_t CookedConvexMaxPoints = 1u << 20;
}
