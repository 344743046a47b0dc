// Entity life cycle cost: create, enable, disable and destroy entities of a template with three
// cheap components (each does nothing but exist).
#include "engine/core/Settings.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/IEntityComponent.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"

#include <memory>
#include <string>
#include <vector>

#include <Ogre.h>
#include <benchmark/benchmark.h>

namespace
{
    // The real renderer (a small window; run under xvfb-run without a display) and a scene.
    struct World
    {
        World()
        {
            Test::Renderer::PrepareForBenchmarks();
            scene.reset(new Engine::Scene(2));
        }

        std::unique_ptr<Engine::Scene> scene;
    };

    class CheapComponent : public Engine::IEntityComponent
    {
    public:
        explicit CheapComponent(const char* id, bool affector) : id(id), affector(affector) {}
        void Load(Engine::Scene&, Engine::EntityTemplate&) override {}
        void Unload(Engine::Scene&) override {}
        std::string GetId() override { return id; }
        Engine::LoadStatus CheckLoadStatus(Engine::Entity&) override { return Engine::Ready; }
        void Update(float) override {}
        bool IsAffector() const override { return affector; }

    private:
        const char* id;
        bool affector;
    };

    void Register(const char* id, bool affector)
    {
        Engine::EntityComponentFactory& factory = Engine::EntityComponentFactory::GetSingleton();
        if (!factory.IsRegistered(id))
            factory.Register(id, [id, affector] {
                return boost::shared_ptr<Engine::IEntityComponent>(new CheapComponent(id, affector));
            });
    }

    void CreateEnableDisableDestroy(benchmark::State& state)
    {
        World world;
        Register("BenchMesh", false);
        Register("BenchLight", false);
        Register("BenchBody", true);
        const boost::shared_ptr<Engine::EntityTemplate> tmpl =
            world.scene->GetEntityTemplateManager().CreateTemplate("", "Bench");
        tmpl->AddComponent("BenchMesh", {{"File", "bench.mesh"}, {"CastShadows", "true"}});
        tmpl->AddComponent("BenchLight", {{"Colour", "1 1 1 1"}});
        tmpl->AddComponent("BenchBody", {{"Mass", "10"}});

        const int count = static_cast<int>(state.range(0));
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i)
            names.push_back("bench" + std::to_string(i));
        std::vector<boost::shared_ptr<Engine::Entity> > entities;
        entities.reserve(names.size());
        for (auto _ : state)
        {
            for (int i = 0; i < count; ++i)
                entities.push_back(Engine::Entity::Create(*world.scene, names[i], "Bench",
                                                          Ogre::Vector3(static_cast<float>(i), 0, 0)));
            for (const auto& entity : entities)
                entity->Enable();
            for (const auto& entity : entities)
                entity->Disable();
            for (const auto& entity : entities)
                entity->Destroy();
            entities.clear();  // the last reference: released as the scene would at its update
        }
        state.SetItemsProcessed(state.iterations() * count);
        state.counters["us_per_entity"] = benchmark::Counter(
            static_cast<double>(state.iterations() * count), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
            benchmark::Counter::kIs1000);
    }
}

BENCHMARK(CreateEnableDisableDestroy)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
