#include "Synth.h"

#include <algorithm>

namespace AssetGen::Synth
{
    void Biquad::Set(int kind, float frequency, float q)
    {
        frequency = std::clamp(frequency, 10.0f, Rate * 0.45f);
        const float w = 2.0f * Pi * frequency / Rate;
        const float cw = std::cos(w), alpha = std::sin(w) / (2.0f * q);
        const float a0 = 1.0f + alpha;
        switch (kind)
        {
        case 0:
            b0 = (1 - cw) * 0.5f / a0;
            b1 = (1 - cw) / a0;
            b2 = b0;
            break;
        case 1:
            b0 = (1 + cw) * 0.5f / a0;
            b1 = -(1 + cw) / a0;
            b2 = b0;
            break;
        default:
            b0 = alpha / a0;
            b1 = 0;
            b2 = -alpha / a0;
            break;
        }
        a1 = -2.0f * cw / a0;
        a2 = (1 - alpha) / a0;
    }

    void Normalise(std::vector<float>& samples, float peak)
    {
        float largest = 0;
        for (float s : samples)
            largest = std::max(largest, std::fabs(s));
        if (largest <= 0)
            return;
        const float gain = peak / largest;
        for (float& s : samples)
            s *= gain;
    }

    void FadeEdges(std::vector<float>& samples, int channels, float seconds)
    {
        const size_t frames = samples.size() / channels;
        const size_t fade = std::min(frames / 2, static_cast<size_t>(seconds * Rate));
        for (size_t i = 0; i < fade; ++i)
        {
            const float g = static_cast<float>(i) / static_cast<float>(fade);
            for (int c = 0; c < channels; ++c)
            {
                samples[i * channels + c] *= g;
                samples[(frames - 1 - i) * channels + c] *= g;
            }
        }
    }
}
