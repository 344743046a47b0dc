#include "engine/gui/Geometry.h"

#include <cmath>
#include <limits>

namespace OverlayKit
{
    unsigned int Truncate(float value)
    {
        if (!(value > 0.0f))  // also catches NaN
            return 0;
        if (value >= static_cast<float>(std::numeric_limits<unsigned int>::max()))
            return std::numeric_limits<unsigned int>::max();
        return static_cast<unsigned int>(value);
    }
}
