#include "AudioFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sndfile.h>

namespace AssetGen
{
    namespace
    {
        void Write(const std::string& path, const std::vector<float>& samples, int channels, int rate, int format,
                   double quality)
        {
            SF_INFO info{};
            info.samplerate = rate;
            info.channels = channels;
            info.format = format;
            SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
            if (!file)
                throw std::runtime_error("Can't write " + path + ": " + sf_strerror(nullptr));
            if (quality >= 0)
                sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
            // Clip to full scale rather than wrap around.
            int clip = SF_TRUE;
            sf_command(file, SFC_SET_CLIPPING, &clip, sizeof(clip));
            // Blocks of moderate size: the Vorbis encoder is handed each write whole.
            const sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
            sf_count_t written = 0;
            while (written < frames)
            {
                const sf_count_t block = std::min<sf_count_t>(4096, frames - written);
                const sf_count_t done = sf_writef_float(file, samples.data() + written * channels, block);
                if (done != block)
                    break;
                written += done;
            }
            sf_close(file);
            if (written != frames)
                throw std::runtime_error("Short write to " + path);
        }

        std::uint32_t OggCrc(const unsigned char* data, size_t size)
        {
            static std::uint32_t table[256];
            static bool ready = false;
            if (!ready)
            {
                for (std::uint32_t i = 0; i < 256; ++i)
                {
                    std::uint32_t r = i << 24;
                    for (int k = 0; k < 8; ++k)
                        r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
                    table[i] = r;
                }
                ready = true;
            }
            std::uint32_t crc = 0;
            for (size_t i = 0; i < size; ++i)
                crc = (crc << 8) ^ table[((crc >> 24) & 0xFF) ^ data[i]];
            return crc;
        }

        void FixSerialNumbers(const std::string& path)
        {
            std::ifstream in(path, std::ios::binary);
            std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            in.close();
            size_t at = 0;
            while (at + 27 <= bytes.size())
            {
                if (bytes[at] != 'O' || bytes[at + 1] != 'g' || bytes[at + 2] != 'g' || bytes[at + 3] != 'S')
                    throw std::runtime_error("Unexpected data in Ogg stream " + path);
                const size_t segments = bytes[at + 26];
                size_t size = 27 + segments;
                if (at + size > bytes.size())
                    break;
                for (size_t s = 0; s < segments; ++s)
                    size += bytes[at + 27 + s];
                if (at + size > bytes.size())
                    throw std::runtime_error("Truncated Ogg page in " + path);
                const std::uint32_t serial = 0x47525631u;
                for (int i = 0; i < 4; ++i)
                {
                    bytes[at + 14 + i] = static_cast<unsigned char>(serial >> (8 * i));
                    bytes[at + 22 + i] = 0;
                }
                const std::uint32_t crc = OggCrc(&bytes[at], size);
                for (int i = 0; i < 4; ++i)
                    bytes[at + 22 + i] = static_cast<unsigned char>(crc >> (8 * i));
                at += size;
            }
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }

    void WriteWav(const std::string& path, const std::vector<float>& samples, int rate)
    {
        Write(path, samples, 1, rate, SF_FORMAT_WAV | SF_FORMAT_PCM_16, -1);
    }

    void WriteOgg(const std::string& path, const std::vector<float>& interleaved, int channels, int rate, double quality)
    {
        Write(path, interleaved, channels, rate, SF_FORMAT_OGG | SF_FORMAT_VORBIS, quality);
        FixSerialNumbers(path);
    }
}
