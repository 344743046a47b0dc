#include "ArenaGame.h"
#include "game/GameRandom.h"

#include <cstdio>

// Short cases of the arena's balance, each game in a process of its own; bench/pacing.cpp
// measures it in full over many seeds. Games are not repeatable to the frame (the physics and
// the crowd amplify the smallest difference), so the bounds leave room: they catch an opening
// that kills, not a few seconds more or less.

namespace
{
    float frameSeconds = 1.0f / 60.0f;   // of the next game; set before its child process starts
    unsigned seed = 1;

    float FirstBlowOnAStandingPlayer(::Test::ArenaGame& game)
    {
        GameRandom::Seed(seed);
        return game.StandStill(frameSeconds, 40.0f);
    }

    ::Test::BotGame ShortBotGame(::Test::ArenaGame& game)
    {
        GameRandom::Seed(seed);
        return game.PlayBot(frameSeconds, 60.0f);
    }
}

TEST(Pacing, APlayerWhoStandsStillIsFirstTouchedNoSoonerThanTwentySecondsAfterPlay)
{
    for (const float frame : {1.0f / 60.0f, 1.0f / 15.0f})
    {
        frameSeconds = frame;
        const float first = ::Test::InChildProcess(&FirstBlowOnAStandingPlayer);
        std::printf("standing still at %.0f fps: first blow at %.2f s\n", 1.0f / frame, first);
        EXPECT_GE(first, 20.0f) << "at " << 1.0f / frame << " frames per second";
        // Nor are the grates so far off that nothing happens.
        EXPECT_GT(first, 0.0f) << "at " << 1.0f / frame << " frames per second";
        EXPECT_LT(first, 30.0f) << "at " << 1.0f / frame << " frames per second";
    }
}

TEST(Pacing, TheBotLivesThroughTheFirstMinuteAndKillsTheZombiesThatCome)
{
    // Two seeds at 30 frames per second: the slowest the game runs under software rendering.
    frameSeconds = 1.0f / 30.0f;
    for (seed = 1; seed <= 2; ++seed)
    {
        const ::Test::BotGame game = ::Test::InChildProcess(&ShortBotGame);
        std::printf("bot, seed %u: %.1f s, %d kills, score %.0f\n", seed, game.survivedSeconds, game.kills, game.score);
        EXPECT_FALSE(game.died) << "seed " << seed << ": dead after " << game.survivedSeconds << " s";
        // Zombies reach the player from 22 s on, a few at a time; nearly all of them fall.
        EXPECT_GE(game.kills, 8) << "seed " << seed;
        EXPECT_GE(game.score, 800.0f) << "seed " << seed;
    }
}
