#include "engine/physics/sdk/PhysicsHeightField.h"

#include <algorithm>

namespace Engine
{
    PhysicsHeightField::PhysicsHeightField(const HeightFieldDesc& desc)
        : rows(desc.rows), columns(desc.columns), samples(desc.samples), heights(samples.size())
    {
        // Rows run along local x and columns along local z. The collision shape walks x fastest,
        // so the heights are stored transposed.
        for (unsigned row = 0; row < rows; ++row)
            for (unsigned column = 0; column < columns; ++column)
                heights[column * rows + row] = samples[row * columns + column].height;
        if (!heights.empty())
        {
            const auto range = std::minmax_element(heights.begin(), heights.end());
            minHeight = *range.first;
            maxHeight = *range.second;
        }
    }
}
