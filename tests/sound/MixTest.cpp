// What the listener would hear: the loopback mix rendered and measured.
#include "engine/sound/SoundSystem.h"
#include "tests/sound/ToneFile.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

using Engine::SoundSystem;
using namespace SoundTest;

namespace
{
    // Renders a quarter of a second (nearly) and measures the last three quarters of it, after OpenAL's
    // short fade-in of new plays and volume changes.
    const int Frames = 11000;  // whole periods of the 441 Hz test tone
    const int Skip = 2048;

    class SoundMix : public ::testing::Test
    {
    protected:
        SoundMix() : sound(SoundSystem::Output::Loopback)
        {
            sound.SetListener(Ogre::Vector3::ZERO, Ogre::Vector3::NEGATIVE_UNIT_Z, Ogre::Vector3::UNIT_Y);
        }

        std::string ToneFile(const std::string& name, float seconds = 1.0f, int channels = 1)
        {
            Tone tone;
            tone.seconds = seconds;
            tone.channels = channels;
            return WriteTone(dir.File(name), tone);
        }

        std::vector<float> Render() { return sound.RenderLoopback(Frames); }
        double LevelOf(const std::vector<float>& mix) { return Level(mix, Skip, Frames - Skip); }
        double LeftOf(const std::vector<float>& mix) { return Level(mix, 0, Skip, Frames - Skip); }
        double RightOf(const std::vector<float>& mix) { return Level(mix, 1, Skip, Frames - Skip); }

        ::Test::TempDir dir;
        SoundSystem sound;
    };
}

TEST_F(SoundMix, NothingPlayedIsSilenceAndNeverPlayedSoundsHaveNoVolume)
{
    const int id = sound.CreateSound(ToneFile("tone.wav"), true, false);
    EXPECT_EQ(0.0f, sound.GetVolume(id));
    sound.SetVolume(id, 0.25f);  // nothing to set: not stored for later plays
    sound.StopSound(id);         // nothing to stop
    sound.StopSound(id);
    EXPECT_EQ(0.0, LevelOf(Render()));
    EXPECT_EQ(0, sound.GetBusyChannelCount());

    sound.PlaySound(id);
    EXPECT_EQ(1.0f, sound.GetVolume(id));
    const std::vector<float> mix = Render();
    EXPECT_GT(LevelOf(mix), 0.1);
    // Flat: centred.
    EXPECT_NEAR(LeftOf(mix), RightOf(mix), 1e-3);
}

TEST_F(SoundMix, SetVolumeScalesTheRenderedLevelOfTheLatestPlay)
{
    const int id = sound.CreateSound(ToneFile("tone.wav"), true, false);
    sound.PlaySound(id);
    const double full = LevelOf(Render());
    sound.SetVolume(id, 0.5f);
    EXPECT_FLOAT_EQ(0.5f, sound.GetVolume(id));
    const double half = LevelOf(Render());
    EXPECT_NEAR(0.5, half / full, 0.01);

    sound.SetVolume(id, 7.0f);  // held to full volume
    EXPECT_FLOAT_EQ(1.0f, sound.GetVolume(id));
    sound.SetVolume(id, -1.0f);
    EXPECT_FLOAT_EQ(0.0f, sound.GetVolume(id));
    sound.SetVolume(id, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(0.0f, sound.GetVolume(id));
    EXPECT_LT(LevelOf(Render()), 1e-6);

    // A new play starts at full volume again.
    sound.PlaySound(id);
    EXPECT_FLOAT_EQ(1.0f, sound.GetVolume(id));
}

TEST_F(SoundMix, PositionalSoundsFadeWithDistanceFromTheMinimumDistanceOn)
{
    const int id = sound.CreateSound(ToneFile("tone.wav"), true, true);
    auto levelAt = [&](float distance, float minDistance) {
        sound.StopSound(id);
        sound.PlaySound(id, Ogre::Vector3(0, 0, -distance), minDistance);
        return LevelOf(Render());
    };
    const double atMin = levelAt(2.0f, 2.0f);
    EXPECT_NEAR(atMin, levelAt(1.0f, 2.0f), atMin * 0.01);  // full volume inside the minimum distance
    const double atTenTimes = levelAt(20.0f, 2.0f);
    EXPECT_GT(atMin, atTenTimes);
    EXPECT_NEAR(0.1, atTenTimes / atMin, 0.01);  // inverse distance
    EXPECT_LT(levelAt(20000.0f, 2.0f), atTenTimes);

    // The listener, not the world origin, is the reference point.
    sound.SetListener(Ogre::Vector3(0, 0, -18), Ogre::Vector3::NEGATIVE_UNIT_Z, Ogre::Vector3::UNIT_Y);
    EXPECT_NEAR(atMin, levelAt(20.0f, 2.0f), atMin * 0.01);
}

TEST_F(SoundMix, PositionsFollowTheRightHandedListenerFrame)
{
    const int id = sound.CreateSound(ToneFile("tone.wav"), true, true);
    sound.PlaySound(id, Ogre::Vector3(5, 0, 0), 5.0f);  // facing -z, +x is on the right
    std::vector<float> mix = Render();
    EXPECT_GT(RightOf(mix), 2.0 * LeftOf(mix));

    // Turned around (facing +z), the same place is on the left.
    sound.SetListener(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z, Ogre::Vector3::UNIT_Y);
    mix = Render();
    EXPECT_GT(LeftOf(mix), 2.0 * RightOf(mix));

    // A broken orientation is refused with a warning instead of corrupting the mix.
    ::Test::LogCapture log;
    sound.SetListener(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Y);
    sound.SetListener(Ogre::Vector3(std::numeric_limits<float>::quiet_NaN(), 0, 0), Ogre::Vector3::UNIT_Y,
                      Ogre::Vector3::UNIT_Y);
    EXPECT_EQ(3, log.Count("Warning in Engine::SoundSystem::SetListener(): "));
    mix = Render();
    EXPECT_GT(LeftOf(mix), 2.0 * RightOf(mix));
}

TEST_F(SoundMix, StereoFilesAreDownMixedToPlayInSpace)
{
    const int id = sound.CreateSound(ToneFile("stereo.wav", 1.0f, 2), true, true);
    sound.PlaySound(id, Ogre::Vector3(5, 0, 0), 5.0f);
    const std::vector<float> mix = Render();
    EXPECT_GT(RightOf(mix), 2.0 * LeftOf(mix));

    // Flat, a stereo file keeps both of its channels.
    const int flat = sound.CreateSound(ToneFile("stereo-flat.wav", 1.0f, 2), true, false);
    sound.StopSound(id);
    sound.PlaySound(flat, Ogre::Vector3(5, 0, 0), 5.0f);  // a flat sound ignores the position
    const std::vector<float> flatMix = Render();
    EXPECT_GT(LevelOf(flatMix), 0.1);
    EXPECT_NEAR(LeftOf(flatMix), RightOf(flatMix), 1e-3);
}

TEST_F(SoundMix, StopSoundSilencesOnlyTheLatestPlay)
{
    const int id = sound.CreateSound(ToneFile("tone.wav"), true, false);
    sound.PlaySound(id);
    const double one = LevelOf(Render());
    sound.PlaySound(id);  // a second play, starting in phase with the first
    // Rendering whole periods of the tone keeps the two in phase.
    const double two = LevelOf(Render());
    EXPECT_NEAR(2.0, two / one, 0.05);

    sound.StopSound(id);
    EXPECT_EQ(0.0f, sound.GetVolume(id));
    EXPECT_NEAR(1.0, LevelOf(Render()) / one, 0.05);
    sound.StopSound(id);  // the first play cannot be reached any more
    sound.SetVolume(id, 0.0f);
    EXPECT_NEAR(1.0, LevelOf(Render()) / one, 0.05);
    EXPECT_EQ(1, sound.GetBusyChannelCount());
}

TEST_F(SoundMix, AFinishedPlayFreesItsChannelAndIgnoresCalls)
{
    const int shot = sound.CreateSound(ToneFile("shot.wav", 0.1f), false, false);
    sound.PlaySound(shot);
    EXPECT_EQ(1, sound.GetBusyChannelCount());
    sound.RenderLoopback(8820);  // 0.2 s
    EXPECT_EQ(0, sound.GetBusyChannelCount());
    EXPECT_EQ(0.0f, sound.GetVolume(shot));

    // Its old channel now plays another sound, which the finished handle must not touch.
    const int other = sound.CreateSound(ToneFile("loop.wav"), true, false);
    sound.PlaySound(other);
    sound.SetVolume(shot, 0.0f);
    sound.StopSound(shot);
    EXPECT_EQ(1.0f, sound.GetVolume(other));
    EXPECT_GT(LevelOf(Render()), 0.1);
}

TEST_F(SoundMix, UpdateMixesTheTimePassedOnTheLoopbackDevice)
{
    const int shot = sound.CreateSound(ToneFile("shot.wav", 0.5f), false, false);
    sound.Update();
    sound.PlaySound(shot);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sound.Update();
    EXPECT_EQ(1.0f, sound.GetVolume(shot));  // a little of a half-second sound mixed
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    sound.Update();
    EXPECT_EQ(0.0f, sound.GetVolume(shot));  // played out
}

TEST_F(SoundMix, A51stPlayStealsTheOldestOfTheLeastImportantPlays)
{
    const std::string file = ToneFile("tone.wav");
    std::vector<int> ids;
    for (int i = 0; i < 53; ++i)
        ids.push_back(sound.CreateSound(file, true, true));

    sound.PlaySound(ids[0]);  // flat: the most important
    for (int i = 1; i < 50; ++i)
        sound.PlaySound(ids[static_cast<std::size_t>(i)], Ogre::Vector3(0, 0, -1), 1.0f);
    EXPECT_EQ(50, sound.GetBusyChannelCount());
    for (int id : ids)
        sound.SetVolume(id, 0.5f);

    sound.PlaySound(ids[50], Ogre::Vector3(0, 0, -1), 1.0f);
    EXPECT_EQ(50, sound.GetBusyChannelCount());
    EXPECT_EQ(0.0f, sound.GetVolume(ids[1]));     // the oldest positional play lost its channel
    EXPECT_EQ(0.5f, sound.GetVolume(ids[0]));     // the flat play kept it though older
    EXPECT_EQ(0.5f, sound.GetVolume(ids[2]));
    EXPECT_EQ(1.0f, sound.GetVolume(ids[50]));

    // The stolen sound's stale handle does not reach the play that took its channel.
    sound.SetVolume(ids[1], 0.0f);
    sound.StopSound(ids[1]);
    EXPECT_EQ(1.0f, sound.GetVolume(ids[50]));

    sound.PlaySound(ids[51]);  // flat plays steal too
    EXPECT_EQ(0.0f, sound.GetVolume(ids[2]));
    EXPECT_EQ(1.0f, sound.GetVolume(ids[51]));
    EXPECT_EQ(0.5f, sound.GetVolume(ids[0]));
    EXPECT_EQ(50, sound.GetBusyChannelCount());
    EXPECT_GT(LevelOf(Render()), 0.1);
}

TEST_F(SoundMix, AmongFlatPlaysTheOldestIsStolen)
{
    const std::string file = ToneFile("tone.wav");
    std::vector<int> ids;
    for (int i = 0; i < 51; ++i)
        ids.push_back(sound.CreateSound(file, true, false));
    for (int id : ids)
        sound.PlaySound(id);
    EXPECT_EQ(0.0f, sound.GetVolume(ids[0]));
    for (int i = 1; i < 51; ++i)
        EXPECT_EQ(1.0f, sound.GetVolume(ids[static_cast<std::size_t>(i)])) << i;
}

TEST_F(SoundMix, CaptureKeepsEveryMixedFrameAsAWavFileAndRefusesAPathItCannotWrite)
{
    const std::string bad = dir.File("no-such-folder/mix.wav");
    EXPECT_EQ("Error in Engine::SoundSystem::CaptureTo(). Can't open '" + bad + "' for writing",
              ::Test::ErrorOf([&] { sound.CaptureTo(bad); }));

    const std::string file = dir.File("mix.wav");
    const int id = sound.CreateSound(ToneFile("tone.wav"), true, false);
    sound.CaptureTo(file);
    Render();  // silence: nothing plays yet
    sound.PlaySound(id);
    const std::vector<float> played = Render();
    {
        // Written through: the frames are in the file while the capture goes on.
        std::ifstream partial(file, std::ios::binary | std::ios::ate);
        EXPECT_EQ(44 + 2 * Frames * 4, static_cast<long>(partial.tellg()));
    }
    sound.CaptureTo(dir.File("next.wav"));  // completes the first file's header

    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(44u + 2u * Frames * 4u, bytes.size());
    auto u32 = [&](std::size_t at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24; };
    EXPECT_EQ("RIFFWAVEfmt data", std::string(bytes.begin(), bytes.begin() + 4) + std::string(bytes.begin() + 8, bytes.begin() + 16) +
                                     std::string(bytes.begin() + 36, bytes.begin() + 40));
    EXPECT_EQ(static_cast<std::uint32_t>(sound.GetOutputRate()), u32(24));
    EXPECT_EQ(2u * Frames * 4u, u32(40));
    // The second half is the tone as rendered, in 16 bits; the first half silence.
    for (int frame = 0; frame < 2 * Frames; frame += 997)
    {
        const std::size_t at = 44 + 4 * static_cast<std::size_t>(frame);
        const double left = static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8) / 32767.0;
        const double expected = frame < Frames ? 0.0 : played[2 * static_cast<std::size_t>(frame - Frames)];
        EXPECT_NEAR(expected, left, 1.0 / 16000) << "frame " << frame;
    }
}
