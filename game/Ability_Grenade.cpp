#include "Ability_Grenade.h"
#include "UI_Hud.h"

#include "engine/physics/BodyEC.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"

#include <Ogre.h>

#include <string>

namespace
{
    const char* const countAttribute = "GrenadeCount";
    const char* const grenadeType = "Bullet.Grenade";
    constexpr float messageSeconds = 5.0f;
    constexpr float throwForcePerSecond = 5.0f;   // forwards and up, per second of charge
    const Ogre::Vector3 handHeight(0.0f, 1.0f, 0.0f);

    int GrenadesOf(const Engine::Entity& entity)
    {
        return entity.HasAttribute(countAttribute) ? entity.GetAttributeInt(countAttribute) : 0;
    }

    void ShowMessage(const std::string& text)
    {
        if (hudInstance)
            hudInstance->ShowMessage(text, messageSeconds);
    }
}

Ability_Grenade::Ability_Grenade()
    : charging(false), chargeSeconds(0.0f)
{
}

void Ability_Grenade::Attach(Engine::Entity* ownerEntity)
{
    owner = ownerEntity ? ownerEntity->GetInternalWeakPtr() : boost::weak_ptr<Engine::Entity>();
    if (ownerEntity)
        ownerEntity->SetAttributeInt(countAttribute, 0);
}

void Ability_Grenade::Select()
{
    ShowMessage("Grenade");
}

void Ability_Grenade::Deselect()
{
    charging = false;
    chargeSeconds = 0.0f;
}

void Ability_Grenade::Update(float seconds)
{
    if (charging)
        chargeSeconds += seconds;
}

void Ability_Grenade::TriggerPressed()
{
    charging = true;
    chargeSeconds = 0.0f;
}

void Ability_Grenade::TriggerReleased()
{
    // A release without a press here (the key was already held when the grenades were
    // selected) throws nothing: only a charge started with this weapon ends in a throw.
    if (!charging)
        return;
    charging = false;
    const boost::shared_ptr<Engine::Entity> thrower = owner.lock();
    if (!thrower || !thrower->GetSceneNode())
        return;
    int left = GrenadesOf(*thrower);
    if (left < 1)
    {
        ShowMessage("No grenades left");
        return;
    }

    thrower->SetAttributeInt(countAttribute, --left);
    if (left == 0)
        ShowMessage("No grenades remaining");
    else
        ShowMessage(std::to_string(left) + (left == 1 ? " grenade remaining" : " grenades remaining"));

    // From the hand, one unit in front; the force grows without limit with the charge.
    Ogre::SceneNode* node = thrower->GetSceneNode();
    const Ogre::Quaternion facing = node->getOrientation();
    const boost::shared_ptr<Engine::Entity> grenade = Engine::Scene::GetSingleton()->CreateEntity(
        grenadeType, node->getPosition() + handHeight + facing * Ogre::Vector3::UNIT_Z);
    grenade->Enable();
    const float force = throwForcePerSecond * chargeSeconds;
    if (const boost::shared_ptr<Engine::BodyEC> body =
            boost::dynamic_pointer_cast<Engine::BodyEC>(grenade->GetComponent("Body")))
        if (const boost::shared_ptr<Engine::SimulationEntity> simulated = body->GetSimulationEntity())
            simulated->AddForce(facing * Ogre::Vector3(0.0f, force, force), Engine::SimulationEntity::GLOBAL);
}

std::string Ability_Grenade::GetWalkAnimation()
{
    return "Walk1";
}

bool Ability_Grenade::IsAvailable()
{
    const boost::shared_ptr<Engine::Entity> ownerEntity = owner.lock();
    return ownerEntity && GrenadesOf(*ownerEntity) > 0;
}
