#pragma once
#include <string>

namespace AssetGen
{
    /// Paints every texture of the game and writes them as PNG files into `folder`.
    void WriteTextures(const std::string& folder);
}
