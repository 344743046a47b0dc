#include "Music.h"

#include <algorithm>
#include <array>

#include "AudioFile.h"
#include "Random.h"
#include "Synth.h"

namespace AssetGen
{
    namespace
    {
        using namespace Synth;

        /// A stereo track of `length` seconds plus a tail; `Loop` folds the tail onto the start
        /// with an equal-power crossfade so that the end runs seamlessly into the beginning.
        class Track
        {
        public:
            Track(float length, float tail)
                : frames(Samples(length)), total(Samples(length + tail)), left(total, 0.0f), right(total, 0.0f),
                  sendL(total, 0.0f), sendR(total, 0.0f)
            {
            }

            /// Adds a sample at frame i, panned (-1 left .. 1 right), with some of it sent to the echo.
            void Add(int i, float v, float pan, float send = 0)
            {
                if (i < 0 || i >= total)
                    return;
                const float l = std::sqrt(0.5f * (1 - pan)), r = std::sqrt(0.5f * (1 + pan));
                left[i] += v * l;
                right[i] += v * r;
                sendL[i] += v * l * send;
                sendR[i] += v * r * send;
            }

            /// Ping-pong echo of everything sent.
            void Echo(float delay, float feedback, float tone)
            {
                const int d = Samples(delay);
                OnePole filterL, filterR;
                filterL.Cutoff(tone);
                filterR.Cutoff(tone);
                std::vector<float> bufL(total, 0.0f), bufR(total, 0.0f);
                for (int i = 0; i < total; ++i)
                {
                    const float inL = i >= d ? bufR[i - d] : 0.0f, inR = i >= d ? bufL[i - d] : 0.0f;
                    bufL[i] = sendL[i] + filterL.Process(inL) * feedback;
                    bufR[i] = sendR[i] + filterR.Process(inR) * feedback;
                    left[i] += inL;
                    right[i] += inR;
                }
            }

            std::vector<float> Loop() const
            {
                const int fade = total - frames;
                std::vector<float> out(static_cast<size_t>(frames) * 2);
                for (int i = 0; i < frames; ++i)
                {
                    float l = left[i], r = right[i];
                    if (i < fade)
                    {
                        const float k = static_cast<float>(i) / fade;
                        const float in = std::sin(k * Pi * 0.5f), outGain = std::cos(k * Pi * 0.5f);
                        l = l * in + left[frames + i] * outGain;
                        r = r * in + right[frames + i] * outGain;
                    }
                    out[i * 2] = l;
                    out[i * 2 + 1] = r;
                }
                return out;
            }

            int Frames() const { return total; }

        private:
            int frames, total;
            std::vector<float> left, right, sendL, sendR;
        };

        int At(float seconds) { return Samples(seconds); }

        void Pad(Track& track, float note, float start, float duration, float gain, float pan, float cutoff)
        {
            OnePole filter;
            filter.Cutoff(cutoff);
            const float f = Note(note);
            const int n = Samples(duration + 1.5f);
            float p1 = 0, p2 = 0.3f, p3 = 0;
            for (int i = 0; i < n; ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                const float env = std::min(1.0f, t / 0.8f) * (t > duration ? Decay(t - duration, 1.5f) : 1.0f);
                p1 += f * 1.003f / Rate;
                p2 += f * 0.997f / Rate;
                p3 += f * 0.5f / Rate;
                const float v = filter.Process(Saw(p1) + Saw(p2)) * 0.5f + Sine(p3) * 0.3f;
                track.Add(At(start) + i, v * env * gain, pan, 0.3f);
            }
        }

        void Bell(Track& track, float note, float start, float gain, float pan)
        {
            const float f = Note(note);
            const int n = Samples(1.6f);
            for (int i = 0; i < n; ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                const float v = Sine(f * t) * Decay(t, 1.5f) + Sine(f * 2.76f * t) * Decay(t, 0.4f) * 0.4f +
                                Sine(f * 5.4f * t) * Decay(t, 0.15f) * 0.2f;
                track.Add(At(start) + i, v * std::min(1.0f, t / 0.002f) * gain, pan, 0.5f);
            }
        }

        void Bass(Track& track, float note, float start, float duration, float gain, float brightness)
        {
            Biquad filter;
            const float f = Note(note);
            const int n = Samples(duration + 0.05f);
            float phase = 0;
            for (int i = 0; i < n; ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                if (i % 16 == 0)
                    filter.LowPass(120 + brightness * Decay(t, 0.15f), 2.0f);
                phase += f / Rate;
                const float env = std::min(1.0f, t / 0.004f) * (t > duration ? Decay(t - duration, 0.03f) : 1.0f);
                const float v = filter.Process(Saw(phase)) * 0.8f + Sine(phase) * 0.5f;
                track.Add(At(start) + i, SoftClip(v * 1.5f) * env * gain, 0);
            }
        }

        void Kick(Track& track, float start, float gain)
        {
            float phase = 0;
            for (int i = 0; i < Samples(0.35f); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                phase += (45 + 90 * Decay(t, 0.06f)) / Rate;
                track.Add(At(start) + i, Sine(phase) * AttackDecay(t, 0.001f, 0.3f) * gain, 0);
            }
        }

        void Snare(Track& track, Random& r, float start, float gain)
        {
            Biquad band;
            band.BandPass(1800, 0.8f);
            float phase = 0;
            for (int i = 0; i < Samples(0.25f); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                phase += 190.0f / Rate;
                const float v = band.Process(r.Signed()) * 2.0f * Decay(t, 0.18f) + Sine(phase) * Decay(t, 0.06f) * 0.6f;
                track.Add(At(start) + i, v * gain, 0.1f, 0.15f);
            }
        }

        void Hat(Track& track, Random& r, float start, float gain, float length)
        {
            Biquad high;
            high.HighPass(7500, 0.9f);
            for (int i = 0; i < Samples(length); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                track.Add(At(start) + i, high.Process(r.Signed()) * Decay(t, length) * gain, -0.3f);
            }
        }

        void Lead(Track& track, float note, float start, float duration, float gain, float pan)
        {
            Biquad filter;
            filter.LowPass(2200, 1.5f);
            const float f = Note(note);
            float phase = 0;
            for (int i = 0; i < Samples(duration + 0.08f); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                phase += f * (1.0f + 0.004f * Sine(5.5f * t) * std::min(1.0f, t * 3)) / Rate;
                const float env = std::min(1.0f, t / 0.01f) * (t > duration ? Decay(t - duration, 0.06f) : 1.0f);
                const float v = filter.Process(Square(phase) * 0.6f + Saw(phase * 1.005f) * 0.4f);
                track.Add(At(start) + i, SoftClip(v * 2.0f) * env * gain, pan, 0.35f);
            }
        }

        void Finish(Track& track, const std::string& path)
        {
            std::vector<float> out = track.Loop();
            Normalise(out, 0.8f);
            WriteOgg(path, out, 2, Rate, 0.3);
        }

        // Menu: slow A minor progression, pads, a music-box arpeggio, a distant kick.
        void Menu(const std::string& path)
        {
            const float beat = 60.0f / 90.0f, bar = beat * 4;
            Track track(bar * 24, 2.5f);
            const std::array<std::array<int, 3>, 4> chords = {{{57, 60, 64}, {53, 57, 60}, {50, 53, 57}, {52, 56, 59}}};
            const std::array<int, 8> pattern = {0, 1, 2, 1, 3, 2, 1, 2};
            for (int b = 0; b < 24; ++b)
            {
                const auto& chord = chords[(b / 2) % 4];
                const float t = b * bar;
                if (b % 2 == 0)
                {
                    for (int n = 0; n < 3; ++n)
                        Pad(track, chord[n], t, bar * 2, 0.12f, -0.5f + 0.5f * n, 900);
                    Pad(track, chord[0] - 24, t, bar * 2, 0.15f, 0, 300);
                }
                if (b >= 4)
                    for (int s = 0; s < 8; ++s)
                    {
                        const int idx = pattern[(s + b) % 8];
                        const int note = idx == 3 ? chord[0] + 12 : chord[idx];
                        Bell(track, note + 12, t + s * beat * 0.5f, s == 0 ? 0.2f : 0.13f, s % 2 ? 0.4f : -0.4f);
                    }
                if (b >= 8 && b < 22)
                    Kick(track, t, 0.35f);
            }
            track.Echo(beat * 0.75f, 0.45f, 3000);
            Finish(track, path);
        }

        // In game: driving 120 bpm rock in A minor: drums, eighth-note bass, a lead riff.
        void InGame(const std::string& path)
        {
            const float beat = 0.5f, bar = 2.0f;
            Track track(bar * 32, 2.0f);
            Random r(401);
            const std::array<int, 8> roots = {45, 45, 41, 43, 45, 45, 38, 40};
            const std::array<std::array<float, 2>, 8> riff = {{{69, 0.5f}, {72, 0.5f}, {74, 0.25f}, {72, 0.25f},
                                                               {69, 0.5f}, {67, 0.5f}, {69, 1.0f}, {64, 0.5f}}};
            for (int b = 0; b < 32; ++b)
            {
                const float t = b * bar;
                const int root = roots[b % 8];
                const bool breakdown = b >= 16 && b < 20;
                for (int e = 0; e < 8; ++e)
                {
                    const float at = t + e * beat * 0.5f;
                    Hat(track, r, at, e % 2 ? 0.08f : 0.14f, e == 7 ? 0.12f : 0.04f);
                    if (!breakdown || e % 4 == 0)
                        Bass(track, root - 12 + ((e == 3 || e == 7) ? 12 : 0), at, beat * 0.45f, 0.35f,
                             breakdown ? 500 : 1400);
                }
                if (!breakdown)
                {
                    for (float k : {0.0f, 1.5f, 2.0f})
                        Kick(track, t + k * beat, 0.9f);
                    Snare(track, r, t + beat, 0.5f);
                    Snare(track, r, t + 3 * beat, 0.5f);
                    if (b % 4 == 3)
                        Snare(track, r, t + 3.5f * beat, 0.3f);
                }
                else
                    Kick(track, t, 0.7f);
                if (b % 2 == 0)
                    Pad(track, root + 12, t, bar * 2, 0.06f, -0.6f, 700);
                if ((b >= 8 && b < 16) || b >= 24)
                {
                    float at = t;
                    for (const auto& [note, length] : riff)
                    {
                        const float shift = (b % 8 >= 4) ? -2.0f : 0.0f;
                        if (at < t + bar * 2 && (b % 2 == 0))
                            Lead(track, note + shift, at, length * beat * 0.9f, 0.2f, 0.3f);
                        at += length * beat;
                    }
                }
            }
            track.Echo(beat * 0.75f, 0.3f, 2500);
            Finish(track, path);
        }

        // The opening: a dissonant drone, wind, a heartbeat and eerie glides.
        void Scary(const std::string& path)
        {
            const float length = 64.0f;
            Track track(length, 3.0f);
            Random r(501);
            const int n = track.Frames();
            {
                Biquad windL, windR;
                OnePole droneFilter;
                float a = 0, b = 0, c = 0;
                for (int i = 0; i < n; ++i)
                {
                    const float t = static_cast<float>(i) / Rate;
                    const float lfo = 0.5f + 0.5f * Sine(t / 8.0f);
                    if (i % 32 == 0)
                    {
                        windL.BandPass(300 + 900 * lfo, 2.5f);
                        windR.BandPass(350 + 800 * (1 - lfo), 2.5f);
                        droneFilter.Cutoff(90 + 160 * lfo);
                    }
                    a += Note(33) / Rate;
                    b += Note(34) * 1.002f / Rate;
                    c += Note(45) / Rate;
                    const float drone = droneFilter.Process(Saw(a) + Saw(b) * 0.8f + Saw(c) * 0.3f) * 0.5f;
                    track.Add(i, drone, 0);
                    const float swell = 0.5f + 0.5f * Sine(t / 13.0f + 0.2f);
                    track.Add(i, windL.Process(r.Signed()) * 0.3f * swell, -0.8f);
                    track.Add(i, windR.Process(r.Signed()) * 0.3f * swell, 0.8f);
                }
            }
            for (float t = 16.0f; t < 48.0f; t += 1.15f) // heartbeat: lub-dub
            {
                Kick(track, t, 0.55f);
                Kick(track, t + 0.22f, 0.35f);
            }
            for (int g = 0; g < 9; ++g) // eerie glides
            {
                const float start = 3.0f + g * 6.8f + r.Range(-1, 1);
                const float from = Note(r.Range(76, 88)), to = from * r.Range(0.7f, 0.9f);
                const float duration = r.Range(2.5f, 4.0f);
                const float pan = r.Range(-0.8f, 0.8f);
                float phase = 0;
                for (int i = 0; i < Samples(duration); ++i)
                {
                    const float t = static_cast<float>(i) / Rate, k = t / duration;
                    phase += (from + (to - from) * k) * (1 + 0.01f * Sine(6 * t)) / Rate;
                    track.Add(At(start) + i, Sine(phase) * std::sin(Pi * k) * 0.12f, pan, 0.6f);
                }
            }
            for (int s = 0; s < 6; ++s) // metallic scrapes
            {
                const float start = 6.0f + s * 10.0f + r.Range(0, 3);
                Biquad ring;
                ring.BandPass(r.Range(900, 2400), 25);
                const float pan = r.Range(-1, 1);
                for (int i = 0; i < Samples(1.5f); ++i)
                {
                    const float t = static_cast<float>(i) / Rate;
                    track.Add(At(start) + i, ring.Process(r.Signed()) * std::sin(Pi * t / 1.5f) * 1.2f, pan, 0.5f);
                }
            }
            track.Echo(0.9f, 0.5f, 1800);
            Finish(track, path);
        }
    }

    void WriteMusic(const std::string& folder)
    {
        Scary(folder + "/scary.ogg");
        Menu(folder + "/menu.ogg");
        InGame(folder + "/ingame.ogg");
    }
}
