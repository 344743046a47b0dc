#pragma once
#include <string>

namespace AssetGen
{
    /// The player and the zombie: skinned meshes, their skeletons and walk, idle and hit animations.
    void WriteCharacters(const std::string& folder);
}
