#include "tests/sound/ToneFile.h"

#include <cmath>
#include <stdexcept>

#include <sndfile.h>

namespace SoundTest
{
    std::string WriteTone(const std::string& path, const Tone& tone)
    {
        SF_INFO info = {};
        info.samplerate = tone.rate;
        info.channels = tone.channels;
        info.format = tone.format == Format::Wav ? (SF_FORMAT_WAV | SF_FORMAT_PCM_16)
                                                 : (SF_FORMAT_OGG | SF_FORMAT_VORBIS);
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file)
            throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
        const int frames = static_cast<int>(std::lround(tone.seconds * static_cast<float>(tone.rate)));
        std::vector<float> samples(static_cast<std::size_t>(frames * tone.channels));
        const double step = 2.0 * M_PI * tone.frequency / tone.rate;
        for (int frame = 0; frame < frames; ++frame)
            for (int channel = 0; channel < tone.channels; ++channel)
                samples[static_cast<std::size_t>(frame * tone.channels + channel)] =
                    static_cast<float>(tone.amplitude * std::sin(step * frame));
        const sf_count_t written = sf_writef_float(file, samples.data(), frames);
        sf_close(file);
        if (written != frames)
            throw std::runtime_error("short write to " + path);
        return path;
    }

    double Level(const std::vector<float>& stereo, int channel, int first, int count)
    {
        double sum = 0.0;
        for (int frame = first; frame < first + count; ++frame)
        {
            const double value = stereo.at(static_cast<std::size_t>(frame * 2 + channel));
            sum += value * value;
        }
        return count > 0 ? std::sqrt(sum / count) : 0.0;
    }

    double Level(const std::vector<float>& stereo, int first, int count)
    {
        return 0.5 * (Level(stereo, 0, first, count) + Level(stereo, 1, first, count));
    }
}
