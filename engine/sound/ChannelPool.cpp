#include "engine/sound/ChannelPool.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/SoundSample.h"
#include "engine/sound/SoundStream.h"

#include <chrono>
#include <cmath>

namespace Engine
{
    namespace
    {
        // How often the streaming thread looks at the queues: far shorter than the queued time
        // (SoundStream::BufferCount * BufferSeconds), so a busy machine still keeps up.
        const std::chrono::milliseconds StreamPeriod(20);

        bool IsFinite(const Ogre::Vector3& v)
        {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        }
    }

    ChannelPool::ChannelPool(const AudioDevice& device, int count)
        : device(device), playCount(0), stopping(false)
    {
        slots.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
        {
            Slot slot;
            alGetError();
            alGenSources(1, &slot.source);
            if (alGetError() != AL_NO_ERROR)
                break;
            slots.push_back(slot);
        }
        streamer = std::thread(&ChannelPool::StreamLoop, this);
    }

    ChannelPool::~ChannelPool()
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            stopping = true;
        }
        wake.notify_all();
        streamer.join();
        for (std::size_t i = 0; i < slots.size(); ++i)
            Release(static_cast<int>(i));
        for (Slot& slot : slots)
            alDeleteSources(1, &slot.source);
    }

    ChannelHandle ChannelPool::PlaySample(const SoundSample& sample, const Placement& placement, int priority)
    {
        std::lock_guard<std::mutex> guard(lock);
        const int index = Acquire();
        if (index < 0)
            return ChannelHandle();
        const ALuint source = slots[static_cast<std::size_t>(index)].source;
        alSourcei(source, AL_BUFFER, static_cast<ALint>(sample.GetBuffer()));
        alSourcei(source, AL_LOOPING, sample.IsLooping() ? AL_TRUE : AL_FALSE);
        return Start(index, placement, priority, sample.GetChannels() == 2);
    }

    ChannelHandle ChannelPool::PlayStream(SoundStream& stream, const Placement& placement, int priority)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (stream.slot >= 0)
            Release(stream.slot);
        const int index = Acquire();
        if (index < 0)
            return ChannelHandle();
        Slot& slot = slots[static_cast<std::size_t>(index)];
        stream.Rewind();
        int queued = 0;
        for (int i = 0; i < SoundStream::BufferCount; ++i)
        {
            const ALuint buffer = stream.GetBuffers()[i];
            if (!stream.Fill(buffer))
                break;
            alSourceQueueBuffers(slot.source, 1, &buffer);
            ++queued;
        }
        if (queued == 0)
            return ChannelHandle();
        // The stream loops itself by wrapping its decoding; the source must not repeat its queue.
        alSourcei(slot.source, AL_LOOPING, AL_FALSE);
        slot.stream = &stream;
        stream.slot = index;
        return Start(index, placement, priority, stream.GetChannels() == 2);
    }

    bool ChannelPool::IsPlaying(ChannelHandle handle)
    {
        std::lock_guard<std::mutex> guard(lock);
        return Find(handle) != nullptr;
    }

    void ChannelPool::Stop(ChannelHandle handle)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (Find(handle))
            Release(handle.slot);
    }

    void ChannelPool::SetVolume(ChannelHandle handle, float volume)
    {
        std::lock_guard<std::mutex> guard(lock);
        // NaN would poison the mix; out-of-range volumes are held to the 0..1 scale.
        if (std::isnan(volume))
            return;
        if (Slot* slot = Find(handle))
            alSourcef(slot->source, AL_GAIN, std::fmin(std::fmax(volume, 0.0f), 1.0f));
    }

    float ChannelPool::GetVolume(ChannelHandle handle)
    {
        std::lock_guard<std::mutex> guard(lock);
        float volume = 0.0f;
        if (Slot* slot = Find(handle))
            alGetSourcef(slot->source, AL_GAIN, &volume);
        return volume;
    }

    int ChannelPool::GetBusyCount()
    {
        std::lock_guard<std::mutex> guard(lock);
        int busy = 0;
        for (Slot& slot : slots)
            if (IsBusy(slot))
                ++busy;
        return busy;
    }

    void ChannelPool::FeedStreams()
    {
        std::lock_guard<std::mutex> guard(lock);
        for (Slot& slot : slots)
            if (slot.active && slot.stream)
                FeedStream(slot);
    }

    bool ChannelPool::IsBusy(Slot& slot)
    {
        if (!slot.active)
            return false;
        // A stream's source may stop for a moment when its queue ran dry; it stays busy until
        // it is stopped or stolen.
        if (slot.stream)
            return true;
        ALint state = AL_STOPPED;
        alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING || state == AL_PAUSED)
            return true;
        slot.active = false;
        return false;
    }

    ChannelPool::Slot* ChannelPool::Find(ChannelHandle handle)
    {
        if (handle.slot < 0 || handle.slot >= static_cast<int>(slots.size()))
            return nullptr;
        Slot& slot = slots[static_cast<std::size_t>(handle.slot)];
        if (slot.generation != handle.generation || !IsBusy(slot))
            return nullptr;
        return &slot;
    }

    int ChannelPool::Acquire()
    {
        int victim = -1;
        for (std::size_t i = 0; i < slots.size(); ++i)
        {
            Slot& slot = slots[i];
            if (!IsBusy(slot))
            {
                victim = static_cast<int>(i);
                break;
            }
            // All busy so far: remember the least important, and among equals the oldest.
            if (victim < 0)
            {
                victim = static_cast<int>(i);
                continue;
            }
            const Slot& best = slots[static_cast<std::size_t>(victim)];
            if (slot.priority > best.priority || (slot.priority == best.priority && slot.order < best.order))
                victim = static_cast<int>(i);
        }
        if (victim >= 0)
            Release(victim);
        return victim;
    }

    void ChannelPool::Release(int index)
    {
        Slot& slot = slots[static_cast<std::size_t>(index)];
        alSourceStop(slot.source);
        // Detaching the buffer of a stopped source also empties a stream's queue.
        alSourcei(slot.source, AL_BUFFER, 0);
        if (slot.stream)
        {
            slot.stream->slot = -1;
            slot.stream = nullptr;
        }
        if (slot.active)
        {
            slot.active = false;
            ++slot.generation;
        }
    }

    ChannelHandle ChannelPool::Start(int index, const Placement& placement, int priority, bool stereo)
    {
        Slot& slot = slots[static_cast<std::size_t>(index)];
        const ALuint source = slot.source;
        const ALfloat zero[3] = {0.0f, 0.0f, 0.0f};
        alSourcefv(source, AL_VELOCITY, zero);
        alSourcef(source, AL_GAIN, 1.0f);
        alSourcef(source, AL_PITCH, 1.0f);
        alSourcef(source, AL_MAX_DISTANCE, MaxDistance);
        if (placement.positional)
        {
            // A non-positive or absurd minimum distance would be refused by OpenAL and leave the
            // previous play's value in place; use the usual one metre instead.
            float minDistance = placement.minDistance;
            if (!(minDistance > 0.0f) || !std::isfinite(minDistance))
                minDistance = 1.0f;
            minDistance = std::fmin(minDistance, MaxDistance);
            const Ogre::Vector3 position = IsFinite(placement.position) ? placement.position : Ogre::Vector3::ZERO;
            alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
            alSource3f(source, AL_POSITION, position.x, position.y, position.z);
            alSourcef(source, AL_REFERENCE_DISTANCE, minDistance);
            alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
            alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_FALSE);
        }
        else
        {
            // On the listener and without distance roll-off: centred and at full level wherever
            // the listener is. Stereo goes straight to the speakers instead of being panned.
            alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
            alSourcefv(source, AL_POSITION, zero);
            alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
            alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
            alSourcei(source, AL_DIRECT_CHANNELS_SOFT, stereo ? AL_TRUE : AL_FALSE);
        }
        alSourcePlay(source);

        ++slot.generation;
        slot.active = true;
        slot.priority = priority;
        slot.order = ++playCount;
        ChannelHandle handle;
        handle.slot = index;
        handle.generation = slot.generation;
        return handle;
    }

    void ChannelPool::FeedStream(Slot& slot)
    {
        SoundStream& stream = *slot.stream;
        ALint processed = 0;
        alGetSourcei(slot.source, AL_BUFFERS_PROCESSED, &processed);
        for (ALint i = 0; i < processed; ++i)
        {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(slot.source, 1, &buffer);
            if (stream.Fill(buffer))
                alSourceQueueBuffers(slot.source, 1, &buffer);
        }
        ALint queued = 0;
        alGetSourcei(slot.source, AL_BUFFERS_QUEUED, &queued);
        if (queued == 0)
        {
            // The file stopped delivering audio (a read error mid-way): the play is over.
            Release(static_cast<int>(&slot - slots.data()));
            return;
        }
        ALint state = AL_PLAYING;
        alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING)
            alSourcePlay(slot.source);  // the queue ran dry and was refilled: resume
    }

    void ChannelPool::StreamLoop()
    {
        device.BindToThread(true);
        std::unique_lock<std::mutex> guard(lock);
        while (!stopping)
        {
            wake.wait_for(guard, StreamPeriod);
            if (stopping)
                break;
            for (Slot& slot : slots)
                if (slot.active && slot.stream)
                    FeedStream(slot);
        }
        guard.unlock();
        device.BindToThread(false);
    }
}
