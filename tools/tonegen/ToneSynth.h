#pragma once

#include <cstdint>
#include <vector>

namespace corvale::tonegen {

constexpr int sampleRate = 48000;

// A fixed-seed noise source, the same on every compiler and machine.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    // Uniform in [-1, 1).
    double next();
    // Uniform in [low, high).
    double between(double low, double high) { return low + (high - low) * (next() + 1) / 2; }

private:
    std::uint32_t state_;
};

// Envelope of one struck or blown note: a raised-cosine attack, then exponential decay with the
// given time constant. A hold keeps the level before the decay starts.
struct Envelope {
    double attack = 0.002;
    double hold = 0;
    double decay = 0.3;
    double at(double t) const;
};

// A mono sound being built, in seconds and linear amplitude.
class Tone {
public:
    explicit Tone(double seconds);

    // A sine partial from start, its frequency gliding exponentially from `from` to `to` over
    // glide seconds.
    void partial(double start, double from, double amplitude, Envelope envelope, double to = 0,
                 double glide = 0);
    // Struck bar or bell: partials at the given frequency ratios, the upper ones dying faster.
    void struck(double start, double frequency, double amplitude, double decay,
                const std::vector<double>& ratios, const std::vector<double>& weights);
    void bell(double start, double frequency, double amplitude, double decay);
    void marimba(double start, double frequency, double amplitude);
    void kalimba(double start, double frequency, double amplitude);
    // Plucked string (Karplus-Strong) excited by seeded noise.
    void pluck(double start, double frequency, double amplitude, double decay, std::uint32_t seed);
    // Band-passed noise whose centre moves from `from` to `to` and whose level follows envelope.
    void breath(double start, double length, double from, double to, double q, double amplitude,
                Envelope envelope, std::uint32_t seed);
    // Harmonic tone (amplitudes 1/n) whose upper harmonics fade faster: a closing filter sweep.
    void sweptHarmonics(double start, double frequency, double amplitude, int harmonics,
                        double decay, double brightnessDecay);
    // Multiplies the sound from start by 1 - depth + depth × (raised sine at rate).
    void tremolo(double rate, double depth);
    // A small room, so struck sounds do not end dry.
    void room(double wet);
    // Fades the last `seconds` to silence and drops DC.
    void finish(double fadeSeconds);

    const std::vector<double>& samples() const { return samples_; }

private:
    std::size_t index(double seconds) const;
    std::vector<double> samples_;
};

} // namespace corvale::tonegen
