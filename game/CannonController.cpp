#include "CannonController.h"
#include "Explosion.h"

#include "engine/logic/Event.h"
#include "engine/scene/Entity.h"

#include <Ogre.h>

namespace
{
    constexpr float lifeSeconds = 3.0f;
    const Explosion blast = {2.0f, 30, -400.0f, 3.0f, 50.0f};
}

CannonController::CannonController()
    : age(0.0f), exploded(false), events(this)
{
}

CannonController::~CannonController() = default;

void CannonController::OnAttach(boost::shared_ptr<Engine::Entity> entity)
{
    events.Subscribe(entity);
}

void CannonController::OnDetach(boost::shared_ptr<Engine::Entity>)
{
    events.Cancel();
}

bool CannonController::Update(float dt, boost::shared_ptr<Engine::Entity> entity)
{
    // The projectile that has exploded is gone at the scene's next update.
    if (exploded)
        return false;
    age += dt;
    if (age <= lifeSeconds)
        return true;
    entity->Destroy();
    return false;
}

void CannonController::OnEvent(int type, boost::shared_ptr<Engine::Event> event)
{
    if (type != Engine::SENSOR_ENTER && type != Engine::CONTACT_START)
        return;
    Engine::Entity* projectile = event->GetOrigin();
    // A sensor crossing and a contact often arrive in the same step; the second finds the
    // projectile already exploded. Its own body inside its sensor is no reason to explode.
    if (exploded || !projectile || !projectile->GetSceneNode() || event->GetTarget() == projectile)
        return;
    exploded = true;
    const Ogre::Vector3 position = projectile->GetSceneNode()->getPosition();
    projectile->Destroy();
    blast.At(position);
}
