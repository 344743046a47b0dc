#pragma once
#include "engine/core/IUpdateListener.h"

/// Steps the engine every frame, first of all listeners: the physics step starts before the
/// frame is drawn and is collected after it; then sound, scene, streaming and controllers.
/// Physics and controllers run only while a game is in progress.
class MainLoopRunner : public Engine::IUpdateListener
{
public:
    MainLoopRunner();

    std::uint8_t GetPriority() override;
    bool FrameStarted(float seconds) override;
    bool FrameEnded(float seconds) override;

    /// A new game: its entities are streamed at the same frames as in every game with its
    /// frame times (a replay of it included).
    void NewGame() { streamingTimer = 0.0f; }

    /// Set by the menu's "Exit": the next FrameStarted ends the frame loop.
    bool quit;
    /// A game is in progress: the physics world and the controllers are stepped.
    bool simulationRunning;

private:
    float streamingTimer;  // frame time since entities were last streamed during a game
    bool stepStarted;      // a physics step runs and is collected in FrameEnded
};
