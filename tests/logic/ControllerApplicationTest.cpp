// The controller manager as the application brings it up and takes it down.
#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/logic/ControllerProbe.h"
#include "tests/support/TempDir.h"

#include <Ogre.h>
#include <gtest/gtest.h>

TEST(ControllerApplication, TheApplicationRunsTheManagerAndEndsItsControllersBeforeTheScene)
{
    ::Test::TempDir dir;
    dir.Write("resources.cfg", "");
    const std::string settings = dir.Write("game.xml",
        "<Engine><WindowTitle>Gorvane Test</WindowTitle>"
        "<PluginFile>" GORVANE_BUILD_DIR "/data/configs/plugins.cfg</PluginFile>"
        "<LogFile>" + dir.File("app.log") + "</LogFile>"
        "<RenderSystemFile>" + dir.File("ogre.cfg") + "</RenderSystemFile>"
        "<ResourceFile>" + dir.File("resources.cfg") + "</ResourceFile>"
        "<ShadowFarDistance>60</ShadowFarDistance></Engine>");
    const auto configure = [] {
        Ogre::Root& root = Ogre::Root::getSingleton();
        Ogre::RenderSystem* gl = root.getRenderSystemByName("OpenGL Rendering Subsystem");
        gl->setConfigOption("Full Screen", "No");
        gl->setConfigOption("Video Mode", "320 x 240");
        root.setRenderSystem(gl);
        return true;
    };

    ::Test::ControllerJournal().clear();
    boost::weak_ptr<::Test::ProbeController> probe;
    boost::shared_ptr<Engine::Entity> drone;
    {
        Engine::Application app;
        ASSERT_TRUE(app.Init(settings, configure, nullptr, true));
        const boost::shared_ptr<Engine::ControllerManager> manager = Engine::ControllerManager::GetSingleton();
        ASSERT_TRUE(manager);
        ::Test::RegisterProbe(*manager);

        Engine::Scene& scene = *Engine::Scene::GetSingleton();
        scene.GetEntityTemplateManager().CreateTemplate("", "Drone")->AddComponent("Controller", {{"Id", "Probe"}});
        drone = Engine::Entity::Create(scene, "drone", "Drone", Ogre::Vector3::ZERO);
        drone->Enable();
        manager->Update(0.1f);
        probe = ::Test::AsProbe(
            boost::dynamic_pointer_cast<Engine::ControllerEC>(drone->GetComponent("Controller"))->GetController());
        EXPECT_FALSE(probe.expired());
    }
    // Released with the application, before the scene: the controller goes without OnDetach,
    // and the entity it ran on lost its components with the scene.
    EXPECT_FALSE(Engine::ControllerManager::GetSingleton());
    EXPECT_TRUE(probe.expired());
    EXPECT_FALSE(drone->IsEnabled());
    EXPECT_EQ(::Test::ControllerJournal(), (std::vector<std::string>{"Attach:Probe1", "Update:Probe1"}));
}
