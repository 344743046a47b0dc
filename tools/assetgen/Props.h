#pragma once
#include <string>

namespace AssetGen
{
    /// Weapons, projectiles, the pick-up and the pieces of the arena (static meshes).
    void WriteProps(const std::string& folder);
}
