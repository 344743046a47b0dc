#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "engine/physics/sdk/PhysicsConvexMesh.h"
#include "engine/physics/sdk/PhysicsCooking.h"
#include "engine/physics/sdk/PhysicsStream.h"
#include "tests/physics/PhysicsTestWorld.h"

using namespace Engine;

namespace
{
    struct ByteStream : PhysicsStream
    {
        void StoreBuffer(const void* data, std::size_t size) override
        {
            const unsigned char* bytes = static_cast<const unsigned char*>(data);
            this->bytes.insert(this->bytes.end(), bytes, bytes + size);
        }
        bool ReadBuffer(void* data, std::size_t size) override
        {
            if (bytes.size() - position < size)
            {
                std::memset(data, 0, size);
                position = bytes.size();
                return false;
            }
            std::memcpy(data, bytes.data() + position, size);
            position += size;
            return true;
        }
        std::vector<unsigned char> bytes;
        std::size_t position = 0;
    };

    bool Cook(const std::vector<Ogre::Vector3>& points, ByteStream& stream)
    {
        ConvexMeshDesc desc;
        desc.numVertices = static_cast<unsigned>(points.size());
        desc.points = points.data();
        desc.pointStrideBytes = sizeof(Ogre::Vector3);
        return CookConvexMesh(desc, stream);
    }
}

TEST(PhysicsCooking, HullOfACubeIsItsCornersAndItStandsOnThePlane)
{
    std::vector<Ogre::Vector3> points;
    for (int i = 0; i < 8; ++i)
        points.emplace_back((i & 1) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f, (i & 4) ? 0.5f : -0.5f);
    points.emplace_back(0, 0, 0);         // inner points do not count
    points.emplace_back(0.1f, 0.2f, 0.3f);
    ByteStream stream;
    ASSERT_TRUE(Cook(points, stream));

    ::Test::PhysicsTestWorld world;
    PhysicsConvexMesh* hull = world.sdk->CreateConvexMesh(stream);
    ASSERT_TRUE(hull);
    EXPECT_EQ(hull->GetPoints().size(), 8u);
    EXPECT_NEAR(hull->GetVolume(), 1.0f, 1e-5f);

    world.Plane();
    ActorDesc desc;
    desc.globalPose.position = Ogre::Vector3(0, 2, 0);
    ShapeDesc shape;
    shape.type = ShapeType::CONVEX;
    shape.convexMesh = hull;
    desc.shapes.push_back(shape);
    BodyDesc body;
    desc.body = &body;
    desc.density = 3.0f;
    PhysicsActor* rock = world.scene->CreateActor(desc);
    ASSERT_TRUE(rock);
    EXPECT_NEAR(rock->GetMass(), 3.0f, 1e-4f);
    world.Frames(180);
    // It rests on its own faces and rays meet them there: the collision margin is inside.
    EXPECT_NEAR(rock->GetGlobalPosition().y, 0.5f, 0.005f);
    const Ogre::Vector3 centre = rock->GetGlobalPosition();
    RaycastHit hit;
    ASSERT_EQ(world.scene->RaycastClosestShape(Ogre::Ray(centre + Ogre::Vector3(0.1f, 5, 0.1f), Ogre::Vector3::NEGATIVE_UNIT_Y),
                                               ShapesType::ALL, hit), rock->GetShapes()[0]);
    EXPECT_NEAR(hit.worldImpact.y, centre.y + 0.5f, 0.005f);
    rock->SetGlobalPose(Pose());   // upright at the origin, half in the ground
    ASSERT_EQ(world.scene->RaycastClosestShape(Ogre::Ray(Ogre::Vector3(-5, 0.2f, 0), Ogre::Vector3::UNIT_X),
                                               ShapesType::ALL, hit), rock->GetShapes()[0]);
    EXPECT_NEAR(hit.worldImpact.x, -0.5f, 0.005f);
    EXPECT_FALSE(world.sdk->ReleaseConvexMesh(*hull));
}

TEST(PhysicsCooking, DegenerateOrDamagedInputIsRefused)
{
    ByteStream stream;
    EXPECT_FALSE(Cook({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, stream));                       // three points
    EXPECT_FALSE(Cook({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 3, 0}}, stream));  // one plane
    EXPECT_FALSE(Cook({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, stream));             // one line
    EXPECT_FALSE(Cook({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, NAN}}, stream));
    EXPECT_TRUE(stream.bytes.empty());

    ::Test::PhysicsTestWorld world;
    ByteStream garbage;
    garbage.StoreDword(12345);
    EXPECT_EQ(world.sdk->CreateConvexMesh(garbage), nullptr);

    ByteStream truncated;
    ASSERT_TRUE(Cook({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, truncated));
    truncated.bytes.resize(truncated.bytes.size() - 4);
    EXPECT_EQ(world.sdk->CreateConvexMesh(truncated), nullptr);
    EXPECT_EQ(world.sdk->GetConvexMeshCount(), 0u);
}

TEST(PhysicsCooking, SdkRefusesAnotherMajorVersion)
{
    EXPECT_EQ(PhysicsSdk::Create(0x03000000), nullptr);
    EXPECT_NE(PhysicsSdk::Create(), nullptr);
}
