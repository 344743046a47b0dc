#include "tests/physics/UnitBox.h"

#include <gtest/gtest.h>
#include <OgreBone.h>
#include <OgreEntity.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSkeletonInstance.h>
#include <OgreSkeletonManager.h>

#include "engine/core/Error.h"
#include "engine/core/Exception.h"
#include "engine/logic/Event.h"
#include "engine/logic/EventQueue.h"
#include "engine/logic/IEventListener.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/IJointListener.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsCapsuleController.h"
#include "engine/physics/sdk/PhysicsControllerManager.h"
#include "engine/physics/sdk/PhysicsJoint.h"
#include "engine/physics/sdk/PhysicsReports.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplate.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/SceneTest.h"

using namespace Engine;

namespace
{
    struct EventLog : IEventListener
    {
        struct Entry { int type; Entity* origin; Entity* target; };
        void OnEvent(int type, boost::shared_ptr<Event> event) override
        {
            entries.push_back({type, event->GetOrigin(), event->GetTarget()});
        }
        std::vector<Entry> entries;
    };

    /// Hands joint breaks to the joints' listeners, as the world's notify object does.
    struct JointBreakForwarder : IPhysicsNotify
    {
        bool OnJointBreak(float impulse, PhysicsJoint& joint) override
        {
            IJointListener* listener = static_cast<IJointListener*>(joint.GetUserData());
            return listener ? listener->OnJointBreak(impulse, joint) : true;
        }
        void OnWake(PhysicsActor**, unsigned) override {}
        void OnSleep(PhysicsActor**, unsigned) override {}
    };

    class SimulationActorTest : public ::Test::SceneTest
    {
    protected:
        struct Owner
        {
            boost::shared_ptr<Entity> entity;
            boost::weak_ptr<Entity> handle;
            EventLog events;

            /// Delivers the events posted so far to `events`.
            void Forward()
            {
                entity->GetEventQueue().ForwardEvents();
            }
        };

        void SetUp() override
        {
            SceneTest::SetUp();
            Simulation::CreateSingleton(new Simulation);
            world = Simulation::GetSingleton();
        }

        void TearDown() override
        {
            characters.clear();
            owners.clear();
            world.reset();
            Simulation::ReleaseSingleton();
            SceneTest::TearDown();
        }

        /// An entity with bounds of the given size standing at `feet`.
        Owner& MakeOwner(const Ogre::Vector3& feet, const Ogre::Vector3& size = Ogre::Vector3(1, 1.8f, 1))
        {
            owners.emplace_back(new Owner);
            Owner& owner = *owners.back();
            owner.entity = Entity::Create(GetScene(), "thing" + std::to_string(owners.size()));
            owner.entity->GetSceneNode()->setPosition(feet);
            owner.handle = owner.entity;
            // Entities start with bounds of ±0.01 about their origin.
            owner.entity->NotifyBoundsAffector(Ogre::AxisAlignedBox(-size.x / 2, -0.01f, -size.z / 2, size.x / 2, size.y - 0.01f, size.z / 2));
            owner.entity->GetEventQueue().IgnoreEvents(false);
            for (int type : {HIT_ACTOR, HIT_ENTITY})
                owner.entity->GetEventQueue().AddListener(&owner.events, type);
            return owner;
        }

        SimulationActor& MakeCharacter(Owner& owner)
        {
            characters.emplace_back(new SimulationActor(world, *owner.entity, 0));
            characters.back()->SetUserData(&owner.handle);
            return *characters.back();
        }

        PhysicsActor* Crate(const Ogre::Vector3& centre, void* userData, bool dynamic = true)
        {
            return ::Test::AddUnitBox(*world->GetNxScene(), centre, dynamic, userData);
        }

        void Frames(int count, float dt = 1.0f / 60)
        {
            for (int i = 0; i < count; ++i)
            {
                world->Update(dt);
                world->WaitForResults();
            }
        }

        boost::shared_ptr<Simulation> world;
        std::vector<std::unique_ptr<Owner>> owners;
        std::vector<std::unique_ptr<SimulationActor>> characters;
    };
}

TEST_F(SimulationActorTest, IsSizedFromTheBoundsAndStandsOnTheNodesOrigin)
{
    Owner& tall = MakeOwner(Ogre::Vector3(0, 3, 0));
    SimulationActor& character = MakeCharacter(tall);
    auto* capsule = static_cast<PhysicsCapsuleController*>(character.GetController());
    EXPECT_FLOAT_EQ(capsule->GetRadius(), 0.5f);
    EXPECT_FLOAT_EQ(capsule->GetHeight(), 0.8f);
    EXPECT_EQ(character.GetOffset(), Ogre::Vector3(0, 0.9f, 0));
    EXPECT_EQ(capsule->GetPosition(), Ogre::Vector3(0, 3.9f, 0));
    EXPECT_EQ(world->GetActorCount(), 1u);
    EXPECT_TRUE(character.IsInAir());   // no move yet

    Owner& flat = MakeOwner(Ogre::Vector3(5, 0, 0), Ogre::Vector3(2, 1, 2));
    auto* squat = static_cast<PhysicsCapsuleController*>(MakeCharacter(flat).GetController());
    EXPECT_FLOAT_EQ(squat->GetHeight(), 0.01f);
    EXPECT_FLOAT_EQ(squat->GetRadius(), 1.0f);

    EXPECT_EQ(::Test::ErrorOf([&] { SimulationActor(world, *flat.entity, 1); }),
              "Error in Engine::SimulationActor::SimulationActor(). Only capsule shapes are currently supported.");
    characters.clear();
    EXPECT_EQ(world->GetActorCount(), 0u);
    EXPECT_EQ(world->GetNxControllerManager()->GetControllerCount(), 0u);
}

TEST_F(SimulationActorTest, MovesAreSummedUntilTheStepAndLocalMovesTurnWithTheNode)
{
    Owner& owner = MakeOwner(Ogre::Vector3(0, 10, 0));
    SimulationActor& character = MakeCharacter(owner);
    character.Move(Ogre::Vector3(1, 0, 0));
    character.Move(Ogre::Vector3(0, 0, 1));
    EXPECT_EQ(character.GetController()->GetPosition(), Ogre::Vector3(0, 10.9f, 0));   // nothing moved yet
    Frames(1);
    // One move of (1, -5·dt, 1): the world's fall added to the sum.
    const Ogre::Vector3 moved = character.GetController()->GetPosition() - Ogre::Vector3(0, 10.9f, 0);
    EXPECT_NEAR(moved.x, 1, 1e-4);
    EXPECT_NEAR(moved.y, -5.0 / 60, 1e-4);
    EXPECT_NEAR(moved.z, 1, 1e-4);
    EXPECT_EQ(owner.entity->GetSceneNode()->getPosition(), character.GetController()->GetPosition() - character.GetOffset());
    EXPECT_EQ(character.GetPendingMove(), Ogre::Vector3::ZERO);

    owner.entity->GetSceneNode()->setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    character.MoveLocal(Ogre::Vector3(0, 0, 1));
    EXPECT_NEAR(character.GetPendingMove().x, 1, 1e-5);
    EXPECT_NEAR(character.GetPendingMove().z, 0, 1e-5);
    // The actor turns with the node before the step (for sensors and joints).
    Frames(1);
    EXPECT_TRUE(character.GetNxActor()->GetGlobalOrientation().equals(owner.entity->GetSceneNode()->getOrientation(),
                                                                       Ogre::Degree(0.1f)));
}

TEST_F(SimulationActorTest, FallsOntoTheGroundAndIsLiftedBackOverTheGroundPlane)
{
    world->EnableGroundPlane(true);
    Owner& owner = MakeOwner(Ogre::Vector3(0, 2, 0));
    SimulationActor& character = MakeCharacter(owner);
    Frames(60);
    EXPECT_FALSE(character.IsInAir());
    EXPECT_NEAR(owner.entity->GetSceneNode()->getPosition().y, 0.1f, 0.01f);   // the skin's gap

    // Sunk below the plane (placed there without a sweep): lifted back to height 0 and above.
    character.GetController()->SetPosition(Ogre::Vector3(0, -1, 0) + character.GetOffset());
    owner.entity->GetSceneNode()->setPosition(0, -1, 0);
    Frames(2);
    EXPECT_GT(owner.entity->GetSceneNode()->getPosition().y, -0.01f);
}

TEST_F(SimulationActorTest, RaysPassThroughWhenDisabledButSensorsStay)
{
    Owner& owner = MakeOwner(Ogre::Vector3(0, 0, 0));
    SimulationActor& character = MakeCharacter(owner);
    character.CreateBoxSensor(Ogre::Vector3(4, 2, 4), Ogre::Vector3(0, 0, 2), Ogre::Quaternion::IDENTITY);
    const Ogre::Ray ray(Ogre::Vector3(-5, 1, 0), Ogre::Vector3::UNIT_X);
    Ogre::Vector3 point;
    EXPECT_EQ(world->RaycastEntity(ray, point, 100).get(), owner.entity.get());

    character.DisableRaycasting();
    EXPECT_FALSE(world->RaycastEntity(ray, point, 100));
    const std::vector<PhysicsShape*>& shapes = character.GetNxActor()->GetShapes();
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[1]->GetFlags(), 79u);
    EXPECT_EQ(shapes[1]->GetDimensions(), Ogre::Vector3(2, 1, 2));

    character.EnableRaycasting();
    EXPECT_EQ(world->RaycastEntity(ray, point, 100).get(), owner.entity.get());
    EXPECT_EQ(shapes[1]->GetFlags(), 79u);
}

TEST_F(SimulationActorTest, EverySensorStaticOrMovingTellsOfACharacterOnceInAndOnceOutPerCrossing)
{
    // Two pick-ups as the game builds them, a sensor on a static body and one on a floating
    // dynamic body, their solid boxes out of the character's way; the sensors stand on its path.
    world->EnableGroundPlane(true);
    Owner& walker = MakeOwner(Ogre::Vector3(0, 0, 0));
    SimulationActor& character = MakeCharacter(walker);
    std::vector<boost::shared_ptr<SimulationEntity>> bodies;
    std::vector<Owner*> pickUps;
    for (const bool isStatic : {true, false})
    {
        Owner& pickUp = MakeOwner(Ogre::Vector3(isStatic ? 3.0f : 6.0f, 5, 0));
        for (int type : {SENSOR_ENTER, SENSOR_LEAVE})
            pickUp.entity->GetEventQueue().AddListener(&pickUp.events, type);
        bodies.emplace_back(new SimulationEntity(world, *pickUp.entity, SimulationEntity::BOX, 1.0, isStatic ? 1 : 0));
        bodies.back()->SetUserData(&pickUp.handle);
        bodies.back()->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
        bodies.back()->CreateBoxSensor(Ogre::Vector3(1, 2, 1), Ogre::Vector3(0, -4, 0), Ogre::Quaternion::IDENTITY);
        pickUps.push_back(&pickUp);
    }

    for (const float stride : {0.1f, -0.1f})   // there and back again
    {
        for (int i = 0; i < 100; ++i)
        {
            character.Move(Ogre::Vector3(stride, 0, 0));
            Frames(1);
        }
    }
    EXPECT_LT(walker.entity->GetSceneNode()->getPosition().x, 1.0f);
    for (Owner* pickUp : pickUps)
    {
        pickUp->Forward();
        int enters = 0, leaves = 0;
        for (const EventLog::Entry& entry : pickUp->events.entries)
        {
            enters += entry.type == SENSOR_ENTER ? 1 : 0;
            leaves += entry.type == SENSOR_LEAVE ? 1 : 0;
            EXPECT_EQ(entry.origin, pickUp->entity.get());
            EXPECT_EQ(entry.target, walker.entity.get());
        }
        EXPECT_EQ(enters, 2) << (pickUp == pickUps[0] ? "static" : "dynamic");
        EXPECT_EQ(leaves, 2) << (pickUp == pickUps[0] ? "static" : "dynamic");
        ASSERT_FALSE(pickUp->events.entries.empty());
        EXPECT_EQ(pickUp->events.entries.front().type, SENSOR_ENTER);
    }
}

TEST_F(SimulationActorTest, AttachmentsDetachAndBreakAndBreakingLeavesTheList)
{
    JointBreakForwarder forwarder;
    world->GetNxScene()->SetNotify(&forwarder);
    Owner& owner = MakeOwner(Ogre::Vector3(0, 5, 0));
    SimulationActor& character = MakeCharacter(owner);
    // Stand-ins for rigid bodies of the world: only their identity matters to the character.
    boost::shared_ptr<SimulationEntity> light(reinterpret_cast<SimulationEntity*>(new char), [](SimulationEntity* p) { delete reinterpret_cast<char*>(p); });
    boost::shared_ptr<SimulationEntity> heavy(reinterpret_cast<SimulationEntity*>(new char), [](SimulationEntity* p) { delete reinterpret_cast<char*>(p); });
    PhysicsActor* lightActor = Crate(Ogre::Vector3(1, 6, 0), nullptr);
    PhysicsActor* heavyActor = Crate(Ogre::Vector3(-1, 6, 0), nullptr);
    heavyActor->UpdateMassFromShapes(0, 500);
    character.AttachFixed(*lightActor, light, 0);
    character.AttachFixed(*heavyActor, heavy, 100);     // 500 kg hanging on 100 N
    ASSERT_EQ(character.GetNumAttachedEntities(), 2u);
    EXPECT_EQ(world->GetNxScene()->GetJoints().size(), 2u);

    Frames(10);
    ASSERT_EQ(character.GetNumAttachedEntities(), 1u);
    EXPECT_EQ(character.GetAttachedEntity(0), light);
    EXPECT_EQ(world->GetNxScene()->GetJoints().size(), 1u);
    EXPECT_THROW(character.GetAttachedEntity(1), Engine::Exception);

    character.Detach(light.get());
    EXPECT_EQ(character.GetNumAttachedEntities(), 0u);
    EXPECT_TRUE(world->GetNxScene()->GetJoints().empty());
    character.AttachFixed(*lightActor, light, 0);
    characters.clear();     // destruction releases the joints it holds
    EXPECT_TRUE(world->GetNxScene()->GetJoints().empty());
    world->GetNxScene()->SetNotify(nullptr);
}

TEST_F(SimulationActorTest, PushesCratesSidewaysButNotFromAbove_AndReportsHitsOnEntities)
{
    world->EnableGroundPlane(true);
    Owner& walker = MakeOwner(Ogre::Vector3(0, 0, 0));
    Owner& crateOwner = MakeOwner(Ogre::Vector3(3, 0, 0));
    SimulationActor& character = MakeCharacter(walker);
    PhysicsActor* crate = Crate(Ogre::Vector3(1.5f, 0.5f, 0), &crateOwner.handle);
    Frames(5);
    // A long stride into the crate gives it the stride's length as speed.
    character.Move(Ogre::Vector3(1, 0, 0));
    Frames(1);
    EXPECT_GT(crate->GetLinearVelocity().x, 0.5f);
    EXPECT_NEAR(crate->GetLinearVelocity().y, 0, 0.05f);
    Frames(10);
    EXPECT_GT(crate->GetGlobalPosition().x, 1.55f);
    walker.Forward();
    crateOwner.Forward();
    ASSERT_FALSE(walker.events.entries.empty());
    EXPECT_EQ(walker.events.entries[0].type, HIT_ENTITY);
    EXPECT_EQ(walker.events.entries[0].origin, walker.entity.get());
    EXPECT_EQ(walker.events.entries[0].target, crateOwner.entity.get());
    ASSERT_FALSE(crateOwner.events.entries.empty());
    EXPECT_EQ(crateOwner.events.entries[0].type, HIT_ACTOR);
    EXPECT_EQ(crateOwner.events.entries[0].target, walker.entity.get());
    // The ground plane stands for no entity: nothing about it among the events.
    for (const EventLog::Entry& entry : walker.events.entries)
        EXPECT_EQ(entry.target, crateOwner.entity.get());

    // A character dropped onto a crate stands on it without shoving it.
    Owner& jumper = MakeOwner(Ogre::Vector3(10, 3, 0));
    SimulationActor& onTop = MakeCharacter(jumper);
    PhysicsActor* below = Crate(Ogre::Vector3(10, 0.5f, 0), nullptr);
    Frames(90);
    EXPECT_FALSE(onTop.IsInAir());
    EXPECT_NEAR(below->GetGlobalPosition().x, 10, 0.01f);
    EXPECT_NEAR(below->GetGlobalPosition().z, 0, 0.01f);
    EXPECT_LT(below->GetLinearVelocity().length(), 0.05f);
}

TEST_F(SimulationActorTest, CharactersHitEachOtherUnlessInteractionIsOff)
{
    world->EnableGroundPlane(true);
    Owner& a = MakeOwner(Ogre::Vector3(0, 0, 0));
    Owner& b = MakeOwner(Ogre::Vector3(2, 0, 0));
    SimulationActor& mover = MakeCharacter(a);
    SimulationActor& other = MakeCharacter(b);
    mover.Move(Ogre::Vector3(2, 0, 0));
    Frames(1);
    a.Forward();
    b.Forward();
    EXPECT_NEAR(a.entity->GetSceneNode()->getPosition().x, 2 - 1.1f, 0.02f);
    ASSERT_EQ(a.events.entries.size(), 1u);
    EXPECT_EQ(a.events.entries[0].type, HIT_ACTOR);
    EXPECT_EQ(a.events.entries[0].target, b.entity.get());
    EXPECT_TRUE(b.events.entries.empty());   // only the mover hears of it

    other.DisableInteraction();
    mover.Move(Ogre::Vector3(2, 0, 0));
    Frames(1);
    EXPECT_NEAR(a.entity->GetSceneNode()->getPosition().x, 2.9f, 0.02f);

    // Nor do bodies meet it: a crate made inside it falls through it, unshoved.
    PhysicsActor* crate = Crate(b.entity->GetSceneNode()->getPosition() + Ogre::Vector3(0, 1, 0), nullptr);
    Frames(60);
    EXPECT_NEAR(crate->GetGlobalPosition().y, 0.5f, 0.02f);
    EXPECT_NEAR(crate->GetGlobalPosition().x, b.entity->GetSceneNode()->getPosition().x, 0.02f);
    EXPECT_NEAR(crate->GetGlobalPosition().z, 0, 0.02f);
    other.EnableInteraction();
}

TEST_F(SimulationActorTest, ActorComponentMakesACharacterForItsOwner)
{
    const std::vector<std::string> ids = EntityComponentFactory::GetSingleton().GetRegisteredIdentifiers();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.front(), "Actor");

    Owner& owner = MakeOwner(Ogre::Vector3(0, 0, 0));
    boost::shared_ptr<IEntityComponent> component = EntityComponentFactory::GetSingleton().Create("Actor");
    auto* actorComponent = dynamic_cast<ActorEC*>(component.get());
    ASSERT_TRUE(actorComponent);
    EXPECT_EQ(component->GetId(), "Actor");
    EXPECT_TRUE(component->IsAffector());
    EXPECT_FALSE(actorComponent->GetActor());
    component->SetOwner(owner.entity);
    EntityTemplate tmpl("Actor");
    component->Load(GetScene(), tmpl);
    ASSERT_TRUE(actorComponent->GetActor());
    EXPECT_EQ(actorComponent->GetActor()->GetUserData(), &component->GetOwnerWeakPtr());
    Ogre::Vector3 point;
    EXPECT_EQ(world->RaycastEntity(Ogre::Ray(Ogre::Vector3(-5, 1, 0), Ogre::Vector3::UNIT_X), point, 100).get(),
              owner.entity.get());

    owner.entity->GetSceneNode()->setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    actorComponent->MoveLocal(Ogre::Vector3(0, 0, 1));
    EXPECT_NEAR(actorComponent->GetActor()->GetPendingMove().x, 1, 1e-5);

    boost::shared_ptr<SimulationActor> kept = actorComponent->GetActor();
    component->Unload(GetScene());
    EXPECT_FALSE(actorComponent->GetActor());
    EXPECT_EQ(kept->GetUserData(), nullptr);
    EXPECT_FALSE(world->RaycastEntity(Ogre::Ray(Ogre::Vector3(-5, 1, 0), Ogre::Vector3::UNIT_X), point, 100));
}

TEST_F(SimulationActorTest, RagdollHasACapsulePerBoneAndIsReleasedWhenRebuiltOrDestroyed)
{
    // A skinned mesh of three bones: a root and two children.
    Ogre::SkeletonPtr skeleton = Ogre::SkeletonManager::getSingleton().create("rig.skeleton", "General", true);
    Ogre::Bone* root = skeleton->createBone("root", 0);
    root->setPosition(0, 1, 0);
    for (unsigned short handle : {1, 2})
    {
        Ogre::Bone* child = skeleton->createBone(handle == 1 ? "left" : "right", handle);
        child->setPosition(handle == 1 ? 0.5f : -0.5f, 0, 0);
        root->addChild(child);
    }
    skeleton->setBindingPose();
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("rig.mesh", "General");
    mesh->setSkeletonName("rig.skeleton");
    mesh->_setBounds(Ogre::AxisAlignedBox(-1, 0, -1, 1, 2, 1));
    mesh->load();
    Ogre::Entity* skinned = GetScene().GetSceneManager()->createEntity(mesh);
    ASSERT_TRUE(skinned->hasSkeleton());

    Owner& owner = MakeOwner(Ogre::Vector3(0, 0, 0));
    SimulationActor& character = MakeCharacter(owner);
    const unsigned before = world->GetNxScene()->GetActorCount();
    character.AutoBuildRagdoll(skinned);
    ASSERT_EQ(character.GetNumRagdollParts(), 3u);
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), before + 3);
    PhysicsActor* first = character.GetRagdollPart(0);
    EXPECT_TRUE(first->IsDynamic());
    EXPECT_EQ(first->GetUserData(), nullptr);
    EXPECT_FLOAT_EQ(first->GetAngularDamping(), 5.0f);
    EXPECT_EQ(first->GetGlobalPosition(), Ogre::Vector3(0, 1, 0));
    EXPECT_EQ(character.GetRagdollPart(1)->GetGlobalPosition(), Ogre::Vector3(0.5f, 1, 0));
    ASSERT_EQ(first->GetShapes().size(), 1u);
    EXPECT_FLOAT_EQ(first->GetShapes()[0]->GetRadius(), 0.25f);

    character.AutoBuildRagdoll(skinned);     // rebuilt: the old parts go
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), before + 3);

    character.SetUseDetailBody(true);
    auto* capsule = static_cast<PhysicsCapsuleController*>(character.GetController());
    EXPECT_FALSE(capsule->GetCollision());
    EXPECT_EQ(capsule->GetInteraction(), ControllerInteraction::EXCLUDE);
    EXPECT_TRUE(skeleton.get() && skinned->getSkeleton()->getBone(0)->isManuallyControlled());
    // The root bone follows its part, relative to the node.
    Frames(1);
    EXPECT_EQ(skinned->getSkeleton()->getBone(0)->getPosition(),
              character.GetRagdollPart(0)->GetGlobalPosition() - owner.entity->GetSceneNode()->getPosition());
    character.SetUseDetailBody(false);
    EXPECT_TRUE(capsule->GetCollision());
    EXPECT_FALSE(skinned->getSkeleton()->getBone(0)->isManuallyControlled());

    characters.clear();
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), before - 1);   // the capsule's actor went too
    GetScene().GetSceneManager()->destroyEntity(skinned);
}
