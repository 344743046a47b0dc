#include "engine/physics/TerrainLimits.h"
#include "engine/core/Error.h"
#include "engine/core/OgreStreams.h"

#include <cmath>

namespace Engine
{
    void CheckTerrainLimits(const char* where, const std::string& file, const std::string& pageSizeText,
                            unsigned pageSize, const std::string& worldSizeText, float worldSize,
                            const std::string& maxHeightText, float maxHeight)
    {
        if (pageSize > maxTerrainPageSize)
            ThrowError(where, "Terrain file '" + file + "' has 'PageSize' '" + pageSizeText + "'; at most " +
                                  std::to_string(maxTerrainPageSize) + " samples per side are allowed");
        if (std::isfinite(worldSize) && std::fabs(worldSize) > maxDataMagnitude)
            ThrowError(where, "Terrain file '" + file + "' has 'PageWorldX' '" + worldSizeText +
                                  "'; at most 1e7 world units are allowed");
        if (!(std::fabs(maxHeight) <= maxDataMagnitude))
            ThrowError(where, "Terrain file '" + file + "' has 'MaxHeight' '" + maxHeightText +
                                  "'; a finite height of at most 1e7 world units is needed");
    }
}
