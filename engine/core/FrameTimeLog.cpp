#include "engine/core/FrameTimeLog.h"
#include "engine/core/Error.h"

#include <algorithm>

namespace Engine
{
    FrameTimeLog::FrameTimeLog(const std::string& fileName)
        : started(false), frames(0), sumMs(0.0), worstMs(0.0)
    {
        out.open(fileName, std::ios::out | std::ios::trunc);
        if (!out)
            ThrowError("Engine::FrameTimeLog::FrameTimeLog", "Can't open '" + fileName + "' for writing");
        out << "seconds,frames,mean_ms,worst_ms" << std::endl;
    }

    void FrameTimeLog::Frame()
    {
        const Clock::time_point now = Clock::now();
        if (!started)
        {
            started = true;
            first = last = windowStart = now;
            return;
        }
        const double ms = std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
        ++frames;
        sumMs += ms;
        worstMs = std::max(worstMs, ms);
        if (now - windowStart < std::chrono::seconds(1))
            return;
        const double seconds = std::chrono::duration<double>(now - first).count();
        out << seconds << ',' << frames << ',' << sumMs / frames << ',' << worstMs << std::endl;
        windowStart = now;
        frames = 0;
        sumMs = 0.0;
        worstMs = 0.0;
    }
}
