#pragma once
#include <cstdint>

namespace Engine
{
    /// Called by the application every frame, highest priority first. The application never
    /// owns or deletes a listener: the owner keeps it alive until it has removed it.
    class IUpdateListener
    {
    public:
        /// Higher values run earlier (the game's main loop uses 255, its logic 128).
        virtual std::uint8_t GetPriority() = 0;
        /// Before rendering, with the seconds since the previous frame; false ends the loop.
        virtual bool FrameStarted(float seconds) = 0;
        /// After rendering; false ends the loop.
        virtual bool FrameEnded(float seconds) = 0;

    protected:
        ~IUpdateListener() = default;
    };
}
