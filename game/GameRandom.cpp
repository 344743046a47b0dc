#include "GameRandom.h"

#include <random>

namespace
{
    // SplitMix64: a 64-bit state stepped by a constant and mixed; small, fast and fully defined.
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
}

void GameRandom::Seed(std::uint32_t seed)
{
    state = seed;
}

std::uint32_t GameRandom::NewSeed()
{
    std::random_device device;
    return device();
}

std::uint32_t GameRandom::Next()
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return std::uint32_t((z ^ (z >> 31)) >> 32);
}

int GameRandom::Below(int count)
{
    if (count <= 0)
        return 0;
    // Multiply-shift: no modulo bias worth the name for the small counts the game draws.
    return int((std::uint64_t(Next()) * std::uint64_t(count)) >> 32);
}

float GameRandom::Range(float low, float high)
{
    const float unit = float(Next() >> 8) * (1.0f / 16777216.0f);  // [0, 1), 24 bits
    return low + (high - low) * unit;
}
