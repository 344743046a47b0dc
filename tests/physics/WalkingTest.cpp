// Characters as a game has them: entities of a template with an "Actor" component, moved through
// the component once a frame, on the world's ground plane, stepped at 1/60 s.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>
#include <OgreSceneNode.h>

#include "engine/physics/ActorEC.h"
#include "engine/physics/SimulationActor.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/physics/BodyFixture.h"

using Engine::Entity;
using Ogre::Degree;
using Ogre::Quaternion;
using Ogre::Vector3;

namespace
{
    const char* const templates =
        "<Entities>\n"
        "  <Walker><Actor/></Walker>\n"
        "  <Block><Body Shape='Box' Static='true'/></Block>\n"
        "</Entities>\n";

    const float FrameTime = 1.0f / 60.0f;
    const float Radius = 0.5f;
    const float Skin = 0.1f;

    class Walking : public Test::BodyFixture
    {
    protected:
        struct Walker
        {
            boost::shared_ptr<Entity> entity;
            Engine::ActorEC* component;

            Vector3 Feet() const { return entity->GetSceneNode()->getPosition(); }
            bool InAir() const { return component->GetActor()->IsInAir(); }
        };

        void SetUp() override
        {
            BodyFixture::SetUp();
            WriteData("walking.xml", templates);
            GetScene().GetEntityTemplateManager().AddFile("walking.xml");
            world->EnableGroundPlane(true);
        }

        /// A character 1 wide and 1.8 tall (radius 0.5, cylinder 0.8) standing at `feet`.
        Walker MakeWalker(const Vector3& feet, const Quaternion& facing = Quaternion::IDENTITY)
        {
            const boost::shared_ptr<Entity> entity =
                Typed("Walker", feet, Ogre::AxisAlignedBox(-0.5f, -0.01f, -0.5f, 0.5f, 1.79f, 0.5f), facing);
            return {entity, static_cast<Engine::ActorEC*>(entity->GetComponent("Actor").get())};
        }

        /// A static box of the given full size, centred at `centre` and turned by `turn`.
        void MakeBlock(const Vector3& centre, const Vector3& size, const Quaternion& turn = Quaternion::IDENTITY)
        {
            Typed("Block", centre, Ogre::AxisAlignedBox(-size / 2, size / 2), turn);
        }

        boost::shared_ptr<Entity> Typed(const std::string& type, const Vector3& position,
                                        const Ogre::AxisAlignedBox& bounds, const Quaternion& turn)
        {
            const boost::shared_ptr<Entity> entity =
                Entity::Create(GetScene(), type + std::to_string(entities.size()), type, position);
            entity->GetSceneNode()->setOrientation(turn);
            entity->NotifyBoundsAffector(bounds);
            entity->Enable();
            entities.push_back(entity);
            return entity;
        }

        void Frames(int count)
        {
            for (int i = 0; i < count; ++i)
                Frame(FrameTime);
        }
    };

    /// A slab 8 long, 0.5 thick and 4 wide, turned about z by `degrees` so that its top face
    /// rises along +x, lying with its lower edge on the ground at x = `foot` around z = `z`. Its
    /// lower end stands up from the ground like a step.
    struct Slab
    {
        Slab(float degrees, float foot, float z) : angle(Ogre::Degree(degrees).valueRadians())
        {
            const float c = std::cos(angle), s = std::sin(angle);
            centre = Vector3(foot + 4 * c - 0.25f * s, 4 * s + 0.25f * c, z);
            turn = Quaternion(Ogre::Radian(angle), Vector3::UNIT_Z);
            // The top face's lower edge, where its line rises from.
            edge = Ogre::Vector2(foot - 0.5f * s, 0.5f * c);
        }
        /// Height of the top face above x.
        float Top(float x) const { return edge.y + (x - edge.x) * std::tan(angle); }

        float angle;
        Vector3 centre;
        Quaternion turn;
        Ogre::Vector2 edge;
    };
}

TEST_F(Walking, StepsOntoWhatIsLowerThanTheStepOffsetAndStopsAtWhatIsHigher)
{
    // Spawned at height 0, as the game spawns its characters, each walks 2 units a second for
    // 1.5 s at a box whose face is at x = 2.
    const Walker low = MakeWalker(Vector3(0, 0, 0));
    const Walker high = MakeWalker(Vector3(0, 0, 10));
    MakeBlock(Vector3(3, 0.225f, 0), Vector3(2, 0.45f, 2));
    MakeBlock(Vector3(3, 0.3f, 10), Vector3(2, 0.6f, 2));
    for (int i = 0; i < 90; ++i)
    {
        low.component->Move(Vector3(2 * FrameTime, 0, 0));
        high.component->Move(Vector3(2 * FrameTime, 0, 0));
        Frames(1);
    }
    EXPECT_GT(low.Feet().x, 2.5f);
    EXPECT_NEAR(low.Feet().y, 0.45f + Skin, 0.01f);
    EXPECT_FALSE(low.InAir());
    EXPECT_NEAR(high.Feet().x, 2 - Radius - Skin, 0.01f);
    EXPECT_NEAR(high.Feet().y, Skin, 0.01f);
}

TEST_F(Walking, ClimbsSlopesWithinTheLimitStandsOnThemAndWalksDownWithoutLeavingThem)
{
    const Slab gentle(25, 2, 0);
    const Slab steep(40, 2, 10);
    for (const Slab* slab : {&gentle, &steep})
        MakeBlock(slab->centre, Vector3(8, 0.5f, 4), slab->turn);
    const Walker climber = MakeWalker(Vector3(0, 0, 0));
    const Walker blocked = MakeWalker(Vector3(0, 0, 10));
    for (int i = 0; i < 180; ++i)
    {
        climber.component->Move(Vector3(2 * FrameTime, 0, 0));
        blocked.component->Move(Vector3(2 * FrameTime, 0, 0));
        Frames(1);
    }
    const Vector3 up = climber.Feet();
    EXPECT_GT(up.x, 4.5f);
    // The capsule's rounded bottom touches the slope beside its axis, a little over the surface
    // under the axis: within a skin and a bit of the slope's height there.
    EXPECT_GT(up.y, gentle.Top(up.x));
    EXPECT_LT(up.y, gentle.Top(up.x) + 0.4f);
    EXPECT_FALSE(climber.InAir());
    EXPECT_LT(blocked.Feet().x, 2.0f);
    EXPECT_LT(blocked.Feet().y, 0.2f);

    // Left alone on the slope it stays where it stopped.
    Frames(60);
    EXPECT_TRUE(climber.Feet().positionEquals(up, 0.01f)) << climber.Feet() << " after " << up;
    EXPECT_FALSE(climber.InAir());

    // Down again: on the ground at every frame of the way.
    int airborne = 0;
    for (int i = 0; i < 180; ++i)
    {
        climber.component->Move(Vector3(-2 * FrameTime, 0, 0));
        Frames(1);
        airborne += climber.InAir() ? 1 : 0;
    }
    EXPECT_EQ(airborne, 0);
    EXPECT_LT(climber.Feet().x, 0.5f);
    EXPECT_NEAR(climber.Feet().y, Skin, 0.01f);
}

TEST_F(Walking, SlidesAlongAWallMetAtAnAngleKeepingTheMoveAlongItsFace)
{
    // A wall turned 45 degrees: its face looks along (-1, 0, -1) towards the walker, which walks
    // at 3 units a second along +x and meets it half-way on.
    const Quaternion turn(Degree(45), Vector3::UNIT_Y);
    const Vector3 wallCentre(4, 1.5f, 0);
    MakeBlock(wallCentre, Vector3(12, 3, 1), turn);
    const Vector3 along = turn * Vector3::UNIT_X;      // along the face
    const Vector3 normal = turn * -Vector3::UNIT_Z;    // out of the face, towards the walker
    const Walker walker = MakeWalker(Vector3(0, 0, 0));
    const Vector3 start = walker.Feet();
    float closest = 100;
    for (int i = 0; i < 120; ++i)
    {
        walker.component->Move(Vector3(3 * FrameTime, 0, 0));
        Frames(1);
        closest = std::min(closest, (walker.Feet() - wallCentre).dotProduct(normal) - 0.5f);
    }
    // Two seconds at 3 units a second, of which the part along the face is kept throughout.
    const Vector3 moved = walker.Feet() - start;
    EXPECT_NEAR(moved.dotProduct(along), 6 * Vector3::UNIT_X.dotProduct(along), 0.1f) << moved;
    EXPECT_NEAR(closest, Radius + Skin, 0.01f);
    EXPECT_GE(closest, Radius);
}

TEST_F(Walking, LocalMovesFollowTheNodeAndBothWaysKeepTheSameHeightOverEveryFloor)
{
    // The ground plane around z = 0, a static floor with its top at 1 around z = 20.
    MakeBlock(Vector3(0, 0.5f, 20), Vector3(20, 1, 10));
    for (const float floor : {0.0f, 1.0f})
    {
        const float z = floor == 0 ? 0.0f : 20.0f;
        const Walker mover = MakeWalker(Vector3(-3, floor, z));
        const Walker local = MakeWalker(Vector3(3, floor, z), Quaternion(Degree(90), Vector3::UNIT_Y));
        for (int i = 0; i < 60; ++i)
        {
            mover.component->Move(Vector3(2 * FrameTime, 0, 0));
            local.component->MoveLocal(Vector3(0, 0, 2 * FrameTime));   // forward
            Frames(1);
        }
        EXPECT_NEAR(local.Feet().x, 5, 0.01f) << floor;
        EXPECT_NEAR(local.Feet().z, z, 0.001f) << floor;
        EXPECT_NEAR(mover.Feet().x, -1, 0.01f) << floor;
        EXPECT_NEAR(mover.Feet().y, floor + Skin, 0.01f) << floor;
        EXPECT_NEAR(local.Feet().y, mover.Feet().y, 0.001f) << floor;
        EXPECT_FALSE(local.InAir());
    }
}

TEST_F(Walking, AHordeSpawnedInARingClosesOnThePlayerFlowingAroundItself)
{
    // A horde of 140 spawned overlapping on a ring of radius 14 (0.63 apart), each walking at
    // 2.5 units a second straight at a player standing in the middle.
    const Walker player = MakeWalker(Vector3(0, 0, 0));
    std::vector<Walker> horde;
    const int count = 140;
    for (int i = 0; i < count; ++i)
    {
        const float angle = 2 * Ogre::Math::PI * i / count;
        horde.push_back(MakeWalker(Vector3(14 * std::cos(angle), 0, 14 * std::sin(angle))));
    }
    const auto walk = [&]
    {
        for (const Walker& zombie : horde)
        {
            Vector3 to = player.Feet() - zombie.Feet();
            to.y = 0;
            if (to.length() > 1e-3f)
                zombie.component->Move(to.normalisedCopy() * std::min(2.5f * FrameTime, to.length()));
        }
        Frames(1);
    };
    for (int i = 0; i < 480; ++i)
        walk();
    std::vector<Vector3> packed;
    for (const Walker& zombie : horde)
        packed.push_back(zombie.Feet());
    for (int i = 0; i < 60; ++i)
        walk();

    float sum = 0, closest = 100, moved = 0;
    for (std::size_t i = 0; i < horde.size(); ++i)
    {
        const Vector3 at = horde[i].Feet();
        sum += Ogre::Vector2(at.x, at.z).length();
        moved = std::max(moved, at.distance(packed[i]));
        for (std::size_t j = i + 1; j < horde.size(); ++j)
            closest = std::min(closest, Ogre::Vector2(at.x - horde[j].Feet().x, at.z - horde[j].Feet().z).length());
        closest = std::min(closest, Ogre::Vector2(at.x - player.Feet().x, at.z - player.Feet().z).length());
    }
    // Packed close around the player (a disc of them, skins touching, has a mean radius of about
    // 4.4; held up in arches of hard skins they stayed at 8), never into each other's bodies, and
    // still once packed.
    EXPECT_LT(sum / count, 6.0f);
    EXPECT_GE(closest, 2 * Radius - 0.001f);
    EXPECT_LT(moved, 0.05f);
    EXPECT_NEAR(player.Feet().x, 0, 0.01f);
    EXPECT_NEAR(player.Feet().z, 0, 0.01f);
}
