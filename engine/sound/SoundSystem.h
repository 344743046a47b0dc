#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <OgreVector.h>

#include "engine/core/Singleton.h"
#include "engine/sound/ChannelHandle.h"

namespace Engine
{
    class AudioDevice;
    class ChannelPool;
    class SoundSample;
    class SoundStream;

    /// Loads sound files and music streams, hands each out as a small id (0, 1, 2, ... in
    /// creation order, shared by sounds and streams, never reused), plays them flat or at a
    /// place in the world on a pool of 50 channels, and places the one listener. The owner calls
    /// Update once per frame and moves the listener; the engine does neither.
    ///
    /// Plays on the default audio output. Where none opens (servers, CI) it mixes into a
    /// loopback device instead, rendered by Update and discarded, so a program behaves the same
    /// with or without a sound card; RenderLoopback lets tests hear that mix.
    /// Call from one thread only; an internal thread keeps streams fed.
    class SoundSystem : public Singleton<SoundSystem>
    {
    public:
        enum class Output
        {
            Device,    // the default output device, else the loopback device (with a warning)
            Loopback   // the loopback device only
        };

        static constexpr int ChannelCount = 50;

        explicit SoundSystem(Output output = Output::Device);
        /// Stops every channel and frees every sound.
        ~SoundSystem();
        SoundSystem(const SoundSystem&) = delete;
        SoundSystem& operator=(const SoundSystem&) = delete;

        /// Decodes a WAV or Ogg Vorbis file whole. A positional sound is placed in the world
        /// when played with a position (stereo files are down-mixed to mono for that); a flat
        /// one always plays centred.
        int CreateSound(const std::string& fileName, bool loop, bool positional);
        /// Opens a file to be decoded while it plays: flat, looping without a gap, and playing
        /// on one channel at a time (playing it again restarts it).
        int CreateStream(const std::string& fileName);

        /// Plays flat, unattenuated, at the highest channel priority.
        void PlaySound(int id);
        /// Plays at a world position: full volume up to `minDistance`, then falling as
        /// minDistance / distance up to 10000 units. Sounds created flat still play flat.
        void PlaySound(int id, const Ogre::Vector3& position, float minDistance);
        /// Stops the latest play of the sound, if it is still going on, and forgets it.
        void StopSound(int id);
        /// Volume (0 silent to 1 full) of the latest play only; later plays start at full volume.
        void SetVolume(int id, float volume);
        /// Volume of the latest play; 0 when it has ended or there is none.
        float GetVolume(int id);

        /// Volume of everything heard (0 silent to 1 full, clamped), on top of each play's own.
        void SetMasterVolume(float volume);

        /// Places the listener (right-handed, like the renderer). It has no velocity.
        void SetListener(const Ogre::Vector3& position, const Ogre::Vector3& forward, const Ogre::Vector3& up);

        /// Per-frame work. On the loopback device, mixes the time passed since the last update.
        void Update();

        /// True when mixing into the loopback device rather than a sound card.
        bool IsLoopback() const;
        /// Output frames per second.
        int GetOutputRate() const;
        /// Number of channels whose play is going on.
        int GetBusyChannelCount();
        /// Loopback only: mixes `frames` frames now and returns them as interleaved stereo
        /// floats (left, right, ...). Empty on a sound card.
        std::vector<float> RenderLoopback(int frames);

        /// Loopback only: from now on every frame the loopback mixes is also appended to a WAV
        /// file (16-bit stereo at the output rate), written through after each Update so its
        /// size tells how much has been mixed. The file is replaced; its header is completed
        /// when capture stops (another CaptureTo, or the sound system's end). A run whose
        /// settings name "Engine/SoundCaptureFile" captures from the start.
        void CaptureTo(const std::string& wavFile);

    private:
        struct SoundEntry
        {
            SoundEntry();
            SoundEntry(SoundEntry&&) noexcept;
            ~SoundEntry();

            // Exactly one of the two is set.
            std::unique_ptr<SoundSample> sample;
            std::unique_ptr<SoundStream> stream;
            ChannelHandle channel;  // the latest play; unset when never played or stopped
        };

        SoundEntry& Find(int id, const char* where);
        int AddSound(SoundEntry&& entry);
        void Mix(float* out, int frames);
        void CloseCapture();

        std::map<int, SoundEntry> sounds;
        int nextId;
        std::unique_ptr<AudioDevice> device;
        std::unique_ptr<ChannelPool> channels;
        std::chrono::steady_clock::time_point lastUpdate;
        double pendingFrames;        // loopback time not yet mixed, in frames
        std::vector<float> discard;  // loopback mix nobody listens to
        std::FILE* capture;          // the WAV file the mix is appended to; null when none
        std::uint32_t capturedFrames;
    };
}
