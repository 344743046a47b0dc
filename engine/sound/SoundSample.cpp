#include "engine/sound/SoundSample.h"
#include "engine/sound/SoundFile.h"

#include <climits>
#include <cstdint>
#include <vector>

namespace Engine
{
    SoundSample::SoundSample(bool loop, bool positional)
        : buffer(0), channels(0), loop(loop), positional(positional)
    {
    }

    SoundSample::~SoundSample()
    {
        if (buffer)
            alDeleteBuffers(1, &buffer);
    }

    bool SoundSample::Load(const std::string& path)
    {
        SoundFile file;
        if (!file.Open(path, positional))
            return false;

        // One OpenAL buffer holds at most INT_MAX bytes (about 3 hours of 16-bit stereo at
        // 44.1 kHz); anything longer belongs in a stream.
        const std::size_t maxSamples = static_cast<std::size_t>(INT_MAX) / sizeof(std::int16_t);
        const std::size_t chunkFrames = 16384;
        std::vector<std::int16_t> pcm;
        while (file.Read(pcm, chunkFrames) > 0)
            if (pcm.size() > maxSamples)
                return false;
        if (pcm.empty())
            return false;

        ALuint created = 0;
        alGetError();
        alGenBuffers(1, &created);
        if (alGetError() != AL_NO_ERROR)
            return false;
        const ALenum format = file.GetChannels() == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
        alBufferData(created, format, pcm.data(), static_cast<ALsizei>(pcm.size() * sizeof(std::int16_t)),
                     file.GetRate());
        if (alGetError() != AL_NO_ERROR)
        {
            alDeleteBuffers(1, &created);
            return false;
        }
        buffer = created;
        channels = file.GetChannels();
        return true;
    }
}
