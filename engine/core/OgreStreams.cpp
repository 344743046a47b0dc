#include "engine/core/OgreStreams.h"

#include <cmath>
#include <istream>
#include <sstream>

namespace Ogre
{
    std::istream& operator>>(std::istream& in, Vector3& v)
    {
        return in >> v.x >> v.y >> v.z;
    }

    std::istream& operator>>(std::istream& in, Quaternion& q)
    {
        return in >> q.w >> q.x >> q.y >> q.z;
    }

    std::istream& operator>>(std::istream& in, ColourValue& c)
    {
        return in >> c.r >> c.g >> c.b >> c.a;
    }
}

namespace Engine
{
    namespace
    {
        template <class... Values>
        std::string Join(Values... values)
        {
            std::ostringstream out;
            const char* separator = "";
            ((out << separator << values, separator = " "), ...);
            return out.str();
        }
    }

    bool IsUsableVector(const Ogre::Vector3& v)
    {
        // Written so that NaN fails every comparison.
        return std::fabs(v.x) <= maxDataMagnitude && std::fabs(v.y) <= maxDataMagnitude &&
               std::fabs(v.z) <= maxDataMagnitude;
    }

    bool MakeUnitRotation(Ogre::Quaternion& q)
    {
        const double w = q.w, x = q.x, y = q.y, z = q.z;
        const double length = std::sqrt(w * w + x * x + y * y + z * z);
        if (!std::isfinite(length) || !(length >= 1e-6))
            return false;
        q = Ogre::Quaternion(static_cast<float>(w / length), static_cast<float>(x / length),
                             static_cast<float>(y / length), static_cast<float>(z / length));
        return true;
    }

    std::string ToString(const Ogre::Vector3& v)
    {
        return Join(v.x, v.y, v.z);
    }

    std::string ToString(const Ogre::Quaternion& q)
    {
        return Join(q.w, q.x, q.y, q.z);
    }

    std::string ToString(const Ogre::ColourValue& c)
    {
        return Join(c.r, c.g, c.b, c.a);
    }
}
