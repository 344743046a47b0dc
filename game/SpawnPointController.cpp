#include "SpawnPointController.h"
#include "GameRandom.h"

#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <OgreSceneNode.h>

namespace
{
    constexpr float firstZombieSeconds = 5.0f;
    constexpr float startIntervalSeconds = 15.0f;   // shrinks by sqrt(elapsed seconds / 4)
    constexpr float secondVariantAfterSeconds = 100.0f;
    constexpr float thirdVariantAfterSeconds = 200.0f;
    constexpr float heightAboveGround = 1.0f;
    constexpr float groundRayStartHeight = 10000.0f;
    constexpr int healthPerVariant = 30;            // variant v has 30 x v
    constexpr int speedPerStep = 20;                // variant v has 20 x (6 - v)
    const char* const zombieTemplate = "Character.Zombie";
}

SpawnPointController::SpawnPointController()
    : countdown(firstZombieSeconds), elapsed(0.0f)
{
    // Zombies carry their walking speed; registered so templates can give it too.
    Engine::Entity::RegisterAttributeInt("Speed");
}

void SpawnPointController::OnAttach(boost::shared_ptr<Engine::Entity>)
{
}

void SpawnPointController::OnDetach(boost::shared_ptr<Engine::Entity>)
{
}

bool SpawnPointController::Update(float dt, boost::shared_ptr<Engine::Entity> entity)
{
    elapsed += dt;
    countdown -= dt;
    if (countdown >= 0.0f)
        return true;

    // 15 s apart at first, 10 s after 100 s, 5 s after 400 s; from 900 s on, every frame.
    // The time this frame ran past the zombie counts towards the next one, so that zombies
    // come at the same times whatever the frame rate; at most one interval of it, so that a
    // long frame releases no more than one extra zombie.
    const float interval = startIntervalSeconds - std::sqrt(elapsed / 4.0f);
    countdown = interval > 0.0f ? interval - std::min(-countdown, interval) : interval;
    const int variants = elapsed > thirdVariantAfterSeconds ? 3 : elapsed > secondVariantAfterSeconds ? 2 : 1;
    const int variant = GameRandom::Below(variants) + 1;

    // Out of the grate, standing on whatever is below it.
    Ogre::Vector3 position = entity->GetSceneNode()->getPosition();
    Engine::Simulation::GetSingleton()->RaycastHeight(position, heightAboveGround, groundRayStartHeight);

    const boost::shared_ptr<Engine::Entity> zombie =
        Engine::Scene::GetSingleton()->CreateEntity(zombieTemplate + std::to_string(variant), position);
    zombie->SetAttributeInt("Health", healthPerVariant * variant);
    zombie->SetAttributeInt("Speed", speedPerStep * (6 - variant));
    return true;
}
