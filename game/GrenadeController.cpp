#include "GrenadeController.h"
#include "Explosion.h"
#include "GameSounds.h"

#include "engine/logic/Event.h"
#include "engine/scene/Entity.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>

namespace
{
    constexpr float fuseSeconds = 3.0f;
    constexpr float bounceClickSeconds = 0.25f;       // least time between two clicks
    constexpr float bounceSoundMinDistance = 50.0f;   // units at full volume
    const Explosion blast = {4.0f, 30, -500.0f, 4.0f, 100.0f};
}

GrenadeController::GrenadeController()
    : fuseTime(0.0f), bounceCooldown(0.0f), events(this)
{
}

GrenadeController::~GrenadeController() = default;

void GrenadeController::OnAttach(boost::shared_ptr<Engine::Entity> entity)
{
    events.Subscribe(entity);
}

void GrenadeController::OnDetach(boost::shared_ptr<Engine::Entity>)
{
    events.Cancel();
}

bool GrenadeController::Update(float dt, boost::shared_ptr<Engine::Entity> entity)
{
    fuseTime += dt;
    if (bounceCooldown > 0.0f)
        bounceCooldown -= dt;
    if (fuseTime <= fuseSeconds)
        return true;

    fuseTime = 0.0f;
    Ogre::SceneNode* node = entity->GetSceneNode();
    if (!node)
        return false;   // an entity its scene has already let go of: nothing left to blow up
    const Ogre::Vector3 position = node->getPosition();
    entity->Destroy();
    blast.At(position);
    return false;
}

void GrenadeController::OnEvent(int type, boost::shared_ptr<Engine::Event> event)
{
    if (type != Engine::HIT_ACTOR && type != Engine::CONTACT_START)
        return;
    if (bounceCooldown > 0.0f)
        return;
    Engine::Entity* grenade = event->GetOrigin();
    if (!grenade || !grenade->GetSceneNode())
        return;
    Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundHit], grenade->GetSceneNode()->getPosition(),
                                                   bounceSoundMinDistance);
    bounceCooldown = bounceClickSeconds;
}
