#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <sndfile.h>

namespace Engine
{
    /// A WAV or Ogg Vorbis file opened for decoding (libsndfile), delivered as 16-bit PCM with
    /// one or two channels: mono when asked to, or when the file has more channels than OpenAL
    /// mixes as a plain buffer. Internal to the sound layer; owns the open file.
    class SoundFile
    {
    public:
        SoundFile() = default;
        ~SoundFile();
        SoundFile(const SoundFile&) = delete;
        SoundFile& operator=(const SoundFile&) = delete;

        /// False when the file is missing, undecodable or holds no audio.
        bool Open(const std::string& path, bool forceMono);

        /// Channels delivered (1 or 2), not necessarily those of the file.
        int GetChannels() const { return outputChannels; }
        int GetRate() const { return rate; }

        /// Appends up to `frames` decoded frames to `out`; returns how many were read (0 at the
        /// end of the file or on a read error).
        std::size_t Read(std::vector<std::int16_t>& out, std::size_t frames);
        /// Back to the first frame; false when the file cannot seek.
        bool Rewind();

    private:
        SNDFILE* file = nullptr;
        int fileChannels = 0;
        int outputChannels = 0;
        int rate = 0;
        std::vector<float> scratch;
    };
}
