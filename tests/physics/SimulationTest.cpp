#include <chrono>
#include <fstream>
#include <thread>

#include <boost/make_shared.hpp>
#include "tests/physics/UnitBox.h"

#include <gtest/gtest.h>

#include "engine/core/Exception.h"
#include "engine/physics/MemoryReadBuffer.h"
#include "engine/physics/MemoryWriteBuffer.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"

using namespace Engine;

namespace
{
    PhysicsActor* AddBox(Simulation& world, const Ogre::Vector3& position, bool dynamic = true, void* userData = nullptr)
    {
        return ::Test::AddUnitBox(*world.GetNxScene(), position, dynamic, userData);
    }

    void Frame(Simulation& world, double dt = 1.0 / 60.0)
    {
        world.Update(dt);
        world.WaitForResults();
    }
}

TEST(Simulation, StepsInFixedSubStepsWithTheWorldsSettings)
{
    Simulation world;
    PhysicsScene& scene = *world.GetNxScene();
    EXPECT_EQ(scene.GetGravity(), Ogre::Vector3(0, -9.81f, 0));
    EXPECT_EQ(scene.GetActorGroupPairFlags(0, 0), unsigned(ContactPairFlag::NOTIFY_ON_START_TOUCH));
    EXPECT_FLOAT_EQ(scene.GetDefaultMaterial().restitution, 0.5f);
    EXPECT_FLOAT_EQ(scene.GetDefaultMaterial().dynamicFriction, 0.5f);
    EXPECT_FLOAT_EQ(scene.GetMaxTimestep(), 0.016666668f);

    Frame(world, 0.01);
    EXPECT_EQ(scene.GetSubStepCount(), 0u);
    Frame(world, 0.01);
    EXPECT_EQ(scene.GetSubStepCount(), 1u);
    Frame(world, 0.5);
    EXPECT_EQ(scene.GetSubStepCount(), 9u);

    // A step runs while the caller does a frame's work, and is collected afterwards.
    PhysicsActor* box = AddBox(world, Ogre::Vector3(0, 10, 0));
    world.Update(1.0 / 60.0);
    EXPECT_THROW(world.Update(1.0 / 60.0), Engine::Exception);
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
    world.WaitForResults();
    EXPECT_EQ(scene.GetSubStepCount(), 10u);
    EXPECT_LT(box->GetGlobalPosition().y, 10.0f);
}

TEST(Simulation, GroundPlaneComesAndGoes)
{
    Simulation world;
    EXPECT_FALSE(world.IsGroundPlaneEnabled());
    world.EnableGroundPlane(true);
    world.EnableGroundPlane(true);
    EXPECT_TRUE(world.IsGroundPlaneEnabled());
    EXPECT_EQ(world.GetNxScene()->GetActorCount(), 1u);
    PhysicsActor* box = AddBox(world, Ogre::Vector3(0, 2, 0));
    for (int i = 0; i < 120; ++i)
        Frame(world);
    EXPECT_NEAR(box->GetGlobalPosition().y, 0.5f, 0.02f);

    world.EnableGroundPlane(false);
    EXPECT_FALSE(world.IsGroundPlaneEnabled());
    EXPECT_EQ(world.GetNxScene()->GetActorCount(), 1u);
    for (int i = 0; i < 60; ++i)
        Frame(world);
    EXPECT_LT(box->GetGlobalPosition().y, -1.0f);

    // Reset takes the plane with the old scene.
    world.EnableGroundPlane(true);
    world.Reset();
    EXPECT_FALSE(world.IsGroundPlaneEnabled());
    EXPECT_EQ(world.GetNxScene()->GetActorCount(), 0u);
    world.EnableGroundPlane(true);
    EXPECT_TRUE(world.IsGroundPlaneEnabled());
}

TEST(Simulation, RaycastHeightOnlyEverRaises)
{
    Simulation world;
    world.EnableGroundPlane(true);
    AddBox(world, Ogre::Vector3(0, 2, 0), false);

    Ogre::Vector3 sunk(0, -3, 0);
    EXPECT_TRUE(world.RaycastHeight(sunk, 0.25f, 100.0f));
    EXPECT_NEAR(sunk.y, 2.75f, 1e-4f);

    Ogre::Vector3 above(0, 2.8f, 0);                       // already above ground + offset
    EXPECT_FALSE(world.RaycastHeight(above, 0.25f, 100.0f));
    EXPECT_FLOAT_EQ(above.y, 2.8f);

    Ogre::Vector3 low(10, -1, 10);
    EXPECT_TRUE(world.RaycastHeight(low, 0.0f, 1000.0f));
    EXPECT_NEAR(low.y, 0.0f, 1e-4f);

    world.EnableGroundPlane(false);
    Ogre::Vector3 nowhere(10, -50, 10);
    EXPECT_FALSE(world.RaycastHeight(nowhere, 0.0f, 1000.0f));
    EXPECT_FLOAT_EQ(nowhere.y, -50.0f);
}

TEST(Simulation, GravityChangeWakesRestingBodies)
{
    Simulation world;
    world.EnableGroundPlane(true);
    PhysicsActor* box = AddBox(world, Ogre::Vector3(0, 0.5f, 0));
    for (int i = 0; i < 300; ++i)
        Frame(world);
    ASSERT_TRUE(box->IsSleeping());
    world.SetGravity(Ogre::Vector3(0, 9.81f, 0));
    EXPECT_FALSE(box->IsSleeping());
    for (int i = 0; i < 30; ++i)
        Frame(world);
    EXPECT_GT(box->GetGlobalPosition().y, 1.5f);
}

TEST(Simulation, RegistriesRefuseStrangers)
{
    Simulation world;
    SimulationEntity* first = reinterpret_cast<SimulationEntity*>(0x10);
    SimulationEntity* second = reinterpret_cast<SimulationEntity*>(0x20);
    world.AddEntity(first);
    world.AddEntity(second);
    world.AddEntity(first);
    world.RemoveEntity(first);          // the first occurrence
    EXPECT_EQ(world.GetEntityCount(), 2u);
    world.RemoveEntity(first);
    world.RemoveEntity(second);
    EXPECT_EQ(::Test::ErrorOf([&] { world.RemoveEntity(first); }),
              "Error in Engine::Simulation::RemoveEntity(). Can't find simulation entity");
    EXPECT_EQ(::Test::ErrorOf([&] { world.RemoveActor(reinterpret_cast<SimulationActor*>(0x30)); }),
              "Error in Engine::Simulation::RemoveActor(). Can't find simulation actor");
    world.AddActor(reinterpret_cast<SimulationActor*>(0x30));
    world.Reset();
    EXPECT_EQ(world.GetActorCount(), 0u);
    EXPECT_EQ(::Test::ErrorOf([&] { world.GetNxConvexMesh("crate.mesh"); }),
              "Error in Engine::Simulation::GetNxConvexMesh(). Couldn't find a convex mesh named 'crate.mesh'");
}

TEST(Simulation, SingletonIsCreatedReplacedAndReleased)
{
    EXPECT_FALSE(Simulation::GetSingleton());
    Simulation::CreateSingleton(new Simulation);
    boost::shared_ptr<Simulation> first = Simulation::GetSingleton();
    ASSERT_TRUE(first);
    Simulation::CreateSingleton(boost::make_shared<Simulation>());
    EXPECT_NE(Simulation::GetSingleton(), first);
    Simulation::ReleaseSingleton();
    EXPECT_FALSE(Simulation::GetSingleton());
}

TEST(MemoryBuffers, GrowByWhatIsNeededAndReadBackInOrder)
{
    MemoryWriteBuffer writer;
    EXPECT_EQ(writer.GetCapacity(), 0u);
    writer.StoreDword(0xDEADBEEF);
    EXPECT_EQ(writer.GetSize(), 4u);
    EXPECT_EQ(writer.GetCapacity(), 4u + 4096u);
    writer.StoreFloat(1.5f);
    writer.StoreDouble(-2.25);
    writer.StoreByte(7);
    writer.StoreWord(0xABCD);
    std::vector<unsigned char> block(5000, 3);
    writer.StoreBuffer(block.data(), block.size());
    EXPECT_EQ(writer.GetSize(), 19u + 5000u);
    EXPECT_EQ(writer.GetCapacity(), 19u + 5000u + 4096u);

    MemoryReadBuffer reader(writer.GetData(), writer.GetSize());
    EXPECT_EQ(reader.ReadDword(), 0xDEADBEEFu);
    EXPECT_EQ(reader.ReadFloat(), 1.5f);
    EXPECT_EQ(reader.ReadDouble(), -2.25);
    EXPECT_EQ(reader.ReadByte(), 7);
    EXPECT_EQ(reader.ReadWord(), 0xABCD);
    std::vector<unsigned char> back(5000);
    EXPECT_TRUE(reader.ReadBuffer(back.data(), back.size()));
    EXPECT_EQ(back, block);
    EXPECT_EQ(reader.GetRemaining(), 0u);
    EXPECT_EQ(reader.ReadDword(), 0u);               // past the end: nothing, no overrun
    unsigned char byte;
    EXPECT_FALSE(reader.ReadBuffer(&byte, 1));
}
