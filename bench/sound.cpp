// Sound system costs: mixing a full channel pool, playing when every channel is busy, and the
// memory a long music stream takes while it plays. All through the loopback device, so the
// figures do not depend on a sound card.
#include "engine/sound/SoundSystem.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <stdlib.h>
#include <unistd.h>

using Engine::SoundSystem;

namespace
{
    // Test tones written once per run into a temporary directory, removed at exit.
    class Tones
    {
    public:
        static Tones& Get()
        {
            static Tones tones;
            return tones;
        }

        const std::string& Effect() const { return effect; }
        const std::string& Music() const { return music; }
        const std::string& LongMusic()
        {
            if (longMusic.empty())
                longMusic = Write("long.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 180.0, 2, 220.0);
            return longMusic;
        }

    private:
        Tones()
        {
            char pattern[] = "/tmp/gorvane-bench-XXXXXX";
            if (!mkdtemp(pattern))
                throw std::runtime_error("mkdtemp failed");
            dir = pattern;
            effect = Write("effect.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2.0, 1, 441.0);
            music = Write("music.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 10.0, 2, 330.0);
        }

        ~Tones()
        {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }

        std::string Write(const std::string& name, int format, double seconds, int channels, double frequency)
        {
            const std::string path = dir + "/" + name;
            SF_INFO info = {};
            info.samplerate = 44100;
            info.channels = channels;
            info.format = format;
            SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
            if (!file)
                throw std::runtime_error("cannot write " + path);
            const int block = 44100;
            std::vector<float> samples(static_cast<std::size_t>(block * channels));
            const long total = std::lround(seconds * 44100.0);
            for (long done = 0; done < total; done += block)
            {
                const int frames = static_cast<int>(std::min<long>(block, total - done));
                for (int i = 0; i < frames; ++i)
                    for (int c = 0; c < channels; ++c)
                        samples[static_cast<std::size_t>(i * channels + c)] =
                            static_cast<float>(0.3 * std::sin(2.0 * M_PI * frequency * static_cast<double>(done + i) / 44100.0));
                sf_writef_float(file, samples.data(), frames);
            }
            sf_close(file);
            return path;
        }

        std::string dir, effect, music, longMusic;
    };

    double ResidentMegabytes()
    {
        long pages = 0, resident = 0;
        std::ifstream("/proc/self/statm") >> pages >> resident;
        return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
    }

    // 49 positional effects around the listener and one music stream: every channel busy.
    void MixFiftyVoices(benchmark::State& state)
    {
        SoundSystem sound(SoundSystem::Output::Loopback);
        sound.SetListener(Ogre::Vector3::ZERO, Ogre::Vector3::NEGATIVE_UNIT_Z, Ogre::Vector3::UNIT_Y);
        const int music = sound.CreateStream(Tones::Get().Music());
        sound.PlaySound(music);
        for (int i = 0; i < 49; ++i)
        {
            const int id = sound.CreateSound(Tones::Get().Effect(), true, true);
            const float angle = static_cast<float>(i) * 0.37f;
            sound.PlaySound(id, Ogre::Vector3(std::cos(angle) * (2.0f + static_cast<float>(i)), 0.0f,
                                              std::sin(angle) * (2.0f + static_cast<float>(i))), 3.0f);
        }
        if (sound.GetBusyChannelCount() != SoundSystem::ChannelCount)
            state.SkipWithError("not every channel is playing");

        const int frames = sound.GetOutputRate() / 10;  // 100 ms of sound per iteration
        for (auto _ : state)
            benchmark::DoNotOptimize(sound.RenderLoopback(frames));
        // Seconds of sound mixed per second of time: how many times faster than real time.
        state.counters["x_realtime"] = benchmark::Counter(
            0.1 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    }
    BENCHMARK(MixFiftyVoices)->Unit(benchmark::kMillisecond)->UseRealTime();

    // Every channel busy with positional loops: each play steals one.
    void PlaySoundStealing(benchmark::State& state)
    {
        SoundSystem sound(SoundSystem::Output::Loopback);
        std::vector<int> ids;
        for (int i = 0; i < 8; ++i)
            ids.push_back(sound.CreateSound(Tones::Get().Effect(), true, true));
        for (int i = 0; i < SoundSystem::ChannelCount; ++i)
            sound.PlaySound(ids[static_cast<std::size_t>(i) % ids.size()], Ogre::Vector3(1, 0, 0), 1.0f);
        std::size_t next = 0;
        for (auto _ : state)
        {
            sound.PlaySound(ids[next], Ogre::Vector3(1, 0, 0), 1.0f);
            next = (next + 1) % ids.size();
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    }
    BENCHMARK(PlaySoundStealing)->UseRealTime();

    // A three-minute stereo Ogg stream plays for 30 s: resident memory grows by the decode
    // buffers, not by the 30 MB the whole file takes decoded (as it does when loaded as a sample).
    void LongStreamMemory(benchmark::State& state)
    {
        const std::string file = Tones::Get().LongMusic();
        SoundSystem sound(SoundSystem::Output::Loopback);
        double before = 0.0, after = 0.0;
        for (auto _ : state)
        {
            before = ResidentMegabytes();
            const int id = sound.CreateStream(file);
            sound.PlaySound(id);
            for (int second = 0; second < 30; ++second)
                benchmark::DoNotOptimize(sound.RenderLoopback(sound.GetOutputRate()));
            after = ResidentMegabytes();
            sound.StopSound(id);
        }
        state.counters["rss_before_MB"] = before;
        state.counters["rss_after_MB"] = after;
        // For comparison, the same file loaded whole as a sample.
        sound.CreateSound(file, false, false);
        state.counters["rss_with_sample_MB"] = ResidentMegabytes();
        state.counters["decoded_whole_MB"] = 180.0 * 44100.0 * 2.0 * 2.0 / (1024.0 * 1024.0);
    }
    BENCHMARK(LongStreamMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
}

BENCHMARK_MAIN();
