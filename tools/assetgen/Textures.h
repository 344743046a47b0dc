#pragma once
#include <string>

namespace AssetGen
{
    /// Paints every texture of the game and writes them as PNG files into `folder`.
    void WriteTextures(const std::string& folder);
    /// Paints the game's icon in the desktop's usual sizes, from 16 to 256 pixels, as
    /// `folder`/<size>x<size>/apps/`name`.png (the layout of an icon theme).
    void WriteIcons(const std::string& folder, const std::string& name);
}
