// World geometry: the terrain one sees is the terrain one stands on.
#include "engine/physics/Simulation.h"
#include "engine/scene/Scene.h"
#include "engine/scene/TerrainGeometry.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SceneTest.h"

#include <cmath>
#include <fstream>

#include <Ogre.h>
#include <gtest/gtest.h>

namespace
{
    class TerrainTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            Engine::Simulation::CreateSingleton(new Engine::Simulation);
            // A hill in the middle of a 32 x 32 height map; the height map is read from "General".
            std::ofstream out(DataDir().File("hill.ppm"), std::ios::binary);
            out << "P6\n32 32\n255\n";
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                {
                    const float d = std::hypot(x - 20.0f, y - 12.0f);
                    out << static_cast<char>(std::max(0.0f, 255.0f - d * 18.0f)) << '\0' << '\0';
                }
            out.close();
            WriteData("hill.cfg", "PageSize=17\nPageWorldX=64\nMaxHeight=10\nHeightmap.image=hill.ppm\n");
            ::Test::Renderer::AddLocation(DataDir().Path());
        }

        void TearDown() override
        {
            scene->Clear();
            Engine::Simulation::ReleaseSingleton();
            SceneTest::TearDown();
        }
    };
}

TEST_F(TerrainTest, RenderedHeightsMatchThePhysicsGround)
{
    Engine::Scene& scene = GetScene();
    scene.SetWorldGeometry("hill.cfg");
    EXPECT_EQ("hill.cfg", scene.GetWorldGeometryConfig());
    const Engine::TerrainGeometry* terrain = scene.GetTerrain();
    ASSERT_TRUE(terrain && terrain->IsBuilt());
    EXPECT_TRUE(terrain->GetObject()->isInScene());

    int raised = 0;
    for (float x = 0.5f; x < 64.0f; x += 2.7f)
        for (float z = 0.5f; z < 64.0f; z += 3.1f)
        {
            float drawn = 0.0f;
            ASSERT_TRUE(terrain->GetHeightAt(x, z, drawn));
            Ogre::Vector3 probe(x, -100.0f, z);
            ASSERT_TRUE(Engine::Simulation::GetSingleton()->RaycastHeight(probe, 0.0f, 100.0f)) << x << " " << z;
            EXPECT_NEAR(drawn, probe.y, 0.01f) << x << " " << z;
            raised += drawn > 1.0f;
        }
    EXPECT_GT(raised, 10);   // the hill is there, not a flat plane

    // Drawn seen from above: the lit terrain fills the middle of the picture.
    Ogre::SceneManager* manager = scene.GetSceneManager();
    manager->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
    scene.SetAmbientLight(Ogre::ColourValue(0.2f, 0.2f, 0.2f));
    Ogre::Light* sun = manager->createLight("Sun");
    sun->setType(Ogre::Light::LT_DIRECTIONAL);
    manager->getRootSceneNode()->createChildSceneNode()->attachObject(sun);
    sun->getParentSceneNode()->setDirection(Ogre::Vector3(0.3f, -1, 0.2f), Ogre::Node::TS_WORLD);
    Ogre::Camera* camera = manager->createCamera("Eye");
    camera->setNearClipDistance(0.5f);
    Ogre::SceneNode* eye = manager->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(32, 80, 32));
    eye->attachObject(camera);
    eye->lookAt(Ogre::Vector3(32, 0, 32.01f), Ogre::Node::TS_WORLD);
    Ogre::RenderWindow& window = ::Test::Renderer::Window();
    window.addViewport(camera)->setBackgroundColour(Ogre::ColourValue::Blue);
    camera->setAspectRatio(320.0f / 240.0f);
    ::Test::Renderer::Root().renderOneFrame();
    Ogre::Image image(Ogre::PF_BYTE_RGB, 320, 240);
    Ogre::PixelBox pixels = image.getPixelBox();
    window.copyContentsToMemory(pixels, pixels);
    const Ogre::ColourValue centre = image.getColourAt(160, 120, 0);
    EXPECT_GT(centre.r, 0.2f) << centre;       // grey ground, not the blue background
    EXPECT_NEAR(centre.r, centre.b, 0.05f) << centre;
    window.removeAllViewports();

    // Gone with the scene's clear, physics included.
    scene.Clear();
    EXPECT_FALSE(scene.GetTerrain());
    EXPECT_EQ("", scene.GetWorldGeometryConfig());
    EXPECT_FALSE(Engine::Simulation::GetSingleton()->HasWorldGeometry());
}

TEST_F(TerrainTest, UnknownOrUnusableTerrainFiles)
{
    Engine::Scene& scene = GetScene();
    EXPECT_EQ("Error in Engine::Scene::SetWorldGeometry(). Can't find world geometry 'nowhere.cfg' in any resource "
              "location",
              ::Test::ErrorOf([&] { scene.SetWorldGeometry("nowhere.cfg"); }));
    EXPECT_EQ("", scene.GetWorldGeometryConfig());

    WriteData("flat.cfg", "PageSize=1\nPageWorldX=64\nMaxHeight=10\nHeightmap.image=hill.ppm\n");
    scene.SetWorldGeometry("flat.cfg");
    EXPECT_FALSE(scene.GetTerrain()->IsBuilt());
    EXPECT_FALSE(Engine::Simulation::GetSingleton()->HasWorldGeometry());

    // Numbers that make no terrain: each file is named with its bad value, nothing is built.
    ::Test::LogCapture log;
    WriteData("negative.cfg", "PageSize=-5\nPageWorldX=64\nMaxHeight=10\nHeightmap.image=hill.ppm\n");
    scene.SetWorldGeometry("negative.cfg");
    EXPECT_FALSE(scene.GetTerrain()->IsBuilt());
    EXPECT_FALSE(Engine::Simulation::GetSingleton()->HasWorldGeometry());
    EXPECT_EQ(log.Count("negative.cfg' has 'PageSize' '-5'; at least 2 samples per side are needed"), 2);
    for (const std::string height : {"nan", "inf"})
    {
        WriteData("high.cfg", "PageSize=17\nPageWorldX=64\nMaxHeight=" + height + "\nHeightmap.image=hill.ppm\n");
        log.Clear();
        scene.SetWorldGeometry("high.cfg");
        EXPECT_FALSE(scene.GetTerrain()->IsBuilt());
        EXPECT_FALSE(Engine::Simulation::GetSingleton()->HasWorldGeometry());
        EXPECT_EQ(log.Count("high.cfg' has 'MaxHeight' '" + height + "'; a finite height scale is needed"), 2) << height;
        EXPECT_EQ(log.Count("row and column"), 0);
    }

    // Setting it again replaces the earlier terrain, in the physics world too.
    scene.SetWorldGeometry("hill.cfg");
    scene.SetWorldGeometry("hill.cfg");
    EXPECT_TRUE(scene.GetTerrain()->IsBuilt());
    EXPECT_EQ(1u, scene.GetSceneManager()->getMovableObjects("ManualObject").size());
    scene.SetWorldGeometry("");
    EXPECT_FALSE(scene.GetTerrain());
    EXPECT_FALSE(Engine::Simulation::GetSingleton()->HasWorldGeometry());
}

TEST_F(TerrainTest, SizesBeyondTheLimitsAreRefusedBeforeAnythingIsMade)
{
    Engine::Scene& scene = GetScene();
    const std::string where = "Error in Engine::Simulation::SetWorldGeometry(). Terrain file '" + DataDir().File("big.cfg");
    auto refused = [&](const std::string& text) {
        WriteData("big.cfg", text + "\nHeightmap.image=hill.ppm\n");
        return ::Test::ErrorOf([&] { scene.SetWorldGeometry("big.cfg"); });
    };
    EXPECT_EQ(where + "' has 'PageSize' '20000'; at most 2049 samples per side are allowed",
              refused("PageSize=20000\nPageWorldX=64\nMaxHeight=10"));
    EXPECT_EQ(where + "' has 'PageSize' '100000'; at most 2049 samples per side are allowed",
              refused("PageSize=100000\nPageWorldX=64\nMaxHeight=10"));
    EXPECT_EQ(where + "' has 'MaxHeight' '1e30'; a finite height of at most 1e7 world units is needed",
              refused("PageSize=17\nPageWorldX=64\nMaxHeight=1e30"));
    EXPECT_EQ(where + "' has 'PageWorldX' '1e20'; at most 1e7 world units are allowed",
              refused("PageSize=17\nPageWorldX=1e20\nMaxHeight=10"));
    EXPECT_FALSE(Engine::Simulation::GetSingleton()->HasWorldGeometry());

    // The drawn terrain reads the same bounds.
    const std::string path = WriteData("big.cfg", "PageSize=2050\nPageWorldX=64\nMaxHeight=10\nHeightmap.image=hill.ppm\n");
    EXPECT_EQ("Error in Engine::TerrainGeometry::TerrainGeometry(). Terrain file '" + path +
                  "' has 'PageSize' '2050'; at most 2049 samples per side are allowed",
              ::Test::ErrorOf([&] { Engine::TerrainGeometry terrain(*scene.GetSceneManager(), path); }));
}
