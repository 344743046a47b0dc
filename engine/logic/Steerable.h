#pragma once
#include <vector>

#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Engine
{
    class Entity;

    /// Steering helper an agent's controller keeps beside its entity. The controller copies the
    /// entity's position, orientation and velocity in before each use and asks for steering
    /// vectors (desired velocity minus current velocity) and simple view tests. It moves nothing
    /// and owns nothing; a plain value, copied member by member.
    class Steerable
    {
    public:
        /// `forward` is the agent's facing axis in its own local space.
        explicit Steerable(const Ogre::Vector3& forward = Ogre::Vector3::NEGATIVE_UNIT_Z);

        void UpdatePosition(const Ogre::Vector3& value) { position = value; }
        void UpdateOrientation(const Ogre::Quaternion& value) { orientation = value; }
        void UpdateVelocity(const Ogre::Vector3& value) { velocity = value; }
        const Ogre::Vector3& GetPosition() const { return position; }
        const Ogre::Vector3& GetVelocity() const { return velocity; }

        /// Unit vector towards the target, minus the velocity.
        Ogre::Vector3 Seek(const Ogre::Vector3& target) const;
        /// Unit vector away from the point, minus the velocity.
        Ogre::Vector3 Flee(const Ogre::Vector3& point) const;
        /// A desired velocity of length min(1, 1 / slowing) towards the target, minus the
        /// velocity; zero when the target is where the agent stands. How far away the target
        /// is does not change the length.
        Ogre::Vector3 Arrive(const Ogre::Vector3& target, float slowing) const;
        /// The facing direction turned randomly by up to `maxDeviation`, minus the velocity.
        /// Draws new random numbers on every call.
        Ogre::Vector3 Wander(const Ogre::Radian& maxDeviation) const;
        /// The point lies in the forward (backward) cone of about 45 degrees around the facing
        /// direction; a point exactly on the cone's edge is in neither.
        bool IsAhead(const Ogre::Vector3& point) const;
        bool IsBehind(const Ogre::Vector3& point) const;
        /// A sideways unit vector away from the entity, minus the velocity, while the entity is
        /// within the radius of its bounding box; otherwise zero.
        Ogre::Vector3 AvoidEntity(const Entity& entity) const;

        // Group behaviours this helper does not provide: always the zero vector.
        Ogre::Vector3 AvoidEntities(const std::vector<Entity*>& entities) const;
        Ogre::Vector3 Separation(const std::vector<Entity*>& entities) const;
        Ogre::Vector3 Alignment(const std::vector<Entity*>& entities) const;
        Ogre::Vector3 Cohesion(const std::vector<Entity*>& entities) const;

    private:
        Ogre::Vector3 Facing() const { return orientation * forward; }

        Ogre::Vector3 position;
        Ogre::Vector3 forward;
        Ogre::Quaternion orientation;
        Ogre::Vector3 velocity;
    };
}
