#include "Image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <map>

#include <zlib.h>

namespace AssetGen
{
    namespace
    {
        // A 5 x 7 block font for logos, titles and labels painted into textures.
        const std::map<char, const char*>& Glyphs()
        {
            static const std::map<char, const char*> glyphs = {
                {'A', "01110100011000111111100011000110001"}, {'B', "11110100011000111110100011000111110"},
                {'C', "01110100011000010000100001000101110"}, {'D', "11110100011000110001100011000111110"},
                {'E', "11111100001000011110100001000011111"}, {'F', "11111100001000011110100001000010000"},
                {'G', "01110100011000010111100011000101111"}, {'H', "10001100011000111111100011000110001"},
                {'I', "01110001000010000100001000010001110"}, {'J', "00111000100001000010000101001001100"},
                {'K', "10001100101010011000101001001010001"}, {'L', "10000100001000010000100001000011111"},
                {'M', "10001110111010110101100011000110001"}, {'N', "10001110011010110011100011000110001"},
                {'O', "01110100011000110001100011000101110"}, {'P', "11110100011000111110100001000010000"},
                {'Q', "01110100011000110001101011001001101"}, {'R', "11110100011000111110101001001010001"},
                {'S', "01111100001000001110000010000111110"}, {'T', "11111001000010000100001000010000100"},
                {'U', "10001100011000110001100011000101110"}, {'V', "10001100011000110001100010101000100"},
                {'W', "10001100011000110101101011010101010"}, {'X', "10001100010101000100010101000110001"},
                {'Y', "10001100010101000100001000010000100"}, {'Z', "11111000010001000100010001000011111"},
                {'0', "01110100011001110101110011000101110"}, {'1', "00100011000010000100001000010001110"},
                {'2', "01110100010000100010001000100011111"}, {'3', "11111000100010000010000011000101110"},
                {'4', "00010001100101010010111110001000010"}, {'5', "11111100001111000001000011000101110"},
                {'6', "00110010001000011110100011000101110"}, {'7', "11111000010001000100010000100001000"},
                {'8', "01110100011000101110100011000101110"}, {'9', "01110100011000101111000010001001100"},
                {'?', "01110100010000100010001000000000100"}, {'!', "00100001000010000100001000000000100"},
                {'.', "00000000000000000000000000110001100"}, {'-', "00000000000000011111000000000000000"},
                {' ', "00000000000000000000000000000000000"},
            };
            return glyphs;
        }

        float Hash(int x, int y, unsigned seed)
        {
            std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                              seed * 2246822519u;
            h = (h ^ (h >> 13)) * 1274126177u;
            h ^= h >> 16;
            return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
        }
    }

    Image::Image(int width, int height, const Ogre::ColourValue& fill)
        : width(width), height(height), pixels(static_cast<size_t>(width) * height, fill)
    {
    }

    size_t Image::Index(int x, int y) const
    {
        x = ((x % width) + width) % width;
        y = ((y % height) + height) % height;
        return static_cast<size_t>(y) * width + x;
    }

    void Image::Blend(int x, int y, const Ogre::ColourValue& colour, float coverage)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        Ogre::ColourValue& p = At(x, y);
        const float a = std::clamp(colour.a * coverage, 0.0f, 1.0f);
        const float outA = a + p.a * (1 - a);
        if (outA <= 0)
        {
            p = Ogre::ColourValue(0, 0, 0, 0);
            return;
        }
        p.r = (colour.r * a + p.r * p.a * (1 - a)) / outA;
        p.g = (colour.g * a + p.g * p.a * (1 - a)) / outA;
        p.b = (colour.b * a + p.b * p.a * (1 - a)) / outA;
        p.a = outA;
    }

    void Image::FillRect(int x0, int y0, int x1, int y1, const Ogre::ColourValue& colour)
    {
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
                At(x, y) = colour;
    }

    void Image::BlendRect(int x0, int y0, int x1, int y1, const Ogre::ColourValue& colour, float coverage)
    {
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
                Blend(x, y, colour, coverage);
    }

    void Image::Disc(float cx, float cy, float radius, const Ogre::ColourValue& colour)
    {
        const int x0 = static_cast<int>(std::floor(cx - radius - 1)), x1 = static_cast<int>(std::ceil(cx + radius + 1));
        const int y0 = static_cast<int>(std::floor(cy - radius - 1)), y1 = static_cast<int>(std::ceil(cy + radius + 1));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
            {
                const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
                Blend(x, y, colour, std::clamp(radius - d + 0.5f, 0.0f, 1.0f));
            }
    }

    void Image::Line(float x0, float y0, float x1, float y1, float lineWidth, const Ogre::ColourValue& colour)
    {
        const float half = lineWidth * 0.5f;
        const int bx0 = static_cast<int>(std::floor(std::min(x0, x1) - half - 1));
        const int bx1 = static_cast<int>(std::ceil(std::max(x0, x1) + half + 1));
        const int by0 = static_cast<int>(std::floor(std::min(y0, y1) - half - 1));
        const int by1 = static_cast<int>(std::ceil(std::max(y0, y1) + half + 1));
        const float dx = x1 - x0, dy = y1 - y0;
        const float lengthSq = std::max(dx * dx + dy * dy, 1e-6f);
        for (int y = by0; y <= by1; ++y)
            for (int x = bx0; x <= bx1; ++x)
            {
                const float px = x + 0.5f - x0, py = y + 0.5f - y0;
                const float t = std::clamp((px * dx + py * dy) / lengthSq, 0.0f, 1.0f);
                const float d = std::hypot(px - t * dx, py - t * dy);
                Blend(x, y, colour, std::clamp(half - d + 0.5f, 0.0f, 1.0f));
            }
    }

    int Image::TextWidth(const std::string& text, int scale)
    {
        return static_cast<int>(text.size()) * 6 * scale - scale;
    }

    int Image::Text(int x, int y, const std::string& text, int scale, const Ogre::ColourValue& colour)
    {
        int cursor = x;
        for (char raw : text)
        {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
            auto glyph = Glyphs().find(c);
            if (glyph != Glyphs().end())
                for (int row = 0; row < 7; ++row)
                    for (int column = 0; column < 5; ++column)
                        if (glyph->second[row * 5 + column] == '1')
                            BlendRect(cursor + column * scale, y + row * scale, cursor + (column + 1) * scale,
                                      y + (row + 1) * scale, colour, 1.0f);
            cursor += 6 * scale;
        }
        return cursor - x - scale;
    }

    namespace
    {
        void PutBigEndian(std::vector<unsigned char>& out, std::uint32_t value)
        {
            for (int shift = 24; shift >= 0; shift -= 8)
                out.push_back(static_cast<unsigned char>(value >> shift));
        }

        void Chunk(std::vector<unsigned char>& file, const char* type, const std::vector<unsigned char>& data)
        {
            PutBigEndian(file, static_cast<std::uint32_t>(data.size()));
            const size_t start = file.size();
            file.insert(file.end(), type, type + 4);
            file.insert(file.end(), data.begin(), data.end());
            const uLong crc = crc32(0L, file.data() + start, static_cast<uInt>(file.size() - start));
            PutBigEndian(file, static_cast<std::uint32_t>(crc));
        }
    }

    void Image::Save(const std::string& path, bool alpha) const
    {
        // PNG, 8 bits per channel, each row filtered by the difference to the row above.
        const int channels = alpha ? 4 : 3;
        const size_t stride = static_cast<size_t>(width) * channels;
        std::vector<unsigned char> rows(static_cast<size_t>(height) * stride);
        for (size_t i = 0; i < pixels.size(); ++i)
        {
            const Ogre::ColourValue& p = pixels[i];
            const float values[4] = {p.r, p.g, p.b, p.a};
            for (int c = 0; c < channels; ++c)
                rows[i * channels + c] = static_cast<unsigned char>(std::lround(std::clamp(values[c], 0.0f, 1.0f) * 255.0f));
        }
        std::vector<unsigned char> filtered;
        filtered.reserve(rows.size() + height);
        for (int y = 0; y < height; ++y)
        {
            filtered.push_back(y == 0 ? 0 : 2); // none for the first row, "up" after it
            for (size_t x = 0; x < stride; ++x)
            {
                const unsigned char above = y == 0 ? 0 : rows[(y - 1) * stride + x];
                filtered.push_back(static_cast<unsigned char>(rows[y * stride + x] - above));
            }
        }
        uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
        std::vector<unsigned char> packed(packedSize);
        if (compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()), 9) != Z_OK)
            throw std::runtime_error("Can't compress " + path);
        packed.resize(packedSize);

        std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        std::vector<unsigned char> header;
        PutBigEndian(header, static_cast<std::uint32_t>(width));
        PutBigEndian(header, static_cast<std::uint32_t>(height));
        header.insert(header.end(), {8, static_cast<unsigned char>(alpha ? 6 : 2), 0, 0, 0});
        Chunk(file, "IHDR", header);
        Chunk(file, "IDAT", packed);
        Chunk(file, "IEND", {});
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!out)
            throw std::runtime_error("Can't write " + path);
    }

    float ValueNoise(float x, float y, int period, unsigned seed)
    {
        const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
        const float fx = x - xi, fy = y - yi;
        auto wrap = [period](int v) { return period > 0 ? ((v % period) + period) % period : v; };
        const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const float a = Hash(wrap(xi), wrap(yi), seed), b = Hash(wrap(xi + 1), wrap(yi), seed);
        const float c = Hash(wrap(xi), wrap(yi + 1), seed), d = Hash(wrap(xi + 1), wrap(yi + 1), seed);
        return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
    }

    float Fractal(float x, float y, int period, int octaves, unsigned seed)
    {
        float sum = 0, amplitude = 0.5f, total = 0;
        for (int o = 0; o < octaves; ++o)
        {
            sum += ValueNoise(x, y, period, seed + o * 101) * amplitude;
            total += amplitude;
            x *= 2;
            y *= 2;
            period *= 2;
            amplitude *= 0.5f;
        }
        return sum / total;
    }
}
