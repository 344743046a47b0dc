#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"
#include "tests/support/GameSettings.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <Ogre.h>

// The game's own data through the whole engine, as the game starts it: the arena scene loads
// without a complaint, and every template it brings creates and enables with all its components.
// Controllers are not attached: their types belong to the game.
TEST(ArenaInEngine, ArenaLoadsCleanlyAndEveryTemplateEnables)
{
    ::Test::TempDir dir;
    Engine::Application app;
    ASSERT_TRUE(app.Init(::Test::WriteGameSettings(dir, "Arena check"), ::Test::ChooseOpenGL(), nullptr, true));
    Engine::ControllerEC::DisableLoading(true);
    boost::shared_ptr<Engine::Scene> scene = Engine::Scene::GetSingleton();

    ::Test::LogCapture log;
    scene->Load("arena2.xml");
    scene->Update(0.0f);
    for (const auto& line : log.Lines())
    {
        EXPECT_EQ(line.text.find("Warning in"), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find("Error in"), std::string::npos) << line.text;
    }
    EXPECT_GT(scene->GetEntityCount(), 20u);

    Engine::EntityTemplateManager& templates = scene->GetEntityTemplateManager();
    int checked = 0;
    for (auto file = templates.GetFirstFile(); file != templates.GetEndFile(); ++file)
        for (auto it = templates.GetFirst(file->first); it != templates.GetEnd(file->first); ++it)
        {
            SCOPED_TRACE(it->first);
            boost::shared_ptr<Engine::Entity> entity = scene->CreateEntity(it->first, Ogre::Vector3(0, 5, 0));
            ASSERT_TRUE(entity);
            entity->Enable();
            EXPECT_TRUE(entity->IsEnabled());
            for (const std::string& component : it->second->GetComponents())
                EXPECT_TRUE(entity->HasComponent(component)) << component;
            ++checked;
        }
    EXPECT_GT(checked, 15);

    // A frame of the physics and the scene with everything in it.
    scene->Update(1.0f / 60.0f);
    app.RenderOneFrame();
}
