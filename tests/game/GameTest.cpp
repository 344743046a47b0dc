#include "GameTest.h"

#include "game/GameInput.h"
#include "game/GameSounds.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/RuleSystem.h"
#include "game/UI_Hud.h"

#include "engine/core/Application.h"
#include "engine/sound/SoundSystem.h"
#include "script/Interpreter.h"
#include "tests/support/GameSettings.h"

#include <OIS.h>
#include <Ogre.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <thread>
#include <vector>

namespace Test
{
    namespace
    {
        // Sends a key or button event to the window, as the X server would deliver a press.
        void SendToWindow(Ogre::RenderWindow& window, int type, unsigned int detail, unsigned int state = 0)
        {
            std::size_t handle = 0;
            window.getCustomAttribute("WINDOW", &handle);
            Display* display = XOpenDisplay(nullptr);
            ASSERT_NE(display, nullptr);
            XEvent event{};
            if (type == KeyPress || type == KeyRelease)
            {
                event.xkey.type = type;
                event.xkey.display = display;
                event.xkey.window = handle;
                event.xkey.root = DefaultRootWindow(display);
                event.xkey.keycode = detail;
                event.xkey.state = state;  // the modifiers held, which decide the typed character
                event.xkey.same_screen = True;
                event.xkey.time = CurrentTime;
                XSendEvent(display, handle, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
            }
            else
            {
                event.xbutton.type = type;
                event.xbutton.display = display;
                event.xbutton.window = handle;
                event.xbutton.root = DefaultRootWindow(display);
                event.xbutton.button = detail;
                event.xbutton.same_screen = True;
                XSendEvent(display, handle, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
            }
            XSync(display, False);
            XCloseDisplay(display);
        }

        unsigned int KeycodeOf(unsigned long keysym)
        {
            Display* display = XOpenDisplay(nullptr);
            const unsigned int code = display ? XKeysymToKeycode(display, keysym) : 0;
            if (display)
                XCloseDisplay(display);
            return code;
        }

        std::vector<bool> KeysDown(OIS::Keyboard& keyboard)
        {
            std::vector<bool> down(256);
            for (int code = 1; code < 256; ++code)
                down[code] = keyboard.isKeyDown(static_cast<OIS::KeyCode>(code));
            return down;
        }

        // Waits until the keyboard has read a key going down (or up) that was not before.
        // Delivery to the game's own connection to the server is asynchronous, so poll.
        void WaitForChange(OIS::Keyboard& keyboard, const std::vector<bool>& before, bool down)
        {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (std::chrono::steady_clock::now() < deadline)
            {
                keyboard.capture();
                const std::vector<bool> now = KeysDown(keyboard);
                for (int code = 1; code < 256; ++code)
                    if (now[code] == down && before[code] != down)
                        return;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ADD_FAILURE() << "the game's keyboard did not see the key go " << (down ? "down" : "up");
        }
    }

    void StartPlay(Engine::Application& application, std::unique_ptr<LogicRunner>& logic, MainLoopRunner& mainLoop)
    {
        logic.reset(new LogicRunner);
        logic->BuildArena();
        application.AddUpdateListener(logic.get());
        application.AddUpdateListener(&mainLoop);
        mainLoop.simulationRunning = true;
        logic->Resume();
    }

    void GameTest::SetUp()
    {
        application.reset(new Engine::Application);
        ASSERT_TRUE(application->Init(WriteGameSettings(dir, "Gorvane"), ChooseOpenGL(), nullptr, true));
        application->CreateInputSystem(true, nullptr);
        gameInputInstance.reset(new GameInput(*application));
        LoadGameSounds();
        ruleSystem.reset(new RuleSystem);
        application->SetRuleSystem(ruleSystem);
        // Every test runs in a process of its own; the interpreter cannot restart, so it is
        // left running until the process ends.
        static char program[] = "Gorvane";
        static char* arguments[] = {program, nullptr};
        Engine::Python::Initialize(1, arguments);
    }

    void GameTest::TearDown()
    {
        // As at the end of the game: the game's objects, and the HUD they share, go while the
        // renderer whose overlays they hold is still there.
        hudInstance.reset();
        gameInputInstance.reset();
        application.reset();
        ruleSystem.reset();
        for (int& id : gameSounds)
            id = -1;
    }

    void GameTest::Step(float seconds)
    {
        // The application's own frame callbacks, as the renderer calls them around drawing.
        Ogre::FrameEvent event;
        event.timeSinceLastEvent = seconds;
        event.timeSinceLastFrame = seconds;
        application->frameStarted(event);
        application->frameEnded(event);
    }

    void GameTest::Draw(float seconds)
    {
        Ogre::Root::getSingleton().renderOneFrame(seconds);
    }

    void GameTest::Run(float seconds, float frame)
    {
        for (float passed = 0.0f; passed + frame * 0.5f < seconds; passed += frame)
            Step(frame);
    }

    void GameTest::KeyDown(unsigned long keysym)
    {
        const std::vector<bool> before = KeysDown(*application->GetKeyboard());
        SendToWindow(*application->GetRenderWindow(), KeyPress, KeycodeOf(keysym), modifiers);
        WaitForChange(*application->GetKeyboard(), before, true);
        if (keysym == XK_Shift_L || keysym == XK_Shift_R)
            modifiers |= ShiftMask;
    }

    void GameTest::KeyUp(unsigned long keysym)
    {
        const std::vector<bool> before = KeysDown(*application->GetKeyboard());
        SendToWindow(*application->GetRenderWindow(), KeyRelease, KeycodeOf(keysym), modifiers);
        WaitForChange(*application->GetKeyboard(), before, false);
        if (keysym == XK_Shift_L || keysym == XK_Shift_R)
            modifiers &= ~static_cast<unsigned int>(ShiftMask);
    }

    void GameTest::Wheel(int notches)
    {
        // The mouse counts a wheel notch when its button comes back up.
        for (int i = 0; i < (notches < 0 ? -notches : notches); ++i)
        {
            SendToWindow(*application->GetRenderWindow(), ButtonPress, notches > 0 ? 4 : 5);
            SendToWindow(*application->GetRenderWindow(), ButtonRelease, notches > 0 ? 4 : 5);
        }
    }
}
