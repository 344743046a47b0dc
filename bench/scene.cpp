// Scene costs per frame and per load: Update over many entities (bare, and carrying a mesh),
// streaming around two cameras, loading a scene file of 2,000 entities, and enabling one entity
// whose template holds thousands of box sensors (the cost per sensor must not grow with their number).
#include "engine/core/CameraManager.h"
#include "engine/core/Settings.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <memory>
#include <string>

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
            Engine::EntityTemplateManager& templates = scene->GetEntityTemplateManager();
            templates.CreateTemplate("", "Bare");
            MakeBox();
            templates.CreateTemplate("", "Boxed")->AddComponent("Mesh", {{"File", "benchbox.mesh"}, {"CastShadows", "false"}});
        }

        void MakeBox()
        {
            if (Ogre::MeshManager::getSingleton().resourceExists("benchbox.mesh"))
                return;
            Ogre::ManualObject* object = scene->GetSceneManager()->createManualObject();
            object->begin("BaseWhite", Ogre::RenderOperation::OT_TRIANGLE_LIST);
            for (int i = 0; i < 8; ++i)
            {
                object->position((i & 1) - 0.5f, ((i >> 1) & 1) - 0.5f, ((i >> 2) & 1) - 0.5f);
                object->normal(Ogre::Vector3(1, 1, 1).normalisedCopy());
                object->textureCoord(static_cast<float>(i & 1), static_cast<float>((i >> 1) & 1));
            }
            const int faces[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
                                      {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
            for (const auto& face : faces)
                object->triangle(face[0], face[1], face[2]);
            object->end();
            object->convertToMesh("benchbox.mesh");
            scene->GetSceneManager()->destroyManualObject(object);
        }

        /// `count` entities of the type along a line, taken in by one update.
        void Populate(const std::string& type, int count, bool enable)
        {
            for (int i = 0; i < count; ++i)
            {
                const auto entity = scene->CreateEntity(type, Ogre::Vector3(static_cast<float>(i % 100), 0,
                                                                            static_cast<float>(i / 100)));
                if (enable)
                    entity->Enable();
            }
            scene->Update(0.0f);
        }

        ~World() { scene.reset(); }

        std::unique_ptr<Engine::Scene> scene;
    };

    void PerEntity(benchmark::State& state, int count)
    {
        state.SetItemsProcessed(state.iterations() * count);
        // Seconds per (1e-9 x entity), that is nanoseconds per entity.
        state.counters["ns_per_entity"] = benchmark::Counter(
            count * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }

    void UpdateBareEntities(benchmark::State& state)
    {
        World world;
        const int count = static_cast<int>(state.range(0));
        world.Populate("Bare", count, true);
        for (auto _ : state)
            world.scene->Update(0.016f);
        PerEntity(state, count);
    }

    void UpdateMeshEntities(benchmark::State& state)
    {
        World world;
        const int count = static_cast<int>(state.range(0));
        world.Populate("Boxed", count, true);
        for (auto _ : state)
            world.scene->Update(0.016f);
        PerEntity(state, count);
    }

    void StreamAroundTwoCameras(benchmark::State& state)
    {
        World world;
        const int count = static_cast<int>(state.range(0));
        world.Populate("Bare", count, false);
        Engine::CameraManager::CreateSingleton(new Engine::CameraManager);
        Ogre::Camera* first = world.scene->GetSceneManager()->createCamera("first");
        Ogre::Camera* second = world.scene->GetSceneManager()->createCamera("second");
        world.scene->GetSceneManager()->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(20, 0, 20))->attachObject(first);
        world.scene->GetSceneManager()->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(80, 0, 80))->attachObject(second);
        Engine::CameraManager::GetSingleton()->AddCamera(first);
        Engine::CameraManager::GetSingleton()->AddCamera(second);
        world.scene->StreamEntities(25.0f);   // steady state: the near ones are enabled
        for (auto _ : state)
            world.scene->StreamEntities(25.0f);
        PerEntity(state, count);
        Engine::CameraManager::ReleaseSingleton();
    }

    void LoadSceneFile(benchmark::State& state)
    {
        World world;
        Test::TempDir data;
        const int count = static_cast<int>(state.range(0));
        data.Write("bench-templates.xml", "<Entities><Crate Health='10'/><Lamp NoDisable='false'/></Entities>");
        std::ofstream out(data.File("bench-scene.xml"));
        out << "<Scene Name='Bench' AmbientLight='0.3 0.3 0.3 1'><EntityTemplates><File Location='bench-templates.xml'/>"
               "</EntityTemplates><Entities>\n";
        for (int i = 0; i < count; ++i)
            out << "<Entity Type='" << (i % 2 ? "Crate" : "Lamp") << "' Position='" << i % 50 << " 0 " << i / 50
                << "' Rotation='1 0 0 0'/>\n";
        out << "</Entities></Scene>\n";
        out.close();
        Test::Renderer::AddLocation(data.Path());
        if (!Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup("bench-scene.xml"))
        {
            state.SkipWithError(("bench-scene.xml not found in " + data.Path()).c_str());
            return;
        }
        for (auto _ : state)
        {
            world.scene->Load("bench-scene.xml");
            benchmark::DoNotOptimize(world.scene->GetEntityCount());
        }
        state.SetItemsProcessed(state.iterations() * count);
        world.scene->Clear();
        Ogre::ResourceGroupManager::getSingleton().removeResourceLocation(data.Path(), "General");
    }

    void EnableEntityWithSensors(benchmark::State& state)
    {
        World world;
        Engine::Simulation::CreateSingleton(new Engine::Simulation);
        const int count = static_cast<int>(state.range(0));
        const boost::shared_ptr<Engine::EntityTemplate> pickup =
            world.scene->GetEntityTemplateManager().CreateTemplate("", "Pickup");
        pickup->AddComponent("Body", {{"Shape", "Box"}, {"Static", "true"}});
        for (int i = 0; i < count; ++i)
            pickup->AddComponent("BoxSensor", {{"Size", "1 1 1"}, {"Position", std::to_string(i % 100) + " 0 0"}});
        const auto entity = world.scene->CreateEntity("Pickup", Ogre::Vector3::ZERO);
        for (auto _ : state)
        {
            entity->Enable();
            entity->Disable();
        }
        state.SetComplexityN(count);
        state.counters["us_per_sensor"] = benchmark::Counter(
            count * 1e-6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
        world.scene.reset();
        Engine::Simulation::ReleaseSingleton();
    }
}

BENCHMARK(EnableEntityWithSensors)->RangeMultiplier(4)->Range(625, 10000)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateBareEntities)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(UpdateMeshEntities)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StreamAroundTwoCameras)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadSceneFile)->Arg(2000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
