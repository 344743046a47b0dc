#include "engine/core/OgreStreams.h"

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
