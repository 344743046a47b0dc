#pragma once
#include "ReplayFile.h"

#include <OISKeyboard.h>

#include <boost/function.hpp>

#include <bitset>
#include <memory>
#include <vector>

namespace Engine { class Application; }

/// Everything the game reads from the player, one frame at a time: the keys held, the keys
/// pressed and released (with the character typed), the mouse wheel and the window's focus, and
/// the frame's time. Live, it reads the devices; replaying, a recording. Every frame passes
/// through it before any listener runs, so a recorder sees exactly what the game read.
/// Made by the entry point once the input devices exist (gameInputInstance); it becomes the
/// keyboard's event listener and decides the application's frame times.
class GameInput : public OIS::KeyListener
{
public:
    explicit GameInput(Engine::Application& application);
    ~GameInput() override;
    GameInput(const GameInput&) = delete;
    GameInput& operator=(const GameInput&) = delete;

    /// Whether the key is down this frame.
    bool IsKeyDown(OIS::KeyCode key) const;
    /// This frame's wheel movement in the mouse's units (120 a notch; positive: forward).
    int GetWheel() const { return frame.wheel; }
    bool HasWindowFocus() const { return frame.focus; }
    /// The keys down now, in key order.
    std::vector<std::uint8_t> KeysDown() const;

    /// Gets this frame's presses and releases, before any update listener runs (the name entry).
    /// Not owned; null for none.
    void SetKeyListener(OIS::KeyListener* listener) { keyListener = listener; }
    /// Sees every frame the game is about to run, before its input takes effect.
    void SetFrameObserver(boost::function<void (const ReplayFrame&)> observer) { frameObserver = observer; }

    /// From the next frame on, frames come from `source` instead of the devices, starting with
    /// `keysHeld` down and the given focus. The source gives false when it has no more frames:
    /// that frame and the next come from the devices again.
    void PlayFrom(boost::function<bool (ReplayFrame&)> source, const std::vector<std::uint8_t>& keysHeld, bool focus);
    /// From the next frame on, the devices again, as they are now.
    void StopPlayback();

    /// The application's frame-time source: reads the frame's input and returns its time.
    float BeginFrame(float measuredSeconds);

    bool keyPressed(const OIS::KeyEvent& event) override;
    bool keyReleased(const OIS::KeyEvent& event) override;

private:
    /// This frame's input from what the devices reported since the last one.
    void FromDevices();
    /// The keys held and the focus as the devices have them now.
    void ReadDeviceState();

    Engine::Application& application;
    OIS::KeyListener* keyListener;
    boost::function<void (const ReplayFrame&)> frameObserver;
    boost::function<bool (ReplayFrame&)> frameSource;
    std::vector<ReplayKey> pendingKeys;  // reported by the keyboard since the last frame
    std::bitset<256> keysDown;
    ReplayFrame frame;
};

/// The game's input, made by the entry point (and by the game's tests) after the input devices.
extern std::unique_ptr<GameInput> gameInputInstance;

/// Whether the key is down this frame; false while there is no game input.
bool IsGameKeyDown(OIS::KeyCode key);
