#pragma once
#include <string>
#include <vector>

#include <OgreColourValue.h>

namespace AssetGen
{
    /// An RGBA picture in floating point that the texture painters draw into; saved as PNG.
    class Image
    {
    public:
        Image(int width, int height, const Ogre::ColourValue& fill = Ogre::ColourValue::Black);

        int Width() const { return width; }
        int Height() const { return height; }
        Ogre::ColourValue& At(int x, int y) { return pixels[Index(x, y)]; }
        const Ogre::ColourValue& At(int x, int y) const { return pixels[Index(x, y)]; }
        /// Blends a colour over the pixel by `coverage` (alpha of the colour times coverage).
        void Blend(int x, int y, const Ogre::ColourValue& colour, float coverage = 1.0f);

        void FillRect(int x0, int y0, int x1, int y1, const Ogre::ColourValue& colour);
        void BlendRect(int x0, int y0, int x1, int y1, const Ogre::ColourValue& colour, float coverage);
        /// Anti-aliased filled disc.
        void Disc(float cx, float cy, float radius, const Ogre::ColourValue& colour);
        /// Anti-aliased line of the given width.
        void Line(float x0, float y0, float x1, float y1, float width, const Ogre::ColourValue& colour);
        /// Text in the built-in block font, `scale` pixels per font cell; returns the width drawn.
        int Text(int x, int y, const std::string& text, int scale, const Ogre::ColourValue& colour);
        static int TextWidth(const std::string& text, int scale);

        /// Writes an 8-bit RGBA (or RGB when `alpha` is false) PNG file.
        void Save(const std::string& path, bool alpha = false) const;

    private:
        size_t Index(int x, int y) const;
        int width, height;
        std::vector<Ogre::ColourValue> pixels;
    };

    /// Smooth value noise in [0, 1], tileable with the given period (in lattice cells).
    float ValueNoise(float x, float y, int period, unsigned seed);
    /// Sum of octaves of value noise, tileable when period * 2^octave divides evenly.
    float Fractal(float x, float y, int period, int octaves, unsigned seed);
}
