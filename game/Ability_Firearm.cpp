#include "Ability_Firearm.h"
#include "GameRandom.h"
#include "GameSounds.h"

#include "engine/core/UniqueId.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>
#include <OgreTagPoint.h>

#include <limits>
#include <utility>

namespace
{
    const char* const weaponMarkKey = "Gorvane.Weapon";
    const char* const handBone = "RightHand";
    const char* const muzzleFlashType = "Particle.PistolSpark";
    const char* const hitSparkType = "Particle.Spark";
    const char* const bloodType = "Particle.BloodSplat";

    const Ogre::Vector3 muzzleOffset(0.0f, -0.25f, 0.0f);   // from the hand's attachment, weapon frame
    const Ogre::Vector3 barrelAxis(0.0f, 1.0f, 0.0f);       // weapon frame
    const Ogre::Vector3 shotOrigin(0.0f, 1.0f, 0.0f);       // above the owner's feet: chest height
    constexpr float effectSeconds = 5.0f;
    constexpr float hitPushScale = 100.0f;      // direction given with the damage (ragdoll push)
    constexpr float fleshPushScale = 30.0f;     // bodies of group 1: corpses
    constexpr float objectPushScale = 200.0f;   // everything else that moves
    constexpr int fleshGroup = 1;

    Ogre::SceneManager* GetSceneManager()
    {
        const boost::shared_ptr<Engine::Scene> scene = Engine::Scene::GetSingleton();
        return scene ? scene->GetSceneManager() : nullptr;
    }

    boost::shared_ptr<Engine::SimulationActor> GetActorOf(const Engine::Entity& entity)
    {
        const boost::shared_ptr<Engine::ActorEC> component =
            boost::dynamic_pointer_cast<Engine::ActorEC>(entity.GetComponent("Actor"));
        return component ? component->GetActor() : boost::shared_ptr<Engine::SimulationActor>();
    }

    /// An effect entity (a particle template) at `position`, emitting along `direction` (its
    /// -z axis), removed after a while.
    boost::shared_ptr<Engine::Entity> CreateEffect(const std::string& type, const Ogre::Vector3& position,
                                                   const Ogre::Vector3& direction)
    {
        Engine::Scene& scene = *Engine::Scene::GetSingleton();
        const boost::shared_ptr<Engine::Entity> effect = scene.CreateEntity(type, position);
        effect->GetSceneNode()->setDirection(direction, Ogre::Node::TS_WORLD);
        scene.RemoveEntityAfter(effect.get(), effectSeconds);
        return effect;
    }

    /// Hides a character's capsule from ray casts for as long as it lives.
    class RaycastHider
    {
    public:
        explicit RaycastHider(boost::shared_ptr<Engine::SimulationActor> actor) : actor(std::move(actor))
        {
            if (this->actor)
                this->actor->DisableRaycasting();
        }
        ~RaycastHider()
        {
            if (actor)
                actor->EnableRaycasting();
        }

    private:
        RaycastHider(const RaycastHider&) = delete;
        RaycastHider& operator=(const RaycastHider&) = delete;
        boost::shared_ptr<Engine::SimulationActor> actor;
    };
}

Ability_Firearm::Ability_Firearm(const std::string& weaponName, const std::string& meshFile, float rollDegrees)
    : weaponName(weaponName), rollDegrees(rollDegrees), mark(Engine::GenerateUniqueId())
{
    Ogre::SceneManager* sceneManager = GetSceneManager();
    // Normally the arena's scene load has already cleared the mesh of an earlier player's weapon;
    // one still standing belongs to a weapon that is on its way out.
    if (sceneManager->hasEntity(weaponName))
        sceneManager->destroyEntity(weaponName);
    Ogre::Entity* weapon = sceneManager->createEntity(weaponName, meshFile);
    weapon->getUserObjectBindings().setUserAny(weaponMarkKey, Ogre::Any(mark));
}

Ability_Firearm::~Ability_Firearm()
{
    if (Ogre::Entity* weapon = GetWeapon())
        GetSceneManager()->destroyEntity(weapon);
}

Ogre::Entity* Ability_Firearm::GetWeapon() const
{
    Ogre::SceneManager* sceneManager = GetSceneManager();
    if (!sceneManager || !sceneManager->hasEntity(weaponName))
        return nullptr;
    Ogre::Entity* weapon = sceneManager->getEntity(weaponName);
    const Ogre::Any& tag = weapon->getUserObjectBindings().getUserAny(weaponMarkKey);
    const int* weaponMark = tag.has_value() ? Ogre::any_cast<int>(&tag) : nullptr;
    return weaponMark && *weaponMark == mark ? weapon : nullptr;
}

void Ability_Firearm::Attach(Engine::Entity* ownerEntity)
{
    owner = ownerEntity ? ownerEntity->GetInternalWeakPtr() : boost::weak_ptr<Engine::Entity>();
}

void Ability_Firearm::AttachWeapon()
{
    const boost::shared_ptr<Engine::Entity> ownerEntity = owner.lock();
    Ogre::Entity* weapon = GetWeapon();
    if (!ownerEntity || !weapon || weapon->isAttached())
        return;
    const boost::shared_ptr<Engine::MeshEC> mesh =
        boost::dynamic_pointer_cast<Engine::MeshEC>(ownerEntity->GetComponent("Mesh"));
    if (!mesh || !mesh->GetMesh())
        return;
    mesh->GetMesh()->attachObjectToBone(handBone, weapon,
                                        Ogre::Quaternion(Ogre::Degree(rollDegrees), Ogre::Vector3::UNIT_Z));
}

void Ability_Firearm::Deselect()
{
    Ogre::Entity* weapon = GetWeapon();
    if (weapon && weapon->isParentTagPoint())
        static_cast<Ogre::TagPoint*>(weapon->getParentNode())->getParentEntity()->detachObjectFromBone(weapon);
}

void Ability_Firearm::TriggerReleased()
{
}

bool Ability_Firearm::IsAvailable()
{
    return true;
}

void Ability_Firearm::PlayShotSound(int slot, float minDistance) const
{
    const boost::shared_ptr<Engine::Entity> ownerEntity = owner.lock();
    if (ownerEntity)
        Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[slot], ownerEntity->GetSceneNode()->getPosition(),
                                                       minDistance);
}

void Ability_Firearm::GetMuzzle(Ogre::Vector3& position, Ogre::Vector3& direction) const
{
    Ogre::Entity* weapon = GetWeapon();
    if (weapon && weapon->isParentTagPoint())
    {
        // The hand follows the walk animation and the owner's node, neither of which tells the
        // attachment point: bring it up to date before reading it.
        Ogre::Node* hand = weapon->getParentNode();
        hand->_update(false, true);
        const Ogre::Quaternion orientation = hand->_getDerivedOrientation();
        position = hand->_getDerivedPosition() + orientation * muzzleOffset;
        direction = orientation * barrelAxis;
        return;
    }
    // No weapon in hand (no mesh to hold it): from the chest along the facing.
    const boost::shared_ptr<Engine::Entity> ownerEntity = owner.lock();
    Ogre::SceneNode* node = ownerEntity ? ownerEntity->GetSceneNode() : nullptr;
    position = node ? node->getPosition() + shotOrigin : Ogre::Vector3::ZERO;
    direction = node ? node->getOrientation() * Ogre::Vector3::UNIT_Z : Ogre::Vector3::UNIT_Z;
}

boost::shared_ptr<Engine::Entity> Ability_Firearm::CreateMuzzleFlash() const
{
    Ogre::Vector3 position, direction;
    GetMuzzle(position, direction);
    return CreateEffect(muzzleFlashType, position, direction);
}

void Ability_Firearm::PlaceAtMuzzle(Engine::Entity& flash) const
{
    Ogre::SceneNode* node = flash.GetSceneNode();
    if (!node)
        return;
    Ogre::Vector3 position, direction;
    GetMuzzle(position, direction);
    node->setPosition(position);
    node->setDirection(direction, Ogre::Node::TS_WORLD);
}

void Ability_Firearm::Shoot(int damage, float spreadDegrees, float jitter) const
{
    const boost::shared_ptr<Engine::Entity> shooter = owner.lock();
    if (!shooter || !shooter->GetSceneNode())
        return;
    Ogre::SceneNode* node = shooter->GetSceneNode();
    Ogre::Vector3 direction = Ogre::Quaternion(Ogre::Degree(GameRandom::Range(-spreadDegrees, spreadDegrees)),
                                               Ogre::Vector3::UNIT_Y) *
                              (node->getOrientation() * Ogre::Vector3::UNIT_Z);
    // Not normalised again: the tilt also makes the push a little stronger.
    direction.y += GameRandom::Range(-jitter, jitter);

    Ogre::Vector3 hitPoint;
    boost::shared_ptr<Engine::Entity> target;
    {
        const RaycastHider hideShooter(GetActorOf(*shooter));
        target = Engine::Simulation::GetSingleton()->RaycastEntity(Ogre::Ray(node->getPosition() + shotOrigin, direction),
                                                                  hitPoint, std::numeric_limits<float>::max());
    }
    if (!target)
        return;

    const char* effect = hitSparkType;
    if (target->HasComponent("Actor"))
    {
        target->TakeDamage(damage, hitPoint, direction * hitPushScale);
    }
    else if (const boost::shared_ptr<Engine::BodyEC> body =
                 boost::dynamic_pointer_cast<Engine::BodyEC>(target->GetComponent("Body")))
    {
        if (const boost::shared_ptr<Engine::SimulationEntity> simulated = body->GetSimulationEntity())
        {
            const bool flesh = simulated->GetGroup() == fleshGroup;
            simulated->AddForce(direction * (flesh ? fleshPushScale : objectPushScale), Engine::SimulationEntity::GLOBAL);
            if (flesh)
                effect = bloodType;
        }
    }
    CreateEffect(effect, hitPoint, direction);
}
