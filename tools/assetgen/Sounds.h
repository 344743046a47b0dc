#pragma once
#include <string>

namespace AssetGen
{
    /// The game's sound effects and voice lines, synthesised and written as WAV into `folder`.
    void WriteSounds(const std::string& folder);
}
