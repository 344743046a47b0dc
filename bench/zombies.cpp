// A horde in the arena: the real arena with its player and 50, 200 or 500 zombies chasing it,
// stepped as a game frame steps it minus the drawing (the main-loop runner's two halves:
// physics, sound, scene, streaming, controllers). One benchmark iteration is one frame of
// 1/60 s; every repetition builds a fresh arena, places the zombies on a 1.1-unit grid around
// the player (the 24 x 24 yard holds about 400: the rest stand outside the walls and press
// against them), lets them start for 60 frames and then times the frames that follow.
//
//   xvfb-run -a build/bin/bench_zombies --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Under callgrind the statistics are zeroed before and dumped after the timed frames, so the
// dump holds exactly those frames, on every thread:
//   xvfb-run -a valgrind --tool=callgrind --callgrind-out-file=zombies.%p
//       build/bin/bench_zombies --benchmark_filter='Horde/200/'   (one command line)
// and the instructions per frame are the dump's total divided by the iterations reported.
#include "game/AI_Zombie.h"
#include "game/GameSounds.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/RuleSystem.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "script/Interpreter.h"
#include "tests/support/GameSettings.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

namespace
{
    constexpr float frameSeconds = 1.0f / 60.0f;
    constexpr int startFrames = 60;
    constexpr float spacing = 1.1f;

    // The application as the game starts it, once per process (the interpreter cannot restart).
    struct Game
    {
        Game()
        {
            application.reset(new Engine::Application);
            if (!application->Init(Test::WriteGameSettings(dir, "Gorvane bench"), Test::ChooseOpenGL(), nullptr, true))
                throw std::runtime_error("the renderer did not start");
            LoadGameSounds();
            ruleSystem.reset(new RuleSystem);
            application->SetRuleSystem(ruleSystem);
            static char program[] = "Gorvane";
            static char* arguments[] = {program, nullptr};
            Engine::Python::Initialize(1, arguments);
            Engine::ControllerManager::GetSingleton()->RegisterController(
                "Zombie", [] { return boost::shared_ptr<Engine::IController>(new AI_Zombie); });
            logic.reset(new LogicRunner);
            mainLoop.simulationRunning = true;
        }

        /// A fresh arena without its spawn grates, and the
        /// zombies on the grid, nearest to the player first.
        void BuildHorde(int count)
        {
            Engine::ControllerEC::DisableLoading(true);
            logic->BuildArena();
            Engine::ControllerEC::DisableLoading(false);
            // The grates would add zombies of their own: the count stays as asked.
            Engine::Scene& scene = *Engine::Scene::GetSingleton();
            for (const auto& entity : scene.GetEntities())
                if (entity->GetType() == "Arena.SpawnPoint")
                    entity->Destroy();
            const boost::shared_ptr<Engine::Entity> player = logic->GetPlayer().lock();
            player->SetAttributeInt("Health", 1 << 30);   // it outlives every run

            std::vector<Ogre::Vector3> spots;
            for (int ring = 2; static_cast<int>(spots.size()) < count; ++ring)
                for (int x = -ring; x <= ring; ++x)
                    for (int z = -ring; z <= ring; ++z)
                    {
                        if (std::max(std::abs(x), std::abs(z)) != ring)
                            continue;
                        // Not inside walls, pillars or crates: the ground must be free there.
                        Ogre::Vector3 spot(x * spacing, 0.0f, z * spacing);
                        Engine::Simulation::GetSingleton()->RaycastHeight(spot, 0.0f, 10000.0f);
                        if (spot.y < 0.05f && static_cast<int>(spots.size()) < count)
                            spots.push_back(spot);
                    }
            for (std::size_t i = 0; i < spots.size(); ++i)
            {
                const int variant = 1 + static_cast<int>(i % 3);
                const boost::shared_ptr<Engine::Entity> zombie =
                    scene.CreateEntity("Character.Zombie" + std::to_string(variant), spots[i]);
                zombie->SetAttributeInt("Speed", 20 * (6 - variant));
                zombie->Enable();
            }
        }

        void Frame()
        {
            mainLoop.FrameStarted(frameSeconds);
            mainLoop.FrameEnded(frameSeconds);
        }

        Test::TempDir dir;
        // Declared first so it goes last: the rule system takes itself off the application's
        // listeners when it ends, which it must not try while the application is going.
        boost::shared_ptr<RuleSystem> ruleSystem;
        std::unique_ptr<Engine::Application> application;
        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
    };

    Game& TheGame()
    {
        static Game game;
        return game;
    }

    void Horde(benchmark::State& state)
    {
        Game& game = TheGame();
        const int count = static_cast<int>(state.range(0));
        game.BuildHorde(count);
        for (int i = 0; i < startFrames; ++i)
            game.Frame();

        CALLGRIND_ZERO_STATS;
        for (auto _ : state)
            game.Frame();
        CALLGRIND_DUMP_STATS_AT("horde frames");

        state.counters["zombies"] = static_cast<double>(
            Engine::Scene::GetSingleton()->GetEntityCount("Character.Zombie1") +
            Engine::Scene::GetSingleton()->GetEntityCount("Character.Zombie2") +
            Engine::Scene::GetSingleton()->GetEntityCount("Character.Zombie3"));
    }
}

BENCHMARK(Horde)->Arg(50)->Arg(200)->Arg(500)->Iterations(600)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
