#include "PlayerController.h"
#include "GameInput.h"
#include "FrameTime.h"
#include "UI_Hud.h"
#include "GameSounds.h"
#include "IAbility.h"

#include "engine/core/Application.h"
#include "engine/core/Error.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <OIS.h>
#include <Ogre.h>

#include <algorithm>
#include <cmath>

namespace
{
    const char* const corpseType = "Character.DeadPlayer";

    constexpr float forwardSpeed = 3.0f;            // units per second
    constexpr float backwardSpeed = 2.4f;           // units per second
    constexpr float turnDegreesPerSecond = 200.0f;
    constexpr float forwardAnimationSpeed = 1.2f;   // walk cycles played per second of walking
    constexpr float backwardAnimationSpeed = -0.96f;
    constexpr float footstepsPerCycle = 0.5f;       // seconds between steps: |animation speed| x this
    constexpr float footstepMinDistance = 10.0f;
    constexpr float powerSeconds = 0.1f;            // one point of power each
    constexpr float switchSeconds = 0.2f;           // at most one weapon switch each
    constexpr float deathPushScale = 100.0f;        // the hit's direction pushes the ragdoll
}

PlayerController::PlayerController()
    : currentAbility(0), powerTimer(0.0f), footstepTimer(0.0f), switchTimer(0.0f), walkAnimation(nullptr),
      fireHeld(false), started(false), dead(false)
{
    keyMap[ActionFire] = OIS::KC_RCONTROL;
    keyMap[ActionForward] = OIS::KC_UP;
    keyMap[ActionBackward] = OIS::KC_DOWN;
    keyMap[ActionTurnLeft] = OIS::KC_LEFT;
    keyMap[ActionTurnRight] = OIS::KC_RIGHT;
    keyMap[ActionNextWeapon] = OIS::KC_RSHIFT;
}

PlayerController::~PlayerController() = default;

void PlayerController::AddAbility(boost::shared_ptr<IAbility> ability)
{
    if (!ability)
        return;
    abilities.push_back(ability);
    if (abilities.size() == 1)
        currentAbility = 0;
}

boost::shared_ptr<IAbility> PlayerController::GetCurrentAbility() const
{
    return currentAbility < abilities.size() ? abilities[currentAbility] : boost::shared_ptr<IAbility>();
}

void PlayerController::OnAttach(boost::shared_ptr<Engine::Entity> entity)
{
    mesh = boost::dynamic_pointer_cast<Engine::MeshEC>(entity->GetComponent("Mesh"));
    entity->userCallback = static_cast<IEntityCallback*>(this);
    if (const boost::shared_ptr<Engine::ActorEC> component =
            boost::dynamic_pointer_cast<Engine::ActorEC>(entity->GetComponent("Actor")))
        actor = component->GetActor();
}

void PlayerController::OnDetach(boost::shared_ptr<Engine::Entity> entity)
{
    // The entity outlives this controller: it must not call back into it.
    if (entity->userCallback == static_cast<IEntityCallback*>(this))
        entity->userCallback = nullptr;
    actor.reset();
    mesh.reset();
    walkAnimation = nullptr;   // it belonged to the mesh
}

bool PlayerController::IsDown(Action action) const
{
    return IsGameKeyDown(static_cast<OIS::KeyCode>(keyMap.at(action)));
}

void PlayerController::PlayWalk()
{
    const boost::shared_ptr<IAbility> ability = GetCurrentAbility();
    Ogre::Entity* body = mesh ? mesh->GetMesh() : nullptr;
    if (!ability || !body)
        return;
    const std::string name = ability->GetWalkAnimation();
    if (!body->hasAnimationState(name))
    {
        Engine::LogWarning("PlayerController::PlayWalk", "the player's mesh has no animation '" + name + "'");
        return;
    }
    Ogre::AnimationState* walk = body->getAnimationState(name);
    if (walk == walkAnimation)
        return;
    if (walkAnimation)
        walkAnimation->setEnabled(false);
    walk->setEnabled(true);
    walk->setLoop(true);
    walkAnimation = walk;
}

bool PlayerController::Update(float dt, boost::shared_ptr<Engine::Entity> entity)
{
    if (dead)
        return true;
    Ogre::SceneNode* node = entity->GetSceneNode();

    // The first frame takes up the weapon in hand.
    if (!started && GetCurrentAbility())
    {
        started = true;
        GetCurrentAbility()->Select();
        PlayWalk();
    }

    // Power refills one point every 0.1 s, up to the maximum.
    if (entity->HasAttribute("Power") && entity->HasAttribute("MaxPower"))
    {
        const int power = entity->GetAttributeInt("Power");
        const int maxPower = entity->GetAttributeInt("MaxPower");
        if (power < maxPower)
        {
            // The time past each point counts towards the next, so that power comes at ten
            // points a second whatever the frame rate.
            powerTimer += dt;
            if (powerTimer > powerSeconds)
            {
                powerTimer = FrameTime::CarryOver(powerTimer, powerSeconds);
                entity->SetAttributeInt("Power", std::min(maxPower, power + 1));
            }
        }
    }

    // The fire key's edges go to the weapon, then the weapon's own frame.
    if (const boost::shared_ptr<IAbility> ability = GetCurrentAbility())
    {
        const bool fireDown = IsDown(ActionFire);
        if (!fireHeld && fireDown)
        {
            fireHeld = true;
            ability->TriggerPressed();
        }
        else if (fireHeld && !fireDown)
        {
            fireHeld = false;
            ability->TriggerReleased();
        }
        ability->Update(dt);
    }

    // Forward wins over backward; backwards the walk plays in reverse.
    float animationSpeed = forwardAnimationSpeed;
    bool moved = false;
    if (IsDown(ActionForward))
    {
        if (actor)
            actor->MoveLocal(Ogre::Vector3(0.0f, 0.0f, forwardSpeed * dt));
        moved = true;
    }
    else if (IsDown(ActionBackward))
    {
        animationSpeed = backwardAnimationSpeed;
        if (actor)
            actor->MoveLocal(Ogre::Vector3(0.0f, 0.0f, -backwardSpeed * dt));
        moved = true;
    }

    if (IsDown(ActionTurnRight))
    {
        node->yaw(Ogre::Degree(-turnDegreesPerSecond * dt), Ogre::Node::TS_LOCAL);
        moved = true;
    }
    else if (IsDown(ActionTurnLeft))
    {
        node->yaw(Ogre::Degree(turnDegreesPerSecond * dt), Ogre::Node::TS_LOCAL);
        moved = true;
    }

    // Standing still, the walk pauses where it is and the feet are quiet.
    if (moved)
    {
        footstepTimer += dt;
        if (walkAnimation)
            walkAnimation->addTime(dt * animationSpeed);
        const float stepSeconds = std::fabs(animationSpeed * footstepsPerCycle);
        if (footstepTimer > stepSeconds)
        {
            Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundFootstep], node->getPosition(),
                                                           footstepMinDistance);
            // As with power: steps keep their beat whatever the frame rate.
            footstepTimer = FrameTime::CarryOver(footstepTimer, stepSeconds);
        }
    }

    switchTimer += dt;
    if (switchTimer > switchSeconds && IsDown(ActionNextWeapon) && !abilities.empty())
    {
        switchTimer = 0.0f;
        SwitchWeapon();
    }
    return true;
}

void PlayerController::SwitchWeapon()
{
    abilities[currentAbility]->Deselect();
    // The next ability that may be used; past the last one, back to the first (always usable).
    do
        ++currentAbility;
    while (currentAbility < abilities.size() && !abilities[currentAbility]->IsAvailable());
    if (currentAbility == abilities.size())
        currentAbility = 0;
    abilities[currentAbility]->Select();
    PlayWalk();
}

void PlayerController::OnDamage(Engine::Entity*, int, Ogre::Vector3, Ogre::Vector3)
{
    // A pain cry, unless one was heard a moment ago.
    if (hudInstance && !dead)
        hudInstance->Taunt(true);
}

void PlayerController::OnDeath(Engine::Entity* entity, Ogre::Vector3 point, Ogre::Vector3 direction)
{
    if (dead)
        return;
    dead = true;
    Ogre::SceneNode* node = entity->GetSceneNode();
    const Ogre::Vector3 position = node ? node->getPosition() : Ogre::Vector3::ZERO;
    const Ogre::Quaternion orientation = node ? node->getOrientation() : Ogre::Quaternion::IDENTITY;

    entity->Destroy();
    if (actor)
        actor->DisableInteraction();

    // The body falls where the player stood, thrown by the blow.
    const boost::shared_ptr<Engine::Entity> corpse = Engine::Scene::GetSingleton()->CreateEntity(corpseType, position);
    corpse->Enable();
    const boost::shared_ptr<Engine::BodyEC> body =
        boost::dynamic_pointer_cast<Engine::BodyEC>(corpse->GetComponent("Body"));
    if (const boost::shared_ptr<Engine::SimulationEntity> simulated = body ? body->GetSimulationEntity()
                                                                           : boost::shared_ptr<Engine::SimulationEntity>())
    {
        simulated->SetOrientation(orientation);
        simulated->AddForceAtPos(direction * deathPushScale, point, Engine::SimulationEntity::GLOBAL);
    }
    else if (corpse->GetSceneNode())
    {
        corpse->GetSceneNode()->setOrientation(orientation);
    }

    Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundDeath]);
}
