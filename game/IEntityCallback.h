#pragma once
#include <OgreVector.h>

namespace Engine { class Entity; }

/// An entity's own reaction to hits, installed by its controller in Entity::userCallback.
/// `point` is the world point of the hit, `direction` its direction (its length scales pushes).
class IEntityCallback
{
public:
    /// The entity took a hit; `damage` is the amount dealt before any multiplier.
    virtual void OnDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) = 0;
    /// The entity died from a hit.
    virtual void OnDeath(Engine::Entity* entity, Ogre::Vector3 point, Ogre::Vector3 direction) = 0;

    /// The callback an entity carries, or null.
    static IEntityCallback* Of(const Engine::Entity* entity);

protected:
    ~IEntityCallback() = default;
};
