#include <fstream>

#include "tests/physics/UnitBox.h"

#include <gtest/gtest.h>
#include <Ogre.h>

#include "engine/core/Exception.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsConvexMesh.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"
#include "tests/support/SceneTest.h"
#include "tests/support/TempDir.h"

using namespace Engine;

namespace
{
    /// Writes a binary colour image (PPM) whose pixel (x, y) has the red value red(x, y).
    template <class Red>
    void WriteImage(const std::string& path, unsigned width, unsigned height, Red red)
    {
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x)
                out << static_cast<char>(red(x, y)) << '\0' << '\0';
    }

    class SimulationRenderTest : public ::Test::RenderTest
    {
    protected:
        void SetUp() override
        {
            ::Test::RenderTest::SetUp();
        }

        /// Makes the files written so far visible as resources.
        void Publish() { ::Test::Renderer::AddLocation(dir.Path()); }

        std::string Terrain(const std::string& name, const std::string& text)
        {
            return dir.Write(name, text);
        }

        void TearDown() override
        {
            if (manager)
                ::Test::Renderer::Root().destroySceneManager(manager);
            Ogre::MeshManager::getSingleton().removeAll();
        }

        Ogre::MeshPtr Mesh(const std::string& name, const std::vector<Ogre::Vector3>& triangles)
        {
            if (!manager)
                manager = ::Test::Renderer::Root().createSceneManager();
            Ogre::ManualObject* object = manager->createManualObject();
            object->begin("BaseWhite", Ogre::RenderOperation::OT_TRIANGLE_LIST);
            for (const Ogre::Vector3& corner : triangles)
                object->position(corner);
            object->end();
            return object->convertToMesh(name);
        }

        ::Test::TempDir dir;
        Ogre::SceneManager* manager = nullptr;
    };

    std::vector<Ogre::Vector3> CubeTriangles()
    {
        // Twelve triangles, 36 corners, 8 distinct points.
        const Ogre::Vector3 c[8] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                    {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
        const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                  {3, 7, 6}, {3, 6, 2}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};
        std::vector<Ogre::Vector3> corners;
        for (const auto& face : faces)
            for (int i : face)
                corners.push_back(c[i]);
        return corners;
    }
}

TEST_F(SimulationRenderTest, TerrainFollowsTheHeightMap)
{
    // Red rises along the image's x; full red in the last column gives the top height.
    WriteImage(dir.File("ramp.ppm"), 4, 4, [](unsigned x, unsigned) { return x == 3 ? 255 : 85 * x; });
    const std::string file = Terrain("ramp.cfg", "PageSize=4\nPageWorldX: 30\nMaxHeight\t64\nHeightmap.image = ramp.ppm\nOther=1\n");
    Publish();
    Simulation world;
    world.SetWorldGeometry(file);
    ASSERT_TRUE(world.HasWorldGeometry());

    // The sample row runs along the image's columns: rows (world x) climb, columns (world z) do not.
    for (int row = 0; row < 4; ++row)
    {
        const float red = row == 3 ? 1.0f : 85 * row / 255.0f;
        const float expected = std::min(32767.0f, std::trunc(red * 32768.0f)) * 64.0f / 32768.0f;
        Ogre::Vector3 point(10.0f * row + (row == 3 ? -1e-3f : 1e-3f), -100, 15);
        ASSERT_TRUE(world.RaycastHeight(point, 0.0f, 500.0f)) << row;
        EXPECT_NEAR(point.y, expected, 3e-3f) << row;   // the probe sits 1e-3 up a slope of about 2
    }
    // The brightest sample is 32767, just under the top.
    Ogre::Vector3 top(30 - 1e-3f, -100, 1e-3f);
    ASSERT_TRUE(world.RaycastHeight(top, 0.0f, 500.0f));
    EXPECT_NEAR(top.y, 64.0f * 32767.0f / 32768.0f, 3e-3f);
    EXPECT_LT(top.y, 64.0f);

    // The terrain stands for no entity.
    Ogre::Vector3 hit(1, 2, 3);
    EXPECT_FALSE(world.RaycastEntity(Ogre::Ray(Ogre::Vector3(15, 100, 15), Ogre::Vector3::NEGATIVE_UNIT_Y), hit, 1000.0f));
    EXPECT_EQ(hit, Ogre::Vector3(1, 2, 3));

    world.SetWorldGeometry("");
    EXPECT_FALSE(world.HasWorldGeometry());
    EXPECT_EQ(world.GetNxScene()->GetActorCount(), 0u);
}

TEST_F(SimulationRenderTest, UnusableTerrainFilesBuildNothing)
{
    WriteImage(dir.File("wide.ppm"), 4, 2, [](unsigned, unsigned) { return 100; });
    WriteImage(dir.File("square.ppm"), 2, 2, [](unsigned, unsigned) { return 100; });
    Publish();
    ::Test::LogCapture log;
    Simulation world;
    world.SetWorldGeometry(Terrain("wide.cfg", "PageSize=4\nPageWorldX=30\nMaxHeight=10\nHeightmap.image=wide.ppm\n"));
    EXPECT_FALSE(world.HasWorldGeometry());
    EXPECT_EQ(log.Count("Warning"), 0);              // a non-square map is ignored silently

    const std::string tiny = Terrain("tiny.cfg", "PageSize=1\nPageWorldX=30\nMaxHeight=10\nHeightmap.image=square.ppm\n");
    world.SetWorldGeometry(tiny);
    EXPECT_FALSE(world.HasWorldGeometry());
    EXPECT_TRUE(log.Has("Warning in Engine::Simulation::SetWorldGeometry(): Terrain file '" + tiny +
                        "' has 'PageSize' '1'; at least 2 samples per side are needed, no terrain built",
                        Ogre::LML_NORMAL));
    world.SetWorldGeometry(Terrain("none.cfg", "PageWorldX=30\nHeightmap.image=square.ppm\n"));
    EXPECT_FALSE(world.HasWorldGeometry());
    EXPECT_EQ(world.GetNxScene()->GetActorCount(), 0u);
    EXPECT_EQ(::Test::ErrorOf([&] { world.SetWorldGeometry(dir.File("missing.cfg")); }),
              "Error in Engine::Simulation::SetWorldGeometry(). Can't read terrain file '" + dir.File("missing.cfg") + "'");
}

TEST_F(SimulationRenderTest, ConvexHullIsCookedOncePerMesh)
{
    Ogre::MeshPtr cube = Mesh("cube.mesh", CubeTriangles());
    Simulation world;
    testing::internal::CaptureStdout();
    PhysicsConvexMesh* hull = world.ConvexFromMesh(cube.get());
    PhysicsConvexMesh* again = world.ConvexFromMesh(cube.get());
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "VERTEX COUNT: 8\n");
    ASSERT_TRUE(hull);
    EXPECT_EQ(hull, again);
    EXPECT_EQ(world.GetNxConvexMesh("cube.mesh"), hull);
    EXPECT_EQ(hull->GetPoints().size(), 8u);
    EXPECT_NEAR(hull->GetVolume(), 8.0f, 1e-4f);

    // The cache outlives a reset of the scene.
    world.Reset();
    EXPECT_EQ(world.GetNxConvexMesh("cube.mesh"), hull);

    Ogre::MeshPtr flat = Mesh("flat.mesh", {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(::Test::ErrorOf([&] { world.ConvexFromMesh(flat.get()); }),
              "Error in Engine::Simulation::ConvexFromMesh(). Error cooking convex from mesh 'flat.mesh'");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "VERTEX COUNT: 4\n");
    EXPECT_THROW(world.GetNxConvexMesh("flat.mesh"), Engine::Exception);
}

namespace
{
    class SimulationEntityTest : public ::Test::SceneTest
    {
    protected:
        /// A scene entity with its handle, as a physics component would hold it.
        struct Owner
        {
            boost::shared_ptr<Entity> entity;
            boost::weak_ptr<Entity> handle;
        };

        Owner MakeEntity(const std::string& name)
        {
            Owner owner;
            owner.entity = Entity::Create(GetScene(), name);
            owner.handle = owner.entity;
            return owner;
        }

        PhysicsActor* AddBox(const Ogre::Vector3& position, bool dynamic, void* userData)
        {
            return ::Test::AddUnitBox(*world.GetNxScene(), position, dynamic, userData);
        }

        Simulation world;
    };
}

TEST_F(SimulationEntityTest, RaysFindEntitiesButTheGroundIsNone)
{
    world.EnableGroundPlane(true);
    Owner crate = MakeEntity("crate");
    Owner gone = MakeEntity("gone");
    AddBox(Ogre::Vector3(0, 3, 0), false, &crate.handle);
    AddBox(Ogre::Vector3(5, 3, 0), false, &gone.handle);
    gone.entity.reset();

    Ogre::Vector3 hit(7, 7, 7);
    EXPECT_EQ(world.RaycastEntity(Ogre::Ray(Ogre::Vector3(0, 10, 0), Ogre::Vector3(0, -5, 0)), hit, 100.0f), crate.entity);
    EXPECT_NEAR(hit.y, 3.5f, 1e-4f);

    hit = Ogre::Vector3(7, 7, 7);
    EXPECT_FALSE(world.RaycastEntity(Ogre::Ray(Ogre::Vector3(2, 10, 0), Ogre::Vector3(0, -1, 0)), hit, 100.0f));
    EXPECT_EQ(hit, Ogre::Vector3(7, 7, 7));                     // the ground stands for no entity
    EXPECT_FALSE(world.RaycastEntity(Ogre::Ray(Ogre::Vector3(5, 10, 0), Ogre::Vector3(0, -1, 0)), hit, 100.0f));
    EXPECT_EQ(hit, Ogre::Vector3(7, 7, 7));                     // nor does a destroyed one
    EXPECT_FALSE(world.RaycastEntity(Ogre::Ray(Ogre::Vector3(0, 10, 0), Ogre::Vector3(0, -1, 0)), hit, 5.0f));

    EXPECT_TRUE(world.RaycastPosition(Ogre::Ray(Ogre::Vector3(2, 10, 0), Ogre::Vector3(0, -1, 0)), hit, 100.0f));
    EXPECT_NEAR(hit.y, 0.0f, 1e-4f);
    EXPECT_FALSE(world.RaycastPosition(Ogre::Ray(Ogre::Vector3(2, 10, 0), Ogre::Vector3(0, 1, 0)), hit, 100.0f));
}

TEST_F(SimulationEntityTest, OverlapSphereReportsMovingBodiesUpToAHundred)
{
    Owner wall = MakeEntity("wall");
    Owner crate = MakeEntity("crate");
    AddBox(Ogre::Vector3(0, 0, 0), false, &wall.handle);
    AddBox(Ogre::Vector3(1, 0, 0), true, &crate.handle);
    AddBox(Ogre::Vector3(-1, 0, 0), true, nullptr);     // no entity: not listed

    std::list<boost::weak_ptr<Entity>> found = world.OverlapSphere(Ogre::Sphere(Ogre::Vector3::ZERO, 1.0f));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.front().lock(), crate.entity);

    // Handles of destroyed entities are passed on as they are.
    crate.entity.reset();
    found = world.OverlapSphere(Ogre::Sphere(Ogre::Vector3::ZERO, 1.0f));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found.front().expired());

    Owner swarm = MakeEntity("swarm");
    for (int i = 0; i < 150; ++i)
        AddBox(Ogre::Vector3(100 + 0.01f * i, 0, 0), true, &swarm.handle);
    EXPECT_EQ(world.OverlapSphere(Ogre::Sphere(Ogre::Vector3(101, 0, 0), 5.0f)).size(), 100u);
}
