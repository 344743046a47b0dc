// Contact-heavy frames: 1,000 entity bodies dropped in a pile on the ground plane and left to
// settle for 600 frames of 1/60 s, every contact turned into events for both entities and
// forwarded to a listener on each. Reports events per second of the whole frame (physics step,
// pose sync, reports, forwarding) and, separately, of the reporting and forwarding alone.
#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <vector>

#include <boost/make_shared.hpp>
#include <Ogre.h>
#include <benchmark/benchmark.h>

#include "engine/core/Settings.h"
#include "engine/logic/Event.h"
#include "engine/logic/IEventListener.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"

namespace
{
    const int Bodies = 1000;
    const int Frames = 600;
    const double FrameTime = 1.0 / 60.0;

    struct Counter : Engine::IEventListener
    {
        long long received = 0;
        void OnEvent(int, boost::shared_ptr<Engine::Event>) override { ++received; }
    };

    /// The renderer, a scene and the physics world with a pile of boxes that stand for entities.
    struct Pile
    {
        Pile()
        {
            Test::Renderer::Root();
            Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_LOW);
            Engine::Settings::Create();
            Engine::Settings::Load("../data/configs/game.xml");
            scene.reset(new Engine::Scene(2));
            Engine::Simulation::CreateSingleton(new Engine::Simulation);
            world = Engine::Simulation::GetSingleton();
            world->EnableGroundPlane(true);
            for (int i = 0; i < Bodies; ++i)
            {
                // 10 x 10 columns, 10 layers, every other layer shifted so the pile tumbles.
                const int layer = i / 100, row = (i / 10) % 10, column = i % 10;
                const float stagger = (layer % 2) * 0.3f;
                const Ogre::Vector3 position(1.05f * column + stagger, 0.5f + 1.1f * layer, 1.05f * row + stagger);
                const boost::shared_ptr<Engine::Entity> entity =
                    Engine::Entity::Create(*scene, "box" + std::to_string(i));
                entity->GetSceneNode()->setPosition(position);
                entity->NotifyBoundsAffector(Ogre::AxisAlignedBox(Ogre::Vector3(-0.5f), Ogre::Vector3(0.5f)));
                entity->GetEventQueue().AddListener(&counter, -1);
                entities.push_back(entity);
                owners.push_back(entity);
                bodies.push_back(boost::make_shared<Engine::SimulationEntity>(
                    world, *entity, Engine::SimulationEntity::BOX, 1.0, 0));
                bodies.back()->SetUserData(&owners.back());
            }
        }

        ~Pile()
        {
            bodies.clear();
            entities.clear();
            world.reset();
            Engine::Simulation::ReleaseSingleton();
            scene.reset();
        }

        std::unique_ptr<Engine::Scene> scene;
        boost::shared_ptr<Engine::Simulation> world;
        std::vector<boost::shared_ptr<Engine::Entity>> entities;
        std::deque<boost::weak_ptr<Engine::Entity>> owners;
        std::vector<boost::shared_ptr<Engine::SimulationEntity>> bodies;
        Counter counter;
    };

    void BM_ContactEventsOfASettlingPile(benchmark::State& state)
    {
        long long events = 0;
        double reporting = 0.0;   // seconds spent fetching results, syncing and forwarding, less the step
        double total = 0.0;
        for (auto _ : state)
        {
            state.PauseTiming();
            std::unique_ptr<Pile> pile(new Pile);
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            for (int frame = 0; frame < Frames; ++frame)
            {
                pile->world->Update(FrameTime);
                const auto waitStart = std::chrono::steady_clock::now();
                pile->world->WaitForResults();
                for (const boost::shared_ptr<Engine::Entity>& entity : pile->entities)
                    entity->Update(static_cast<float>(FrameTime));
                const auto waitEnd = std::chrono::steady_clock::now();
                // The step runs on the worker while the main thread waits: what is left of the
                // wait after the step is the main thread's share (reports, pose sync, forwarding).
                const double afterStep = std::chrono::duration<double>(waitEnd - waitStart).count();
                reporting += std::max(0.0, afterStep - pile->world->GetNxScene()->GetLastStepDuration());
            }
            total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            events += pile->counter.received;
            state.PauseTiming();
            pile.reset();
            state.ResumeTiming();
        }
        const double runs = static_cast<double>(state.iterations());
        state.counters["events_per_run"] = events / runs;
        state.counters["events_per_s"] = events / total;
        state.counters["ms_per_frame"] = 1000.0 * total / (runs * Frames);
        state.counters["events_per_s_excluding_step"] = reporting > 0 ? events / reporting : 0.0;
    }
    BENCHMARK(BM_ContactEventsOfASettlingPile)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
}

BENCHMARK_MAIN();
