#include "GameInput.h"

#include "engine/core/Application.h"

#include <OISMouse.h>

std::unique_ptr<GameInput> gameInputInstance;

bool IsGameKeyDown(OIS::KeyCode key)
{
    return gameInputInstance && gameInputInstance->IsKeyDown(key);
}

GameInput::GameInput(Engine::Application& application) : application(application), keyListener(nullptr)
{
    if (OIS::Keyboard* keyboard = application.GetKeyboard())
        keyboard->setEventCallback(this);
    ReadDeviceState();
    application.SetFrameTimeSource([this](float measured) { return BeginFrame(measured); });
}

GameInput::~GameInput()
{
    application.SetFrameTimeSource(boost::function<float (float)>());
    OIS::Keyboard* keyboard = application.GetKeyboard();
    if (keyboard && keyboard->getEventCallback() == this)
        keyboard->setEventCallback(nullptr);
}

bool GameInput::IsKeyDown(OIS::KeyCode key) const
{
    return unsigned(key) < keysDown.size() && keysDown[unsigned(key)];
}

std::vector<std::uint8_t> GameInput::KeysDown() const
{
    std::vector<std::uint8_t> keys;
    for (std::size_t key = 0; key < keysDown.size(); ++key)
        if (keysDown[key])
            keys.push_back(std::uint8_t(key));
    return keys;
}

void GameInput::PlayFrom(boost::function<bool (ReplayFrame&)> source, const std::vector<std::uint8_t>& keysHeld,
                         bool focus)
{
    frameSource = source;
    keysDown.reset();
    for (std::uint8_t key : keysHeld)
        keysDown[key] = true;
    frame.focus = focus;
    pendingKeys.clear();
}

void GameInput::StopPlayback()
{
    frameSource.clear();
    pendingKeys.clear();
    ReadDeviceState();
}

void GameInput::ReadDeviceState()
{
    keysDown.reset();
    if (OIS::Keyboard* keyboard = application.GetKeyboard())
        for (int key = 0; key < 256; ++key)
            keysDown[std::size_t(key)] = keyboard->isKeyDown(static_cast<OIS::KeyCode>(key));
    frame.focus = application.HasWindowFocus();
}

void GameInput::FromDevices()
{
    frame.keys.swap(pendingKeys);
    pendingKeys.clear();
    frame.wheel = 0;
    if (OIS::Mouse* mouse = application.GetMouse())
        frame.wheel = mouse->getMouseState().Z.rel;
    frame.focus = application.HasWindowFocus();
}

float GameInput::BeginFrame(float measuredSeconds)
{
    frame.keys.clear();
    frame.seconds = measuredSeconds;
    if (frameSource && !frameSource(frame))
    {
        // The recording has ended: the devices take over, as they are now.
        StopPlayback();
        frame.keys.clear();
        frame.wheel = 0;
        frame.seconds = measuredSeconds;
    }
    else if (!frameSource)
        FromDevices();
    else
        pendingKeys.clear();  // the devices are not the game's while a recording plays

    if (frameObserver)
        frameObserver(frame);
    OIS::Keyboard* keyboard = application.GetKeyboard();
    for (const ReplayKey& key : frame.keys)
    {
        keysDown[key.key] = key.down;
        if (!keyListener)
            continue;
        const OIS::KeyEvent event(keyboard, static_cast<OIS::KeyCode>(key.key), key.text);
        if (key.down)
            keyListener->keyPressed(event);
        else
            keyListener->keyReleased(event);
    }
    return frame.seconds;
}

bool GameInput::keyPressed(const OIS::KeyEvent& event)
{
    if (unsigned(event.key) < keysDown.size())
        pendingKeys.push_back({std::uint8_t(event.key), true, event.text});
    return true;
}

bool GameInput::keyReleased(const OIS::KeyEvent& event)
{
    if (unsigned(event.key) < keysDown.size())
        pendingKeys.push_back({std::uint8_t(event.key), false, 0});
    return true;
}
