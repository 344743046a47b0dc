#include "Textures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "Image.h"
#include "Random.h"

namespace AssetGen
{
    namespace
    {
        using Colour = Ogre::ColourValue;

        Colour Rgb(int r, int g, int b, float a = 1.0f) { return Colour(r / 255.0f, g / 255.0f, b / 255.0f, a); }
        Colour Mix(const Colour& a, const Colour& b, float t) { return a * (1 - t) + b * t; }
        Colour Shade(const Colour& c, float f) { return Colour(c.r * f, c.g * f, c.b * f, c.a); }

        /// Fills a rectangle with a colour broken up by fractal noise (cloth, skin, stone).
        void Noisy(Image& image, int x0, int y0, int x1, int y1, const Colour& base, float amount, float scale,
                   unsigned seed)
        {
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                {
                    const float n = Fractal(x / scale, y / scale, 0, 3, seed);
                    image.At(x, y) = Shade(base, 1.0f + (n - 0.5f) * 2.0f * amount);
                }
        }

        struct Palette
        {
            Colour skin, hair, shirt, shirtTrim, pants, boots, eyes, mouth;
            bool zombie;
            unsigned seed;
        };

        // Atlas of 4 x 4 cells of 64 pixels; the mesh generator maps the same cells.
        void PaintCharacter(const Palette& p, const std::string& path)
        {
            Image image(256, 256);
            const int c = 64;
            auto cell = [&](int column, int row, const Colour& colour, float amount, unsigned salt) {
                Noisy(image, column * c, row * c, (column + 1) * c, (row + 1) * c, colour, amount, 6.0f, p.seed + salt);
            };
            cell(0, 0, p.skin, 0.10f, 1);   // skin
            cell(1, 0, p.skin, 0.10f, 2);   // face
            cell(2, 0, p.hair, 0.25f, 3);   // top of the head
            cell(3, 0, p.skin, 0.10f, 4);   // back and sides of the head
            cell(0, 1, p.shirt, 0.18f, 5);  // shirt front
            cell(1, 1, p.shirt, 0.18f, 6);  // shirt back and sides
            cell(2, 1, p.shirt, 0.18f, 7);  // sleeves
            cell(3, 1, p.skin, 0.10f, 8);   // hands
            cell(0, 2, p.pants, 0.2f, 9);   // trousers
            cell(1, 2, p.pants, 0.2f, 10);  // trousers, sides
            cell(2, 2, p.boots, 0.15f, 11); // boots
            cell(3, 2, Shade(p.boots, 0.7f), 0.1f, 12);

            // Face: hair fringe, eyes, mouth.
            const int fx = 64, fy = 0;
            image.BlendRect(fx, fy, fx + 64, fy + 14, p.hair, 1.0f);
            image.BlendRect(3 * c, 0, 4 * c, 22, p.hair, 1.0f);
            if (p.zombie)
            {
                image.Disc(fx + 20, fy + 28, 7, Rgb(20, 10, 10));
                image.Disc(fx + 44, fy + 28, 7, Rgb(20, 10, 10));
                image.Disc(fx + 20, fy + 28, 4, p.eyes);
                image.Disc(fx + 44, fy + 28, 4, p.eyes);
                image.BlendRect(fx + 16, fy + 44, fx + 48, fy + 54, p.mouth, 1.0f);
                for (int i = 0; i < 5; ++i)
                    image.BlendRect(fx + 18 + i * 6, fy + 44, fx + 21 + i * 6, fy + 49, Rgb(210, 200, 160), 1.0f);
                image.Line(fx + 8, fy + 18, fx + 22, fy + 40, 2, Shade(p.mouth, 0.8f)); // scar
            }
            else
            {
                image.BlendRect(fx + 12, fy + 20, fx + 28, fy + 23, Shade(p.hair, 0.8f), 1.0f);
                image.BlendRect(fx + 36, fy + 20, fx + 52, fy + 23, Shade(p.hair, 0.8f), 1.0f);
                image.Disc(fx + 20, fy + 30, 5, Rgb(245, 245, 245));
                image.Disc(fx + 44, fy + 30, 5, Rgb(245, 245, 245));
                image.Disc(fx + 21, fy + 30, 3, p.eyes);
                image.Disc(fx + 45, fy + 30, 3, p.eyes);
                image.BlendRect(fx + 22, fy + 47, fx + 42, fy + 51, p.mouth, 1.0f);
            }

            // Shirt front: a trim down the middle (jacket zip or torn rags).
            if (p.zombie)
            {
                Random r(p.seed);
                for (int i = 0; i < 7; ++i)
                {
                    const float x = r.Range(4, 60), y = r.Range(8, 60);
                    image.Disc(x, y, r.Range(3, 7), Shade(p.skin, 0.9f));
                }
                for (int i = 0; i < 4; ++i)
                    image.Disc(r.Range(6, 58), r.Range(70, 120), r.Range(2, 5), Rgb(90, 10, 10, 0.85f));
                for (int x = 0; x < 64; x += 8) // ragged hem of the shirt
                    image.BlendRect(x, 58 + (x / 8 % 2) * 3 + 64, x + 5, 128, Shade(p.skin, 0.9f), 1.0f);
            }
            else
            {
                image.BlendRect(29, 64, 35, 128, p.shirtTrim, 1.0f);
                image.BlendRect(0, 64, 64, 70, p.shirtTrim, 1.0f);
                image.BlendRect(128, 64 + 52, 192, 128, p.shirtTrim, 1.0f); // cuffs
                image.BlendRect(64 + 10, 64, 64 + 54, 70, p.shirtTrim, 1.0f);
            }
            // Belt over the top of the trousers.
            image.BlendRect(0, 128, 128, 136, Rgb(40, 28, 20), 1.0f);
            image.BlendRect(28, 128, 36, 136, Rgb(200, 180, 90), 1.0f);
            image.Save(path);
        }

        void PaintFloor(const std::string& path)
        {
            // One repeat covers 4 x 4 world units: 2 x 2 flagstones with mortar, moss and cracks.
            Image image(256, 256);
            Random r(11);
            for (int ty = 0; ty < 2; ++ty)
                for (int tx = 0; tx < 2; ++tx)
                {
                    const float tone = r.Range(0.8f, 1.1f);
                    const Colour base = Shade(Rgb(84, 80, 74), tone);
                    for (int y = ty * 128; y < (ty + 1) * 128; ++y)
                        for (int x = tx * 128; x < (tx + 1) * 128; ++x)
                        {
                            const float n = Fractal(x / 16.0f, y / 16.0f, 16, 4, 5);
                            const float moss = std::clamp((Fractal(x / 32.0f, y / 32.0f, 8, 3, 9) - 0.55f) * 4.0f, 0.0f, 1.0f);
                            Colour col = Shade(base, 0.75f + n * 0.5f);
                            col = Mix(col, Rgb(52, 66, 40), moss * 0.6f);
                            const int ex = std::min(x - tx * 128, (tx + 1) * 128 - 1 - x);
                            const int ey = std::min(y - ty * 128, (ty + 1) * 128 - 1 - y);
                            const int edge = std::min(ex, ey);
                            if (edge < 3)
                                col = Rgb(30, 28, 26);
                            else if (edge < 6)
                                col = Shade(col, 0.8f);
                            image.At(x, y) = col;
                        }
                    float x = tx * 128 + r.Range(20, 100), y = ty * 128 + r.Range(20, 100);
                    for (int s = 0; s < 5; ++s) // a crack
                    {
                        const float nx = x + r.Range(-14, 14), ny = y + r.Range(-14, 14);
                        image.Line(x, y, nx, ny, 1.5f, Rgb(35, 32, 30, 0.9f));
                        x = nx;
                        y = ny;
                    }
                }
            image.Save(path);
        }

        void PaintStone(const std::string& path, const Colour& base, unsigned seed)
        {
            // Courses of bricks, tileable, 256 px across 2 world units.
            Image image(256, 256);
            Random r(seed);
            const int rows = 8, brickWidth = 64, brickHeight = 256 / rows;
            for (int row = 0; row < rows; ++row)
            {
                const int shift = (row % 2) * brickWidth / 2;
                for (int b = -1; b < 256 / brickWidth + 1; ++b)
                {
                    const float tone = r.Range(0.75f, 1.15f);
                    const int x0 = b * brickWidth + shift, y0 = row * brickHeight;
                    for (int y = y0; y < y0 + brickHeight; ++y)
                        for (int x = x0; x < x0 + brickWidth; ++x)
                        {
                            const int ex = std::min(x - x0, x0 + brickWidth - 1 - x), ey = std::min(y - y0, y0 + brickHeight - 1 - y);
                            const float n = Fractal(x / 8.0f, y / 8.0f, 32, 3, seed);
                            Colour col = Shade(base, tone * (0.8f + n * 0.4f));
                            if (std::min(ex, ey) < 2)
                                col = Shade(base, 0.35f);
                            else if (ey < 4)
                                col = Shade(col, 1.15f);
                            image.At((x + 256) % 256, y) = col;
                        }
                }
            }
            image.Save(path);
        }

        void PaintCrate(const std::string& path)
        {
            Image image(128, 128);
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < 128; ++x)
                {
                    const float grain = Fractal(x / 40.0f, y / 3.0f, 0, 3, 21);
                    Colour col = Shade(Rgb(150, 104, 58), 0.75f + grain * 0.45f);
                    if ((y % 32) < 2)
                        col = Rgb(60, 40, 22);
                    image.At(x, y) = col;
                }
            const Colour frame = Rgb(96, 64, 34);
            image.FillRect(0, 0, 128, 14, frame);
            image.FillRect(0, 114, 128, 128, frame);
            image.FillRect(0, 0, 14, 128, frame);
            image.FillRect(114, 0, 128, 128, frame);
            image.Line(10, 10, 118, 118, 14, frame);
            for (int i = 0; i < 4; ++i) // nails
                image.Disc(7 + (i % 2) * 114, 7 + (i / 2) * 114, 2.5f, Rgb(40, 40, 40));
            image.Save(path);
        }

        void PaintGrate(const std::string& path)
        {
            Image image(128, 128, Rgb(0, 0, 0));
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < 128; ++x)
                {
                    const float d = std::hypot(x - 64.0f, y - 64.0f) / 64.0f;
                    image.At(x, y) = Shade(Rgb(255, 50, 20), std::clamp(1.0f - d, 0.0f, 1.0f) * 0.9f);
                }
            for (int i = 0; i < 7; ++i)
            {
                image.FillRect(4 + i * 18, 0, 10 + i * 18, 128, Rgb(46, 44, 42));
                image.FillRect(0, 4 + i * 18, 128, 10 + i * 18, Rgb(46, 44, 42));
            }
            image.FillRect(0, 0, 128, 5, Rgb(70, 66, 60));
            image.FillRect(0, 123, 128, 128, Rgb(70, 66, 60));
            image.FillRect(0, 0, 5, 128, Rgb(70, 66, 60));
            image.FillRect(123, 0, 128, 128, Rgb(70, 66, 60));
            image.Save(path);
        }

        void PaintSky(const std::string& path)
        {
            Image image(256, 256);
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                {
                    const float n = Fractal(x / 64.0f, y / 64.0f, 4, 4, 31);
                    image.At(x, y) = Mix(Rgb(4, 6, 16), Rgb(24, 20, 46), n * n);
                }
            Random r(32);
            for (int i = 0; i < 90; ++i)
            {
                const float x = r.Range(0, 256), y = r.Range(0, 256);
                const float b = r.Range(0.35f, 1.0f);
                const float size = r.Unit() < 0.1f ? 1.4f : 0.7f;
                image.Disc(x, y, size, Colour(b, b, std::min(1.0f, b * 1.1f + 0.1f), 1));
            }
            image.Save(path);
        }

        void PaintPlain(const std::string& path, int size, const Colour& base, float amount, unsigned seed, float scale)
        {
            Image image(size, size);
            Noisy(image, 0, 0, size, size, base, amount, scale, seed);
            image.Save(path);
        }

        void PaintGrenade(const std::string& path)
        {
            Image image(64, 64);
            Noisy(image, 0, 0, 64, 64, Rgb(78, 92, 46), 0.15f, 4.0f, 41);
            for (int i = 0; i < 8; ++i)
            {
                image.FillRect(i * 8, 0, i * 8 + 1, 64, Rgb(40, 48, 22));
                image.FillRect(0, i * 8, 64, i * 8 + 1, Rgb(40, 48, 22));
            }
            image.Save(path);
        }

        void PaintBar(const std::string& path, const Colour& low, const Colour& high)
        {
            Image image(128, 16);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 128; ++x)
                {
                    Colour col = Mix(low, high, x / 127.0f);
                    const float shine = 1.0f + 0.45f * std::exp(-std::pow((y - 4.0f) / 2.5f, 2.0f));
                    col = Shade(col, shine * (y > 12 ? 0.7f : 1.0f));
                    if (y == 0 || y == 15)
                        col = Rgb(10, 10, 10);
                    image.At(x, y) = col;
                }
            image.Save(path);
        }

        void PaintMenuBackground(const std::string& path)
        {
            const int w = 512, h = 384;
            Image image(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                {
                    const float t = static_cast<float>(y) / h;
                    const float n = Fractal(x / 48.0f, y / 48.0f, 0, 4, 51);
                    image.At(x, y) = Mix(Rgb(6, 4, 12), Rgb(70, 12, 10), t * t) * (0.85f + 0.3f * n);
                    image.At(x, y).a = 1;
                }
            // Blood moon with a halo.
            // Low on the left, rising behind the graves, clear of the menu on the right.
            const float mx = 140, my = 252;
            for (int y = 100; y < 384; ++y)
                for (int x = 0; x < 300; ++x)
                {
                    const float d = std::hypot(x - mx, y - my);
                    image.Blend(x, y, Rgb(200, 40, 20), std::clamp(0.5f - (d - 50) / 120.0f, 0.0f, 0.5f));
                }
            image.Disc(mx, my, 50, Rgb(214, 82, 52));
            image.Disc(mx - 18, my - 13, 10, Rgb(180, 60, 40, 0.6f));
            image.Disc(mx + 16, my + 15, 7, Rgb(180, 60, 40, 0.6f));
            // Skyline of graves and shambling silhouettes.
            Random r(52);
            const Colour black = Rgb(5, 3, 6);
            image.FillRect(0, 330, w, h, black);
            for (int i = 0; i < 14; ++i)
            {
                const float x = r.Range(0, w), top = r.Range(290, 320);
                image.FillRect(static_cast<int>(x), static_cast<int>(top), static_cast<int>(x) + 18, 331, black);
                image.Disc(x + 9, top, 9, black);
            }
            for (int i = 0; i < 5; ++i)
            {
                const float x = 40.0f + i * 100.0f + r.Range(-20, 20), ground = 336;
                const float lean = r.Range(-6, 6);
                image.Line(x, ground, x + lean, ground - 52, 16, black);        // body
                image.Disc(x + lean + 3, ground - 62, 9, black);                 // head
                image.Line(x + lean, ground - 44, x + lean + 30, ground - 48, 6, black); // arms forward
                image.Line(x + lean, ground - 40, x + lean + 28, ground - 38, 6, black);
                image.Line(x, ground, x - 8, ground + 20, 7, black);
                image.Line(x, ground, x + 9, ground + 20, 7, black);
            }
            // Title.
            const std::string title = "GORVANE";
            const int scale = 9;
            const int tx = 40, ty = 48;
            image.Text(tx + 4, ty + 5, title, scale, Rgb(0, 0, 0, 0.8f));
            image.Text(tx, ty, title, scale, Rgb(196, 24, 16));
            image.Text(tx + 2, ty + 90, "SURVIVE THE NIGHT", 2, Rgb(200, 190, 170));
            image.Save(path);
        }

        void PaintLogo(const std::string& path, const std::string& name, bool bolt)
        {
            const int w = 512, h = 256;
            Image image(w, h, Rgb(0, 0, 0));
            const int scale = 6;
            const int textWidth = Image::TextWidth(name, scale);
            const int tx = (w - textWidth) / 2, ty = 170;
            if (bolt)
            {
                const Colour yellow = Rgb(255, 214, 40);
                image.Disc(256, 90, 62, Rgb(40, 60, 150));
                image.Disc(256, 90, 56, Rgb(10, 14, 40));
                image.Line(270, 40, 238, 96, 12, yellow);
                image.Line(238, 96, 276, 88, 12, yellow);
                image.Line(276, 88, 242, 144, 12, yellow);
                image.Text(tx, ty, name, scale, Rgb(120, 170, 255));
            }
            else
            {
                const Colour ink = Rgb(230, 225, 210);
                // A quill: a curved vane with a shaft and a nib.
                for (int i = 0; i < 40; ++i)
                {
                    const float t = i / 39.0f;
                    const float x = 300 - t * 90, y = 30 + t * 110 + std::sin(t * 3.1f) * 12;
                    const float vane = 20 * std::sin(t * 3.14159f);
                    image.Line(x, y, x - vane, y - vane * 0.6f, 3, ink);
                }
                image.Line(300, 30, 205, 150, 3, Rgb(160, 150, 130));
                image.Line(205, 150, 198, 162, 4, Rgb(40, 40, 60));
                image.Text(tx, ty, name, scale, ink);
            }
            image.Text((w - Image::TextWidth("PRESENTS", 2)) / 2, ty + 52, "PRESENTS", 2, Rgb(140, 140, 140));
            image.Save(path, true);
        }

        void PaintWindow(const std::string& path)
        {
            Image image(64, 64, Rgb(12, 10, 16, 0.78f));
            for (int i = 0; i < 64; ++i)
            {
                image.At(i, 0) = image.At(i, 63) = image.At(0, i) = image.At(63, i) = Rgb(150, 30, 20, 0.95f);
                image.At(i, 1) = image.At(i, 62) = image.At(1, i) = image.At(62, i) = Rgb(70, 14, 10, 0.9f);
            }
            image.Save(path, true);
        }

        void PaintParticle(const std::string& path, int kind)
        {
            const int size = 64;
            Image image(size, size, Colour(1, 1, 1, 0));
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                {
                    const float dx = (x + 0.5f) / size * 2 - 1, dy = (y + 0.5f) / size * 2 - 1;
                    const float d = std::sqrt(dx * dx + dy * dy);
                    float a = 0;
                    switch (kind)
                    {
                    case 0: // flare: soft glow with a hot core
                        a = std::clamp(1 - d, 0.0f, 1.0f);
                        a = a * a + std::clamp(1 - d * 3, 0.0f, 1.0f);
                        break;
                    case 1: // spark: a streak along y
                        a = std::clamp(1 - std::fabs(dx) * 5, 0.0f, 1.0f) * std::clamp(1 - std::fabs(dy), 0.0f, 1.0f);
                        break;
                    case 2: // blood drop: a lumpy blob
                    {
                        const float n = Fractal(x / 8.0f, y / 8.0f, 8, 2, 61);
                        a = std::clamp((0.75f + (n - 0.5f) * 0.6f - d) * 6, 0.0f, 1.0f);
                        break;
                    }
                    case 3: // smoke puff
                    {
                        const float n = Fractal(x / 10.0f, y / 10.0f, 0, 3, 62);
                        a = std::clamp(1 - d, 0.0f, 1.0f) * (0.4f + n * 0.8f);
                        break;
                    }
                    default: // ring
                        a = std::clamp(1 - std::fabs(d - 0.8f) * 8, 0.0f, 1.0f);
                        break;
                    }
                    // Glows are drawn additively, which ignores alpha: their brightness is the shape.
                    a = std::clamp(a, 0.0f, 1.0f);
                    const bool additive = kind == 0 || kind == 1 || kind == 4;
                    image.At(x, y) = additive ? Colour(a, a, a, a) : Colour(1, 1, 1, a);
                }
            image.Save(path, true);
        }
    }

    namespace
    {
        /// The game's icon at one size: the menu's night in a rounded square, the blood moon
        /// and a zombie walking in front of it. Drawn in units of the size, so every size is
        /// the same picture; the corners stay transparent.
        void PaintIcon(const std::string& path, int size)
        {
            const float s = static_cast<float>(size);
            const float corner = 0.18f * s;
            Image image(size, size, Colour(0, 0, 0, 0));
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                {
                    // Coverage of the rounded square: distance past the nearest corner's circle.
                    const float px = x + 0.5f, py = y + 0.5f;
                    const float dx = std::max({corner - px, px - (s - corner), 0.0f});
                    const float dy = std::max({corner - py, py - (s - corner), 0.0f});
                    const float coverage = std::clamp(corner - std::hypot(dx, dy) + 0.5f, 0.0f, 1.0f);
                    const float t = py / s;
                    Colour sky = Mix(Rgb(10, 6, 18), Rgb(96, 16, 12), t * t);
                    sky.a = coverage;
                    image.At(x, y) = sky;
                }
            const float mx = 0.38f * s, my = 0.40f * s, radius = 0.24f * s;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                {
                    const float d = std::hypot(x + 0.5f - mx, y + 0.5f - my);
                    image.Blend(x, y, Rgb(220, 50, 24), std::clamp(0.45f - (d - radius) / (0.3f * s), 0.0f, 0.45f) *
                                                           image.At(x, y).a);
                }
            image.Disc(mx, my, radius, Rgb(214, 82, 52));
            if (size >= 32)
                image.Disc(mx - 0.08f * s, my - 0.06f * s, 0.05f * s, Rgb(180, 60, 40, 0.6f));
            // The zombie: head, leaning body, both arms reaching forward, two legs; the ground.
            const Colour black = Rgb(5, 3, 6);
            const float w = std::max(1.2f, 0.07f * s);
            const float hipX = 0.62f * s, hipY = 0.74f * s, neckX = 0.66f * s, neckY = 0.50f * s;
            image.Line(hipX, hipY, neckX, neckY, 1.8f * w, black);
            image.Disc(neckX + 0.02f * s, neckY - 0.08f * s, 0.075f * s, black);
            image.Line(neckX, neckY + 0.04f * s, neckX + 0.22f * s, neckY + 0.01f * s, w, black);
            image.Line(neckX, neckY + 0.09f * s, neckX + 0.20f * s, neckY + 0.09f * s, w, black);
            image.Line(hipX, hipY, hipX - 0.08f * s, 0.88f * s, w, black);
            image.Line(hipX, hipY, hipX + 0.08f * s, 0.88f * s, w, black);
            for (int y = static_cast<int>(0.86f * s); y < size; ++y)
                for (int x = 0; x < size; ++x)
                {
                    Colour& pixel = image.At(x, y);
                    pixel = Colour(black.r, black.g, black.b, pixel.a);
                }
            image.Save(path, true);
        }
    }

    void WriteIcons(const std::string& folder, const std::string& name)
    {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        {
            const std::string sized = folder + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
            std::filesystem::create_directories(sized);
            PaintIcon(sized + "/" + name + ".png", size);
        }
    }

    void WriteTextures(const std::string& folder)
    {
        const std::string f = folder + "/";
        PaintCharacter(Palette{Rgb(230, 176, 132), Rgb(70, 44, 26), Rgb(40, 125, 235), Rgb(245, 245, 245),
                               Rgb(42, 46, 60), Rgb(28, 24, 22), Rgb(40, 110, 200), Rgb(140, 60, 50), false, 1},
                       f + "Character.Player.png");
        PaintCharacter(Palette{Rgb(120, 176, 84), Rgb(44, 60, 30), Rgb(70, 96, 60), Rgb(0, 0, 0),
                               Rgb(60, 62, 50), Rgb(34, 30, 26), Rgb(250, 250, 120), Rgb(70, 10, 10), true, 2},
                       f + "Character.Zombie1.png");
        PaintCharacter(Palette{Rgb(214, 160, 52), Rgb(90, 60, 20), Rgb(190, 110, 30), Rgb(0, 0, 0),
                               Rgb(96, 70, 40), Rgb(40, 30, 22), Rgb(255, 80, 20), Rgb(80, 16, 10), true, 3},
                       f + "Character.Zombie2.png");
        PaintCharacter(Palette{Rgb(150, 60, 140), Rgb(50, 10, 40), Rgb(130, 20, 30), Rgb(0, 0, 0),
                               Rgb(50, 24, 40), Rgb(24, 16, 20), Rgb(120, 255, 255), Rgb(60, 6, 20), true, 4},
                       f + "Character.Zombie3.png");
        PaintFloor(f + "Floor.Arena1.png");
        PaintSky(f + "Sky.Stars.png");
        PaintStone(f + "Arena.Stone.png", Rgb(104, 98, 92), 71);
        PaintStone(f + "Arena.DarkStone.png", Rgb(70, 64, 70), 72);
        PaintCrate(f + "Arena.Crate.png");
        PaintGrate(f + "Arena.Grate.png");
        PaintPlain(f + "Object.Metal.png", 64, Rgb(58, 60, 66), 0.2f, 81, 3.0f);
        PaintPlain(f + "Object.Wood.png", 64, Rgb(120, 70, 36), 0.25f, 82, 2.0f);
        PaintGrenade(f + "Object.Grenade.png");
        PaintBar(f + "HUD.HealthBar.png", Rgb(120, 0, 0), Rgb(230, 40, 30));
        PaintBar(f + "HUD.PowerBar.png", Rgb(20, 60, 160), Rgb(90, 200, 255));
        Image(8, 8, Colour(0, 0, 0, 0)).Save(f + "HUD.Transparent.png", true);
        PaintMenuBackground(f + "Menu.Main.Background.png");
        PaintLogo(f + "Logo.Quillmark.png", "QUILLMARK", false);
        PaintLogo(f + "Logo.Voltaro.png", "VOLTARO", true);
        PaintWindow(f + "Okit.Window.png");
        PaintParticle(f + "Particle.Flare.png", 0);
        PaintParticle(f + "Particle.Spark.png", 1);
        PaintParticle(f + "Particle.Blood.png", 2);
        PaintParticle(f + "Particle.Smoke.png", 3);
        PaintParticle(f + "Particle.Ring.png", 4);
    }
}
