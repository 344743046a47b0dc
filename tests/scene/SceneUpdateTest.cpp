// The scene at run time: when new and removed entities take effect, timed removals, streaming
// around the cameras, lookups.
#include "engine/core/CameraManager.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "tests/scene/TestComponents.h"
#include "tests/support/SceneTest.h"

#include <algorithm>

#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

using Engine::Entity;
using Test::Journal;

namespace
{
    class SceneUpdateTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            ::Test::RegisterTestComponents();
            Journal().clear();
            WriteData("run.xml", "<Entities><Walker><TestMesh/></Walker><Statue NoDisable='true'><TestMesh/></Statue>"
                                 "<Crate/></Entities>");
            GetScene().GetEntityTemplateManager().AddFile("run.xml");
        }

        int Updates() const { return static_cast<int>(std::count(Journal().begin(), Journal().end(), "Update:TestMesh")); }
    };
}

TEST_F(SceneUpdateTest, NewAndRemovedEntitiesTakeEffectAtTheNextUpdate)
{
    Engine::Scene& scene = GetScene();
    const boost::shared_ptr<Entity> walker = scene.CreateEntity("Walker", Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), walker->GetSceneNode()->getPosition());
    EXPECT_FALSE(walker->IsEnabled());
    EXPECT_EQ(0u, scene.GetEntityCount());
    EXPECT_TRUE(scene.FindEntity(walker->GetName()).expired());

    // One that cannot be disabled is enabled at once.
    EXPECT_TRUE(scene.CreateEntity("Statue", Ogre::Vector3::ZERO)->IsEnabled());

    scene.Update(0.1f);
    EXPECT_EQ(2u, scene.GetEntityCount());
    EXPECT_EQ(1u, scene.GetEntityCount("Walker"));
    EXPECT_EQ(walker, scene.FindEntity(walker->GetName()).lock());

    walker->Destroy();
    walker->Destroy();     // marking twice is marking once
    EXPECT_EQ(2u, scene.GetEntityCount());
    scene.Update(0.1f);
    EXPECT_EQ(1u, scene.GetEntityCount());
    EXPECT_EQ(0u, scene.GetEntityCount("Walker"));
    EXPECT_FALSE(scene.RemoveEntity(walker.get()));
    EXPECT_TRUE(scene.FindEntity(walker->GetName()).expired());
}

TEST_F(SceneUpdateTest, TimedRemovalsCountDownInFrames)
{
    Engine::Scene& scene = GetScene();
    const boost::shared_ptr<Entity> entity = scene.CreateEntity("Walker", Ogre::Vector3::ZERO);
    entity->Enable();
    scene.Update(0.0f);
    Journal().clear();

    // 0.5 s in frames of 0.2 s: expires in the third frame, leaves in the fourth; meanwhile it
    // is updated twice a frame.
    scene.RemoveEntityAfter(entity.get(), 0.5f);
    scene.Update(0.2f);
    scene.Update(0.2f);
    EXPECT_EQ(4, Updates());
    scene.Update(0.2f);
    EXPECT_EQ(6, Updates());
    EXPECT_EQ(1u, scene.GetEntityCount());
    scene.Update(0.2f);
    EXPECT_EQ(0u, scene.GetEntityCount());
}

TEST_F(SceneUpdateTest, ZeroDelayRemovesOnlyOnceTimeHasPassed)
{
    Engine::Scene& scene = GetScene();
    const boost::shared_ptr<Entity> entity = scene.CreateEntity("Crate", Ogre::Vector3::ZERO);
    scene.Update(0.0f);
    scene.RemoveEntityAfter(entity.get(), 0.0f);
    scene.Update(0.0f);               // 0 - 0 is not below zero
    scene.Update(0.0f);
    EXPECT_EQ(1u, scene.GetEntityCount());
    scene.Update(0.016f);             // destroyed now, gone at the next update
    EXPECT_EQ(1u, scene.GetEntityCount());
    scene.Update(0.016f);
    EXPECT_EQ(0u, scene.GetEntityCount());
}

TEST_F(SceneUpdateTest, TimedRemovalOfAnEntityThatWentBeforeIsForgotten)
{
    Engine::Scene& scene = GetScene();
    boost::weak_ptr<Entity> watched;
    {
        const boost::shared_ptr<Entity> entity = scene.CreateEntity("Walker", Ogre::Vector3::ZERO);
        watched = entity;
        scene.Update(0.1f);
        scene.RemoveEntityAfter(entity.get(), 1.0f);
        scene.RemoveEntityAfter(nullptr, 0.0f);
        entity->Destroy();
    }
    scene.Update(0.1f);
    EXPECT_TRUE(watched.expired());
    // The records refer to nothing any more; running them out must not touch freed memory.
    for (int frame = 0; frame < 20; ++frame)
        scene.Update(0.1f);
    EXPECT_EQ(0u, scene.GetEntityCount());
}

TEST_F(SceneUpdateTest, StreamingEnablesWhatIsStrictlyInsideTheRadiusOfACamera)
{
    Engine::Scene& scene = GetScene();
    const boost::shared_ptr<Entity> near = scene.CreateEntity("Walker", Ogre::Vector3(0, 0, 5));
    const boost::shared_ptr<Entity> edge = scene.CreateEntity("Walker", Ogre::Vector3(0, 0, 10));
    const boost::shared_ptr<Entity> far = scene.CreateEntity("Walker", Ogre::Vector3(0, 0, 100));
    const boost::shared_ptr<Entity> statue = scene.CreateEntity("Statue", Ogre::Vector3(0, 0, 100));
    scene.Update(0.1f);

    // Without cameras everything that can be disabled is.
    near->Enable();
    scene.StreamEntities(10.0f);
    EXPECT_FALSE(near->IsEnabled());
    EXPECT_TRUE(statue->IsEnabled());

    Engine::CameraManager::CreateSingleton(new Engine::CameraManager);
    Ogre::Camera* first = scene.GetSceneManager()->createCamera("first");
    Ogre::Camera* second = scene.GetSceneManager()->createCamera("second");
    scene.GetSceneManager()->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 0, -50))->attachObject(first);
    scene.GetSceneManager()->getRootSceneNode()->createChildSceneNode(Ogre::Vector3::ZERO)->attachObject(second);
    Engine::CameraManager::GetSingleton()->AddCamera(first);
    Engine::CameraManager::GetSingleton()->AddCamera(second);

    scene.StreamEntities(10.0f);
    EXPECT_TRUE(near->IsEnabled());
    EXPECT_TRUE(near->HasComponent("TestMesh"));
    EXPECT_FALSE(edge->IsEnabled());   // exactly 10 away: not inside
    EXPECT_FALSE(far->IsEnabled());
    EXPECT_TRUE(statue->IsEnabled());
    Engine::CameraManager::ReleaseSingleton();
}

TEST_F(SceneUpdateTest, ClosestEntityByTypeTakesTheEarliestOfEquals)
{
    Engine::Scene& scene = GetScene();
    const boost::shared_ptr<Entity> a = scene.CreateEntity("Crate", Ogre::Vector3(3, 0, 0));
    const boost::shared_ptr<Entity> b = scene.CreateEntity("Crate", Ogre::Vector3(-3, 0, 0));
    const boost::shared_ptr<Entity> c = scene.CreateEntity("Crate", Ogre::Vector3(0, 0, 10));
    scene.CreateEntity("Walker", Ogre::Vector3::ZERO);
    EXPECT_FALSE(scene.FindClosestEntityByType("Crate", Ogre::Vector3::ZERO));   // not arrived yet
    scene.Update(0.0f);
    EXPECT_EQ(a, scene.FindClosestEntityByType("Crate", Ogre::Vector3::ZERO));
    EXPECT_EQ(b, scene.FindClosestEntityByType("Crate", Ogre::Vector3(-1, 0, 0)));
    EXPECT_EQ(c, scene.FindClosestEntityByType("Crate", Ogre::Vector3(0, 0, 9)));
    EXPECT_FALSE(scene.FindClosestEntityByType("Ghost", Ogre::Vector3::ZERO));
}

TEST_F(SceneUpdateTest, ClearLeavesEntitiesHeldElsewhereAsEmptyShells)
{
    Engine::Scene& scene = GetScene();
    const boost::shared_ptr<Entity> kept = scene.CreateEntity("Walker", Ogre::Vector3::ZERO);
    scene.Update(0.0f);
    kept->Enable();
    scene.RemoveEntityAfter(kept.get(), 1.0f);
    scene.Clear();
    EXPECT_EQ(0u, scene.GetEntityCount());
    EXPECT_EQ(nullptr, kept->GetScene());
    EXPECT_EQ(nullptr, kept->GetSceneNode());
    EXPECT_FALSE(kept->HasComponent("TestMesh"));
    scene.Update(2.0f);   // the timed removal went with the clear
    kept->Destroy();
    kept->Update(0.1f);
}
