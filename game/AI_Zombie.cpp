#include "AI_Zombie.h"
#include "FrameTime.h"
#include "GameSounds.h"

#include "engine/logic/Event.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <algorithm>

#include <boost/pointer_cast.hpp>
#include <Ogre.h>

namespace
{
    const char* const preyType = "Character.Player";
    const char* const corpseType = "Character.DeadZombie";
    const char* const bloodType = "Particle.Blood";
    const char* const splatType = "Particle.BloodSplat";

    constexpr float stunSeconds = 1.5f;             // of the shared stun timer
    constexpr float thinkSeconds = 0.02f;           // least time between two decisions
    constexpr float reachSquared = 0.9f;            // closer than this (squared units) stops the chase
    constexpr float punchReachSquared = 1.0f;       // and the prey can be punched
    // Two capsules cannot come closer than their radii and skin allow: beyond the reach above,
    // a zombie also stops and punches once its capsule is within this gap of the prey's.
    constexpr float reachGap = 0.2f;
    constexpr float punchReachGap = 0.25f;
    constexpr float arriveSlowing = 2.0f;           // half a unit per second of wished velocity
    constexpr float steeringGain = 3.0f;
    constexpr float walkFactorPerSpeed = 2.5f / 100.0f;  // "Speed" 100 walks at 2.5
    constexpr int defaultSpeed = 100;               // a zombie without "Speed"
    constexpr float movedEnough = 0.01f;            // units since the last decision to count as walking
    constexpr float animationSpeed = 0.7f;          // idle and walk
    constexpr float footstepSeconds = 0.6f;
    constexpr float footstepMinDistance = 5.0f;
    constexpr float punchSeconds = 0.3f;
    constexpr float punchAnimationSpeed = 2.0f;
    constexpr int punchDamage = 15;
    const Ogre::Vector3 punchHeight(0.0f, 1.8f, 0.0f);
    constexpr float punchPush = 2.5f;
    constexpr float bloodSeconds = 45.0f;           // blood stays this long
    constexpr float splatSeconds = 2.0f;
    constexpr float bleedCooldownSeconds = 0.5f;    // at most one pool of blood per this time
    constexpr float staggerAnimationSpeed = 0.4f;
    constexpr float momentumPerDamage = 4.0f;       // a body's momentum / 4 is its damage
    const Ogre::Vector3 bodyHitHeight(0.0f, 1.0f, 0.0f);
    constexpr float corpseSeconds = 30.0f;
    constexpr float corpsePoseSeconds = 0.5f;       // of "Attacked2": the pose a corpse keeps

    /// The radius of the capsule the character of this entity walks in.
    float CapsuleRadius(const Engine::Entity& entity)
    {
        const Ogre::AxisAlignedBox& bounds = entity.GetBoundingBox();
        if (!bounds.isFinite())
            return 0.0f;
        const Ogre::Vector3 size = bounds.getSize();
        return std::max(size.x, size.z) / 2.0f;
    }

    float Squared(float value)
    {
        return value * value;
    }

    boost::shared_ptr<Engine::Entity> Spawn(const char* type, const Ogre::Vector3& position, float seconds)
    {
        Engine::Scene& scene = *Engine::Scene::GetSingleton();
        const boost::shared_ptr<Engine::Entity> entity = scene.CreateEntity(type, position);
        scene.RemoveEntityAfter(entity.get(), seconds);
        return entity;
    }
}

float AI_Zombie::stunTimer_ = 0.0f;

AI_Zombie::AI_Zombie()
    : attackTimer(0.0f), thinkTimer(0.0f), stunned(false), goal(Ogre::Vector3::ZERO),
      steering(Ogre::Vector3::UNIT_Z), footstepTimer(0.0f), bleedCooldown(0.0f)
{
    Engine::Entity::RegisterAttributeInt("Speed");
}

AI_Zombie::~AI_Zombie()
{
    // The controller manager can let go of its controllers while their entities still live
    // (it is released before the scene): leave no dangling callback or listener behind.
    if (const boost::shared_ptr<Engine::Entity> entity = self.lock())
        Unhook(*entity);
}

void AI_Zombie::Unhook(Engine::Entity& entity)
{
    entity.GetEventQueue().RemoveListener(this, -1);
    if (IEntityCallback::Of(&entity) == this)
        entity.userCallback = nullptr;
}

void AI_Zombie::OnAttach(boost::shared_ptr<Engine::Entity> entity)
{
    self = entity;
    entity->userCallback = static_cast<IEntityCallback*>(this);
    entity->GetEventQueue().AddListener(this, -1);
    mesh = boost::dynamic_pointer_cast<Engine::MeshEC>(entity->GetComponent("Mesh"));
    if (const boost::shared_ptr<Engine::ActorEC> actorComponent =
            boost::dynamic_pointer_cast<Engine::ActorEC>(entity->GetComponent("Actor")))
        actor = actorComponent->GetActor();
    goal = entity->GetSceneNode()->getPosition();
}

void AI_Zombie::OnDetach(boost::shared_ptr<Engine::Entity> entity)
{
    // A detached zombie no longer answers for its entity's hits: the rule system falls back
    // to destroying the entity instead of calling a controller without mesh or actor.
    Unhook(*entity);
    actor.reset();
    mesh.reset();
}

bool AI_Zombie::Update(float dt, boost::shared_ptr<Engine::Entity> entity)
{
    if (bleedCooldown > 0.0f)
        bleedCooldown -= dt;

    // Staggering: every stunned zombie runs the one shared timer, so a crowd recovers sooner.
    if (stunned)
    {
        stunTimer_ += dt;
        if (stunTimer_ > stunSeconds)
        {
            stunned = false;
            stunTimer_ = 0.0f;
        }
        return true;
    }

    Ogre::SceneNode& node = *entity->GetSceneNode();
    boost::shared_ptr<Engine::Entity> prey = target.lock();
    if (!prey)
    {
        prey = Engine::Scene::GetSingleton()->FindClosestEntityByType(preyType, node.getPosition());
        target = prey;
    }
    if (!prey || !prey->GetSceneNode())
    {
        if (mesh)
            mesh->AnimPlayOnce("Idle1", animationSpeed, false);
        return true;
    }

    // Decisions come at most every thinkSeconds; each one moves the zombie by the time since
    // the last, so that it walks and punches at the same pace whatever the frame rate.
    thinkTimer += dt;
    if (thinkTimer < thinkSeconds)
        return true;
    const float step = thinkTimer;
    thinkTimer = 0.0f;

    const Ogre::Vector3 preyPosition = prey->GetSceneNode()->getPosition();
    const Ogre::Vector3 previous = steering.GetPosition();
    steering.UpdatePosition(node.getPosition());
    steering.UpdateOrientation(node.getOrientation());
    goal = preyPosition;

    const float touching = CapsuleRadius(*entity) + CapsuleRadius(*prey);
    if (node.getPosition().squaredDistance(goal) > std::max(reachSquared, Squared(touching + reachGap)))
        Chase(*entity, node, previous, step);
    else if (node.getPosition().squaredDistance(preyPosition) < std::max(punchReachSquared, Squared(touching + punchReachGap)))
        Attack(*prey, node, preyPosition, step);
    return true;
}

void AI_Zombie::Chase(Engine::Entity& entity, Ogre::SceneNode& node, const Ogre::Vector3& previous, float step)
{
    const Ogre::Vector3 force = steering.Arrive(goal, arriveSlowing) * steeringGain;
    const Ogre::Vector3 velocity = steering.GetVelocity() + force * step;
    const int speed = entity.HasAttribute("Speed") ? entity.GetAttributeInt("Speed") : defaultSpeed;
    if (actor)
        actor->Move(velocity * step * (static_cast<float>(speed) * walkFactorPerSpeed));
    steering.UpdateVelocity(velocity);

    if (node.getPosition().distance(previous) > movedEnough)
    {
        if (mesh)
            mesh->AnimPlayOnce("Walk1", animationSpeed, false);
        footstepTimer += step;
        if (footstepTimer > footstepSeconds)
        {
            Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundFootstep], node.getPosition(),
                                                           footstepMinDistance);
            footstepTimer = FrameTime::CarryOver(footstepTimer, footstepSeconds);
        }
    }

    // Face the way it walks, then stand up straight again.
    node.setDirection(velocity.normalisedCopy(), Ogre::Node::TS_WORLD, Ogre::Vector3::UNIT_Z);
    node.setDirection(Ogre::Vector3::UNIT_Y, Ogre::Node::TS_WORLD, Ogre::Vector3::UNIT_Y);
}

void AI_Zombie::Attack(Engine::Entity& prey, Ogre::SceneNode& node, const Ogre::Vector3& preyPosition, float step)
{
    steering.UpdateVelocity(Ogre::Vector3::ZERO);
    attackTimer += step;
    if (attackTimer <= punchSeconds)
        return;
    // Punches keep their beat whatever the frame rate: the time past this one counts
    // towards the next.
    attackTimer = FrameTime::CarryOver(attackTimer, punchSeconds);
    if (mesh)
        mesh->AnimPlayOnce("Punch", punchAnimationSpeed, false);
    prey.TakeDamage(punchDamage, preyPosition + punchHeight, node.getOrientation() * Ogre::Vector3::UNIT_Z * punchPush);
    Spawn(bloodType, preyPosition, bloodSeconds);
}

void AI_Zombie::OnEvent(int type, boost::shared_ptr<Engine::Event> event)
{
    if (type != Engine::HIT_ENTITY && type != Engine::CONTACT_START)
        return;
    const boost::shared_ptr<Engine::Entity> me = self.lock();
    Engine::Entity* other = event ? event->GetTarget() : nullptr;
    if (!me || !other)
        return;
    const boost::shared_ptr<Engine::BodyEC> bodyComponent =
        boost::dynamic_pointer_cast<Engine::BodyEC>(other->GetComponent("Body"));
    const boost::shared_ptr<Engine::SimulationEntity> body =
        bodyComponent ? bodyComponent->GetSimulationEntity() : boost::shared_ptr<Engine::SimulationEntity>();
    if (!body || body->IsStatic())
        return;

    // Grenades, cannon balls and flying corpses hurt; a nudge does not.
    const Ogre::Vector3 momentum = body->GetLinearMomentum();
    const int damage = static_cast<int>(static_cast<int>(momentum.length()) / momentumPerDamage);
    if (damage > 0)
        me->TakeDamage(damage, body->GetPosition() + bodyHitHeight, momentum.normalisedCopy());
}

void AI_Zombie::OnDamage(Engine::Entity* entity, int, Ogre::Vector3 point, Ogre::Vector3 direction)
{
    Ogre::SceneNode* node = entity->GetSceneNode();
    if (bleedCooldown <= 0.0f && node)
    {
        Spawn(bloodType, node->getPosition(), bloodSeconds);
        bleedCooldown = bleedCooldownSeconds;
    }
    if (mesh)
        mesh->AnimPlayOnce("Attacked2", staggerAnimationSpeed, false);
    stunned = true;

    const boost::shared_ptr<Engine::Entity> splat = Spawn(splatType, point, splatSeconds);
    splat->GetSceneNode()->setDirection(-direction, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
}

void AI_Zombie::OnDeath(Engine::Entity* entity, Ogre::Vector3 point, Ogre::Vector3 direction)
{
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    Ogre::SceneNode* node = entity->GetSceneNode();
    if (!node)
        return;
    Ogre::Entity* renderMesh = mesh ? mesh->GetMesh() : nullptr;
    const std::string material = renderMesh && renderMesh->getNumSubEntities() > 0
                                     ? renderMesh->getSubEntity(0)->getMaterialName()
                                     : std::string();

    const boost::shared_ptr<Engine::Entity> corpse = scene.CreateEntity(corpseType, node->getPosition());
    corpse->GetSceneNode()->setOrientation(node->getOrientation());
    if (!corpse->IsEnabled())
        corpse->Enable();

    // Frozen mid-stagger, in the colours of the variant that died.
    if (const boost::shared_ptr<Engine::MeshEC> corpseMesh =
            boost::dynamic_pointer_cast<Engine::MeshEC>(corpse->GetComponent("Mesh")))
    {
        if (Ogre::Entity* corpseRender = corpseMesh->GetMesh())
        {
            if (corpseRender->hasAnimationState("Attacked2"))
            {
                Ogre::AnimationState* pose = corpseRender->getAnimationState("Attacked2");
                pose->setEnabled(true);
                pose->setTimePosition(corpsePoseSeconds);
            }
            if (!material.empty())
                corpseRender->setMaterialName(material);
        }
    }
    if (const boost::shared_ptr<Engine::BodyEC> corpseBody =
            boost::dynamic_pointer_cast<Engine::BodyEC>(corpse->GetComponent("Body")))
    {
        if (corpseBody->GetSimulationEntity())
            corpseBody->GetSimulationEntity()->AddForceAtPos(direction, point, Engine::SimulationEntity::GLOBAL);
    }

    scene.RemoveEntityAfter(corpse.get(), corpseSeconds);
    if (actor)
        actor->DisableInteraction();
    entity->Destroy();
}
