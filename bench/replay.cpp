// The headless replay as a benchmark: recorded games played back by the game in-process, without
// drawing, as fast as they go, every digest compared (as the game's headless mode does). The
// long one is ten minutes of the bot's play (bench/replays/ten-minutes.replay, recorded with
// scripts/record-replays); the suite's three-minute game is beside it.
//   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" build/bin/bench_replay
//   scripts/bench-instructions replay           # instructions per recorded frame by callgrind
#include "tests/game/ArenaGame.h"

#include "game/ReplayFile.h"
#include "game/ReplayPlayer.h"
#include "game/StateHandler.h"

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <chrono>
#include <ext/stdio_filebuf.h>
#include <iostream>
#include <memory>
#include <string>

#include <unistd.h>

namespace
{
    // One game for every benchmark (the engine makes one application per process), ended
    // before the program's own end.
    std::unique_ptr<::Test::ArenaGame> game;

    ::Test::ArenaGame& Game()
    {
        if (!game)
        {
            game.reset(new ::Test::ArenaGame(true));
            game->SetUp();
        }
        return *game;
    }

    void Replayed(benchmark::State& state, const std::string& file)
    {
        ::Test::ArenaGame& game = Game();
        const Replay replay = ReplayFile::Load(file);
        double recorded = 0.0;
        for (const ReplayFrame& frame : replay.frames)
            recorded += frame.seconds;
        for (auto _ : state)
        {
            stateHandlerInstance->StartReplay(replay, file);
            CALLGRIND_START_INSTRUMENTATION;
            const auto start = std::chrono::steady_clock::now();
            while (stateHandlerInstance->IsReplaying())
                game.Step(0.0f);  // the recording gives the frame's time
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            CALLGRIND_STOP_INSTRUMENTATION;
            state.SetIterationTime(seconds);
            const ReplayPlayer& player = *stateHandlerInstance->GetReplayPlayer();
            if (!player.Matched())
                state.SkipWithError(player.GetDifference().c_str());
            state.counters["frames"] = double(replay.frames.size());
            state.counters["ms_per_frame"] = seconds * 1000.0 / double(replay.frames.size());
            state.counters["recorded_s"] = recorded;
            state.counters["wall_s"] = seconds;
            state.counters["times_real_time"] = recorded / seconds;
        }
    }

    void TenMinutes(benchmark::State& state)
    {
        Replayed(state, GORVANE_SOURCE_DIR "/bench/replays/ten-minutes.replay");
    }
    void ThreeMinutes(benchmark::State& state)
    {
        Replayed(state, GORVANE_SOURCE_DIR "/tests/replays/three-minutes-of-arms.replay");
    }
}

BENCHMARK(TenMinutes)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(ThreeMinutes)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    // The game's data paths ("../data/") are taken from the program's folder, wherever it is
    // started from.
    char program[4096];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length > 0)
    {
        const std::string folder(program, std::string::size_type(length));
        if (chdir(folder.substr(0, folder.rfind('/')).c_str()) != 0)
            return 1;
    }
    // The report keeps standard output to itself (scripts/bench-instructions reads it as JSON);
    // what the game prints there, its start-up script's greeting among it, goes to the errors.
    std::cout.flush();
    __gnu_cxx::stdio_filebuf<char> report(dup(STDOUT_FILENO), std::ios::out);
    std::streambuf* const console = std::cout.rdbuf(&report);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (game)
        game->TearDown();
    game.reset();
    benchmark::Shutdown();
    std::cout.flush();
    std::cout.rdbuf(console);
    return 0;
}
