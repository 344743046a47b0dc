#pragma once
#include <cstdint>

namespace OverlayKit
{
    // Hit-testing works on whole numbers: every window, button and text input keeps its
    // rectangle truncated toward zero, and injected mouse positions are compared against it.

    /// The value truncated toward zero; negative values and NaN give 0, values past the range
    /// give the largest unsigned int (a plain cast would be undefined there).
    unsigned int Truncate(float value);

    /// True when (px, py) lies in [left, left + width] x [top, top + height], edges included.
    /// Sums are formed in 64 bits so that rectangles near the end of the range do not wrap.
    inline bool IsInside(unsigned int px, unsigned int py, std::uint64_t left, std::uint64_t top,
                         unsigned int width, unsigned int height)
    {
        return px >= left && px <= left + width && py >= top && py <= top + height;
    }

    /// a - b, or 0 when b is larger (positions are unsigned and stop at the screen's edge).
    inline unsigned int SubtractOrZero(unsigned int a, unsigned int b)
    {
        return a > b ? a - b : 0;
    }
}
