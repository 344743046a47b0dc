#include "engine/logic/Steerable.h"
#include "engine/scene/Entity.h"

#include <cmath>
#include <limits>

#include <OgreSceneNode.h>

namespace Engine
{
    namespace
    {
        constexpr float coneCosine = 0.707f;   // cos 45 degrees, the half-angle of the view cones
    }

    Steerable::Steerable(const Ogre::Vector3& forward)
        : position(Ogre::Vector3::ZERO), forward(forward), orientation(Ogre::Quaternion::IDENTITY),
          velocity(Ogre::Vector3::ZERO)
    {
    }

    Ogre::Vector3 Steerable::Seek(const Ogre::Vector3& target) const
    {
        return (target - position).normalisedCopy() - velocity;
    }

    Ogre::Vector3 Steerable::Flee(const Ogre::Vector3& point) const
    {
        return (position - point).normalisedCopy() - velocity;
    }

    Ogre::Vector3 Steerable::Arrive(const Ogre::Vector3& target, float slowing) const
    {
        // The length is taken after normalising: it is 1, or 0 on the target itself. The
        // slowing factor alone sets how fast the agent wants to go.
        const Ogre::Vector3 direction = (target - position).normalisedCopy();
        const float distance = direction.length();
        if (std::fabs(distance) <= std::numeric_limits<float>::epsilon())
            return Ogre::Vector3::ZERO;
        float speed = distance / slowing;
        if (speed > 1.0f)
            speed = 1.0f;
        return direction * (speed / distance) - velocity;
    }

    Ogre::Vector3 Steerable::Wander(const Ogre::Radian& maxDeviation) const
    {
        return Facing().randomDeviant(maxDeviation, Ogre::Vector3::UNIT_Y).normalisedCopy() - velocity;
    }

    bool Steerable::IsAhead(const Ogre::Vector3& point) const
    {
        return Facing().dotProduct((point - position).normalisedCopy()) > coneCosine;
    }

    bool Steerable::IsBehind(const Ogre::Vector3& point) const
    {
        return Facing().dotProduct((point - position).normalisedCopy()) < -coneCosine;
    }

    Ogre::Vector3 Steerable::AvoidEntity(const Entity& entity) const
    {
        // An entity without a node (released by its scene) has no place to avoid.
        const Ogre::SceneNode* node = entity.GetSceneNode();
        if (!node)
            return Ogre::Vector3::ZERO;
        const float radiusSquared = 2.0f * entity.GetBoundingBox().getHalfSize().squaredLength();
        const Ogre::Vector3 offset = node->getPosition() - position;
        if (!(offset.squaredLength() < radiusSquared))
            return Ogre::Vector3::ZERO;
        const Ogre::Vector3 side = Ogre::Vector3::UNIT_Y.crossProduct(Facing());
        const Ogre::Vector3 steer = offset.dotProduct(side) > 0.0f ? -side : side;
        return steer - velocity;
    }

    Ogre::Vector3 Steerable::AvoidEntities(const std::vector<Entity*>&) const
    {
        return Ogre::Vector3::ZERO;
    }

    Ogre::Vector3 Steerable::Separation(const std::vector<Entity*>&) const
    {
        return Ogre::Vector3::ZERO;
    }

    Ogre::Vector3 Steerable::Alignment(const std::vector<Entity*>&) const
    {
        return Ogre::Vector3::ZERO;
    }

    Ogre::Vector3 Steerable::Cohesion(const std::vector<Entity*>&) const
    {
        return Ogre::Vector3::ZERO;
    }
}
