#pragma once
#include <memory>

#include <boost/shared_ptr.hpp>
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace Engine { class Application; class IController; }
class LogicRunner;
class MainLoopRunner;
class RuleSystem;

namespace Test
{
    /// A factory for the controller manager: a new controller of the given class.
    template <class Controller>
    boost::shared_ptr<Engine::IController> MakeController()
    {
        return boost::shared_ptr<Engine::IController>(new Controller);
    }

    /// The game as "Play" leaves it in `application`: `logic` made and its arena built, both
    /// runners in the frame loop, the simulation running and the game view live.
    void StartPlay(Engine::Application& application, std::unique_ptr<LogicRunner>& logic, MainLoopRunner& mainLoop);

    /// Fixture for the game's own objects: the real application as the game starts it (renderer
    /// window, buffered keyboard and mouse on that window, every engine singleton), the game's
    /// sound table on the loopback device and its rule system installed. Its settings and logs
    /// live in a temporary folder; data paths are the game's ("../data/", from build/bin).
    class GameTest : public ::testing::Test
    {
    protected:
        void SetUp() override;
        void TearDown() override;

        /// One frame of the real frame loop with a chosen frame time, without drawing: input
        /// captured, every update listener's FrameStarted, then every FrameEnded.
        void Step(float seconds);
        /// The same with the frame drawn in between (the renderer's own frame: particles and
        /// everything else the renderer animates), for tests that look at the picture.
        void Draw(float seconds);
        /// Frames of `frame` seconds until `seconds` have passed.
        void Run(float seconds, float frame = 1.0f / 60.0f);

        /// Real X key events (X keysyms, e.g. XK_Up) sent to the game window; returns once the
        /// game's keyboard has read the change, as a frame's input capture would. A Shift held
        /// down with KeyDown applies to the keys that follow until its KeyUp.
        void KeyDown(unsigned long keysym);
        void KeyUp(unsigned long keysym);
        void Tap(unsigned long keysym) { KeyDown(keysym); KeyUp(keysym); }
        /// Mouse-wheel notches on the game window (positive: forward), read at the next frame.
        void Wheel(int notches);

        TempDir dir;
        unsigned int modifiers = 0;  // X modifier mask of the keys held
        std::unique_ptr<Engine::Application> application;
        boost::shared_ptr<RuleSystem> ruleSystem;
    };
}
