#pragma once
#include <string>

namespace AssetGen
{
    /// The three looping music streams (menu, in game, the scary opening) as Ogg Vorbis.
    void WriteMusic(const std::string& folder);
}
