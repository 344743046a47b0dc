#include "MainLoopRunner.h"

#include "engine/logic/ControllerManager.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

namespace
{
    constexpr float streamingIntervalSeconds = 0.1f;  // during a game, stream at most this often
    constexpr float streamingRadius = 10000.0f;
}

MainLoopRunner::MainLoopRunner()
    : quit(false), simulationRunning(false), streamingTimer(0.0f), stepStarted(false)
{
}

std::uint8_t MainLoopRunner::GetPriority()
{
    return 255;
}

bool MainLoopRunner::FrameStarted(float seconds)
{
    if (quit)
        return false;
    if (!simulationRunning)
        return true;
    // Moves the characters and starts the step, which runs while the frame is drawn.
    Engine::Simulation::GetSingleton()->Update(seconds);
    stepStarted = true;
    return true;
}

bool MainLoopRunner::FrameEnded(float seconds)
{
    Engine::SoundSystem::GetSingleton()->Update();
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    // A step started this frame is collected even when the game was paused in between (Escape,
    // the end of a death): the world may not be touched while it runs. The step's contact and
    // sensor reports post their events here, so the scene's update delivers them this frame.
    if (stepStarted)
    {
        stepStarted = false;
        Engine::Simulation::GetSingleton()->WaitForResults();
    }
    if (simulationRunning)
    {
        scene.Update(seconds);
        streamingTimer += seconds;
        if (streamingTimer > streamingIntervalSeconds)
        {
            scene.StreamEntities(streamingRadius);
            streamingTimer = 0.0f;
        }
        Engine::ControllerManager::GetSingleton()->Update(seconds);
    }
    else
    {
        // Menus: the world stands still, but the scene is kept up to date.
        scene.Update(seconds);
        scene.StreamEntities(streamingRadius);
    }
    return true;
}
