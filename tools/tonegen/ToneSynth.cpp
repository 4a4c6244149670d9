#include "ToneSynth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace corvale::tonegen {
namespace {

constexpr double twoPi = 2 * std::numbers::pi;
// Below this the envelope counts as silent and a partial stops.
constexpr double inaudible = 1e-5;

// Band-pass biquad (constant peak gain), coefficients recomputed as the centre moves.
class BandPass {
public:
    double process(double x, double centre, double q) {
        const double w = twoPi * centre / sampleRate;
        const double alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        const double b0 = alpha / a0;
        const double a1 = -2 * std::cos(w) / a0;
        const double a2 = (1 - alpha) / a0;
        const double y = b0 * x - b0 * x2_ - a1 * y1_ - a2 * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

} // namespace

double Noise::next() {
    // xorshift32: simple, fixed and portable.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
}

double Envelope::at(double t) const {
    if (t < 0) {
        return 0;
    }
    if (t < attack) {
        return 0.5 - 0.5 * std::cos(std::numbers::pi * t / attack);
    }
    t -= attack;
    if (t < hold) {
        return 1;
    }
    return std::exp(-(t - hold) / decay);
}

Tone::Tone(double seconds) : samples_(static_cast<std::size_t>(seconds * sampleRate), 0.0) {}

std::size_t Tone::index(double seconds) const {
    return std::min(samples_.size(), static_cast<std::size_t>(std::max(0.0, seconds) * sampleRate));
}

void Tone::partial(double start, double from, double amplitude, Envelope envelope, double to,
                   double glide) {
    if (to <= 0) {
        to = from;
    }
    double phase = 0;
    for (std::size_t i = index(start); i < samples_.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate - start;
        const double level = envelope.at(t);
        if (t > envelope.attack + envelope.hold && level < inaudible) {
            break;
        }
        const double progress = glide > 0 ? std::min(1.0, t / glide) : 1.0;
        const double frequency = from * std::pow(to / from, progress);
        if (frequency < sampleRate / 2.0) {
            samples_[i] += amplitude * level * std::sin(phase);
        }
        phase = std::fmod(phase + twoPi * frequency / sampleRate, twoPi);
    }
}

void Tone::struck(double start, double frequency, double amplitude, double decay,
                  const std::vector<double>& ratios, const std::vector<double>& weights) {
    for (std::size_t k = 0; k < ratios.size(); ++k) {
        // Higher partials ring for a shorter time, as in real bars and bells.
        const double partialDecay = decay / std::pow(ratios[k], 0.7);
        partial(start, frequency * ratios[k], amplitude * weights[k],
                Envelope{0.0015, 0, partialDecay});
    }
}

void Tone::bell(double start, double frequency, double amplitude, double decay) {
    struck(start, frequency, amplitude, decay, {1.0, 2.0, 2.76, 4.07, 5.43, 1.003},
           {1.0, 0.45, 0.3, 0.16, 0.08, 0.5});
}

void Tone::marimba(double start, double frequency, double amplitude) {
    struck(start, frequency, amplitude, 0.32, {1.0, 3.93, 9.2}, {1.0, 0.3, 0.08});
}

void Tone::kalimba(double start, double frequency, double amplitude) {
    struck(start, frequency, amplitude, 0.45, {1.0, 5.4, 8.9}, {1.0, 0.22, 0.06});
}

void Tone::pluck(double start, double frequency, double amplitude, double decay,
                 std::uint32_t seed) {
    const auto period = static_cast<std::size_t>(std::lround(sampleRate / frequency));
    std::vector<double> line(period);
    Noise noise(seed);
    for (auto& v : line) {
        v = noise.next();
    }
    // A softer excitation, like a finger rather than a pick: smooth the initial noise.
    for (int pass = 0; pass < 3; ++pass) {
        for (std::size_t i = 1; i < period; ++i) {
            line[i] = 0.5 * (line[i] + line[i - 1]);
        }
    }
    // Loss per period, chosen so the note falls by 1/e in `decay` seconds.
    const double loss = std::exp(-1.0 / (decay * frequency));
    std::size_t pos = 0;
    for (std::size_t i = index(start); i < samples_.size(); ++i) {
        const std::size_t next = (pos + 1) % period;
        const double out = line[pos];
        line[pos] = loss * 0.5 * (line[pos] + line[next]);
        pos = next;
        const double t = static_cast<double>(i) / sampleRate - start;
        samples_[i] += amplitude * out * Envelope{0.001, 10, 1}.at(t);
    }
}

void Tone::breath(double start, double length, double from, double to, double q, double amplitude,
                  Envelope envelope, std::uint32_t seed) {
    Noise noise(seed);
    BandPass filter;
    const std::size_t end = index(start + length);
    for (std::size_t i = index(start); i < end; ++i) {
        const double t = static_cast<double>(i) / sampleRate - start;
        const double centre = from * std::pow(to / from, t / length);
        samples_[i] += amplitude * envelope.at(t) * filter.process(noise.next(), centre, q);
    }
}

void Tone::sweptHarmonics(double start, double frequency, double amplitude, int harmonics,
                          double decay, double brightnessDecay) {
    for (int n = 1; n <= harmonics; ++n) {
        // Each harmonic decays faster the higher it is, so the tone darkens as it sounds.
        const double harmonicDecay = 1.0 / (1.0 / decay + (n - 1) / brightnessDecay);
        partial(start, frequency * n, amplitude / n, Envelope{0.004, 0, harmonicDecay});
    }
}

void Tone::tremolo(double rate, double depth) {
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        samples_[i] *= 1 - depth + depth * (0.5 + 0.5 * std::sin(twoPi * rate * t));
    }
}

void Tone::room(double wet) {
    // Schroeder: four damped combs in parallel, then two all-passes.
    constexpr std::array<std::size_t, 4> combDelays{1557, 1617, 1491, 1422};
    constexpr std::array<std::size_t, 2> allPassDelays{556, 441};
    constexpr double feedback = 0.72;
    constexpr double damping = 0.35;
    std::vector<double> out(samples_.size(), 0.0);
    for (std::size_t delay : combDelays) {
        std::vector<double> line(delay, 0.0);
        double low = 0;
        std::size_t pos = 0;
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            const double y = line[pos];
            low = y * (1 - damping) + low * damping;
            line[pos] = samples_[i] + low * feedback;
            pos = (pos + 1) % delay;
            out[i] += y / combDelays.size();
        }
    }
    for (std::size_t delay : allPassDelays) {
        std::vector<double> line(delay, 0.0);
        std::size_t pos = 0;
        for (double& v : out) {
            const double delayed = line[pos];
            const double y = -0.5 * v + delayed;
            line[pos] = v + 0.5 * delayed;
            pos = (pos + 1) % delay;
            v = y;
        }
    }
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        samples_[i] += wet * out[i];
    }
}

void Tone::finish(double fadeSeconds) {
    // One-pole high-pass at about 20 Hz removes any offset the synthesis left.
    const double r = std::exp(-twoPi * 20.0 / sampleRate);
    double previousIn = 0;
    double previousOut = 0;
    for (double& v : samples_) {
        const double y = v - previousIn + r * previousOut;
        previousIn = v;
        previousOut = y;
        v = y;
    }
    const auto fade = static_cast<std::size_t>(fadeSeconds * sampleRate);
    const std::size_t n = samples_.size();
    for (std::size_t i = 0; i < std::min(fade, n); ++i) {
        const double g = static_cast<double>(i) / static_cast<double>(fade);
        samples_[n - 1 - i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * g);
    }
}

} // namespace corvale::tonegen
