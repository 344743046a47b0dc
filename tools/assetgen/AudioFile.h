#pragma once
#include <string>
#include <vector>

namespace AssetGen
{
    /// 16-bit PCM WAV, mono.
    void WriteWav(const std::string& path, const std::vector<float>& samples, int rate);
    /// Ogg Vorbis of interleaved samples. The stream serial numbers, which the encoder picks at
    /// random, are replaced by a fixed one so that the file is the same on every run.
    void WriteOgg(const std::string& path, const std::vector<float>& interleaved, int channels, int rate, double quality);
}
