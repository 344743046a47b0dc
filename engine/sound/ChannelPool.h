#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include <AL/al.h>
#include <OgreVector.h>

#include "engine/sound/ChannelHandle.h"

namespace Engine
{
    class AudioDevice;
    class SoundSample;
    class SoundStream;

    /// The fixed set of OpenAL sources sounds play on. A play takes a free source, or steals
    /// the oldest play among those of the lowest priority when all are busy. Owns the sources
    /// and the streaming thread that keeps playing streams fed; samples and streams are owned
    /// by the caller and must outlive the pool. Every operation may be called from the thread
    /// that owns the sound system while the streaming thread runs.
    class ChannelPool
    {
    public:
        /// Where a play sounds: flat (centred, unattenuated) or at a world position with full
        /// volume up to the minimum distance.
        struct Placement
        {
            bool positional = false;
            Ogre::Vector3 position = Ogre::Vector3::ZERO;
            float minDistance = 1.0f;
        };

        /// Priorities: a lower number is more important. Flat plays use the most important.
        static constexpr int HighestPriority = 0;
        static constexpr int DefaultPriority = 128;
        static constexpr float MaxDistance = 10000.0f;

        /// Creates `count` sources in the device's context (current on the calling thread) and
        /// starts the streaming thread. `count` is reduced if OpenAL offers fewer sources.
        ChannelPool(const AudioDevice& device, int count);
        /// Stops every play and the streaming thread, then deletes the sources.
        ~ChannelPool();
        ChannelPool(const ChannelPool&) = delete;
        ChannelPool& operator=(const ChannelPool&) = delete;

        int GetCount() const { return static_cast<int>(slots.size()); }

        ChannelHandle PlaySample(const SoundSample& sample, const Placement& placement, int priority);
        /// A stream plays on one channel at a time: a new play restarts it from its beginning.
        ChannelHandle PlayStream(SoundStream& stream, const Placement& placement, int priority);

        /// True while the handle's play is going on (not finished, stopped or stolen).
        bool IsPlaying(ChannelHandle handle);
        void Stop(ChannelHandle handle);
        /// Volume from 0 (silent) to 1 (full); ignored for an ended play.
        void SetVolume(ChannelHandle handle, float volume);
        /// 0 for an ended play.
        float GetVolume(ChannelHandle handle);
        /// Number of channels whose play is going on.
        int GetBusyCount();

        /// Tops up the buffer queues of playing streams. The streaming thread calls this every
        /// few milliseconds; a loopback mix calls it between rendered stretches as well, since
        /// it can consume audio faster than real time.
        void FeedStreams();

    private:
        struct Slot
        {
            ALuint source = 0;
            unsigned generation = 0;
            bool active = false;            // a play was started and not yet found ended
            int priority = DefaultPriority;
            std::uint64_t order = 0;        // start order of the current play
            SoundStream* stream = nullptr;  // the stream this slot plays, not owned
        };

        // Everything below runs with `lock` held.
        bool IsBusy(Slot& slot);
        Slot* Find(ChannelHandle handle);
        int Acquire();
        void Release(int index);
        ChannelHandle Start(int index, const Placement& placement, int priority, bool stereo);
        void FeedStream(Slot& slot);
        void StreamLoop();

        const AudioDevice& device;
        std::vector<Slot> slots;
        std::uint64_t playCount;
        std::mutex lock;
        std::condition_variable wake;
        bool stopping;
        std::thread streamer;
    };
}
