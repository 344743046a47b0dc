#pragma once
#include <string>

namespace Engine
{
    /// Bounds on what a terrain description file may ask for, checked by both of its readers
    /// (the physics height field and the drawn terrain) before anything is allocated.
    /// "PageSize" at most 2049 samples per side (4.2 million samples; a sample buffer, a height
    /// field and a vertex buffer of that many stay well inside memory); "PageWorldX" and
    /// "MaxHeight" finite and within +-maxDataMagnitude world units.
    const unsigned maxTerrainPageSize = 2049;

    /// Throws the engine's error from `where` naming the file, the key and its value when a
    /// value lies beyond those bounds. A "PageSize" below 2 or a size that is not positive are
    /// left to the caller (no terrain is built for them).
    void CheckTerrainLimits(const char* where, const std::string& file, const std::string& pageSizeText,
                            unsigned pageSize, const std::string& worldSizeText, float worldSize,
                            const std::string& maxHeightText, float maxHeight);
}
