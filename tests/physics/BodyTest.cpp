#include <cmath>
#include <limits>

#include <boost/make_shared.hpp>

#include <gtest/gtest.h>
#include <OgreEntity.h>
#include <OgreManualObject.h>
#include <OgreMeshManager.h>
#include <OgreSceneManager.h>

#include "engine/core/Exception.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/IEntityComponent.h"
#include "engine/scene/Scene.h"
#include "tests/physics/BodyFixture.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"

using Engine::SimulationEntity;
using Ogre::Vector3;

namespace
{
    typedef Test::BodyFixture RigidBody;

    /// Stands in for the render component: only its id matters to the physics.
    struct MeshStandIn : Engine::IEntityComponent
    {
        void Load(Engine::Scene&, Engine::EntityTemplate&) override {}
        void Unload(Engine::Scene&) override {}
        std::string GetId() override { return "Mesh"; }
        Engine::LoadStatus CheckLoadStatus(Engine::Entity&) override { return Engine::Ready; }
        void Update(float) override {}
    };

    const Engine::PhysicsShape& Solid(const SimulationEntity& body)
    {
        return *body.GetNxActor()->GetShapes().at(0);
    }
}

TEST_F(RigidBody, ShapesAreSizedFromTheBoundingBox)
{
    const auto tall = Body(*Make(Vector3(0, 5, 0), Vector3(1, 4, 1)), SimulationEntity::CAPSULE);
    EXPECT_EQ(Solid(*tall).GetType(), Engine::ShapeType::CAPSULE);
    EXPECT_FLOAT_EQ(Solid(*tall).GetRadius(), 0.5f);
    EXPECT_FLOAT_EQ(Solid(*tall).GetHeight(), 3.0f);

    const auto flat = Body(*Make(Vector3(5, 5, 0), Vector3(2, 1, 2)), SimulationEntity::CAPSULE);
    EXPECT_FLOAT_EQ(Solid(*flat).GetRadius(), 1.0f);
    EXPECT_FLOAT_EQ(Solid(*flat).GetHeight(), 0.0f);

    const auto ball = Body(*Make(Vector3(10, 5, 0), Vector3(3, 1, 2)), SimulationEntity::SPHERE);
    EXPECT_FLOAT_EQ(Solid(*ball).GetRadius(), 1.5f);

    // A box keeps the bounds' offset from the node; the body starts at the node's pose.
    const auto crate = Body(*Make(Vector3(0, 5, 10), Vector3(2, 1, 4), Vector3(0, 0.25f, 0)));
    EXPECT_EQ(Solid(*crate).GetDimensions(), Vector3(1, 0.5f, 2));
    EXPECT_EQ(Solid(*crate).GetLocalPose().position, Vector3(0, 0.25f, 0));
    EXPECT_EQ(crate->GetNxActor()->GetGlobalPosition(), Vector3(0, 5, 10));
    EXPECT_TRUE(crate->GetNxActor()->IsDynamic());
    EXPECT_EQ(crate->GetGroup(), -1);
    EXPECT_EQ(crate->GetMaterialID(), -1);
    EXPECT_EQ(crate->GetSimulation(), world);

    // Only the lowest bit of the static argument counts.
    const auto even = boost::make_shared<SimulationEntity>(world, *Make(Vector3(20, 0, 0), Vector3(1)),
                                                           SimulationEntity::BOX, 1.0, 2);
    const auto odd = boost::make_shared<SimulationEntity>(world, *Make(Vector3(25, 0, 0), Vector3(1)),
                                                          SimulationEntity::BOX, 1.0, 3);
    EXPECT_FALSE(even->IsStatic());
    EXPECT_TRUE(odd->IsStatic());
    EXPECT_FALSE(odd->GetNxActor()->IsDynamic());
}

TEST_F(RigidBody, BodiesRegisterWithTheWorldAndLeaveItWithTheirActor)
{
    const unsigned actorsBefore = world->GetNxScene()->GetActorCount();
    auto first = Body(*Make(Vector3(0, 1, 0), Vector3(1)));
    auto second = Body(*Make(Vector3(3, 1, 0), Vector3(1)));
    EXPECT_EQ(world->GetEntityCount(), 2u);
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), actorsBefore + 2);
    first.reset();
    EXPECT_EQ(world->GetEntityCount(), 1u);
    EXPECT_TRUE(world->HasEntity(second.get()));
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), actorsBefore + 1);

    // A reset takes the actors with the old scene: a body that outlives it goes quietly.
    world->Reset();
    EXPECT_EQ(world->GetEntityCount(), 0u);
    second.reset();
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), 0u);
}

TEST_F(RigidBody, ConvexBodiesNeedAMeshAndShareTheCachedHull)
{
    const boost::shared_ptr<Engine::Entity> bare = Make(Vector3::ZERO, Vector3(1));
    const unsigned actorsBefore = world->GetNxScene()->GetActorCount();
    EXPECT_EQ(::Test::ErrorOf([&] { Body(*bare, SimulationEntity::CONVEX); }),
              "Error in Engine::Detail::ConvexDescFromEntity(). Can't extract a convex shape from an entity with no mesh");
    EXPECT_EQ(world->GetEntityCount(), 0u);
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), actorsBefore);

    Ogre::SceneManager* manager = GetScene().GetSceneManager();
    Ogre::ManualObject* object = manager->createManualObject();
    object->begin("BaseWhite", Ogre::RenderOperation::OT_TRIANGLE_LIST);
    const Vector3 corners[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 1},
                               {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const Vector3& corner : corners)
        object->position(corner);
    object->end();
    object->convertToMesh("tetra.mesh");
    manager->destroyManualObject(object);

    std::vector<boost::shared_ptr<SimulationEntity>> bodies;
    for (int i = 0; i < 2; ++i)
    {
        const boost::shared_ptr<Engine::Entity> rock = Make(Vector3(3.0f * i, 2, 0), Vector3(1));
        rock->AddComponent(boost::make_shared<MeshStandIn>());
        rock->GetSceneNode()->attachObject(manager->createEntity("tetra.mesh"));
        bodies.push_back(Body(*rock, SimulationEntity::CONVEX));
        EXPECT_EQ(Solid(*bodies.back()).GetType(), Engine::ShapeType::CONVEX);
        EXPECT_EQ(Solid(*bodies.back()).GetLocalPose().position, Vector3::ZERO);
    }
    EXPECT_EQ(world->GetNxConvexMesh("tetra.mesh"), world->ConvexFromMesh(
        Ogre::MeshManager::getSingleton().getByName("tetra.mesh").get()));
}

TEST_F(RigidBody, ForcesAndImpulsesActInTheRequestedSpace)
{
    // Gravity off, turned a quarter about y: its local x axis points along world -z.
    const auto body = Body(*Make(Vector3(0, 10, 0), Vector3(1)));
    body->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    body->SetOrientation(Ogre::Quaternion(Ogre::Degree(90), Vector3::UNIT_Y));
    const float mass = body->GetNxActor()->GetMass();
    ASSERT_FLOAT_EQ(mass, 1.0f);

    body->AddImpulse(Vector3(2, 0, 0), SimulationEntity::LOCAL);
    EXPECT_TRUE(body->GetLinearMomentum().positionEquals(Vector3(0, 0, -2), 1e-4f));
    body->AddImpulse(Vector3(0, 0, -2), SimulationEntity::GLOBAL);
    EXPECT_TRUE(body->GetLinearMomentum().positionEquals(Vector3(0, 0, -4), 1e-4f));
    body->AddImpulse(Vector3(0, 0, 2), static_cast<SimulationEntity::TransformSpace>(2));
    body->AddImpulseAtPos(Vector3(0, 0, 2), Vector3::ZERO, static_cast<SimulationEntity::TransformSpace>(2));
    EXPECT_TRUE(body->GetLinearMomentum().positionEquals(Vector3(0, 0, -4), 1e-4f));

    // A force acts over the next step: 60 N for 1/60 s adds 1 to the momentum.
    body->AddImpulse(Vector3(0, 0, 4), SimulationEntity::GLOBAL);
    body->AddForce(Vector3(60, 0, 0), SimulationEntity::LOCAL);
    body->AddForceAtPos(Vector3(600, 0, 0), Vector3::ZERO, static_cast<SimulationEntity::TransformSpace>(2));
    Frame();
    EXPECT_TRUE(body->GetLinearMomentum().positionEquals(Vector3(0, 0, -1), 1e-3f)) << body->GetLinearMomentum();

    // Off the centre the same push also spins the body.
    const auto spinner = Body(*Make(Vector3(10, 10, 0), Vector3(1)));
    spinner->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    spinner->AddImpulseAtPos(Vector3(1, 0, 0), Vector3(0, 0.5f, 0), SimulationEntity::LOCAL);
    EXPECT_LT(spinner->GetNxActor()->GetAngularVelocity().z, -0.1f);
    const auto pushed = Body(*Make(Vector3(20, 10, 0), Vector3(1)));
    pushed->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    pushed->AddForceAtPos(Vector3(60, 0, 0), Vector3(20, 10.5f, 0), SimulationEntity::GLOBAL);
    Frame();
    EXPECT_LT(pushed->GetNxActor()->GetAngularVelocity().z, -0.1f);
    EXPECT_NEAR(pushed->GetLinearMomentum().x, 1.0f, 1e-3f);
}

TEST_F(RigidBody, NonFiniteForcesAndGravityAreRefusedAndTheWorldGoesOn)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    world->EnableGroundPlane(true);
    const auto body = Body(*Make(Vector3(0, 0.5f, 0), Vector3(1)));
    ::Test::LogCapture log;
    body->AddForce(Vector3(nan, 0, 0), SimulationEntity::GLOBAL);
    body->AddImpulse(Vector3(0, inf, 0), SimulationEntity::LOCAL);
    body->AddForceAtPos(Vector3(1, 0, 0), Vector3(0, nan, 0), SimulationEntity::GLOBAL);
    body->AddImpulseAtPos(Vector3(0, 0, -inf), Vector3::ZERO, SimulationEntity::LOCAL);
    world->AddGlobalMagneticForce(nan, Vector3::ZERO, 10, 0);
    world->AddGlobalForce(Vector3(inf, 0, 0), Vector3::ZERO, -1);
    world->SetGravity(Vector3(0, nan, 0));
    EXPECT_EQ(log.Count("Warning in Engine::"), 7);
    EXPECT_EQ(log.Count("not finite"), 7);
    EXPECT_EQ(world->GetNxScene()->GetGravity(), Vector3(0, -9.81f, 0));
    EXPECT_EQ(body->GetLinearMomentum(), Vector3::ZERO);
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_TRUE(body->GetPosition().positionEquals(Vector3(0, 0.5f, 0), 0.02f)) << body->GetPosition();
}

TEST_F(RigidBody, StaticBodiesIgnoreForcesAndStayWhereTheirNodeIs)
{
    const boost::shared_ptr<Engine::Entity> wall = Make(Vector3(0, 2, 0), Vector3(1));
    const auto body = Body(*wall, SimulationEntity::BOX, true);
    body->AddForce(Vector3(1000, 0, 0), SimulationEntity::GLOBAL);
    body->AddImpulse(Vector3(1000, 0, 0), SimulationEntity::GLOBAL);
    EXPECT_EQ(body->GetLinearMomentum(), Vector3::ZERO);
    wall->GetSceneNode()->setPosition(Vector3(4, 2, 0));
    Frame();
    EXPECT_EQ(body->GetNxActor()->GetGlobalPosition(), Vector3(4, 2, 0));
    EXPECT_EQ(body->GetPosition(), Vector3(4, 2, 0));
}

TEST_F(RigidBody, NodeAndBodyPosesFollowEachOther)
{
    const boost::shared_ptr<Engine::Entity> entity = Make(Vector3(0, 10, 0), Vector3(1));
    const auto body = Body(*entity);
    body->SetPosition(Vector3(1, 20, 3));
    EXPECT_EQ(body->GetPosition(), Vector3(1, 20, 3));
    EXPECT_EQ(body->GetNxActor()->GetGlobalPosition(), Vector3(1, 20, 3));
    const Ogre::Quaternion turn(Ogre::Degree(30), Vector3::UNIT_X);
    body->SetOrientation(turn);
    EXPECT_TRUE(body->GetOrientation().equals(turn, Ogre::Degree(0.01f)));

    // The step moves the node; game code moving the node moves the body at the next step.
    Frame();
    EXPECT_LT(entity->GetSceneNode()->getPosition().y, 20.0f);
    EXPECT_EQ(body->GetPosition(), body->GetNxActor()->GetGlobalPosition());
    entity->GetSceneNode()->setPosition(Vector3(-5, 30, 0));
    Frame();
    EXPECT_NEAR(body->GetNxActor()->GetGlobalPosition().x, -5.0f, 1e-4f);
    EXPECT_GT(body->GetPosition().y, 29.0f);
}

TEST_F(RigidBody, RestingBodiesFallAsleep)
{
    world->EnableGroundPlane(true);
    const auto body = Body(*Make(Vector3(0, 0.5f, 0), Vector3(1)));
    for (int i = 0; i < 300 && !body->GetNxActor()->IsSleeping(); ++i)
        Frame();
    EXPECT_TRUE(body->GetNxActor()->IsSleeping());
    EXPECT_NEAR(body->GetPosition().y, 0.5f, 0.05f);
}

TEST_F(RigidBody, BodyFlagsMapOntoThePhysicsLayer)
{
    const auto body = Body(*Make(Vector3(0, 10, 0), Vector3(1)));
    body->EnableBodyFlag(SimulationEntity::FROZEN_ROT_X);
    body->EnableBodyFlag(SimulationEntity::FROZEN_ROT_Z);
    EXPECT_EQ(body->GetNxActor()->ReadBodyFlags(), 16u | 64u);
    body->EnableBodyFlag(SimulationEntity::FROZEN);
    EXPECT_EQ(body->GetNxActor()->ReadBodyFlags(), 126u);
    body->DisableBodyFlag(SimulationEntity::FROZEN_POS);
    EXPECT_EQ(body->GetNxActor()->ReadBodyFlags(), 112u);
    body->DisableBodyFlag(SimulationEntity::FROZEN);
    body->EnableBodyFlag(static_cast<SimulationEntity::BodyFlag>(256));
    EXPECT_EQ(body->GetNxActor()->ReadBodyFlags(), 256u);

    // Frozen in place, gravity does nothing; without gravity a body floats.
    body->EnableBodyFlag(SimulationEntity::FROZEN_POS);
    const auto floater = Body(*Make(Vector3(5, 10, 0), Vector3(1)));
    floater->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_FLOAT_EQ(body->GetPosition().y, 10.0f);
    EXPECT_FLOAT_EQ(floater->GetPosition().y, 10.0f);
    body->EnableBodyFlag(SimulationEntity::KINEMATIC);
    EXPECT_TRUE(body->GetNxActor()->IsKinematic());
}

TEST_F(RigidBody, GroupsAndMaterialsAreTagsOnly)
{
    world->EnableGroundPlane(true);
    const auto lower = Body(*Make(Vector3(0, 0.5f, 0), Vector3(1)));
    const auto upper = Body(*Make(Vector3(0, 2, 0), Vector3(1)));
    upper->SetGroup(3);
    upper->SetMaterialID(7);
    EXPECT_EQ(upper->GetGroup(), 3);
    EXPECT_EQ(upper->GetMaterialID(), 7);
    EXPECT_EQ(upper->GetNxActor()->GetGroup(), 0u);
    for (int i = 0; i < 90; ++i)
        Frame();
    EXPECT_NEAR(upper->GetPosition().y, 1.5f, 0.05f);  // resting on the other one
}

TEST_F(RigidBody, BoxSensorsAreRayTransparentTriggersThatBoundsCanLeaveOut)
{
    const auto body = Body(*Make(Vector3(0, 10, 0), Vector3(1)), SimulationEntity::BOX, true);
    const Ogre::Quaternion turn(Ogre::Degree(90), Vector3::UNIT_Y);
    body->CreateBoxSensor(Vector3(2, 2, 6), Vector3(0, 0, 4), turn);
    const Engine::PhysicsShape& sensor = *body->GetNxActor()->GetShapes().at(1);
    EXPECT_EQ(sensor.GetFlags(), 79u);
    EXPECT_EQ(sensor.GetDimensions(), Vector3(1, 1, 3));
    EXPECT_EQ(sensor.GetLocalPose().position, Vector3(0, 0, 4));

    const Ogre::AxisAlignedBox solid = body->GetAABB(true);
    EXPECT_TRUE(solid.getMinimum().positionEquals(Vector3(-0.5f, 9.5f, -0.5f), 0.05f)) << solid;
    EXPECT_TRUE(solid.getMaximum().positionEquals(Vector3(0.5f, 10.5f, 0.5f), 0.05f)) << solid;
    const Ogre::AxisAlignedBox all = body->GetAABB(false);
    EXPECT_TRUE(all.getMinimum().positionEquals(Vector3(-3, 9, -0.5f), 0.05f)) << all;
    EXPECT_TRUE(all.getMaximum().positionEquals(Vector3(3, 11, 5), 0.05f)) << all;

    Vector3 hit;
    EXPECT_FALSE(world->RaycastPosition(Ogre::Ray(Vector3(0, 20, 4), Vector3::NEGATIVE_UNIT_Y), hit, 100));
    EXPECT_TRUE(world->RaycastPosition(Ogre::Ray(Vector3(0, 20, 0), Vector3::NEGATIVE_UNIT_Y), hit, 100));
}

TEST_F(RigidBody, MagneticForcePullsTowardsTheCentreWithAndWithoutFalloff)
{
    std::vector<boost::shared_ptr<SimulationEntity>> bodies;
    for (const Vector3& at : {Vector3(4, 0, 0), Vector3(0, 0, -2), Vector3(20, 0, 0), Vector3::ZERO})
    {
        bodies.push_back(Body(*Make(at, Vector3(1))));
        bodies.back()->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    }
    world->AddGlobalMagneticForce(60, Vector3::ZERO, 10, 0);
    Frame();
    EXPECT_TRUE(bodies[0]->GetLinearMomentum().positionEquals(Vector3(-1, 0, 0), 1e-3f)) << bodies[0]->GetLinearMomentum();
    EXPECT_TRUE(bodies[1]->GetLinearMomentum().positionEquals(Vector3(0, 0, 1), 1e-3f));
    EXPECT_EQ(bodies[2]->GetLinearMomentum(), Vector3::ZERO);  // out of reach
    EXPECT_EQ(bodies[3]->GetLinearMomentum(), Vector3::ZERO);  // at the centre: no direction
    // The force acts at the centre, not at the body: off-centre bodies also turn... about no
    // axis here, as each pull runs through the body's own centre.
    EXPECT_TRUE(bodies[0]->GetNxActor()->GetAngularVelocity().positionEquals(Vector3::ZERO, 1e-4f));

    // Falloff 0.5: strength / (distance · 0.5); at distance 4 that is 30 N, at 2, 60 N.
    for (const auto& body : bodies)
    {
        body->GetNxActor()->SetLinearVelocity(Vector3::ZERO);
        body->SetPosition(Ogre::Vector3(std::round(body->GetPosition().x), 0, std::round(body->GetPosition().z)));
    }
    world->AddGlobalMagneticForce(60, Vector3::ZERO, 10, 0.5f);
    Frame();
    EXPECT_NEAR(bodies[0]->GetLinearMomentum().x, -0.5f, 1e-3f);
    EXPECT_NEAR(bodies[1]->GetLinearMomentum().z, 1.0f, 1e-3f);
    EXPECT_TRUE(std::isfinite(bodies[3]->GetPosition().x));
}

TEST_F(RigidBody, AreaForcesReachBodiesStrictlyInsideTheRadiusOrAllOfThem)
{
    std::vector<boost::shared_ptr<SimulationEntity>> bodies;
    for (float x : {1.0f, 3.0f, 100.0f})
    {
        bodies.push_back(Body(*Make(Vector3(x, 0, 0), Vector3(1))));
        bodies.back()->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    }
    world->AddGlobalForce(Vector3(0, 60, 0), Vector3::ZERO, 3);
    Frame();
    EXPECT_NEAR(bodies[0]->GetLinearMomentum().y, 1.0f, 1e-3f);
    EXPECT_EQ(bodies[1]->GetLinearMomentum(), Vector3::ZERO);
    EXPECT_EQ(bodies[2]->GetLinearMomentum(), Vector3::ZERO);

    // "Impulse" is the same force by another name; a negative radius reaches every body, the
    // force acting at the given point (so far-off bodies also spin).
    world->AddGlobalImpulse(Vector3(0, 60, 0), Vector3::ZERO, -1);
    Frame();
    EXPECT_NEAR(bodies[0]->GetLinearMomentum().y, 2.0f, 1e-3f);
    EXPECT_NEAR(bodies[1]->GetLinearMomentum().y, 1.0f, 1e-3f);
    EXPECT_NEAR(bodies[2]->GetLinearMomentum().y, 1.0f, 1e-3f);
    EXPECT_GT(bodies[2]->GetNxActor()->GetAngularVelocity().length(), 0.0f);
}

TEST_F(RigidBody, ClosestBodyOfAGroupIsTheNearestOne)
{
    EXPECT_EQ(world->FindClosestEntityByGroup(Vector3::ZERO, 1), nullptr);
    const auto far = Body(*Make(Vector3(10, 0, 0), Vector3(1)), SimulationEntity::BOX, true);
    const auto near = Body(*Make(Vector3(2, 0, 0), Vector3(1)), SimulationEntity::BOX, true);
    const auto nearest = Body(*Make(Vector3(1, 0, 0), Vector3(1)), SimulationEntity::BOX, true);
    const auto middle = Body(*Make(Vector3(5, 0, 0), Vector3(1)), SimulationEntity::BOX, true);
    far->SetGroup(1);
    near->SetGroup(1);
    nearest->SetGroup(2);
    middle->SetGroup(1);
    EXPECT_EQ(world->FindClosestEntityByGroup(Vector3::ZERO, 1), near.get());
    EXPECT_EQ(world->FindClosestEntityByGroup(Vector3(9, 0, 0), 1), far.get());
    EXPECT_EQ(world->FindClosestEntityByGroup(Vector3::ZERO, 2), nearest.get());
    EXPECT_EQ(world->FindClosestEntityByGroup(Vector3::ZERO, 3), nullptr);
}

TEST_F(RigidBody, BoxesLetGoFlatOntoTheGroundPlaneLandFlatWhereTheyFell)
{
    // Crates centred on their node and crates modelled with their origin at the bottom (the box
    // centred above the node), and a slab; each dropped with its bottom 2 units up.
    struct Drop { Vector3 at; Vector3 size; Vector3 centre; };
    const Drop drops[] = {
        {Vector3(0, 2.5f, 0), Vector3(1), Vector3::ZERO},
        {Vector3(5, 2, 0), Vector3(0.78f), Vector3(0, 0.39f, 0)},
        {Vector3(10, 2, -3), Vector3(1.2f, 0.78f, 0.9f), Vector3(0, 0.39f, 0)},
        {Vector3(-6, 2.1f, 4), Vector3(3, 0.2f, 2), Vector3::ZERO},
    };
    world->EnableGroundPlane(true);
    std::vector<boost::shared_ptr<SimulationEntity>> bodies;
    for (const Drop& drop : drops)
        bodies.push_back(Body(*Make(drop.at, drop.size, drop.centre)));
    for (int i = 0; i < 300; ++i)
        Frame();
    for (std::size_t i = 0; i < bodies.size(); ++i)
    {
        const Vector3 rest = bodies[i]->GetPosition();
        const Vector3& at = drops[i].at;
        EXPECT_NEAR(rest.y, at.y - 2, 0.02f) << i;
        EXPECT_LT(Ogre::Vector2(rest.x - at.x, rest.z - at.z).length(), 0.1f) << i << ": " << rest;
        Ogre::Radian angle;
        Vector3 axis;
        bodies[i]->GetOrientation().ToAngleAxis(angle, axis);
        EXPECT_LT(angle.valueDegrees(), 5.0f) << i;
    }
}

TEST_F(RigidBody, ACrateAsleepOnASupportThatIsLetGoFallsToTheGround)
{
    // A static shelf and a loose crate, each with a crate asleep on top; then the components
    // let go of both supports.
    world->EnableGroundPlane(true);
    boost::shared_ptr<SimulationEntity> shelf = Body(*Make(Vector3(0, 0.2f, 0), Vector3(2, 0.4f, 2)), SimulationEntity::BOX, true);
    boost::shared_ptr<SimulationEntity> crate = Body(*Make(Vector3(5, 0.5f, 0), Vector3(1)));
    const auto onShelf = Body(*Make(Vector3(0, 0.9f, 0), Vector3(1)));
    const auto onCrate = Body(*Make(Vector3(5, 1.5f, 0), Vector3(1)));
    for (int i = 0; i < 400 && !(onShelf->GetNxActor()->IsSleeping() && onCrate->GetNxActor()->IsSleeping()); ++i)
        Frame();
    ASSERT_TRUE(onShelf->GetNxActor()->IsSleeping());
    ASSERT_TRUE(onCrate->GetNxActor()->IsSleeping());
    EXPECT_NEAR(onShelf->GetPosition().y, 0.9f, 0.02f);

    for (boost::shared_ptr<SimulationEntity>* support : {&shelf, &crate})
    {
        (*support)->SetUserData(nullptr);
        support->reset();
    }
    for (int i = 0; i < 120; ++i)
        Frame();
    EXPECT_NEAR(onShelf->GetPosition().y, 0.5f, 0.02f);
    EXPECT_NEAR(onCrate->GetPosition().y, 0.5f, 0.02f);
}

TEST_F(RigidBody, BodiesGlidingJustAboveTheGroundPlaneKeepTheirSpeedAndCrossEachSensorOnce)
{
    // A floating crate 0.05 over the ground, pushed at 5 units a second past two sensors that
    // hang down from static bodies out of its way.
    world->EnableGroundPlane(true);
    const boost::shared_ptr<Engine::Entity> crateEntity = Make(Vector3(0, 0.55f, 0), Vector3(1));
    const boost::weak_ptr<Engine::Entity> crateHandle = crateEntity;
    const auto crate = Body(*crateEntity);
    crate->SetUserData(const_cast<boost::weak_ptr<Engine::Entity>*>(&crateHandle));
    crate->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    struct Gate { boost::shared_ptr<Engine::Entity> entity; boost::weak_ptr<Engine::Entity> handle; ::Test::EventLog log; };
    Gate gates[2];
    std::vector<boost::shared_ptr<SimulationEntity>> posts;
    for (int i = 0; i < 2; ++i)
    {
        Gate& gate = gates[i];
        gate.entity = Make(Vector3(4.0f + 4 * i, 6, 0), Vector3(1));
        gate.handle = gate.entity;
        gate.entity->GetEventQueue().IgnoreEvents(false);
        for (const int type : {Engine::SENSOR_ENTER, Engine::SENSOR_LEAVE})
            gate.entity->GetEventQueue().AddListener(&gate.log, type);
        posts.push_back(Body(*gate.entity, SimulationEntity::BOX, true));
        posts.back()->SetUserData(&gate.handle);
        posts.back()->CreateBoxSensor(Vector3(1, 2, 3), Vector3(0, -5.5f, 0), Ogre::Quaternion::IDENTITY);
    }

    crate->AddImpulse(Vector3(5 * crate->GetNxActor()->GetMass(), 0, 0), SimulationEntity::GLOBAL);
    for (int i = 0; i < 150; ++i)
    {
        Frame();
        for (Gate& gate : gates)
            gate.entity->GetEventQueue().ForwardEvents();
    }
    EXPECT_GT(crate->GetPosition().x, 12.0f);
    EXPECT_NEAR(crate->GetPosition().y, 0.55f, 0.005f);
    for (const Gate& gate : gates)
    {
        ASSERT_EQ(gate.log.records.size(), 2u);
        EXPECT_EQ(gate.log.records[0].type, Engine::SENSOR_ENTER);
        EXPECT_EQ(gate.log.records[1].type, Engine::SENSOR_LEAVE);
        EXPECT_EQ(gate.log.records[0].target, crateEntity.get());
    }
}
