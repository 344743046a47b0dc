// Controller manager cost: one frame of updates over many entities (some disabled), and the
// life of a controller from its entity's enable to its disable.
#include "engine/core/Settings.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/IController.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"

#include <memory>
#include <string>
#include <vector>

#include <Ogre.h>
#include <benchmark/benchmark.h>

namespace
{
    // The real renderer (a small window; run under xvfb-run without a display), a scene with a
    // template whose entities get a controller, and the controller manager.
    struct World
    {
        World()
        {
            Test::Renderer::PrepareForBenchmarks();
            Engine::Scene::CreateSingleton(new Engine::Scene(2));
            Engine::ControllerManager::CreateSingleton(new Engine::ControllerManager);
            manager = Engine::ControllerManager::GetSingleton();
            manager->RegisterController("Walk", [] { return boost::shared_ptr<Engine::IController>(new Walker); });
            Engine::Scene::GetSingleton()->GetEntityTemplateManager().CreateTemplate("", "Walker")->AddComponent(
                "Controller", {{"Id", "Walk"}});
        }
        ~World()
        {
            manager.reset();
            Engine::ControllerManager::ReleaseSingleton();
            Engine::Scene::ReleaseSingleton();
        }

        std::vector<boost::shared_ptr<Engine::Entity> > MakeEntities(int count)
        {
            std::vector<boost::shared_ptr<Engine::Entity> > entities;
            for (int i = 0; i < count; ++i)
                entities.push_back(Engine::Entity::Create(*Engine::Scene::GetSingleton(), "walker" + std::to_string(i),
                                                          "Walker", Ogre::Vector3::ZERO));
            return entities;
        }

        // Moves its entity's node a little every frame, as the game's controllers do.
        struct Walker : Engine::IController
        {
            bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override
            {
                entity->GetSceneNode()->translate(dt, 0, 0);
                return true;
            }
            void OnAttach(boost::shared_ptr<Engine::Entity>) override {}
            void OnDetach(boost::shared_ptr<Engine::Entity>) override {}
        };

        boost::shared_ptr<Engine::ControllerManager> manager;
    };

    void UpdateFrame(benchmark::State& state)
    {
        World world;
        const int count = static_cast<int>(state.range(0));
        std::vector<boost::shared_ptr<Engine::Entity> > entities = world.MakeEntities(count);
        for (const auto& entity : entities)
            entity->Enable();
        world.manager->Update(0.0f);
        for (int i = 0; i < count; i += 10)  // every tenth entity is disabled (streamed out)
            entities[static_cast<std::size_t>(i)]->Disable();
        for (auto _ : state)
            world.manager->Update(1.0f / 60.0f);
        state.SetItemsProcessed(state.iterations() * count);
    }

    void AttachRunDetach(benchmark::State& state)
    {
        World world;
        const int count = static_cast<int>(state.range(0));
        std::vector<boost::shared_ptr<Engine::Entity> > entities = world.MakeEntities(count);
        for (auto _ : state)
        {
            for (const auto& entity : entities)
                entity->Enable();  // the "Controller" component attaches a controller
            world.manager->Update(1.0f / 60.0f);
            for (const auto& entity : entities)
                entity->Disable();  // ... and detaches it
            world.manager->Update(1.0f / 60.0f);
        }
        state.SetItemsProcessed(state.iterations() * count);
    }
}

BENCHMARK(UpdateFrame)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(AttachRunDetach)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
