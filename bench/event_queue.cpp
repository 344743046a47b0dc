// Event delivery cost: posting events into one entity's queue and forwarding them to four
// listeners, two registered for every type and two for one type each.
#include "engine/core/Settings.h"
#include "engine/logic/Event.h"
#include "engine/logic/EventQueue.h"
#include "engine/logic/IEventListener.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"

#include <memory>

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

    const int Types[4] = {Engine::CONTACT_START, Engine::SENSOR_ENTER, Engine::HIT_ACTOR, Engine::HIT_ACTOR};

    struct Counter : Engine::IEventListener
    {
        long long received = 0;
        void OnEvent(int, boost::shared_ptr<Engine::Event>) override { ++received; }
    };

    void PostAndForward(benchmark::State& state)
    {
        World world;
        const boost::shared_ptr<Engine::Entity> self = Engine::Entity::Create(*world.scene, "self");
        const boost::shared_ptr<Engine::Entity> other = Engine::Entity::Create(*world.scene, "other");
        Engine::EventQueue& queue = self->GetEventQueue();
        Counter all1, all2, contact, sensor;
        queue.AddListener(&all1, -1);
        queue.AddListener(&all2, -1);
        queue.AddListener(&contact, Engine::CONTACT_START);
        queue.AddListener(&sensor, Engine::SENSOR_ENTER);

        // Each event is a new object, as the physics reports post them; a quarter each are
        // contacts and sensor entries, half hit reports that only the all-type listeners take.
        const int events = static_cast<int>(state.range(0));
        const int batch = static_cast<int>(state.range(1));  // events posted between two forwards
        for (auto _ : state)
        {
            for (int posted = 0; posted < events; posted += batch)
            {
                for (int i = 0; i < batch; ++i)
                    queue.PostEvent(Types[i % 4], boost::shared_ptr<Engine::Event>(new Engine::Event(self, other)));
                queue.ForwardEvents();
            }
        }
        state.SetItemsProcessed(state.iterations() * events);
        benchmark::DoNotOptimize(all1.received + all2.received + contact.received + sensor.received);
        queue.RemoveListeners();
    }
}

// 1,000,000 events forwarded 1,000 at a time (frames of a busy scene), and all at once.
BENCHMARK(PostAndForward)->Args({1000000, 1000})->Args({1000000, 1000000})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
