#pragma once
#include "engine/core/IUpdateListener.h"

/// Ends the frame loop when the game window is closed (the menu's "Exit" ends it otherwise).
class WindowCloseListener : public Engine::IUpdateListener
{
public:
    std::uint8_t GetPriority() override;
    bool FrameStarted(float seconds) override;
    bool FrameEnded(float seconds) override;
};
