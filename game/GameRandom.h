#pragma once
#include <cstdint>

/// The game's one source of chance: spawn variants, the firearms' spread, pick-up places, the
/// HUD's taunts. Seeded when a game starts, so that the same seed and the same input play the
/// same game (replays rely on it). The numbers are the generator's own on every platform.
class GameRandom
{
public:
    /// Starts the sequence of a game.
    static void Seed(std::uint32_t seed);
    /// A seed for a new game, from the system's entropy.
    static std::uint32_t NewSeed();

    /// The next 32 random bits.
    static std::uint32_t Next();
    /// 0 to count - 1; 0 when count is not positive.
    static int Below(int count);
    /// Uniform in [low, high].
    static float Range(float low, float high);
};
