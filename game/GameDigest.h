#pragma once
#include <cstdint>
#include <string>

class LogicRunner;

/// What a replay checks once a second: the player, the score and kills, and every zombie. The
/// zombies are summed (count, health, position) and hashed (each one's exact position and
/// health), so a digest stays a few dozen bytes however large the crowd.
struct GameDigest
{
    std::uint32_t second = 0;  // of the recording
    float playerX = 0.0f, playerY = 0.0f, playerZ = 0.0f;
    std::int32_t playerHealth = 0;
    float score = 0.0f;
    std::int32_t kills = 0;
    std::int32_t zombies = 0;
    std::int64_t zombieHealth = 0;
    double zombieX = 0.0, zombieZ = 0.0;
    std::uint64_t zombieHash = 0;

    /// The state of the game `logic` runs, as it is now.
    static GameDigest Take(const LogicRunner& logic, std::uint32_t second);

    /// Empty when both are the same to the bit; else the first field that differs and both
    /// values ("player.x is 1.25 in the recording and 1.5 in this run").
    static std::string FirstDifference(const GameDigest& recorded, const GameDigest& now);
};
