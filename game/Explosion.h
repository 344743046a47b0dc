#pragma once
#include <string>

#include <OgreVector.h>

/// A blast of a projectile: everything strictly within `damageRadius` of the centre takes
/// `damage`, the bodies within `pushRadius` are pushed away from it with `pushStrength`
/// (a negative magnetic force), the "Particle.Grenade" cloud stays for 10 s and the explosion
/// sound plays at the centre, at full volume up to `soundMinDistance`.
struct Explosion
{
    float damageRadius;
    int damage;
    float pushStrength;
    float pushRadius;
    float soundMinDistance;

    void At(const Ogre::Vector3& centre) const;
};

/// Creates an effect entity (a particle template) at the position; the scene removes it after
/// `seconds`.
void SpawnEffect(const std::string& type, const Ogre::Vector3& position, float seconds);
