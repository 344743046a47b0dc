#include "Explosion.h"
#include "GameSounds.h"

#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

namespace
{
    const char* const cloudType = "Particle.Grenade";
    constexpr float cloudSeconds = 10.0f;
    constexpr float noFalloff = 0.0f;   // the same push at every distance within the radius
}

void SpawnEffect(const std::string& type, const Ogre::Vector3& position, float seconds)
{
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    const boost::shared_ptr<Engine::Entity> effect = scene.CreateEntity(type, position);
    scene.RemoveEntityAfter(effect.get(), seconds);
}

void Explosion::At(const Ogre::Vector3& centre) const
{
    SpawnEffect(cloudType, centre, cloudSeconds);
    // Damage first: the rules may replace the dead by corpses, which then join the scene at
    // its next update and are not pushed by this blast; the push reaches the bodies there now.
    Engine::Scene::GetSingleton()->InflictAreaDamage(centre, damageRadius, damage);
    Engine::Simulation::GetSingleton()->AddGlobalMagneticForce(pushStrength, centre, pushRadius, noFalloff);
    Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundExplosion], centre, soundMinDistance);
}
