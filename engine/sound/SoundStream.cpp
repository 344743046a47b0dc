#include "engine/sound/SoundStream.h"

namespace Engine
{
    SoundStream::SoundStream()
        : slot(-1), buffers(), chunkFrames(0)
    {
    }

    SoundStream::~SoundStream()
    {
        if (buffers[0])
            alDeleteBuffers(BufferCount, buffers);
    }

    bool SoundStream::Open(const std::string& path)
    {
        if (!file.Open(path, false))
            return false;
        alGetError();
        alGenBuffers(BufferCount, buffers);
        if (alGetError() != AL_NO_ERROR)
        {
            for (ALuint& buffer : buffers)
                buffer = 0;
            return false;
        }
        chunkFrames = static_cast<std::size_t>(static_cast<float>(file.GetRate()) * BufferSeconds) + 1;
        // Decode the first stretch now: a file that opens but cannot be decoded fails here, at
        // creation, rather than silently when it is played.
        if (!Fill(buffers[0]))
            return false;
        Rewind();
        return true;
    }

    void SoundStream::Rewind()
    {
        file.Rewind();
    }

    bool SoundStream::Fill(ALuint buffer)
    {
        pcm.clear();
        std::size_t wanted = chunkFrames;
        bool justRewound = false;
        while (wanted > 0)
        {
            const std::size_t read = file.Read(pcm, wanted);
            if (read == 0)
            {
                // The end: continue from the start in the same buffer, so the loop has no gap.
                // Nothing read straight after a rewind means the file cannot deliver any more.
                if (justRewound || !file.Rewind())
                    break;
                justRewound = true;
                continue;
            }
            justRewound = false;
            wanted -= read;
        }
        if (pcm.empty())
            return false;
        const ALenum format = file.GetChannels() == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
        alBufferData(buffer, format, pcm.data(), static_cast<ALsizei>(pcm.size() * sizeof(std::int16_t)),
                     file.GetRate());
        return true;
    }
}
