#pragma once
#include <memory>

#include <AL/alc.h>
#include <AL/alext.h>

namespace Engine
{
    /// The OpenAL output the sound system mixes into, with its one context. Either a playback
    /// device (OpenAL's own thread mixes in real time) or OpenAL Soft's loopback device, which
    /// mixes only when Render is called: used where no sound card exists. Internal to the
    /// sound layer.
    class AudioDevice
    {
    public:
        /// A playback device on the default output; null when none can be opened.
        static std::unique_ptr<AudioDevice> OpenPlayback();
        /// A loopback device mixing stereo float samples; null when the library lacks it.
        static std::unique_ptr<AudioDevice> OpenLoopback();

        ~AudioDevice();
        AudioDevice(const AudioDevice&) = delete;
        AudioDevice& operator=(const AudioDevice&) = delete;

        bool IsLoopback() const { return renderSamples != nullptr; }
        /// Output frames per second.
        int GetRate() const { return rate; }
        /// Number of interleaved output channels Render writes per frame (loopback: 2).
        static constexpr int RenderChannels = 2;

        /// Makes this device's context the calling thread's current one. Cheap when it already is.
        void MakeCurrent() const;
        /// For a worker thread: binds the context to this thread only (null unbinds).
        void BindToThread(bool bind) const;

        /// Loopback only: mixes `frames` frames into `out` (RenderChannels floats per frame).
        void Render(float* out, int frames) const;

    private:
        AudioDevice(ALCdevice* device, ALCcontext* context, LPALCRENDERSAMPLESSOFT renderSamples);

        ALCdevice* device;
        ALCcontext* context;
        LPALCRENDERSAMPLESSOFT renderSamples;  // null for a playback device
        int rate;
    };
}
