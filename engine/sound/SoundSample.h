#pragma once
#include <string>

#include <AL/al.h>

namespace Engine
{
    /// A sound file decoded whole into one OpenAL buffer. Positional samples are down-mixed to
    /// mono on load, because OpenAL only places mono buffers in space. Internal to the sound
    /// layer; owns the buffer, which must outlive every source playing it.
    class SoundSample
    {
    public:
        SoundSample(bool loop, bool positional);
        ~SoundSample();
        SoundSample(const SoundSample&) = delete;
        SoundSample& operator=(const SoundSample&) = delete;

        /// False when the file cannot be decoded or is too large for one buffer.
        bool Load(const std::string& path);

        ALuint GetBuffer() const { return buffer; }
        int GetChannels() const { return channels; }
        bool IsLooping() const { return loop; }
        bool IsPositional() const { return positional; }

    private:
        ALuint buffer;
        int channels;
        bool loop;
        bool positional;
    };
}
