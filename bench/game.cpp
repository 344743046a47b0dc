// The game's own costs: start-up from nothing to the first drawn arena frame (the render-system
// dialog answered at once), and the engine's work per frame in the idle arena (physics, scene,
// streaming, controllers) without drawing.
//   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" build/bin/bench_game
#include "game/ConfigDialog.h"
#include "game/GameSounds.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/RuleSystem.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "script/Interpreter.h"
#include "tests/game/GameTest.h"
#include "tests/support/GameSettings.h"
#include "tests/support/TempDir.h"

#include <benchmark/benchmark.h>
#include <Ogre.h>

#include <memory>
#include <stdexcept>

namespace
{
    // The arena's templates attach the game's controllers, which are not part of this measure.
    void StartInterpreterOnce()
    {
        static bool started = false;
        if (started)
            return;
        static char program[] = "Gorvane";
        static char* arguments[] = {program, nullptr};
        Engine::Python::Initialize(1, arguments);
        Engine::ControllerEC::DisableLoading(true);
        started = true;
    }

    // The game's start-up in its order, up to a running arena.
    struct Game
    {
        explicit Game(const Test::TempDir& dir)
        {
            application.reset(new Engine::Application);
            // The dialog comes up as at every start and is confirmed at once with what was saved.
            const bool configured = application->Init(Test::WriteGameSettings(dir, "Gorvane"), [] {
                ConfigDialog dialog;
                return dialog.Confirm();
            }, nullptr, true);
            if (!configured)
                throw std::runtime_error("the render configuration was refused");
            application->CreateInputSystem(true, nullptr);
            LoadGameSounds();
            ruleSystem.reset(new RuleSystem);
            application->SetRuleSystem(ruleSystem);
            StartInterpreterOnce();
            Test::StartPlay(*application, logic, mainLoop);
        }
        ~Game()
        {
            application.reset();
            ruleSystem.reset();
            logic.reset();
        }

        std::unique_ptr<Engine::Application> application;
        boost::shared_ptr<RuleSystem> ruleSystem;
        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
    };

    void SaveOpenGLChoice(const Test::TempDir& dir)
    {
        dir.Write("ogre.cfg", "Render System=OpenGL Rendering Subsystem\n\n[OpenGL Rendering Subsystem]\n"
                              "Full Screen=No\nVideo Mode=1024 x 768\n");
    }

    // One game per process: the engine's state manager and the interpreter start only once.
    Test::TempDir* gameDir = nullptr;
    Game* game = nullptr;

    Game& StartGame()
    {
        if (!game)
        {
            gameDir = new Test::TempDir;
            SaveOpenGLChoice(*gameDir);
            game = new Game(*gameDir);
        }
        return *game;
    }

    // Measured once: from nothing to the first drawn frame of the arena. The game stays up for
    // the benchmarks that follow.
    void StartUpToFirstArenaFrame(benchmark::State& state)
    {
        if (game)
        {
            state.SkipWithError("the game was started already; run this one first");
            return;
        }
        for (auto _ : state)
            StartGame().application->RenderOneFrame();
    }
    BENCHMARK(StartUpToFirstArenaFrame)->Unit(benchmark::kMillisecond)->Iterations(1);

    void IdleArenaFrame(benchmark::State& state)
    {
        Game& idle = StartGame();
        Ogre::FrameEvent event;
        event.timeSinceLastEvent = event.timeSinceLastFrame = 1.0f / 60.0f;
        // Settle first: the arena's first frames stream everything in.
        for (int i = 0; i < 60; ++i)
        {
            idle.application->frameStarted(event);
            idle.application->frameEnded(event);
        }
        for (auto _ : state)
        {
            idle.application->frameStarted(event);
            idle.application->frameEnded(event);
        }
    }
    BENCHMARK(IdleArenaFrame)->Unit(benchmark::kMicrosecond);
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The engine goes down before the process's static objects do.
    delete game;
    delete gameDir;
    benchmark::Shutdown();
    return 0;
}
