#include "Sounds.h"

#include <algorithm>
#include <map>

#include "AudioFile.h"
#include "Random.h"
#include "Synth.h"

namespace AssetGen
{
    namespace
    {
        using namespace Synth;
        using Buffer = std::vector<float>;

        Buffer Explosion()
        {
            Random r(101);
            Buffer out(Samples(2.2f));
            Biquad rumble, crackle;
            crackle.HighPass(2500);
            float phase = 0;
            for (size_t i = 0; i < out.size(); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                rumble.LowPass(180 + 3500 * Decay(t, 0.5f), 0.9f);
                const float noise = rumble.Process(r.Signed()) * AttackDecay(t, 0.004f, 1.9f) * 2.2f;
                phase += (34 + 60 * Decay(t, 0.25f)) / Rate;
                const float thump = Sine(phase) * AttackDecay(t, 0.002f, 0.9f) * 0.9f;
                const float crack = (r.Unit() < 0.002f * Decay(t, 0.8f) * 30 ? r.Signed() : 0.0f);
                out[i] = SoftClip(noise + thump) + crackle.Process(crack) * 0.5f;
            }
            return out;
        }

        Buffer Clink(unsigned seed, float length, const std::vector<float>& partials, float noiseAmount)
        {
            Random r(seed);
            Buffer out(Samples(length));
            Biquad click;
            click.HighPass(3000);
            for (size_t i = 0; i < out.size(); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                float v = 0;
                for (size_t p = 0; p < partials.size(); ++p)
                    v += Sine(partials[p] * t) * Decay(t, length * (1.0f - 0.2f * p)) / (1.0f + p);
                v += click.Process(r.Signed()) * Decay(t, 0.01f) * noiseAmount;
                out[i] = v;
            }
            return out;
        }

        Buffer Blip()
        {
            Buffer out(Samples(0.22f));
            float phase = 0;
            OnePole soften;
            soften.Cutoff(5000);
            for (size_t i = 0; i < out.size(); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                phase += (t < 0.07f ? 880.0f : 1320.0f) / Rate;
                const float env = (t < 0.07f ? AttackDecay(t, 0.003f, 0.2f) : AttackDecay(t - 0.07f, 0.003f, 0.15f));
                out[i] = soften.Process(Square(phase) * 0.5f + Sine(phase * 2) * 0.3f) * env;
            }
            return out;
        }

        Buffer Thud(unsigned seed, float length, float cutoff, float pitch, float grit)
        {
            Random r(seed);
            Buffer out(Samples(length));
            Biquad body, scrape;
            body.LowPass(cutoff, 1.2f);
            scrape.BandPass(2200, 1.0f);
            float phase = 0;
            for (size_t i = 0; i < out.size(); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                phase += pitch * (1.0f + Decay(t, 0.05f)) / Rate;
                const float heel = AttackDecay(t, 0.002f, length * 0.5f);
                const float toe = t > length * 0.35f ? AttackDecay(t - length * 0.35f, 0.002f, length * 0.4f) * 0.6f : 0.0f;
                const float n = r.Signed();
                out[i] = body.Process(n) * (heel + toe) * 2.5f + Sine(phase) * heel * 0.5f +
                         scrape.Process(n) * (heel + toe) * grit;
            }
            return out;
        }

        Buffer Gunshot(unsigned seed, float length, float boomPitch, float brightness, bool pump)
        {
            Random r(seed);
            Buffer out(Samples(length));
            Biquad crack, body, pumpFilter;
            crack.HighPass(1200);
            pumpFilter.BandPass(2500, 3);
            float phase = 0;
            for (size_t i = 0; i < out.size(); ++i)
            {
                const float t = static_cast<float>(i) / Rate;
                const float n = r.Signed();
                body.LowPass(300 + brightness * Decay(t, 0.08f), 0.8f);
                phase += boomPitch * (1 + 2 * Decay(t, 0.03f)) / Rate;
                float v = crack.Process(n) * AttackDecay(t, 0.0005f, 0.06f) * 1.5f;
                v += body.Process(n) * AttackDecay(t, 0.001f, length * 0.6f) * 3.0f;
                v += Sine(phase) * AttackDecay(t, 0.001f, 0.25f);
                if (pump)
                    for (float at : {0.55f, 0.72f})
                        if (t > at)
                            v += pumpFilter.Process(n) * Decay(t - at, 0.03f) * 1.5f;
                out[i] = SoftClip(v * 1.5f);
            }
            return out;
        }

        // --- Voice: a glottal pulse train through three formant filters, with noise for consonants.

        struct Formants
        {
            float f1, f2, f3;
        };
        const std::map<std::string, Formants>& Vowels()
        {
            static const std::map<std::string, Formants> vowels = {
                {"a", {750, 1150, 2450}}, {"e", {530, 1840, 2480}}, {"i", {300, 2250, 3000}},
                {"o", {560, 850, 2400}},  {"u", {320, 850, 2250}},  {"uh", {640, 1200, 2400}},
                {"ae", {680, 1700, 2450}}, {"er", {490, 1350, 1700}}, {"m", {280, 1000, 2200}},
            };
            return vowels;
        }

        /// One stretch of a phrase: voiced (vowel `from` gliding to `to`) and/or noise (a band).
        struct Segment
        {
            float duration;
            std::string from, to; // empty: unvoiced
            float noise;          // noise amount
            float noiseLow, noiseHigh;
            float pitch;          // multiplier of the phrase pitch
            float loudness;
        };

        Segment Vowel(const std::string& v, float duration, float pitch = 1, const std::string& to = "")
        {
            return Segment{duration, v, to.empty() ? v : to, 0.04f, 500, 3000, pitch, 1};
        }
        Segment Fricative(float duration, float low = 2500, float high = 7000, float amount = 0.5f)
        {
            return Segment{duration, "", "", amount, low, high, 1, 1};
        }
        Segment Burst(float amount = 0.9f) { return Segment{0.03f, "", "", amount, 1200, 4000, 1, 1}; }
        Segment Breath(float duration) { return Segment{duration, "", "", 0.35f, 400, 3000, 1, 1}; }
        Segment Gap(float duration) { return Segment{duration, "", "", 0, 500, 1000, 1, 0}; }

        Buffer Speak(const std::vector<Segment>& phrase, float basePitch, float roughness, unsigned seed)
        {
            Random r(seed);
            float total = 0;
            for (const Segment& s : phrase)
                total += s.duration;
            Buffer out(Samples(total + 0.15f));
            Biquad formant[3], noiseBand, noiseHigh;
            OnePole glottal, loudnessSmooth, voicingSmooth, pitchSmooth;
            glottal.Cutoff(2500);
            loudnessSmooth.Cutoff(60);
            voicingSmooth.Cutoff(40);
            pitchSmooth.Cutoff(12);
            float phase = 0, start = 0;
            size_t index = 0;
            size_t segment = 0;
            for (size_t i = 0; i < out.size(); ++i, ++index)
            {
                const float t = static_cast<float>(i) / Rate;
                while (segment < phrase.size() && t > start + phrase[segment].duration)
                    start += phrase[segment++].duration;
                const bool inside = segment < phrase.size();
                const Segment& s = inside ? phrase[segment] : phrase.back();
                const float local = inside ? (t - start) / s.duration : 1.0f;
                const bool voiced = inside && !s.from.empty();
                const float voicing = voicingSmooth.Process(voiced ? 1.0f : 0.0f);
                const float loud = loudnessSmooth.Process(inside ? s.loudness : 0.0f);
                // Pitch falls over the phrase and bends within a syllable.
                const float contour = 1.1f - 0.25f * t / total;
                const float pitch = pitchSmooth.Process(basePitch * contour * (voiced ? s.pitch : 1.0f)) *
                                    (1.0f + 0.015f * r.Signed());
                phase += pitch / Rate;
                if (i % 32 == 0 && voiced)
                {
                    const Formants& a = Vowels().at(s.from);
                    const Formants& b = Vowels().at(s.to);
                    const float k = local * local * (3 - 2 * local);
                    formant[0].BandPass(a.f1 + (b.f1 - a.f1) * k, 6);
                    formant[1].BandPass(a.f2 + (b.f2 - a.f2) * k, 9);
                    formant[2].BandPass(a.f3 + (b.f3 - a.f3) * k, 12);
                }
                if (i % 32 == 0 && inside && s.noise > 0)
                {
                    noiseBand.BandPass(std::sqrt(s.noiseLow * s.noiseHigh), 1.2f);
                    noiseHigh.HighPass(s.noiseLow);
                }
                // A sharp glottal pulse: a saw with its ramp rounded off, plus some breath noise.
                const float source = glottal.Process(Saw(phase) + roughness * r.Signed()) * voicing;
                float v = formant[0].Process(source) * 1.0f + formant[1].Process(source) * 0.8f +
                          formant[2].Process(source) * 0.45f;
                const float n = r.Signed();
                if (inside && s.noise > 0)
                    v += noiseBand.Process(noiseHigh.Process(n)) * s.noise * 1.2f;
                out[i] = v * loud;
            }
            // A little drive: shouted rather than spoken.
            for (float& v : out)
                v = SoftClip(v * 2.5f);
            return out;
        }

        Buffer Death()
        {
            Buffer groan = Speak({Vowel("uh", 0.25f, 1.1f, "a"), Vowel("a", 0.5f, 0.9f, "o"), Vowel("o", 0.45f, 0.6f, "u"),
                                  Breath(0.2f)},
                                 115, 0.35f, 201);
            Buffer fall = Thud(202, 0.5f, 400, 60, 0.3f);
            Buffer out(groan.size() + Samples(0.2f), 0.0f);
            for (size_t i = 0; i < groan.size(); ++i)
                out[i] += groan[i] * 0.8f;
            const size_t at = Samples(1.15f);
            for (size_t i = 0; i < fall.size() && at + i < out.size(); ++i)
                out[at + i] += fall[i];
            return out;
        }

        void Save(const std::string& folder, const std::string& name, Buffer samples, float peak = 0.9f)
        {
            Normalise(samples, peak);
            FadeEdges(samples, 1, 0.002f);
            WriteWav(folder + "/" + name, samples, Rate);
        }
    }

    void WriteSounds(const std::string& folder)
    {
        Save(folder, "explosion.wav", Explosion(), 0.95f);
        Save(folder, "hit.wav", Clink(102, 0.25f, {1250, 2780, 4150, 6100}, 0.6f), 0.7f);
        Save(folder, "hit2.wav", Blip(), 0.6f);
        Save(folder, "hit3.wav", Thud(103, 0.3f, 700, 110, 0.1f), 0.8f);
        Save(folder, "footstep.wav", Thud(104, 0.16f, 900, 80, 0.5f), 0.55f);
        Save(folder, "shotgun.wav", Gunshot(105, 1.0f, 70, 5000, true), 0.95f);
        Save(folder, "pistol.wav", Gunshot(106, 0.45f, 140, 7000, false), 0.9f);
        Save(folder, "death.wav", Death(), 0.9f);

        // Short shouted lines: the rhythm and vowels of each phrase, spoken by a formant voice.
        const float excited = 165, hurt = 190;
        const Segment F = Fricative(0.07f), K = Burst(), H = Breath(0.05f);
        const Segment S = Fricative(0.09f, 3500, 9000, 0.45f), CH = Fricative(0.1f, 2000, 6000, 0.6f);
        Save(folder, "fuckyeah.wav",
             Speak({F, Vowel("uh", 0.12f), K, Gap(0.05f), Vowel("i", 0.06f, 1.1f), Vowel("e", 0.34f, 1.25f, "a")},
                   excited, 0.2f, 301));
        Save(folder, "fuckyeah2.wav",
             Speak({H, Vowel("a", 0.12f, 1.2f), H, Vowel("a", 0.14f, 1.1f), Gap(0.08f), F, Vowel("uh", 0.1f), K,
                    Gap(0.04f), Vowel("i", 0.05f, 1.1f), Vowel("e", 0.32f, 1.3f, "a")},
                   excited, 0.2f, 302));
        Save(folder, "fuckyou.wav",
             Speak({F, Vowel("uh", 0.1f), K, Gap(0.03f), Vowel("i", 0.04f), Vowel("u", 0.16f, 1.2f), Vowel("ae", 0.1f),
                    Vowel("m", 0.05f), Vowel("i", 0.04f), Vowel("o", 0.1f), Vowel("er", 0.06f), Burst(0.4f),
                    Vowel("ae", 0.12f, 1.15f), Burst(0.4f), Vowel("i", 0.22f, 0.9f)},
                   excited, 0.2f, 303));
        Save(folder, "fuckingawesome.wav",
             Speak({F, Vowel("uh", 0.09f), K, Vowel("i", 0.08f), Vowel("m", 0.05f), Gap(0.03f), Vowel("a", 0.14f, 1.3f),
                    S, Vowel("uh", 0.1f, 1.1f), Vowel("m", 0.18f, 0.9f)},
                   excited, 0.2f, 304));
        Save(folder, "ahfuck.wav",
             Speak({Vowel("a", 0.25f, 1.2f, "uh"), Gap(0.08f), F, Vowel("uh", 0.13f, 1.1f), K}, hurt, 0.35f, 305));
        Save(folder, "ohyeah.wav",
             Speak({Vowel("o", 0.28f, 0.9f, "u"), Gap(0.05f), Vowel("i", 0.06f, 1.1f), Vowel("e", 0.4f, 1.3f, "a")},
                   excited * 0.85f, 0.15f, 306));
        Save(folder, "argh.wav", Speak({Vowel("a", 0.55f, 1.25f, "er"), Breath(0.12f)}, hurt, 0.55f, 307));
        Save(folder, "hahahaha.wav",
             Speak({H, Vowel("a", 0.11f, 1.3f), H, Vowel("a", 0.11f, 1.2f), H, Vowel("a", 0.11f, 1.1f), H,
                    Vowel("a", 0.16f, 0.95f)},
                   excited, 0.2f, 308));
        Save(folder, "motherfuckers.wav",
             Speak({Vowel("m", 0.06f), Vowel("uh", 0.14f, 1.2f), Fricative(0.05f, 3000, 6000, 0.25f),
                    Vowel("er", 0.1f), F, Vowel("uh", 0.12f, 1.1f), K, Vowel("er", 0.14f, 0.95f), S},
                   excited, 0.25f, 309));
        Save(folder, "biatch.wav",
             Speak({Burst(0.3f), Vowel("i", 0.1f, 1.2f), Vowel("a", 0.22f, 1.3f, "ae"), CH}, excited, 0.2f, 310));
    }
}
