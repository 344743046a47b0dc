#include "BonusController.h"
#include "Explosion.h"
#include "GameSounds.h"
#include "UI_Hud.h"

#include "engine/logic/Event.h"
#include "engine/scene/Entity.h"
#include "engine/scene/IEntityComponent.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>

namespace
{
    const char* const playerType = "Character.Player";
    const char* const sparkleType = "Particle.PowerUp";
    const char* const grenadeCount = "GrenadeCount";
    const char* const pickUpText = "Got a grenade!";
    constexpr float spinDegreesPerSecond = 90.0f;
    constexpr float chimeMinDistance = 50.0f;   // units at full volume
    constexpr float sparkleSeconds = 5.0f;
}

BonusController::BonusController()
    : taken(false), events(this)
{
}

BonusController::~BonusController() = default;

void BonusController::OnAttach(boost::shared_ptr<Engine::Entity> entity)
{
    body = entity->GetComponent("Body");
    events.Subscribe(entity);
}

void BonusController::OnDetach(boost::shared_ptr<Engine::Entity>)
{
    events.Cancel();
}

bool BonusController::Update(float dt, boost::shared_ptr<Engine::Entity> entity)
{
    if (Ogre::SceneNode* node = entity->GetSceneNode())
        node->yaw(Ogre::Degree(spinDegreesPerSecond * dt), Ogre::Node::TS_LOCAL);
    return true;
}

void BonusController::OnEvent(int type, boost::shared_ptr<Engine::Event> event)
{
    if (type != Engine::SENSOR_ENTER || taken)
        return;
    Engine::Entity* pickUp = event->GetOrigin();
    Engine::Entity* player = event->GetTarget();
    if (!pickUp || !player || player->GetType() != playerType || !pickUp->GetSceneNode())
        return;
    taken = true;

    const Ogre::Vector3 position = pickUp->GetSceneNode()->getPosition();
    Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundHit2], position, chimeMinDistance);
    pickUp->Destroy();
    SpawnEffect(sparkleType, position, sparkleSeconds);
    if (player->HasAttribute(grenadeCount))
        player->SetAttributeInt(grenadeCount, player->GetAttributeInt(grenadeCount) + 1);
    if (hudInstance)
        hudInstance->AddFloatingTextAt(position, pickUpText, 0.0f);
}
