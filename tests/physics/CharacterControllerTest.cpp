#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>
#include <OgreMath.h>
#include <OgreVector.h>

#include "engine/physics/sdk/PhysicsAllocator.h"
#include "engine/physics/sdk/PhysicsCapsuleController.h"
#include "engine/physics/sdk/PhysicsControllerManager.h"
#include "PhysicsTestWorld.h"

using namespace Engine;

namespace
{
    struct HitLog : IControllerHitReport
    {
        void OnShapeHit(const ControllerShapeHit& hit) override { shapes.push_back(hit); }
        void OnControllerHit(const ControllersHit& hit) override { controllers.push_back(hit); }
        std::vector<ControllerShapeHit> shapes;
        std::vector<ControllersHit> controllers;
    };

    /// A scene with a ground plane and characters of radius 0.5, cylinder 0.8 (1.8 tall).
    struct ControllerWorld : Test::PhysicsTestWorld
    {
        ControllerWorld() : manager(PhysicsAllocator::GetDefault()) { Plane(); }

        PhysicsCapsuleController* Character(const Ogre::Vector3& feet)
        {
            CapsuleControllerDesc desc;
            desc.radius = 0.5f;
            desc.height = 0.8f;
            desc.position = feet + Ogre::Vector3(0, desc.skinWidth + desc.radius + desc.height / 2, 0);
            desc.hitReport = &hits;
            return PhysicsCapsuleController::Create(manager, *scene, desc);
        }

        /// The bottom of the character's capsule.
        static Ogre::Vector3 Feet(const PhysicsController& character) { return character.GetPosition() - Ogre::Vector3(0, 0.9f, 0); }

        /// Walks at `velocity` for `seconds` in frames of dt, falling at 5 units a second as the
        /// game does; returns the flags of the last move.
        unsigned Walk(PhysicsController& character, const Ogre::Vector3& velocity, float seconds, float dt = 1.0f / 60.0f)
        {
            unsigned flags = 0;
            const int frames = static_cast<int>(std::lround(seconds / dt));
            for (int i = 0; i < frames; ++i)
            {
                character.Move((velocity + Ogre::Vector3(0, -5, 0)) * dt, 0xFFFFFFFF, 0.0005f, flags, 0.1f);
                Frame(dt);
            }
            return flags;
        }

        /// A static ramp rising along +x at `degrees` from the origin, 2 units wide in z.
        void Ramp(float degrees)
        {
            const Ogre::Radian angle = Ogre::Degree(degrees);
            ActorDesc desc;
            ShapeDesc box;
            box.dimensions = Ogre::Vector3(5, 0.2f, 1);
            desc.shapes.push_back(box);
            desc.globalPose.orientation = Ogre::Quaternion(angle, Ogre::Vector3::UNIT_Z);
            const Ogre::Vector3 along = desc.globalPose.orientation * Ogre::Vector3::UNIT_X;
            const Ogre::Vector3 upward = desc.globalPose.orientation * Ogre::Vector3::UNIT_Y;
            desc.globalPose.position = along * 5 - upward * 0.2f;
            scene->CreateActor(desc);
        }

        HitLog hits;
        PhysicsControllerManager manager;
    };
}

TEST(CharacterController, ClimbsSteps_UpToTheStepOffset)
{
    ControllerWorld world;
    world.Box(Ogre::Vector3(3, 0.2f, 0), Ogre::Vector3(1, 0.2f, 2), false);    // 0.4 high
    world.Box(Ogre::Vector3(3, 0.3f, 6), Ogre::Vector3(1, 0.3f, 2), false);    // 0.6 high
    PhysicsController* low = world.Character(Ogre::Vector3(0, 0, 0));
    PhysicsController* high = world.Character(Ogre::Vector3(0, 0, 6));
    ASSERT_TRUE(low && high);
    world.Walk(*low, Ogre::Vector3(2, 0, 0), 1.5f);
    world.Walk(*high, Ogre::Vector3(2, 0, 0), 1.5f);

    EXPECT_NEAR(ControllerWorld::Feet(*low).y, 0.5f, 0.02f);     // on top, with the skin gap
    EXPECT_GT(ControllerWorld::Feet(*low).x, 2.4f);
    EXPECT_NEAR(ControllerWorld::Feet(*high).y, 0.1f, 0.02f);    // still on the ground
    EXPECT_NEAR(high->GetPosition().x, 2 - 0.6f, 0.02f);         // held off by radius and skin
}

TEST(CharacterController, WalksUpGentleRampsButNotSteepOnes_AndStandsStillOnThem)
{
    for (float degrees : {25.0f, 35.0f})
    {
        SCOPED_TRACE(degrees);
        ControllerWorld world;
        world.Ramp(degrees);
        PhysicsController* character = world.Character(Ogre::Vector3(-1, 0, 0));
        const unsigned flags = world.Walk(*character, Ogre::Vector3(2, 0, 0), 3.0f);
        const float y = ControllerWorld::Feet(*character).y;
        if (degrees < 30)
        {
            EXPECT_GT(y, 2.0f);
            EXPECT_TRUE(flags & ControllerCollision::DOWN);
            // Standing still on a walkable slope: the fall does not slide it down.
            const Ogre::Vector3 before = character->GetPosition();
            world.Walk(*character, Ogre::Vector3::ZERO, 2.0f);
            EXPECT_LT(character->GetPosition().distance(before), 0.01f);
        }
        else
        {
            EXPECT_LT(y, 0.25f);
            EXPECT_TRUE(flags & ControllerCollision::SIDES);
        }
    }
}

TEST(CharacterController, SlidesAlongWallsAndStopsInCornersWithoutJitter)
{
    ControllerWorld world;
    world.Box(Ogre::Vector3(3, 1.5f, 0), Ogre::Vector3(0.5f, 1.5f, 10), false);     // wall across x = 2.5
    world.Box(Ogre::Vector3(0, 1.5f, 5.5f), Ogre::Vector3(10, 1.5f, 0.5f), false);  // wall across z = 5
    PhysicsController* character = world.Character(Ogre::Vector3(0, 0, 0));
    // Diagonally into the first wall: keeps sliding along it (no sticking) at the speed along it.
    world.Walk(*character, Ogre::Vector3(3, 0, 1), 1.0f);
    EXPECT_NEAR(character->GetPosition().x, 2.5f - 0.6f, 0.02f);
    EXPECT_GT(character->GetPosition().z, 0.9f);

    // On into the corner: it ends there and stays put, frame after frame.
    world.Walk(*character, Ogre::Vector3(3, 0, 3), 3.0f);
    Ogre::Vector3 last = character->GetPosition();
    EXPECT_NEAR(last.x, 1.9f, 0.02f);
    EXPECT_NEAR(last.z, 5 - 0.6f, 0.02f);
    for (int i = 0; i < 60; ++i)
    {
        unsigned flags = 0;
        character->Move(Ogre::Vector3(3, -5, 3) / 60, 0xFFFFFFFF, 0.0005f, flags, 0.1f);
        EXPECT_TRUE(flags & ControllerCollision::SIDES);
        EXPECT_TRUE(flags & ControllerCollision::DOWN);
        EXPECT_LT(character->GetPosition().distance(last), 0.002f) << "frame " << i;
        last = character->GetPosition();
    }
}

TEST(CharacterController, NeverFallsThroughAtAnyFrameTime)
{
    for (float dt : {1.0f / 240, 1.0f / 60, 1.0f / 20, 1.0f / 10})
    {
        SCOPED_TRACE(dt);
        ControllerWorld world;
        world.Box(Ogre::Vector3(0, 2, 0), Ogre::Vector3(3, 0.05f, 3), false);      // a thin floor at 2.05
        PhysicsController* character = world.Character(Ogre::Vector3(0, 6, 0));
        unsigned flags = 0;
        for (int i = 0; i < static_cast<int>(3 / dt); ++i)
        {
            // Falling fast and walking about on it.
            character->Move(Ogre::Vector3(std::sin(i * dt * 3) * 2, -20, 0) * dt, 0xFFFFFFFF, 0.0005f, flags, 0.1f);
            world.Frame(dt);
            ASSERT_GT(ControllerWorld::Feet(*character).y, 2.05f + 0.05f) << "frame " << i;
        }
        EXPECT_NEAR(ControllerWorld::Feet(*character).y, 2.15f, 0.02f);
        EXPECT_TRUE(flags & ControllerCollision::DOWN);
    }
}

TEST(CharacterController, ReportsHitsOncePerShapeAndPassesThroughExcludedCharacters)
{
    ControllerWorld world;
    PhysicsActor* wall = world.Box(Ogre::Vector3(2, 1, 0), Ogre::Vector3(0.5f, 1, 2), false);
    PhysicsController* mover = world.Character(Ogre::Vector3(0, 0, 0));
    PhysicsController* other = world.Character(Ogre::Vector3(0.9f, 0, 3));
    unsigned flags = 0;
    mover->Move(Ogre::Vector3(2, -0.1f, 0), 0xFFFFFFFF, 0.0005f, flags, 0.1f);
    EXPECT_NEAR(mover->GetPosition().x, 1.5f - 0.6f, 0.02f);
    EXPECT_EQ(flags, unsigned(ControllerCollision::SIDES | ControllerCollision::DOWN));
    ASSERT_EQ(world.hits.shapes.size(), 2u);    // the wall sideways, then the ground below
    EXPECT_EQ(&world.hits.shapes[0].shape->GetActor(), wall);
    EXPECT_EQ(world.hits.shapes[0].direction, Ogre::Vector3::UNIT_X);
    EXPECT_FLOAT_EQ(world.hits.shapes[0].length, 2.0f);
    EXPECT_EQ(world.hits.shapes[1].direction.y, -1.0f);

    // Another character blocks and is reported, unless it excludes itself.
    world.hits = HitLog();
    mover->Move(Ogre::Vector3(0, 0, 3), 0xFFFFFFFF, 0.0005f, flags, 0.1f);
    EXPECT_NEAR(mover->GetPosition().z, 3 - 1.1f, 0.02f);   // the skin of one keeps the gap
    ASSERT_EQ(world.hits.controllers.size(), 1u);
    EXPECT_EQ(world.hits.controllers[0].other, other);
    other->SetInteraction(ControllerInteraction::EXCLUDE);
    mover->Move(Ogre::Vector3(0, 0, 3), 0xFFFFFFFF, 0.0005f, flags, 0.1f);
    EXPECT_NEAR(mover->GetPosition().z, 4.9f, 0.02f);

    // Collision off: straight through the wall and into the ground.
    mover->SetCollision(false);
    const Ogre::Vector3 before = mover->GetPosition();
    mover->Move(Ogre::Vector3(3, -3, 0), 0xFFFFFFFF, 0.0005f, flags, 0.1f);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(mover->GetPosition(), before + Ogre::Vector3(3, -3, 0));
    // Its actor follows for ray casts.
    EXPECT_EQ(mover->GetActor()->GetGlobalPosition(), mover->GetPosition());
}

TEST(CharacterController, CrowdClosingOnAStandingPlayerPacksTightlyWithoutSinkingOverlappingOrJittering)
{
    // A horde of 40 closing on a player who stands still, at frame times from 1/240 to 1/10 s.
    const int horde = 40;
    const float speed = 3.0f;
    const float seconds = 8.0f;
    // Centres of the capsules the radius and skin hold apart, packed hexagonally around the player:
    // the disc that holds them, and the mean distance from the centre over it.
    const float spacing = 2 * 0.5f + 0.1f;
    const float packedRadius = spacing * std::sqrt((horde + 1) * std::sqrt(3.0f) / (2 * Ogre::Math::PI));
    const float packedMean = packedRadius * 2 / 3;
    for (float dt : {1.0f / 240, 1.0f / 60, 1.0f / 10})
    {
        SCOPED_TRACE(dt);
        ControllerWorld world;
        PhysicsController* player = world.Character(Ogre::Vector3::ZERO);
        std::vector<PhysicsController*> zombies;
        for (int i = 0; i < horde; ++i)
        {
            // Scattered over a ring 6 to 12 away.
            const Ogre::Radian angle(i * 2.4f);
            const float distance = 6 + (i * 7 % horde) * 6.0f / horde;
            zombies.push_back(world.Character(Ogre::Vector3(Ogre::Math::Cos(angle), 0, Ogre::Math::Sin(angle)) * distance));
        }
        std::vector<PhysicsController*> everyone = zombies;
        everyone.push_back(player);

        auto step = [&](int frame)
        {
            unsigned flags = 0;
            player->Move(Ogre::Vector3(0, -5, 0) * dt, 0xFFFFFFFF, 0.0005f, flags, 0.1f);
            for (PhysicsController* zombie : zombies)
            {
                Ogre::Vector3 to = -zombie->GetPosition();
                to.y = 0;
                const float distance = to.normalise();
                to *= std::min(speed * dt, distance);
                zombie->Move(to + Ogre::Vector3(0, -5, 0) * dt, 0xFFFFFFFF, 0.0005f, flags, 0.1f);
            }
            world.Frame(dt);
            for (std::size_t i = 0; i < everyone.size(); ++i)
            {
                ASSERT_GT(ControllerWorld::Feet(*everyone[i]).y, 0.1f - 0.002f) << "frame " << frame << " character " << i;
                for (std::size_t j = i + 1; j < everyone.size(); ++j)
                {
                    Ogre::Vector3 apart = everyone[i]->GetPosition() - everyone[j]->GetPosition();
                    apart.y = 0;
                    ASSERT_GT(apart.length(), 2 * 0.5f - 0.1f) << "frame " << frame << " characters " << i << ", " << j;
                }
            }
        };
        const int frames = static_cast<int>(std::lround(seconds / dt));
        for (int frame = 0; frame < frames; ++frame)
        {
            step(frame);
            if (HasFatalFailure())
                return;
        }

        // Packed close to the ideal, and the player was not pushed away.
        float sum = 0;
        for (PhysicsController* zombie : zombies)
            sum += Ogre::Vector2(zombie->GetPosition().x, zombie->GetPosition().z).length();
        EXPECT_LT(sum / horde, packedMean * 1.25f);
        EXPECT_LT(Ogre::Vector2(player->GetPosition().x, player->GetPosition().z).length(), 0.01f);

        // Packed, the horde keeps pressing in but stands still: no character moves back and
        // forth from frame to frame.
        std::vector<Ogre::Vector3> before;
        for (PhysicsController* zombie : zombies)
            before.push_back(zombie->GetPosition());
        std::vector<float> travelled(horde, 0.0f);
        for (int frame = 0; frame < static_cast<int>(std::lround(1.0f / dt)); ++frame)
        {
            std::vector<Ogre::Vector3> last;
            for (PhysicsController* zombie : zombies)
                last.push_back(zombie->GetPosition());
            step(frame);
            for (int i = 0; i < horde; ++i)
                travelled[i] += zombies[i]->GetPosition().distance(last[i]);
        }
        for (int i = 0; i < horde; ++i)
            EXPECT_LT(travelled[i], 0.02f) << "zombie " << i << " ended " << zombies[i]->GetPosition().distance(before[i]) << " away";
    }
}
