#pragma once
#include <cstdint>

namespace AssetGen
{
    /// Small deterministic generator (SplitMix64): the same seed gives the same assets on every
    /// machine, which the standard library's distributions do not promise.
    class Random
    {
    public:
        explicit Random(std::uint64_t seed) : state(seed) {}

        std::uint64_t Next()
        {
            std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        }
        /// Uniform in [0, 1).
        float Unit() { return static_cast<float>(Next() >> 40) / static_cast<float>(1ull << 24); }
        /// Uniform in [low, high).
        float Range(float low, float high) { return low + (high - low) * Unit(); }
        /// Uniform in [-1, 1): white noise for the synthesiser.
        float Signed() { return Unit() * 2.0f - 1.0f; }
        int Int(int count) { return static_cast<int>(Next() % static_cast<std::uint64_t>(count)); }

    private:
        std::uint64_t state;
    };
}
