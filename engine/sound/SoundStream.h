#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <AL/al.h>

#include "engine/sound/SoundFile.h"

namespace Engine
{
    /// A sound file decoded while it plays, a few buffers ahead, looping seamlessly from its end
    /// back to its start. Only the channel pool touches a stream once it is opened, under its
    /// lock (the streaming thread refills the buffers). Internal to the sound layer.
    class SoundStream
    {
    public:
        /// Buffers kept queued while the stream plays, and the time each one holds.
        static constexpr int BufferCount = 4;
        static constexpr float BufferSeconds = 0.125f;

        SoundStream();
        ~SoundStream();
        SoundStream(const SoundStream&) = delete;
        SoundStream& operator=(const SoundStream&) = delete;

        /// False when the file is missing or undecodable.
        bool Open(const std::string& path);

        const ALuint* GetBuffers() const { return buffers; }
        int GetChannels() const { return file.GetChannels(); }

        /// Back to the first frame, for a new play.
        void Rewind();
        /// Decodes the next stretch into `buffer`, wrapping around at the end of the file.
        /// False when nothing could be decoded (a read error), so the buffer was not filled.
        bool Fill(ALuint buffer);

        /// Channel-pool bookkeeping: the slot playing this stream, or -1.
        int slot;

    private:
        SoundFile file;
        ALuint buffers[BufferCount];
        std::size_t chunkFrames;
        std::vector<std::int16_t> pcm;
    };
}
