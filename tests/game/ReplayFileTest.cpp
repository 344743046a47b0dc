#include "game/ReplayFile.h"

#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace
{
    Replay Sample()
    {
        Replay replay;
        replay.gameVersion = "1.0.0";
        replay.seed = 0xDEADBEEF;
        replay.settings = {{"arena", "arena2.xml"}, {"lowestHighScore", "700"}};
        replay.keysHeld = {28};
        replay.focus = true;
        for (int i = 0; i < 5; ++i)
        {
            ReplayFrame frame;
            frame.seconds = 1.0f / 60.0f + float(i) * 0.001f;
            frame.focus = i != 2;  // lost for one frame
            if (i == 1)
                frame.keys = {{200, true, 0}, {57, true, 'a'}, {200, false, 0}};
            if (i == 3)
                frame.wheel = -240;
            replay.frames.push_back(frame);
        }
        GameDigest digest;
        digest.second = 1;
        digest.playerX = -0.0f;
        digest.zombieHash = 0xFFFFFFFFFFFFFFFFull;
        digest.zombieX = -1.5e300;
        replay.digests = {{3, digest}, {5, digest}};
        replay.enteredHighScores = true;
        replay.highScoreName = "Zed";
        replay.highScore = 4200;
        return replay;
    }

    std::string ReadError(const std::string& bytes)
    {
        return Test::ErrorOf([&bytes] { ReplayFile::Read(bytes, "r.replay"); });
    }
}

TEST(ReplayFileTest, ARecordingReadsBackExactlyAndQuietFramesTakeFiveBytes)
{
    const Replay written = Sample();
    const std::string bytes = ReplayFile::Write(written);
    const Replay read = ReplayFile::Read(bytes, "r.replay");
    EXPECT_EQ(read.seed, written.seed);
    EXPECT_EQ(read.Setting("lowestHighScore"), "700");
    EXPECT_EQ(read.Setting("missing"), "");
    EXPECT_EQ(read.keysHeld, written.keysHeld);
    ASSERT_EQ(read.frames.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(read.frames[i].seconds, written.frames[i].seconds);
        EXPECT_EQ(read.frames[i].focus, written.frames[i].focus) << i;
        EXPECT_EQ(read.frames[i].wheel, written.frames[i].wheel);
        ASSERT_EQ(read.frames[i].keys.size(), written.frames[i].keys.size());
    }
    EXPECT_EQ(read.frames[1].keys[1].text, std::uint32_t('a'));
    EXPECT_FALSE(read.frames[1].keys[2].down);
    ASSERT_EQ(read.digests.size(), 2u);
    EXPECT_EQ(read.digests[1].first, 5u);
    EXPECT_EQ(GameDigest::FirstDifference(read.digests[0].second, written.digests[0].second), "");
    EXPECT_EQ(read.highScoreName, "Zed");
    EXPECT_EQ(ReplayFile::Write(read), bytes);

    // A frame of nothing but its time: 4 bytes of time and 1 of flags.
    Replay more = written;
    more.frames.push_back(ReplayFrame());
    EXPECT_EQ(ReplayFile::Write(more).size(), bytes.size() + 5);

    // A digest tells the first field that differs, to the bit.
    GameDigest now = written.digests[0].second;
    now.playerX = 0.0f;
    EXPECT_EQ(GameDigest::FirstDifference(written.digests[0].second, now), "player.x is -0 in the recording and 0 in this run");
}

TEST(ReplayFileTest, DamagedOrForeignRecordingsAreRefusedSayingWhatIsWrong)
{
    const std::string bytes = ReplayFile::Write(Sample());
    const std::string prefix = "Error in ReplayFile::Read(). The replay 'r.replay' ";
    EXPECT_EQ(ReadError(""), prefix + "is not a replay: it does not start with \"GORVANE REPLAY\"");
    EXPECT_EQ(ReadError(bytes.substr(0, 20)), prefix + "is truncated: it ends inside its header");
    EXPECT_EQ(ReadError(bytes.substr(0, 40)),
              prefix + "is truncated: it has 40 of its " + std::to_string(bytes.size()) + " bytes");
    EXPECT_EQ(ReadError(bytes + "x"), prefix + "is damaged: it has 1 bytes more than its length says");
    std::string flipped = bytes;
    flipped[40] ^= 1;
    EXPECT_EQ(ReadError(flipped), prefix + "is damaged: its checksum does not match its contents");
    std::string version = bytes;
    version[14] = 7;
    EXPECT_EQ(ReadError(version), prefix + "is of format version 7; this game reads version 1");

    // Behind a length and checksum made to fit: values the game could not have written.
    const std::size_t firstFrame = bytes.find(std::string("\x05\x00\x00\x00", 4), 60) + 4;
    std::string nan = bytes;
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(&nan[firstFrame], &notANumber, 4);
    EXPECT_EQ(ReadError(ReplayFile::Seal(nan)), prefix + "is damaged: frame 0 lasts nan s (at byte " +
                                          std::to_string(firstFrame + 4) + ")");
    std::string flags = bytes;
    flags[firstFrame + 4] = char(0x80);
    EXPECT_NE(ReadError(ReplayFile::Seal(flags)).find("frame 0 has unknown flags 128"), std::string::npos);
    std::string frames = bytes;
    frames[firstFrame - 2] = 0x7F;  // 8 million frames in a file of a few hundred bytes
    EXPECT_NE(ReadError(ReplayFile::Seal(frames)).find("the number of frames 8323077 is more than the file holds"),
              std::string::npos);
    const std::string cut = ReplayFile::Seal(bytes.substr(0, bytes.size() - 20) + std::string(8, '\0'));
    EXPECT_NE(ReadError(cut).find("the number of digests 2 is more than the file holds"), std::string::npos);
}
