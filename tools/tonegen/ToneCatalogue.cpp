#include "ToneCatalogue.h"

#include <cmath>

namespace corvale::tonegen {
namespace {

// Equal-tempered pitch of a MIDI note number.
double note(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

Tone submarine() {
    // A sonar ping and its fainter echo.
    Tone t(1.3);
    for (auto [start, level] : {std::pair{0.0, 1.0}, std::pair{0.42, 0.32}}) {
        t.partial(start, note(74) * 1.04, level, {0.012, 0.02, 0.22}, note(74), 0.08);
        t.partial(start, note(86), 0.18 * level, {0.012, 0, 0.12});
    }
    t.room(0.35);
    t.finish(0.15);
    return t;
}

Tone ping() {
    Tone t(1.0);
    t.struck(0, note(91), 1.0, 0.28, {1.0, 2.76, 5.4, 1.004}, {1.0, 0.18, 0.05, 0.6});
    t.room(0.2);
    t.finish(0.1);
    return t;
}

Tone pop() {
    Tone t(0.22);
    t.partial(0, 900, 1.0, {0.001, 0, 0.035}, 170, 0.03);
    t.breath(0, 0.02, 2200, 1800, 2.0, 0.35, {0.0005, 0, 0.004}, 7);
    t.finish(0.03);
    return t;
}

Tone blow() {
    // A soft whoosh whose colour rises, with a breath of pitch in it.
    Tone t(0.85);
    const Envelope swell{0.22, 0.12, 0.14};
    t.breath(0, 0.85, 420, 1300, 1.6, 1.0, swell, 11);
    t.partial(0, 392, 0.06, swell, 440, 0.4);
    t.finish(0.12);
    return t;
}

Tone glass() {
    // Two glasses touching: a clink and a smaller answer.
    Tone t(1.0);
    const std::vector<double> ratios{1.0, 1.51, 2.03, 2.71};
    const std::vector<double> weights{1.0, 0.55, 0.35, 0.2};
    t.struck(0, 2637, 1.0, 0.3, ratios, weights);
    t.struck(0.13, 2794, 0.55, 0.26, ratios, weights);
    t.room(0.22);
    t.finish(0.12);
    return t;
}

Tone hero() {
    // A short brass fanfare up the major chord.
    Tone t(1.35);
    const int notes[] = {60, 64, 67, 72};
    for (int i = 0; i < 4; ++i) {
        const double start = 0.1 * i;
        const double hold = i == 3 ? 0.3 : 0.05;
        for (int n = 1; n <= 6; ++n) {
            t.partial(start, note(notes[i]) * n, 0.55 / n, {0.018, hold, i == 3 ? 0.25 : 0.09});
        }
    }
    t.room(0.25);
    t.finish(0.15);
    return t;
}

Tone bottle() {
    // A hollow knock on a bottle: odd harmonics, a quick settle of pitch.
    Tone t(0.6);
    t.partial(0, 480, 1.0, {0.003, 0, 0.16}, 440, 0.025);
    t.partial(0, 1320, 0.2, {0.003, 0, 0.07});
    t.partial(0, 2200, 0.06, {0.003, 0, 0.04});
    t.breath(0, 0.05, 500, 440, 6, 0.25, {0.002, 0, 0.015}, 13);
    t.room(0.18);
    t.finish(0.08);
    return t;
}

Tone morse() {
    // Dit, dit, dah.
    Tone t(0.62);
    for (auto [start, length] :
         {std::pair{0.0, 0.06}, std::pair{0.12, 0.06}, std::pair{0.24, 0.2}}) {
        t.partial(start, 880, 1.0, {0.006, length - 0.006, 0.012});
        t.partial(start, 1760, 0.12, {0.006, length - 0.006, 0.01});
    }
    t.finish(0.05);
    return t;
}

Tone purr() {
    // A low, rolling purr: a warm tone fluttering about 25 times a second.
    Tone t(0.95);
    const Envelope swell{0.18, 0.35, 0.12};
    for (int n = 1; n <= 8; ++n) {
        t.partial(0, 165 * n, 1.0 / (n * n * 0.6 + 0.4), swell);
    }
    t.tremolo(25, 0.8);
    t.finish(0.12);
    return t;
}

Tone tink() {
    Tone t(0.4);
    t.struck(0, 4186, 1.0, 0.09, {1.0, 1.48, 2.2}, {1.0, 0.4, 0.15});
    t.room(0.15);
    t.finish(0.06);
    return t;
}

Tone funk() {
    // A rubbery bass: two notes whose brightness closes quickly.
    Tone t(0.75);
    t.sweptHarmonics(0, note(43), 1.0, 14, 0.16, 0.03);
    t.sweptHarmonics(0.17, note(50), 0.9, 14, 0.22, 0.035);
    t.finish(0.1);
    return t;
}

Tone marimba() {
    Tone t(1.0);
    t.marimba(0, note(72), 1.0);
    t.marimba(0.14, note(79), 0.9);
    t.room(0.2);
    t.finish(0.1);
    return t;
}

Tone kalimba() {
    Tone t(1.2);
    t.kalimba(0, note(86), 1.0);
    t.kalimba(0.16, note(81), 0.85);
    t.room(0.2);
    t.finish(0.12);
    return t;
}

Tone pluck() {
    Tone t(1.2);
    t.pluck(0, note(57), 1.0, 0.35, 21);
    t.room(0.15);
    t.finish(0.12);
    return t;
}

Tone droplet() {
    Tone t(0.5);
    t.partial(0, 600, 1.0, {0.002, 0, 0.05}, 1800, 0.06);
    t.partial(0.19, 900, 0.55, {0.002, 0, 0.04}, 2400, 0.05);
    t.room(0.3);
    t.finish(0.08);
    return t;
}

Tone bubble() {
    // A handful of rising bubbles, spaced and pitched by a fixed seed.
    Tone t(0.7);
    Noise noise(5);
    double start = 0;
    for (int i = 0; i < 5; ++i) {
        const double low = noise.between(280, 420) * (1 + 0.12 * i);
        t.partial(start, low, noise.between(0.6, 1.0), {0.003, 0, 0.03}, low * 2.6, 0.045);
        start += noise.between(0.07, 0.12);
    }
    t.room(0.2);
    t.finish(0.08);
    return t;
}

Tone chirp() {
    // A small bird: three quick upward calls.
    Tone t(0.6);
    for (int i = 0; i < 3; ++i) {
        const double start = 0.15 * i;
        t.partial(start, 2400, 1.0 - 0.15 * i, {0.005, 0.03, 0.02}, 4300, 0.06);
    }
    t.finish(0.05);
    return t;
}

Tone doorbell() {
    // Ding-dong.
    Tone t(1.4);
    t.bell(0, note(76), 1.0, 0.5);
    t.bell(0.42, note(72), 0.95, 0.55);
    t.room(0.2);
    t.finish(0.2);
    return t;
}

Tone sparkle() {
    // Glockenspiel notes tumbling down, slightly uneven.
    Tone t(0.95);
    Noise noise(17);
    const int notes[] = {96, 93, 89, 86, 84};
    for (int i = 0; i < 5; ++i) {
        const double start = 0.055 * i + noise.between(0, 0.012);
        t.struck(start, note(notes[i]), 0.8 + 0.2 * noise.next(), 0.18, {1.0, 2.76, 1.003},
                 {1.0, 0.15, 0.5});
    }
    t.room(0.3);
    t.finish(0.12);
    return t;
}

Tone harp() {
    Tone t(1.35);
    const int notes[] = {60, 64, 67, 72, 76};
    for (int i = 0; i < 5; ++i) {
        t.pluck(0.065 * i, note(notes[i]), 0.8, 0.3, 31 + i);
    }
    t.room(0.2);
    t.finish(0.15);
    return t;
}

Tone chime() {
    // Wind chimes: four rods at their own moments.
    Tone t(1.35);
    Noise noise(23);
    const double rods[] = {1760, 2349, 1975, 2637};
    double start = 0;
    for (double rod : rods) {
        t.bell(start, rod, noise.between(0.6, 1.0), 0.4);
        start += noise.between(0.08, 0.16);
    }
    t.room(0.25);
    t.finish(0.15);
    return t;
}

Tone woodblock() {
    Tone t(0.4);
    for (auto [start, pitch] : {std::pair{0.0, 820.0}, std::pair{0.14, 1090.0}}) {
        t.partial(start, pitch, 1.0, {0.001, 0, 0.035});
        t.partial(start, pitch * 2.3, 0.25, {0.001, 0, 0.015});
        t.breath(start, 0.03, pitch * 1.6, pitch * 1.6, 8, 0.6, {0.0005, 0, 0.008}, 41);
    }
    t.room(0.15);
    t.finish(0.05);
    return t;
}

Tone beacon() {
    // A soft call that rises and hangs, with a gentle vibrato.
    Tone t(0.9);
    const Envelope swell{0.06, 0.35, 0.15};
    t.partial(0, 660, 1.0, swell, 990, 0.25);
    t.partial(0, 1320, 0.15, swell, 1980, 0.25);
    t.tremolo(6, 0.25);
    t.room(0.2);
    t.finish(0.12);
    return t;
}

Tone ripple() {
    // A quick run up the pentatonic scale on soft bars.
    Tone t(0.95);
    const int notes[] = {72, 74, 76, 79, 81, 84};
    for (int i = 0; i < 6; ++i) {
        t.marimba(0.045 * i, note(notes[i]), 0.7 + 0.06 * i);
    }
    t.room(0.25);
    t.finish(0.12);
    return t;
}

} // namespace

const std::vector<ToneRecipe>& toneCatalogue() {
    static const std::vector<ToneRecipe> catalogue{
        {"Submarine", submarine}, {"Ping", ping},     {"Pop", pop},
        {"Blow", blow},           {"Glass", glass},   {"Hero", hero},
        {"Bottle", bottle},       {"Morse", morse},   {"Purr", purr},
        {"Tink", tink},           {"Funk", funk},     {"Marimba", marimba},
        {"Kalimba", kalimba},     {"Pluck", pluck},   {"Droplet", droplet},
        {"Bubble", bubble},       {"Chirp", chirp},   {"Doorbell", doorbell},
        {"Sparkle", sparkle},     {"Harp", harp},     {"Chime", chime},
        {"Woodblock", woodblock}, {"Beacon", beacon}, {"Ripple", ripple},
    };
    return catalogue;
}

} // namespace corvale::tonegen
