#pragma once
#include <algorithm>
#include <cmath>

/// Helpers for the game's timers and followers, which advance by the frame's elapsed seconds
/// and must come out the same at any frame rate.
namespace FrameTime
{
    /// What a periodic timer keeps once its period has run out: the time past the period, so
    /// that the beat does not depend on how the frames cut the time; at most one period, so that
    /// one long frame brings no more than one extra beat.
    inline float CarryOver(float timer, float period)
    {
        return std::min(timer - period, period);
    }

    /// The share of the remaining distance that a follower closing `ratePerSecond` of it each
    /// second covers in `seconds`. Stepping by rate x seconds instead would depend on the frame
    /// rate, and overshoot once a frame is longer than 1 / rate.
    inline float FollowShare(float ratePerSecond, float seconds)
    {
        return 1.0f - std::exp(-ratePerSecond * seconds);
    }
}
