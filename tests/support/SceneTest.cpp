#include "tests/support/SceneTest.h"
#include "engine/core/Settings.h"
#include "engine/scene/Scene.h"

#include <Ogre.h>

namespace Test
{
    namespace
    {
        const char* const dataGroup = "TestData";
    }

    void SceneTest::SetUp()
    {
        RenderTest::SetUp();
        Engine::Settings::Create();
        Engine::Settings::Load(std::string(GORVANE_BUILD_DIR) + "/data/configs/game.xml");
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        if (!groups.resourceGroupExists(dataGroup))
            groups.createResourceGroup(dataGroup);
        groups.addResourceLocation(data.Path(), "FileSystem", dataGroup);
        groups.initialiseResourceGroup(dataGroup);
        Engine::Scene::CreateSingleton(new Engine::Scene(2));
        scene = Engine::Scene::GetSingleton();
    }

    void SceneTest::TearDown()
    {
        scene.reset();
        Engine::Scene::ReleaseSingleton();
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        if (groups.resourceGroupExists(dataGroup))
            groups.destroyResourceGroup(dataGroup);
    }

    std::string SceneTest::WriteData(const std::string& name, const std::string& text)
    {
        const std::string path = data.Write(name, text);
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        // The file-system archive lists its files when the location is added: rescan.
        groups.removeResourceLocation(data.Path(), dataGroup);
        groups.addResourceLocation(data.Path(), "FileSystem", dataGroup);
        return path;
    }
}
