#pragma once
#include <vector>

#include <OgreVector.h>

namespace Engine
{
    /// A convex hull made by PhysicsSdk::CreateConvexMesh from cooked data. Owned by the SDK;
    /// shapes refer to it, and it cannot be released while they do.
    class PhysicsConvexMesh
    {
    public:
        /// The hull's corner points.
        const std::vector<Ogre::Vector3>& GetPoints() const { return points; }
        float GetVolume() const { return volume; }
        unsigned GetReferenceCount() const { return references; }

    private:
        friend class PhysicsSdk;
        friend class PhysicsShape;
        PhysicsConvexMesh(std::vector<Ogre::Vector3> points, float volume)
            : points(std::move(points)), volume(volume) {}

        std::vector<Ogre::Vector3> points;
        float volume;
        unsigned references = 0;
    };
}
