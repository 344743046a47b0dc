#pragma once
#include <OgreAxisAlignedBox.h>

#include "engine/physics/sdk/PhysicsTypes.h"

class btCollisionShape;
class btCollisionObject;
struct btTriangleInfoMap;

namespace Engine
{
    class PhysicsActor;

    /// One shape of an actor, made by PhysicsActor::CreateShape and owned by the actor. Solid
    /// shapes collide; trigger shapes (any ShapeFlag::TRIGGER_* bit) only report crossings.
    class PhysicsShape
    {
    public:
        PhysicsActor& GetActor() const { return actor; }
        ShapeType GetType() const { return desc.type; }

        unsigned GetFlags() const { return desc.flags; }
        bool GetFlag(unsigned flag) const { return (desc.flags & flag) != 0; }
        /// Raises or clears flag bits. Turning a shape into a trigger or back rebuilds the actor's
        /// collision set-up (its pose and velocities are kept).
        void SetFlag(unsigned flag, bool value);
        bool IsTrigger() const { return (desc.flags & ShapeFlag::TRIGGER_ENABLE) != 0; }

        unsigned GetGroup() const { return desc.group; }
        void SetGroup(unsigned group) { desc.group = group; }
        unsigned GetMaterialIndex() const { return desc.materialIndex; }

        void* GetUserData() const { return desc.userData; }
        void SetUserData(void* data) { desc.userData = data; }

        /// Pose relative to the actor.
        const Pose& GetLocalPose() const { return desc.localPose; }
        Pose GetGlobalPose() const;
        /// World-space bounds at the actor's current pose.
        Ogre::AxisAlignedBox GetWorldBounds() const;

        Ogre::Vector3 GetDimensions() const { return desc.dimensions; }
        float GetRadius() const { return desc.radius; }
        float GetHeight() const { return desc.height; }
        /// Volume enclosed by the shape (0 for planes and height fields).
        float GetVolume() const;

        /// Creation order within the scene; orders reports.
        unsigned GetSerial() const { return serial; }

    private:
        friend class PhysicsActor;
        friend class PhysicsScene;

        /// Throws Engine::Exception when the description is unusable.
        PhysicsShape(PhysicsActor& actor, const ShapeDesc& desc, unsigned serial);
        ~PhysicsShape();
        PhysicsShape(const PhysicsShape&) = delete;
        PhysicsShape& operator=(const PhysicsShape&) = delete;

        /// Local pose of the collision shape itself: the local pose with the collision shape's own
        /// offset (height fields are centred by Bullet) folded in.
        Pose GetCollisionPose() const;

        PhysicsActor& actor;
        ShapeDesc desc;
        unsigned serial;
        btCollisionShape* collisionShape;       ///< owned
        btTriangleInfoMap* edgeInfo = nullptr;  ///< owned; height fields: which triangle edges are inner
        Pose collisionOffset;                   ///< from the shape's frame to the collision shape's
        int childIndex = -1;                    ///< index in the actor's compound, -1 when direct
        btCollisionObject* triggerObject = nullptr;  ///< owned; trigger shapes only, while in the world
    };
}
