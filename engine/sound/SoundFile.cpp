#include "engine/sound/SoundFile.h"

#include <algorithm>
#include <cmath>

namespace Engine
{
    namespace
    {
        std::int16_t ToPcm16(float value)
        {
            // Decoders may overshoot full scale slightly (Vorbis does); clip, don't wrap.
            const float scaled = std::round(value * 32767.0f);
            return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
        }
    }

    SoundFile::~SoundFile()
    {
        if (file)
            sf_close(file);
    }

    bool SoundFile::Open(const std::string& path, bool forceMono)
    {
        SF_INFO info = {};
        SNDFILE* opened = sf_open(path.c_str(), SFM_READ, &info);
        if (!opened)
            return false;
        if (info.channels < 1 || info.samplerate < 1 || info.frames < 1)
        {
            sf_close(opened);
            return false;
        }
        if (file)
            sf_close(file);
        file = opened;
        fileChannels = info.channels;
        outputChannels = (forceMono || fileChannels > 2) ? 1 : fileChannels;
        rate = info.samplerate;
        return true;
    }

    std::size_t SoundFile::Read(std::vector<std::int16_t>& out, std::size_t frames)
    {
        if (!file || frames == 0)
            return 0;
        scratch.resize(frames * static_cast<std::size_t>(fileChannels));
        const sf_count_t read = sf_readf_float(file, scratch.data(), static_cast<sf_count_t>(frames));
        if (read <= 0)
            return 0;
        const std::size_t count = static_cast<std::size_t>(read);
        out.reserve(out.size() + count * static_cast<std::size_t>(outputChannels));
        if (outputChannels == fileChannels)
        {
            for (std::size_t i = 0; i < count * static_cast<std::size_t>(fileChannels); ++i)
                out.push_back(ToPcm16(scratch[i]));
        }
        else
        {
            // Down-mix: the mean of the channels keeps a tone present on all of them at its level.
            for (std::size_t frame = 0; frame < count; ++frame)
            {
                float sum = 0.0f;
                for (int channel = 0; channel < fileChannels; ++channel)
                    sum += scratch[frame * static_cast<std::size_t>(fileChannels) + static_cast<std::size_t>(channel)];
                out.push_back(ToPcm16(sum / static_cast<float>(fileChannels)));
            }
        }
        return count;
    }

    bool SoundFile::Rewind()
    {
        return file && sf_seek(file, 0, SEEK_SET) == 0;
    }
}
