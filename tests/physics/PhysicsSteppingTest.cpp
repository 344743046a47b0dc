#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "engine/core/Exception.h"
#include "engine/physics/sdk/PhysicsHeightField.h"
#include "engine/physics/sdk/PhysicsStepWorker.h"
#include "tests/physics/PhysicsTestWorld.h"

using namespace Engine;

namespace
{
    const float Step = 1.0f / 60.0f;
}

TEST(PhysicsStepping, FixedSubStepsCarryTheRemainderAndStopAtEight)
{
    ::Test::PhysicsTestWorld world;
    PhysicsScene& scene = *world.scene;

    world.Frame(Step);
    EXPECT_EQ(scene.GetSubStepCount(), 1u);

    world.Frame(0.01f);                       // less than a sub-step: carried
    EXPECT_EQ(scene.GetSubStepCount(), 1u);
    EXPECT_NEAR(scene.GetCarriedTime(), 0.01, 1e-6);
    world.Frame(0.01f);                       // 0.02 in all: one sub-step, 0.00333 left
    EXPECT_EQ(scene.GetSubStepCount(), 2u);
    EXPECT_NEAR(scene.GetCarriedTime(), 0.02 - Step, 1e-6);

    world.Frame(3 * Step);
    EXPECT_EQ(scene.GetSubStepCount(), 5u);

    // A long hitch runs eight sub-steps and is not caught up later.
    world.Frame(1.0f);
    EXPECT_EQ(scene.GetSubStepCount(), 13u);
    EXPECT_LT(scene.GetCarriedTime(), Step);
    world.Frame(0.0f);
    EXPECT_EQ(scene.GetSubStepCount(), 13u);

    // Three frames of a third of a sub-step make exactly one.
    const std::uint64_t before = scene.GetSubStepCount();
    const double carried = scene.GetCarriedTime();
    for (int i = 0; i < 3; ++i)
        world.Frame(Step / 3.0f);
    EXPECT_EQ(scene.GetSubStepCount(), before + 1);
    EXPECT_NEAR(scene.GetCarriedTime(), carried, 1e-6);

    // Nonsense times step nothing.
    world.Frame(-1.0f);
    world.Frame(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(scene.GetSubStepCount(), before + 1);

    // A capped frame of exactly thirty sub-steps runs eight and leaves nothing to run later.
    ::Test::PhysicsTestWorld capped;
    capped.Frame(0.5f);
    EXPECT_EQ(capped.scene->GetSubStepCount(), 8u);
    capped.Frame(0.0f);
    EXPECT_EQ(capped.scene->GetSubStepCount(), 8u);
    capped.Frame(Step);
    EXPECT_EQ(capped.scene->GetSubStepCount(), 9u);
}

TEST(PhysicsStepping, VariableTimingStepsOnceByTheGivenTime)
{
    ::Test::PhysicsTestWorld world;
    world.scene->SetTiming(Step, 8, TimeStepMethod::VARIABLE);
    PhysicsActor* ball = world.Sphere(Ogre::Vector3(0, 10, 0), 0.5f);
    world.Frame(0.1f);
    EXPECT_EQ(world.scene->GetSubStepCount(), 1u);
    EXPECT_NEAR(ball->GetLinearVelocity().y, -0.981f, 1e-4f);
}

TEST(PhysicsStepping, BoxesFallAndComeToRestOnThePlane)
{
    ::Test::PhysicsTestWorld world;
    world.Plane();
    PhysicsActor* box = world.Box(Ogre::Vector3(0, 3, 0));
    PhysicsActor* ball = world.Sphere(Ogre::Vector3(3, 2, 0), 0.25f);
    ActorDesc desc;
    desc.globalPose.position = Ogre::Vector3(-3, 3, 0);
    ShapeDesc capsule;
    capsule.type = ShapeType::CAPSULE;   // upright: radius 0.25, cylinder 1
    capsule.radius = 0.25f;
    capsule.height = 1.0f;
    desc.shapes.push_back(capsule);
    BodyDesc body;
    body.flags = BodyFlag::FROZEN_ROT;
    desc.body = &body;
    desc.density = 1.0f;
    PhysicsActor* pole = world.scene->CreateActor(desc);
    ASSERT_TRUE(pole);
    world.Frames(240);
    EXPECT_NEAR(pole->GetGlobalPosition().y, 0.75f, 0.02f);
    EXPECT_NEAR(pole->GetMass(), Ogre::Math::PI * 0.0625f * (1.0f + 1.0f / 3.0f), 1e-4f);
    EXPECT_NEAR(box->GetGlobalPosition().y, 0.5f, 0.02f);
    EXPECT_NEAR(ball->GetGlobalPosition().y, 0.25f, 0.02f);
    EXPECT_LT(box->GetLinearVelocity().length(), 0.05f);
    EXPECT_NEAR(box->GetMass(), 1.0f, 1e-5f);
}

TEST(PhysicsStepping, CratesDroppedFlatLandFlatWhereTheyFellOnEveryKindOfGround)
{
    enum Ground { PLANE, FLOOR, TERRAIN };
    for (const Ground ground : {PLANE, FLOOR, TERRAIN})
    {
        ::Test::PhysicsTestWorld world;
        if (ground == PLANE)
            world.Plane();
        else if (ground == FLOOR)
            world.Box(Ogre::Vector3(0, -0.5f, 0), Ogre::Vector3(20, 0.5f, 20), false);
        else
        {
            HeightFieldDesc fieldDesc;
            fieldDesc.rows = fieldDesc.columns = 5;
            fieldDesc.samples.resize(25);
            ActorDesc desc;
            ShapeDesc shape;
            shape.type = ShapeType::HEIGHT_FIELD;
            shape.heightField = world.sdk->CreateHeightField(fieldDesc);
            shape.heightScale = 0.01f;
            shape.rowScale = shape.columnScale = 10.0f;
            desc.shapes.push_back(shape);
            desc.globalPose.position = Ogre::Vector3(-20, 0, -20);
            ASSERT_TRUE(world.scene->CreateActor(desc));
        }
        // A 1 x 0.8 x 1 crate, off the origin, its bottom 2 units up.
        const Ogre::Vector3 dropped(1.3f, 2.4f, -0.7f);
        PhysicsActor* crate = world.Box(dropped, Ogre::Vector3(0.5f, 0.4f, 0.5f));
        world.Frames(300);
        const Ogre::Vector3 rest = crate->GetGlobalPosition();
        EXPECT_NEAR(rest.y, 0.4f, 0.02f) << ground;
        EXPECT_LT(Ogre::Vector2(rest.x - dropped.x, rest.z - dropped.z).length(), 0.1f) << ground << ": " << rest;
        Ogre::Radian angle;
        Ogre::Vector3 axis;
        crate->GetGlobalOrientation().ToAngleAxis(angle, axis);
        EXPECT_LT(angle.valueDegrees(), 5.0f) << ground;
    }
}

TEST(PhysicsStepping, RestingBodiesWakeWhenTheirSupportIsReleasedOrMoved)
{
    ::Test::PhysicsTestWorld world;
    world.Plane();
    PhysicsActor* lower = world.Box(Ogre::Vector3(0, 0.5f, 0));
    PhysicsActor* upper = world.Box(Ogre::Vector3(0, 1.5f, 0));
    PhysicsActor* shelf = world.Box(Ogre::Vector3(5, 2, 0), Ogre::Vector3(1, 0.25f, 1), false);
    PhysicsActor* onShelf = world.Box(Ogre::Vector3(5, 2.75f, 0));
    world.Frames(400);
    ASSERT_TRUE(upper->IsSleeping());
    ASSERT_TRUE(onShelf->IsSleeping());

    world.scene->ReleaseActor(*lower);
    shelf->SetGlobalPosition(Ogre::Vector3(20, 2, 0));
    EXPECT_FALSE(upper->IsSleeping());
    EXPECT_FALSE(onShelf->IsSleeping());
    world.Frames(120);
    EXPECT_NEAR(upper->GetGlobalPosition().y, 0.5f, 0.02f);
    EXPECT_NEAR(onShelf->GetGlobalPosition().y, 0.5f, 0.02f);
}

TEST(PhysicsStepping, SameInputsGiveBitIdenticalPoses)
{
    auto run = []
    {
        ::Test::PhysicsTestWorld world;
        world.Plane();
        std::vector<PhysicsActor*> boxes;
        for (int i = 0; i < 40; ++i)
            boxes.push_back(world.Box(Ogre::Vector3(0.3f * (i % 4), 1.0f + 1.1f * i, 0.2f * (i % 3))));
        boxes[5]->AddForce(Ogre::Vector3(30, 0, 0));
        world.Frames(90, 1.0f / 45.0f);
        std::vector<float> poses;
        for (PhysicsActor* box : boxes)
        {
            const Pose pose = box->GetGlobalPose();
            poses.insert(poses.end(), {pose.position.x, pose.position.y, pose.position.z, pose.orientation.w,
                                       pose.orientation.x, pose.orientation.y, pose.orientation.z});
        }
        return poses;
    };
    const std::vector<float> first = run();
    const std::vector<float> second = run();
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(0, std::memcmp(first.data(), second.data(), first.size() * sizeof(float)));
}

TEST(PhysicsStepping, StepInFlightIsCollectedWhileTheCallerWorks)
{
    ::Test::PhysicsTestWorld world;
    world.Plane();
    PhysicsActor* box = world.Box(Ogre::Vector3(0, 0.5f, 0));
    world.Frames(30);   // settled: one start of touch

    world.scene->Simulate(Step);
    EXPECT_TRUE(world.scene->IsSimulating());
    // The scene refuses work while the step runs.
    EXPECT_THROW(world.scene->Simulate(Step), Engine::Exception);
    EXPECT_THROW(world.Box(Ogre::Vector3(5, 5, 5)), Engine::Exception);
    RaycastHit hit;
    EXPECT_THROW(world.scene->RaycastClosestShape(Ogre::Ray(Ogre::Vector3(0, 5, 0), Ogre::Vector3::NEGATIVE_UNIT_Y),
                                                  ShapesType::ALL, hit), Engine::Exception);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(world.scene->FetchResults());
    EXPECT_FALSE(world.scene->IsSimulating());
    EXPECT_FALSE(world.scene->FetchResults());
    EXPECT_EQ(world.scene->GetSubStepCount(), 31u);
    EXPECT_NEAR(box->GetGlobalPosition().y, 0.5f, 0.02f);
    EXPECT_EQ(world.scene->GetActorCount(), 2u);
}

TEST(PhysicsStepping, WorkerRunsJobsInOrderAndPassesFailuresBack)
{
    PhysicsStepWorker worker;
    std::atomic<int> value(0);
    for (int i = 1; i <= 20; ++i)
    {
        worker.Start([&value, i] { EXPECT_EQ(value.load(), i - 1); value = i; });
        worker.Wait();
    }
    EXPECT_EQ(value.load(), 20);
    worker.Start([] { throw std::runtime_error("step failed"); });
    EXPECT_THROW(worker.Wait(), std::runtime_error);
    worker.Start([&value] { value = 99; });
    worker.Wait();
    EXPECT_EQ(value.load(), 99);
    // Destruction with a job in flight waits for it.
    worker.Start([&value] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); value = 7; });
}

TEST(PhysicsStepping, ForcesActOverTheNextStepAndImpulsesAtOnce)
{
    ::Test::PhysicsTestWorld world;
    world.scene->SetGravity(Ogre::Vector3::ZERO);
    PhysicsActor* pushed = world.Box(Ogre::Vector3(0, 0, 0));         // 1 kg
    PhysicsActor* kicked = world.Box(Ogre::Vector3(10, 0, 0));
    PhysicsActor* wall = world.Box(Ogre::Vector3(20, 0, 0), Ogre::Vector3(0.5f), false);

    pushed->AddForce(Ogre::Vector3(6, 0, 0));
    kicked->AddForce(Ogre::Vector3(0, 0, 2), ForceMode::IMPULSE);
    wall->AddForce(Ogre::Vector3(100, 0, 0));
    EXPECT_FLOAT_EQ(kicked->GetLinearMomentum().z, 2.0f);
    EXPECT_EQ(pushed->GetLinearVelocity(), Ogre::Vector3::ZERO);

    world.Frame(0.5f * Step);             // no sub-step yet: the force waits
    EXPECT_EQ(pushed->GetLinearVelocity(), Ogre::Vector3::ZERO);
    world.Frame(1.5f * Step);             // two sub-steps, the force acts in both
    EXPECT_NEAR(pushed->GetLinearMomentum().x, 6.0f * 2 * Step, 1e-4f);
    world.Frame(Step);                    // and is gone afterwards
    EXPECT_NEAR(pushed->GetLinearMomentum().x, 6.0f * 2 * Step, 1e-4f);
    EXPECT_EQ(wall->GetGlobalPosition(), Ogre::Vector3(20, 0, 0));
    EXPECT_EQ(wall->GetMass(), 0.0f);

    // A local force follows the body's turn; a force off the centre also turns it.
    PhysicsActor* turned = world.Box(Ogre::Vector3(0, 10, 0));
    turned->SetGlobalOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    turned->AddLocalForce(Ogre::Vector3(0, 0, 60), ForceMode::IMPULSE);
    EXPECT_NEAR(turned->GetLinearVelocity().x, 60.0f, 1e-3f);
    EXPECT_NEAR(turned->GetLinearVelocity().z, 0.0f, 1e-3f);
    PhysicsActor* spun = world.Box(Ogre::Vector3(0, -10, 0));
    spun->AddForceAtPos(Ogre::Vector3(0, 0, 1), Ogre::Vector3(1, -10, 0), ForceMode::IMPULSE);
    EXPECT_GT(spun->GetAngularVelocity().length(), 0.1f);
}

TEST(PhysicsStepping, BodyFlagsFreezeFloatAndCarry)
{
    ::Test::PhysicsTestWorld world;
    PhysicsActor* floating = world.Box(Ogre::Vector3(0, 5, 0));
    floating->RaiseBodyFlag(BodyFlag::DISABLE_GRAVITY);
    PhysicsActor* frozen = world.Box(Ogre::Vector3(5, 5, 0));
    frozen->RaiseBodyFlag(BodyFlag::FROZEN_POS_Y | BodyFlag::FROZEN_ROT);
    frozen->AddForceAtPos(Ogre::Vector3(0, 0, 5), Ogre::Vector3(6, 5, 0), ForceMode::IMPULSE);
    PhysicsActor* lift = world.Box(Ogre::Vector3(10, 0, 0), Ogre::Vector3(2, 0.25f, 2));
    lift->RaiseBodyFlag(BodyFlag::KINEMATIC);
    PhysicsActor* rider = world.Box(Ogre::Vector3(10, 0.76f, 0));
    for (int i = 1; i <= 60; ++i)
    {
        lift->SetGlobalPosition(Ogre::Vector3(10, 0.05f * i, 0));
        world.Frame();
    }
    EXPECT_EQ(floating->GetGlobalPosition(), Ogre::Vector3(0, 5, 0));
    EXPECT_FLOAT_EQ(frozen->GetGlobalPosition().y, 5.0f);
    EXPECT_GT(frozen->GetGlobalPosition().z, 1.0f);
    EXPECT_LT(frozen->GetAngularVelocity().length(), 1e-5f);
    EXPECT_NEAR(lift->GetGlobalPosition().y, 3.0f, 1e-5f);
    EXPECT_GT(rider->GetGlobalPosition().y, 3.5f);       // carried up, not fallen through

    floating->ClearBodyFlag(BodyFlag::DISABLE_GRAVITY);
    world.Frames(10);
    EXPECT_LT(floating->GetGlobalPosition().y, 5.0f);
}
