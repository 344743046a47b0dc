// A horde in the arena: the real arena with its player and 50, 200 or 500 zombies chasing it,
// stepped as a game frame steps it minus the drawing (the main-loop runner's two halves:
// physics, sound, scene, streaming, controllers). One benchmark iteration is one frame of
// 1/60 s; every repetition builds a fresh arena, places the zombies on a 1.1-unit grid around
// the player (the 24 x 24 yard holds about 400: the rest stand outside the walls and press
// against them), lets them start for 60 frames and then times the frames that follow.
//
//   xvfb-run -a build/bin/bench_zombies --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// HordeDrawn draws what a player sees in a busy moment, at 1024 x 768: 30 zombies walking at
// the player from the far side of the yard, the player's muzzle flash and blood where the
// shots land, the HUD over it. Its variants take one thing away each, to show what it costs.
// It reports frames per second, the mean and worst frame, the main thread's CPU time per frame
// and the rasteriser's share of the process's CPU time (the software renderer draws on threads
// of its own, so everything the process spent off the main thread is the rasteriser's).
//   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" build/bin/bench_zombies --benchmark_filter=HordeDrawn
//   GORVANE_BENCH_FRAMES=10 scripts/bench-instructions zombies HordeDrawn
//                                      (instructions per drawn frame, all threads)
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
#include "game/GameRandom.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "script/Interpreter.h"
#include "tests/support/GameSettings.h"
#include "tests/support/TempDir.h"

#include <Ogre.h>
#include <OgreOverlay.h>
#include <OgreOverlayManager.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
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

    // Timed, after the settling frames; GORVANE_BENCH_FRAMES asks for fewer or more (under
    // callgrind a software-drawn frame takes seconds).
    int DrawnFrames()
    {
        const char* frames = std::getenv("GORVANE_BENCH_FRAMES");
        return frames && std::atoi(frames) > 0 ? std::atoi(frames) : 120;
    }
    constexpr int drawnZombies = 30;
    constexpr int framesBetweenShots = 12;     // five shots a second at 60 frames a second
    constexpr float effectSeconds = 1.0f;      // the muzzle flash and the blood have faded by then

    // The application as the game starts it, once per process (the interpreter cannot restart).
    struct Game
    {
        Game()
        {
            application.reset(new Engine::Application);
            if (!application->Init(Test::WriteGameSettings(dir, "Gorvane bench"), Test::ChooseOpenGL("1024 x 768"),
                                   nullptr, true))
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
            BuildArena();
            std::vector<Ogre::Vector3> spots;
            for (int ring = 2; static_cast<int>(spots.size()) < count; ++ring)
                for (int x = -ring; x <= ring; ++x)
                    for (int z = -ring; z <= ring; ++z)
                        if (std::max(std::abs(x), std::abs(z)) == ring && static_cast<int>(spots.size()) < count)
                            AddIfFree(spots, Ogre::Vector3(x * spacing, 0.0f, z * spacing));
            AddZombies(spots);
        }

        /// A fresh arena without its spawn grates, and the zombies in rows across the far
        /// half of the yard, where the player faces and the camera looks.
        void BuildHordeAhead(int count)
        {
            BuildArena();
            std::vector<Ogre::Vector3> spots;
            for (int row = 0; static_cast<int>(spots.size()) < count && row < 8; ++row)
                for (int column = -7; column <= 7 && static_cast<int>(spots.size()) < count; ++column)
                    AddIfFree(spots, Ogre::Vector3(column * 1.4f, 0.0f, row * 1.2f - 10.0f));
            AddZombies(spots);
        }

        void BuildArena()
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
        }

        // Not inside walls, pillars or crates: the ground must be free there.
        static void AddIfFree(std::vector<Ogre::Vector3>& spots, Ogre::Vector3 spot)
        {
            Engine::Simulation::GetSingleton()->RaycastHeight(spot, 0.0f, 10000.0f);
            if (spot.y < 0.05f)
                spots.push_back(spot);
        }

        static void AddZombies(const std::vector<Ogre::Vector3>& spots)
        {
            Engine::Scene& scene = *Engine::Scene::GetSingleton();
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

        /// A game frame as the game draws it: the step, the camera following the player, the
        /// HUD's lines (the application's own listeners), the drawing of the window.
        void DrawnFrame()
        {
            Frame();
            logic->FrameEnded(frameSeconds);
            Ogre::FrameEvent event;
            event.timeSinceLastEvent = event.timeSinceLastFrame = frameSeconds;
            application->frameStarted(event);
            application->frameEnded(event);
            application->RenderOneFrame();
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

namespace
{
    // What a HordeDrawn variant leaves out of the picture, to show its cost.
    enum class Without { Nothing, Shadows, Sky, Hud, Effects, Braziers };
    const char* const variantNames[] = {"as played", "without shadows", "without sky", "without HUD",
                                        "without shots and blood", "without brazier lights and fire"};

    void LeaveOut(Without what)
    {
        Ogre::SceneManager* sceneManager = Engine::Scene::GetSingleton()->GetSceneManager();
        switch (what)
        {
        case Without::Nothing:
        case Without::Effects:
            break;
        case Without::Shadows:
            // The technique stays (switching it drops the textures the floor's material
            // projects); with no light casting, no shadow texture is drawn.
            for (const auto& light : sceneManager->getMovableObjects("Light"))
                static_cast<Ogre::Light*>(light.second)->setCastShadows(false);
            break;
        case Without::Sky:
            sceneManager->setSkyPlaneEnabled(false);
            break;
        case Without::Hud:
            for (const auto& overlay : Ogre::OverlayManager::getSingleton().getOverlayIterator())
                overlay.second->hide();
            break;
        case Without::Braziers:
            for (const auto& entity : Engine::Scene::GetSingleton()->GetEntities())
                if (entity->GetType() == "Arena.Brazier")
                    entity->Destroy();
            break;
        }
    }

    double CpuSeconds(clockid_t clock)
    {
        timespec now{};
        clock_gettime(clock, &now);
        return now.tv_sec + now.tv_nsec * 1e-9;
    }

    // The player shoots ahead; every shot flashes at the gun and draws blood from a zombie.
    void Shoot(Game& game, int shot)
    {
        Engine::Scene& scene = *Engine::Scene::GetSingleton();
        const boost::shared_ptr<Engine::Entity> player = game.logic->GetPlayer().lock();
        Ogre::SceneNode* playerNode = player->GetSceneNode();
        const Ogre::Vector3 ahead = playerNode->getOrientation() * Ogre::Vector3::UNIT_Z;
        const boost::shared_ptr<Engine::Entity> flash =
            scene.CreateEntity("Particle.PistolSpark", playerNode->getPosition() + ahead * 0.6f + Ogre::Vector3(0, 1.2f, 0));
        flash->GetSceneNode()->setDirection(ahead, Ogre::Node::TS_WORLD);
        scene.RemoveEntityAfter(flash.get(), effectSeconds);

        std::vector<boost::shared_ptr<Engine::Entity> > zombies;
        for (const auto& entity : scene.GetEntities())
            if (entity->GetType().compare(0, 16, "Character.Zombie") == 0)
                zombies.push_back(entity);
        if (zombies.empty())
            return;
        const boost::shared_ptr<Engine::Entity>& hit = zombies[static_cast<std::size_t>(shot) % zombies.size()];
        const boost::shared_ptr<Engine::Entity> blood =
            scene.CreateEntity("Particle.BloodSplat", hit->GetSceneNode()->getPosition() + Ogre::Vector3(0, 1.2f, 0));
        blood->GetSceneNode()->setDirection(ahead, Ogre::Node::TS_WORLD);
        scene.RemoveEntityAfter(blood.get(), effectSeconds);
    }

    // The last frame as played, for comparing pictures across changes: written where
    // GORVANE_BENCH_PICTURE names (a .png), when it is set.
    void SavePicture()
    {
        const char* file = std::getenv("GORVANE_BENCH_PICTURE");
        if (!file || !*file)
            return;
        Ogre::RenderWindow* window = Engine::Application::GetSingletonPtr()->GetRenderWindow();
        window->update(false);   // the same frame again, read before it is swapped away
        Ogre::Image picture(Ogre::PF_BYTE_RGB, window->getWidth(), window->getHeight());
        window->copyContentsToMemory(Ogre::Box(0, 0, window->getWidth(), window->getHeight()),
                                     picture.getPixelBox(), Ogre::RenderTarget::FB_BACK);
        picture.save(file);
    }

    void HordeDrawn(benchmark::State& state)
    {
        Game& game = TheGame();
        const Without without = static_cast<Without>(state.range(0));
        // The same moment in every run: the zombies' wandering and the particles draw from rand().
        GameRandom::Seed(1);
        game.BuildHordeAhead(drawnZombies);
        game.logic->Resume();   // the HUD shows
        LeaveOut(without);
        // The first frames load what the arena shows and start the zombies walking.
        for (int i = 0; i < 30; ++i)
            game.DrawnFrame();

        const int drawnFrames = DrawnFrames();
        for (auto _ : state)
        {
            double worst = 0.0;
            const double mainStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            const double processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
            CALLGRIND_START_INSTRUMENTATION;
            const auto start = std::chrono::steady_clock::now();
            auto last = start;
            for (int frame = 0; frame < drawnFrames; ++frame)
            {
                if (without != Without::Effects && frame % framesBetweenShots == 0)
                    Shoot(game, frame / framesBetweenShots);
                game.DrawnFrame();
                const auto now = std::chrono::steady_clock::now();
                worst = std::max(worst, std::chrono::duration<double>(now - last).count());
                last = now;
            }
            const double seconds = std::chrono::duration<double>(last - start).count();
            CALLGRIND_STOP_INSTRUMENTATION;
            const double mainCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mainStart;
            const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
            state.SetIterationTime(seconds);
            state.counters["frames"] = drawnFrames;
            state.counters["fps"] = drawnFrames / seconds;
            state.counters["ms_per_frame"] = seconds * 1000.0 / drawnFrames;
            state.counters["worst_ms"] = worst * 1000.0;
            state.counters["main_cpu_ms"] = mainCpu * 1000.0 / drawnFrames;
            state.counters["raster_share"] = processCpu > 0.0 ? (processCpu - mainCpu) / processCpu : 0.0;
        }
        if (without == Without::Nothing)
            SavePicture();
        state.SetLabel(variantNames[state.range(0)]);
        game.logic->Pause();
    }
}

BENCHMARK(HordeDrawn)->DenseRange(0, 5)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
