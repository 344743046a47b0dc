// Every sound and music stream the game loads decodes, has sound in it and fits its use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include <sndfile.h>

#include "tests/data/GameData.h"

namespace
{
    struct Decoded
    {
        SF_INFO info{};
        std::vector<float> samples;
        float Seconds() const { return static_cast<float>(info.frames) / static_cast<float>(info.samplerate); }
        float Peak() const
        {
            float peak = 0;
            for (float s : samples)
                peak = std::max(peak, std::fabs(s));
            return peak;
        }
    };

    Decoded Decode(const std::string& file)
    {
        Decoded d;
        SNDFILE* f = sf_open(::Test::GameData::Path("audio/" + file).c_str(), SFM_READ, &d.info);
        if (!f)
        {
            ADD_FAILURE() << file << ": " << sf_strerror(nullptr);
            return d;
        }
        d.samples.resize(static_cast<size_t>(d.info.frames) * d.info.channels);
        const sf_count_t read = sf_readf_float(f, d.samples.data(), d.info.frames);
        sf_close(f);
        EXPECT_EQ(read, d.info.frames) << file;
        return d;
    }

    TEST(Sounds, EveryGameSoundIsAShortAudibleWav)
    {
        std::set<std::vector<float>> distinct;
        for (const std::string& file : ::Test::GameData::Sounds)
        {
            SCOPED_TRACE(file);
            const Decoded d = Decode(file);
            EXPECT_EQ(d.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
            EXPECT_EQ(d.info.channels, 1) << "positional sounds are mono";
            EXPECT_GE(d.info.samplerate, 22050);
            EXPECT_GT(d.Seconds(), 0.05f);
            EXPECT_LT(d.Seconds(), 3.0f);
            EXPECT_GT(d.Peak(), 0.3f) << "too quiet";
            EXPECT_LE(d.Peak(), 1.0f);
            // No click at either end.
            ASSERT_FALSE(d.samples.empty());
            EXPECT_LT(std::fabs(d.samples.front()), 0.02f);
            EXPECT_LT(std::fabs(d.samples.back()), 0.02f);
            distinct.insert(d.samples);
        }
        EXPECT_EQ(distinct.size(), ::Test::GameData::Sounds.size()) << "two sounds are the same";
    }

    TEST(Sounds, MusicStreamsAreMinuteLongSeamlessLoops)
    {
        for (const std::string& file : ::Test::GameData::Music)
        {
            SCOPED_TRACE(file);
            const Decoded d = Decode(file);
            EXPECT_EQ(d.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);
            EXPECT_EQ(d.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_VORBIS);
            EXPECT_EQ(d.info.channels, 2);
            EXPECT_GE(d.Seconds(), 60.0f);
            EXPECT_GT(d.Peak(), 0.3f);
            // Loud all the way through: no silent stretch of a second or more.
            const int second = d.info.samplerate * d.info.channels;
            for (size_t start = 0; start + second <= d.samples.size(); start += second)
            {
                double energy = 0;
                for (size_t i = start; i < start + second; ++i)
                    energy += d.samples[i] * d.samples[i];
                EXPECT_GT(std::sqrt(energy / second), 0.01) << "silence at " << start / second << " s";
            }
            // The end runs into the start: the last samples and the first are close.
            for (int c = 0; c < d.info.channels; ++c)
            {
                EXPECT_LT(std::fabs(d.samples[d.samples.size() - d.info.channels + c] - d.samples[c]), 0.1f);
            }
        }
    }
}
