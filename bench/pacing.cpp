// The arena's balance as a player meets it. The game tests' bot (tests/game/ArenaGame.h) plays
// the real game, on the real arena, through real key presses, from "Play" until it dies or 15
// minutes of game time have passed; one game per seed of the game's generator, at 60 and at 15
// frames per second, without drawing. Reported per frame rate: survival, kills and score as
// median with lowest, quartiles and highest, the games that reached the shotgun (25 kills) and
// the games lost within the 15 minutes; and when a player who stands still is first hit.
//   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" build/bin/bench_pacing
// GORVANE_PACING_SEEDS sets the number of seeds (10: seeds 1 to 10). Every game runs in a child
// process of its own: the engine makes one application per process.
#include "tests/game/ArenaGame.h"
#include "game/GameRandom.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
    constexpr float gameLimitSeconds = 900.0f;
    constexpr float standingLimitSeconds = 60.0f;

    int EnvironmentInt(const char* name, int fallback)
    {
        const char* value = std::getenv(name);
        return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
    }

    int seed = 1;              // of the next game; set before its child process starts
    float frameSeconds = 1.0f / 60.0f;

    ::Test::BotGame BotGame(::Test::ArenaGame& game)
    {
        GameRandom::Seed(static_cast<unsigned>(seed));
        return game.PlayBot(frameSeconds, gameLimitSeconds);
    }

    ::Test::BotGame StandingGame(::Test::ArenaGame& game)
    {
        GameRandom::Seed(static_cast<unsigned>(seed));
        ::Test::BotGame result;
        result.firstHitSeconds = game.StandStill(frameSeconds, standingLimitSeconds);
        return result;
    }

    /// One game per seed, each in a child process of its own, one after the other. With
    /// `standing` the player stands still and only the first blow is recorded.
    std::vector<::Test::BotGame> PlayGames(int framesPerSecond, int seeds, bool standing)
    {
        frameSeconds = 1.0f / static_cast<float>(framesPerSecond);
        std::vector<::Test::BotGame> results;
        for (seed = 1; seed <= seeds; ++seed)
        {
            results.push_back(::Test::InChildProcess(standing ? &StandingGame : &BotGame));
            std::fprintf(stderr, "  %d fps, seed %d: %.0f s, %d kills\n", framesPerSecond, seed, results.back().survivedSeconds,
                         results.back().kills);
        }
        return results;
    }

    /// Lowest, lower quartile, median, upper quartile, highest.
    std::vector<float> Spread(std::vector<float> values)
    {
        std::sort(values.begin(), values.end());
        const auto at = [&](float share) {
            const float place = share * static_cast<float>(values.size() - 1);
            const std::size_t low = static_cast<std::size_t>(place);
            const std::size_t high = std::min(low + 1, values.size() - 1);
            return values[low] + (values[high] - values[low]) * (place - static_cast<float>(low));
        };
        return {values.front(), at(0.25f), at(0.5f), at(0.75f), values.back()};
    }

    std::string Line(const char* what, const std::vector<float>& spread)
    {
        char text[160];
        std::snprintf(text, sizeof text, "  %-9s median %7.1f   lowest %7.1f  quartiles %7.1f .. %7.1f  highest %7.1f\n", what,
                      spread[2], spread[0], spread[1], spread[3], spread[4]);
        return text;
    }

    void BM_BotGames(benchmark::State& state)
    {
        const int framesPerSecond = static_cast<int>(state.range(0));
        const int seeds = EnvironmentInt("GORVANE_PACING_SEEDS", 10);
        std::vector<::Test::BotGame> games;
        for (auto _ : state)
            games = PlayGames(framesPerSecond, seeds, false);

        std::vector<float> survival, kills, score;
        int shotgun = 0, lost = 0, grenades = 0;
        for (const ::Test::BotGame& game : games)
        {
            survival.push_back(game.survivedSeconds);
            kills.push_back(static_cast<float>(game.kills));
            score.push_back(game.score);
            shotgun += game.kills >= 25 ? 1 : 0;
            lost += game.died ? 1 : 0;
            grenades += game.grenadesThrown;
        }
        const std::vector<float> survived = Spread(survival), killed = Spread(kills), scored = Spread(score);
        std::printf("\n%d frames per second, seeds 1 to %d:\n%s%s%s  shotgun reached in %d of %d games, lost within 15 minutes in %d, "
                    "%d grenades thrown\n  per seed (s/kills):",
                    framesPerSecond, seeds, Line("survival", survived).c_str(), Line("kills", killed).c_str(),
                    Line("score", scored).c_str(), shotgun, seeds, lost, grenades);
        for (const ::Test::BotGame& game : games)
            std::printf(" %.0f/%d", game.survivedSeconds, game.kills);
        std::printf("\n");
        state.counters["survival_median_s"] = survived[2];
        state.counters["survival_lowest_s"] = survived[0];
        state.counters["survival_highest_s"] = survived[4];
        state.counters["kills_median"] = killed[2];
        state.counters["score_median"] = scored[2];
        state.counters["shotgun_games"] = shotgun;
        state.counters["lost_games"] = lost;
    }

    void BM_StandingStill(benchmark::State& state)
    {
        const int framesPerSecond = static_cast<int>(state.range(0));
        const int seeds = EnvironmentInt("GORVANE_PACING_SEEDS", 10);
        std::vector<::Test::BotGame> games;
        for (auto _ : state)
            games = PlayGames(framesPerSecond, std::min(seeds, 3), true);
        std::vector<float> first;
        for (const ::Test::BotGame& game : games)
            first.push_back(game.firstHitSeconds);
        const std::vector<float> spread = Spread(first);
        std::printf("\n%d frames per second, standing still:\n%s", framesPerSecond, Line("first hit", spread).c_str());
        state.counters["first_hit_lowest_s"] = spread[0];
    }
}

BENCHMARK(BM_StandingStill)->Arg(60)->Arg(15)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_BotGames)->Arg(60)->Arg(15)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
