#pragma once
#include <OgreVector.h>

namespace Engine
{
    class Entity;

    /// The game's rules for damage. Entities report damage through the application's rule
    /// system (Entity::TakeDamage); the game installs one with Application::SetRuleSystem.
    class IRuleSystem
    {
    public:
        IRuleSystem() = default;
        IRuleSystem(const IRuleSystem&) = default;
        IRuleSystem& operator=(const IRuleSystem&) = default;
        virtual ~IRuleSystem() = default;

        virtual void ApplyDamage(Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) = 0;
    };
}
