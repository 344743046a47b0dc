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
    std::string ToString(const Ogre::Vector3& v);
    std::string ToString(const Ogre::Quaternion& q);
    std::string ToString(const Ogre::ColourValue& c);
}
