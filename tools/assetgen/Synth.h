#pragma once
#include <cmath>
#include <vector>

namespace AssetGen
{
    /// Building blocks of the sound generator: filters, oscillators and buffer helpers.
    namespace Synth
    {
        constexpr int Rate = 44100;
        constexpr float Pi = 3.14159265358979f;

        /// Second-order filter (RBJ cookbook); parameters can change between samples.
        class Biquad
        {
        public:
            void LowPass(float frequency, float q = 0.707f) { Set(0, frequency, q); }
            void HighPass(float frequency, float q = 0.707f) { Set(1, frequency, q); }
            /// Band pass with 0 dB peak gain.
            void BandPass(float frequency, float q) { Set(2, frequency, q); }
            float Process(float x)
            {
                const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
                x2 = x1;
                x1 = x;
                y2 = y1;
                y1 = y;
                return y;
            }

        private:
            void Set(int kind, float frequency, float q);
            float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
            float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        };

        /// Plain one-pole smoothing low pass.
        class OnePole
        {
        public:
            void Cutoff(float frequency) { k = 1.0f - std::exp(-2.0f * Pi * frequency / Rate); }
            float Process(float x) { return y += k * (x - y); }

        private:
            float k = 1, y = 0;
        };

        inline int Samples(float seconds) { return static_cast<int>(std::lround(seconds * Rate)); }
        /// Exponential decay reaching 1/1000 (-60 dB) after `seconds`.
        inline float Decay(float t, float seconds) { return std::exp(-6.9f * t / seconds); }
        /// Attack-decay envelope: linear rise over `attack`, then exponential fall.
        inline float AttackDecay(float t, float attack, float decay)
        {
            return t < attack ? t / attack : Decay(t - attack, decay);
        }
        inline float Saw(float phase) { return 2.0f * (phase - std::floor(phase)) - 1.0f; }
        inline float Square(float phase) { return (phase - std::floor(phase)) < 0.5f ? 1.0f : -1.0f; }
        inline float Sine(float phase) { return std::sin(2.0f * Pi * phase); }
        /// Frequency of a MIDI note number.
        inline float Note(float midi) { return 440.0f * std::pow(2.0f, (midi - 69.0f) / 12.0f); }
        inline float SoftClip(float x) { return std::tanh(x); }

        /// Scales the buffer so that its largest magnitude is `peak`.
        void Normalise(std::vector<float>& samples, float peak);
        /// Short fades at both ends so that no sound starts or stops with a click.
        void FadeEdges(std::vector<float>& samples, int channels, float seconds);
    }
}
