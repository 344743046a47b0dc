#pragma once
#include <vector>

#include "engine/physics/sdk/PhysicsTypes.h"

namespace Engine
{
    /// A grid of height samples made by PhysicsSdk::CreateHeightField. Owned by the SDK; shapes
    /// refer to it (the collision shapes read the samples in place), and it cannot be released
    /// while they do.
    class PhysicsHeightField
    {
    public:
        unsigned GetRows() const { return rows; }
        unsigned GetColumns() const { return columns; }
        /// The sample at (row, column); both must be in range.
        const HeightFieldSample& GetSample(unsigned row, unsigned column) const { return samples[row * columns + column]; }
        short GetMinHeight() const { return minHeight; }
        short GetMaxHeight() const { return maxHeight; }
        unsigned GetReferenceCount() const { return references; }

    private:
        friend class PhysicsSdk;
        friend class PhysicsShape;
        explicit PhysicsHeightField(const HeightFieldDesc& desc);

        unsigned rows;
        unsigned columns;
        std::vector<HeightFieldSample> samples;
        /// The heights column-major (column * rows + row), the order the collision shape reads.
        std::vector<short> heights;
        short minHeight = 0;
        short maxHeight = 0;
        unsigned references = 0;
    };
}
