#include "engine/sound/SoundSystem.h"
#include "engine/core/Error.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/ChannelPool.h"
#include "engine/sound/SoundSample.h"
#include "engine/sound/SoundStream.h"

#include <AL/al.h>

#include <algorithm>
#include <cmath>

namespace Engine
{
    namespace
    {
        // The loopback mix is rendered in stretches this long, with the streams topped up in
        // between: far less than a stream keeps queued, so rendering faster than real time
        // never runs a stream dry.
        const int MixChunkFrames = 1024;
        // After a long stall (a debugger, a loading pause) the loopback catches up at most this
        // much: nobody hears it, and mixing minutes of sound at once would stall the frame.
        const double MaxCatchUpSeconds = 1.0;

        bool IsFinite(const Ogre::Vector3& v)
        {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        }

        std::string NotFound(int id)
        {
            return "Can't find sound with id '" + std::to_string(id) + "'";
        }
    }

    SoundSystem::SoundEntry::SoundEntry() = default;
    SoundSystem::SoundEntry::SoundEntry(SoundEntry&&) noexcept = default;
    SoundSystem::SoundEntry::~SoundEntry() = default;

    SoundSystem::SoundSystem(Output output)
        : nextId(0), pendingFrames(0.0), capture(nullptr), capturedFrames(0)
    {
        if (output == Output::Device)
        {
            device = AudioDevice::OpenPlayback();
            if (!device)
            {
                device = AudioDevice::OpenLoopback();
                if (device)
                    LogWarning("Engine::SoundSystem::SoundSystem",
                               "No audio output device could be opened; sound is mixed without being played");
            }
        }
        else
        {
            device = AudioDevice::OpenLoopback();
        }
        if (!device)
            ThrowError("Engine::SoundSystem::SoundSystem", "Couldn't creating sound system");

        device->MakeCurrent();
        channels.reset(new ChannelPool(*device, ChannelCount));
        discard.resize(static_cast<std::size_t>(MixChunkFrames * AudioDevice::RenderChannels));
        lastUpdate = std::chrono::steady_clock::now();
    }

    SoundSystem::~SoundSystem()
    {
        CloseCapture();
        // Sources first (they play the buffers), then the buffers, then the context they live in.
        device->MakeCurrent();
        channels.reset();
        sounds.clear();
        device.reset();
    }

    int SoundSystem::CreateSound(const std::string& fileName, bool loop, bool positional)
    {
        device->MakeCurrent();
        SoundEntry entry;
        entry.sample.reset(new SoundSample(loop, positional));
        if (!entry.sample->Load(fileName))
            ThrowError("Engine::SoundSystem::CreateSound", "Couldn't create sound from '" + fileName + "'");
        return AddSound(std::move(entry));
    }

    int SoundSystem::CreateStream(const std::string& fileName)
    {
        device->MakeCurrent();
        SoundEntry entry;
        entry.stream.reset(new SoundStream);
        if (!entry.stream->Open(fileName))
            ThrowError("Engine::SoundSystem::CreateStream", "Couldn't create audio stream from '" + fileName + "'");
        return AddSound(std::move(entry));
    }

    int SoundSystem::AddSound(SoundEntry&& entry)
    {
        const int id = nextId;
        sounds.emplace(id, std::move(entry));
        ++nextId;
        return id;
    }

    void SoundSystem::PlaySound(int id)
    {
        SoundEntry& entry = Find(id, "Engine::SoundSystem::PlaySound");
        device->MakeCurrent();
        const ChannelPool::Placement flat;
        if (entry.sample)
            entry.channel = channels->PlaySample(*entry.sample, flat, ChannelPool::HighestPriority);
        else
            entry.channel = channels->PlayStream(*entry.stream, flat, ChannelPool::HighestPriority);
    }

    void SoundSystem::PlaySound(int id, const Ogre::Vector3& position, float minDistance)
    {
        SoundEntry& entry = Find(id, "Engine::SoundSystem::PlaySound");
        device->MakeCurrent();
        ChannelPool::Placement placement;
        if (entry.sample && entry.sample->IsPositional())
        {
            placement.positional = true;
            placement.position = position;
            placement.minDistance = minDistance;
        }
        if (entry.sample)
            entry.channel = channels->PlaySample(*entry.sample, placement, ChannelPool::DefaultPriority);
        else
            entry.channel = channels->PlayStream(*entry.stream, placement, ChannelPool::DefaultPriority);
    }

    void SoundSystem::StopSound(int id)
    {
        SoundEntry& entry = Find(id, "Engine::SoundSystem::StopSound");
        device->MakeCurrent();
        if (entry.channel.IsSet())
            channels->Stop(entry.channel);
        entry.channel = ChannelHandle();
    }

    void SoundSystem::SetVolume(int id, float volume)
    {
        SoundEntry& entry = Find(id, "Engine::SoundSystem::SetVolume");
        device->MakeCurrent();
        if (entry.channel.IsSet())
            channels->SetVolume(entry.channel, volume);
    }

    float SoundSystem::GetVolume(int id)
    {
        SoundEntry& entry = Find(id, "Engine::SoundSystem::GetVolume");
        device->MakeCurrent();
        return entry.channel.IsSet() ? channels->GetVolume(entry.channel) : 0.0f;
    }

    void SoundSystem::SetMasterVolume(float volume)
    {
        device->MakeCurrent();
        alListenerf(AL_GAIN, std::isfinite(volume) ? std::fmin(std::fmax(volume, 0.0f), 1.0f) : 1.0f);
    }

    void SoundSystem::SetListener(const Ogre::Vector3& position, const Ogre::Vector3& forward, const Ogre::Vector3& up)
    {
        device->MakeCurrent();
        // Bad values would turn the whole mix into NaN; keep the last good placement instead.
        if (IsFinite(position))
            alListener3f(AL_POSITION, position.x, position.y, position.z);
        else
            LogWarning("Engine::SoundSystem::SetListener", "Ignoring a listener position that is not finite");

        const bool usable = IsFinite(forward) && IsFinite(up) && forward.squaredLength() > 1e-12f &&
                            up.squaredLength() > 1e-12f &&
                            forward.normalisedCopy().crossProduct(up.normalisedCopy()).squaredLength() > 1e-8f;
        if (usable)
        {
            const ALfloat orientation[6] = {forward.x, forward.y, forward.z, up.x, up.y, up.z};
            alListenerfv(AL_ORIENTATION, orientation);
        }
        else
        {
            LogWarning("Engine::SoundSystem::SetListener",
                       "Ignoring a listener orientation whose forward and up directions are zero or parallel");
        }
        alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    }

    void SoundSystem::Update()
    {
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(now - lastUpdate).count();
        lastUpdate = now;
        if (!device->IsLoopback())
            return;  // the device mixes on its own; the streaming thread feeds it

        device->MakeCurrent();
        const double rate = static_cast<double>(device->GetRate());
        pendingFrames = std::min(pendingFrames + elapsed * rate, MaxCatchUpSeconds * rate);
        const int frames = static_cast<int>(pendingFrames);
        pendingFrames -= frames;
        for (int done = 0; done < frames; done += MixChunkFrames)
            Mix(discard.data(), std::min(MixChunkFrames, frames - done));
        if (capture)
            std::fflush(capture);
    }

    bool SoundSystem::IsLoopback() const
    {
        return device->IsLoopback();
    }

    int SoundSystem::GetOutputRate() const
    {
        return device->GetRate();
    }

    int SoundSystem::GetBusyChannelCount()
    {
        device->MakeCurrent();
        return channels->GetBusyCount();
    }

    std::vector<float> SoundSystem::RenderLoopback(int frames)
    {
        std::vector<float> out;
        if (!device->IsLoopback() || frames <= 0)
            return out;
        device->MakeCurrent();
        out.resize(static_cast<std::size_t>(frames) * AudioDevice::RenderChannels);
        for (int done = 0; done < frames; done += MixChunkFrames)
            Mix(out.data() + static_cast<std::size_t>(done) * AudioDevice::RenderChannels,
                std::min(MixChunkFrames, frames - done));
        if (capture)
            std::fflush(capture);
        return out;
    }

    void SoundSystem::Mix(float* out, int frames)
    {
        channels->FeedStreams();
        device->Render(out, frames);
        if (!capture)
            return;
        std::vector<std::uint8_t> pcm(static_cast<std::size_t>(frames) * AudioDevice::RenderChannels * 2);
        for (std::size_t i = 0; i < pcm.size() / 2; ++i)
        {
            const float clamped = std::max(-1.0f, std::min(1.0f, out[i]));
            const std::int16_t sample = static_cast<std::int16_t>(std::lrint(clamped * 32767.0f));
            const std::uint16_t bits = static_cast<std::uint16_t>(sample);
            pcm[2 * i] = static_cast<std::uint8_t>(bits & 0xff);
            pcm[2 * i + 1] = static_cast<std::uint8_t>(bits >> 8);
        }
        std::fwrite(pcm.data(), 1, pcm.size(), capture);
        capturedFrames += static_cast<std::uint32_t>(frames);
    }

    namespace
    {
        void PutLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes)
        {
            for (int i = 0; i < bytes; ++i)
                at[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }

        // A canonical 44-byte PCM header for 16-bit stereo.
        void WriteWavHeader(std::FILE* file, int rate, std::uint32_t frames)
        {
            const std::uint32_t blockAlign = AudioDevice::RenderChannels * 2;
            const std::uint32_t dataBytes = frames * blockAlign;
            std::uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                       16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
            PutLittleEndian(header + 4, 36 + dataBytes, 4);
            PutLittleEndian(header + 22, AudioDevice::RenderChannels, 2);
            PutLittleEndian(header + 24, static_cast<std::uint32_t>(rate), 4);
            PutLittleEndian(header + 28, static_cast<std::uint32_t>(rate) * blockAlign, 4);
            PutLittleEndian(header + 32, blockAlign, 2);
            PutLittleEndian(header + 40, dataBytes, 4);
            std::fseek(file, 0, SEEK_SET);
            std::fwrite(header, 1, sizeof header, file);
        }
    }

    void SoundSystem::CaptureTo(const std::string& wavFile)
    {
        if (!device->IsLoopback())
            ThrowError("Engine::SoundSystem::CaptureTo",
                       "Sound goes to a sound card; only the loopback mix can be written to '" + wavFile + "'");
        std::FILE* file = std::fopen(wavFile.c_str(), "wb");
        if (!file)
            ThrowError("Engine::SoundSystem::CaptureTo", "Can't open '" + wavFile + "' for writing");
        CloseCapture();
        capture = file;
        capturedFrames = 0;
        WriteWavHeader(capture, device->GetRate(), 0);
        std::fflush(capture);
    }

    void SoundSystem::CloseCapture()
    {
        if (!capture)
            return;
        WriteWavHeader(capture, device->GetRate(), capturedFrames);
        std::fclose(capture);
        capture = nullptr;
    }

    SoundSystem::SoundEntry& SoundSystem::Find(int id, const char* where)
    {
        auto found = sounds.find(id);
        if (found == sounds.end())
            ThrowError(where, NotFound(id));
        return found->second;
    }
}
