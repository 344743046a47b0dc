#pragma once
#include <string>
#include <vector>

namespace SoundTest
{
    enum class Format { Wav, Ogg };

    /// A sine tone written by libsndfile. The defaults give a 441 Hz tone at 44.1 kHz: a whole
    /// number of periods per second, so a looped file has no seam of its own.
    struct Tone
    {
        Format format = Format::Wav;
        float seconds = 1.0f;
        float frequency = 441.0f;
        float amplitude = 0.5f;
        int channels = 1;
        int rate = 44100;
    };

    /// Writes the tone to `path` and returns the path; throws when the file cannot be written.
    std::string WriteTone(const std::string& path, const Tone& tone);

    /// Root-mean-square level of one channel (0 left, 1 right) of interleaved stereo frames,
    /// over frames [first, first + count).
    double Level(const std::vector<float>& stereo, int channel, int first, int count);
    /// Mean of both channels' levels over the same frames.
    double Level(const std::vector<float>& stereo, int first, int count);
}
