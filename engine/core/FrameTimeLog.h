#pragma once
#include <chrono>
#include <fstream>
#include <string>

namespace Engine
{
    /// Measures the wall time between frames and appends one CSV line per second to a file:
    /// seconds since the first frame, frames in that second, their mean and their longest
    /// frame time in milliseconds. Each line is written through at once, so a reader sees it
    /// while the program runs. The application keeps one when its settings name
    /// "Engine/FrameTimeLog".
    class FrameTimeLog
    {
    public:
        /// Replaces the file; throws the engine's error when it can't be written.
        explicit FrameTimeLog(const std::string& fileName);

        /// Called once at the start of every frame.
        void Frame();

    private:
        typedef std::chrono::steady_clock Clock;

        std::ofstream out;
        bool started;
        Clock::time_point first;
        Clock::time_point last;
        Clock::time_point windowStart;
        int frames;
        double sumMs;
        double worstMs;
    };
}
