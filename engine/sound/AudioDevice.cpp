#include "engine/sound/AudioDevice.h"

#include <AL/al.h>

namespace Engine
{
    namespace
    {
        const ALCint LoopbackRate = 44100;

        typedef ALCboolean (ALC_APIENTRY* SetThreadContextFunction)(ALCcontext*);

        SetThreadContextFunction ThreadContextFunction()
        {
            if (!alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context"))
                return nullptr;
            return reinterpret_cast<SetThreadContextFunction>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
        }
    }

    std::unique_ptr<AudioDevice> AudioDevice::OpenPlayback()
    {
        ALCdevice* device = alcOpenDevice(nullptr);
        if (!device)
            return nullptr;
        ALCcontext* context = alcCreateContext(device, nullptr);
        if (!context)
        {
            alcCloseDevice(device);
            return nullptr;
        }
        return std::unique_ptr<AudioDevice>(new AudioDevice(device, context, nullptr));
    }

    std::unique_ptr<AudioDevice> AudioDevice::OpenLoopback()
    {
        if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback"))
            return nullptr;
        auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        auto isFormatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
            alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
        auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
            alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        if (!openLoopback || !isFormatSupported || !renderSamples)
            return nullptr;

        ALCdevice* device = openLoopback(nullptr);
        if (!device)
            return nullptr;
        if (!isFormatSupported(device, LoopbackRate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT))
        {
            alcCloseDevice(device);
            return nullptr;
        }
        // Plain stereo panning and no limiter: what is rendered is the linear mix, so levels,
        // balance and attenuation can be measured from it.
        const ALCint attributes[] = {
            ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT,
            ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
            ALC_FREQUENCY, LoopbackRate,
            ALC_HRTF_SOFT, ALC_FALSE,
            ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE,
            0};
        ALCcontext* context = alcCreateContext(device, attributes);
        if (!context)
        {
            alcCloseDevice(device);
            return nullptr;
        }
        return std::unique_ptr<AudioDevice>(new AudioDevice(device, context, renderSamples));
    }

    AudioDevice::AudioDevice(ALCdevice* device, ALCcontext* context, LPALCRENDERSAMPLESSOFT renderSamples)
        : device(device), context(context), renderSamples(renderSamples), rate(LoopbackRate)
    {
        ALCint frequency = 0;
        alcGetIntegerv(device, ALC_FREQUENCY, 1, &frequency);
        if (frequency > 0)
            rate = frequency;
        MakeCurrent();
        // Matches the renderer's units: gain falls as minimum distance / distance, held at
        // full volume inside the minimum distance and constant beyond the maximum.
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    }

    AudioDevice::~AudioDevice()
    {
        if (alcGetCurrentContext() == context)
            alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        alcCloseDevice(device);
    }

    void AudioDevice::MakeCurrent() const
    {
        // Several systems may exist for a moment (a replaced singleton, tests, tools); every
        // entry point re-selects its own context.
        if (alcGetCurrentContext() != context)
            alcMakeContextCurrent(context);
    }

    void AudioDevice::BindToThread(bool bind) const
    {
        static const SetThreadContextFunction setThreadContext = ThreadContextFunction();
        if (setThreadContext)
            setThreadContext(bind ? context : nullptr);
        else if (bind)
            MakeCurrent();
    }

    void AudioDevice::Render(float* out, int frames) const
    {
        if (renderSamples && frames > 0)
            renderSamples(device, out, frames);
    }
}
