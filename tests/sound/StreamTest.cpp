// Music streams: decoded while they play, looping without a gap, controlled like samples.
#include "engine/sound/SoundSystem.h"
#include "tests/sound/ToneFile.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using Engine::SoundSystem;
using namespace SoundTest;

namespace
{
    class SoundStreams : public ::testing::Test
    {
    protected:
        SoundStreams() : sound(SoundSystem::Output::Loopback) {}

        std::string Music(Format format, float seconds, int channels)
        {
            Tone tone;
            tone.format = format;
            tone.seconds = seconds;
            tone.channels = channels;
            return WriteTone(dir.File(format == Format::Ogg ? "music.ogg" : "music.wav"), tone);
        }

        // The quietest of the short windows of a rendered stretch, relative to its overall
        // level: a gap of even a few milliseconds shows as a window near 0.
        static double QuietestWindow(const std::vector<float>& mix, int first)
        {
            const int frames = static_cast<int>(mix.size() / 2);
            const double overall = Level(mix, first, frames - first);
            double quietest = overall;
            for (int start = first; start + 200 <= frames; start += 200)
                quietest = std::min(quietest, Level(mix, start, 200));
            return quietest / overall;
        }

        ::Test::TempDir dir;
        SoundSystem sound;
    };
}

TEST_F(SoundStreams, LoopPastTheirEndWithoutAGap)
{
    for (Format format : {Format::Ogg, Format::Wav})
    {
        for (int channels : {1, 2})
        {
            SCOPED_TRACE(format == Format::Ogg ? "ogg" : "wav");
            SCOPED_TRACE(channels);
            const int id = sound.CreateStream(Music(format, 0.3f, channels));
            sound.PlaySound(id);
            // Three times round a 0.3 s file, rendered in one go: far faster than real time.
            const std::vector<float> mix = sound.RenderLoopback(44100);
            EXPECT_GT(Level(mix, 2048, 44100 - 2048), 0.1);
            EXPECT_GT(QuietestWindow(mix, 2048), 0.8);
            EXPECT_NEAR(Level(mix, 0, 2048, 40000), Level(mix, 1, 2048, 40000), 1e-3);  // flat
            EXPECT_EQ(1.0f, sound.GetVolume(id));
            sound.StopSound(id);
        }
    }
}

TEST_F(SoundStreams, KeepPlayingAcrossLongFrames)
{
    const int id = sound.CreateStream(Music(Format::Ogg, 0.3f, 2));
    sound.PlaySound(id);
    sound.Update();
    for (int frame = 0; frame < 3; ++frame)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        sound.Update();
        EXPECT_EQ(1.0f, sound.GetVolume(id));
    }
    const std::vector<float> mix = sound.RenderLoopback(8800);
    EXPECT_GT(QuietestWindow(mix, 0), 0.8);
}

TEST_F(SoundStreams, AreStoppedAndTurnedDownLikeSamples)
{
    const int id = sound.CreateStream(Music(Format::Ogg, 1.0f, 1));
    EXPECT_EQ(0.0f, sound.GetVolume(id));
    sound.PlaySound(id);
    const double full = Level(sound.RenderLoopback(11000), 2048, 8952);
    sound.SetVolume(id, 0.5f);
    EXPECT_NEAR(0.5, Level(sound.RenderLoopback(11000), 2048, 8952) / full, 0.02);

    // Playing again restarts the one stream rather than layering a second copy.
    sound.PlaySound(id);
    EXPECT_EQ(1.0f, sound.GetVolume(id));
    EXPECT_EQ(1, sound.GetBusyChannelCount());
    EXPECT_NEAR(1.0, Level(sound.RenderLoopback(11000), 2048, 8952) / full, 0.02);

    sound.StopSound(id);
    EXPECT_EQ(0.0f, sound.GetVolume(id));
    EXPECT_EQ(0, sound.GetBusyChannelCount());
    EXPECT_LT(Level(sound.RenderLoopback(11000), 2048, 8952), 1e-6);

    // And played with a position, a stream stays flat.
    sound.PlaySound(id, Ogre::Vector3(100, 0, 0), 1.0f);
    const std::vector<float> mix = sound.RenderLoopback(11000);
    EXPECT_NEAR(full, Level(mix, 2048, 8952), full * 0.02);
    EXPECT_NEAR(Level(mix, 0, 2048, 8952), Level(mix, 1, 2048, 8952), 1e-3);
}

TEST_F(SoundStreams, MixWithSamplesAndSurviveChannelSteals)
{
    const int music = sound.CreateStream(Music(Format::Ogg, 0.5f, 2));
    Tone tone;
    const int shot = sound.CreateSound(WriteTone(dir.File("shot.wav"), tone), true, false);
    sound.PlaySound(music);
    for (int i = 0; i < 49; ++i)
        sound.PlaySound(shot);
    sound.RenderLoopback(4410);
    sound.PlaySound(shot);  // steals the oldest flat play: the music
    EXPECT_EQ(0.0f, sound.GetVolume(music));
    sound.RenderLoopback(44100);  // the streaming side must let go of the stolen channel
    sound.PlaySound(music);
    EXPECT_EQ(1.0f, sound.GetVolume(music));
    EXPECT_EQ(50, sound.GetBusyChannelCount());
}
