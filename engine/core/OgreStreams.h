#pragma once
// Text form of the renderer's value types as they appear in data files:
// vector "x y z", quaternion "w x y z", colour "r g b a".
// Reading uses operator>> (found by argument-dependent lookup). The renderer already defines
// operator<< for these types with its own decorated format, so writing goes through ToString.
#include <iosfwd>
#include <string>

#include <OgreColourValue.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Ogre
{
    std::istream& operator>>(std::istream& in, Vector3& v);
    std::istream& operator>>(std::istream& in, Quaternion& q);
    std::istream& operator>>(std::istream& in, ColourValue& c);
}

namespace Engine
{
    /// The largest coordinate, size or scale the engine takes from a data file. Beyond it a
    /// float no longer tells one world unit from the next, and the renderer's and the physics
    /// world's bounds overflow.
    const float maxDataMagnitude = 1e7f;

    /// True when every component is finite and within +-maxDataMagnitude.
    bool IsUsableVector(const Ogre::Vector3& v);
    /// Scales q to unit length (in double precision, so that large components do not overflow)
    /// and returns true; returns false and leaves q as it was when a component is not finite or
    /// the length is too small to give a direction.
    bool MakeUnitRotation(Ogre::Quaternion& q);

    std::string ToString(const Ogre::Vector3& v);
    std::string ToString(const Ogre::Quaternion& q);
    std::string ToString(const Ogre::ColourValue& c);
}
