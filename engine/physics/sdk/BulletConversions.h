#pragma once
// The one place where Bullet and renderer types meet. Include only from engine/physics sources.
#include <LinearMath/btQuaternion.h>
#include <LinearMath/btTransform.h>
#include <LinearMath/btVector3.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include "engine/physics/sdk/PhysicsTypes.h"

namespace Engine
{
    inline btVector3 ToBtVector3(const Ogre::Vector3& v) { return btVector3(v.x, v.y, v.z); }
    inline Ogre::Vector3 ToVector3(const btVector3& v) { return Ogre::Vector3(v.x(), v.y(), v.z()); }

    // The renderer's quaternion is (w x y z), Bullet's constructor takes (x y z w).
    inline btQuaternion ToBtQuaternion(const Ogre::Quaternion& q) { return btQuaternion(q.x, q.y, q.z, q.w); }
    inline Ogre::Quaternion ToQuaternion(const btQuaternion& q) { return Ogre::Quaternion(q.w(), q.x(), q.y(), q.z()); }

    inline btTransform ToBtTransform(const Pose& pose)
    {
        return btTransform(ToBtQuaternion(pose.orientation), ToBtVector3(pose.position));
    }
    inline Pose ToPose(const btTransform& t)
    {
        Pose pose;
        pose.position = ToVector3(t.getOrigin());
        pose.orientation = ToQuaternion(t.getRotation());
        return pose;
    }
}
