// Instrument synthesis for the modules, and the seeded random generator of the data generator.
#pragma once
#include <cstdint>
#include <vector>

#include "mod_format.h"

// splitmix64: the same seed always gives the same sequence.
struct synth_rng {
    uint64_t state;
    uint64_t next();
    double uniform();                   // [0, 1)
    double range(double lo, double hi); // [lo, hi)
    double noise();                     // [-1, 1)
};

// Harmonic recipes of the looped tonal instruments.
enum synth_wave { SYNTH_SAW, SYNTH_SQUARE, SYNTH_PULSE25, SYNTH_TRIANGLE, SYNTH_SINE, SYNTH_ORGAN };

struct synth_tone {
    double pitch_hz = 261.63; // pitch heard when played at C-2
    synth_wave wave = SYNTH_SAW;
    int cycles = 32;     // whole cycles in the loop; sets the loop length
    double chorus = 0.0; // level of two oscillators one cycle per loop off the main one
    double attack_s = 0.005;
    double decay_s = 0.2;      // from the peak towards the sustain level
    double sustain = 0.6;      // level of the loop, 0..1
    double bright_start = 1.0; // harmonic roll-off at the onset (1 = full, smaller = duller)
    double bright_end = 0.5;   // and in the loop
    double head_s = 0.4;       // unlooped head before the loop
};

// A looped instrument: head with its envelope, then the loop at the sustain level. The loop
// holds whole cycles, so it repeats without a click. Peak about 0.95 of full scale.
mod_sample synth_tonal(const char* name, const synth_tone& tone, int volume);

// A one-shot plucked or struck tone (no loop): decays to silence within length_s.
mod_sample synth_pluck(const char* name, double pitch_hz, synth_wave wave, double decay_s,
                       double length_s, int volume);

// Drums, each made for playback at the rate of the note given.
mod_sample synth_kick(const char* name, int play_note, int volume);
mod_sample synth_snare(const char* name, int play_note, synth_rng& rng, int volume);
mod_sample synth_hat(const char* name, int play_note, double decay_s, synth_rng& rng, int volume);
// A crash cymbal: bright noise over a few inharmonic metallic partials, decaying over decay_s.
mod_sample synth_crash(const char* name, int play_note, double decay_s, synth_rng& rng, int volume);
// A tom: a sine falling in pitch with a short noise attack.
mod_sample synth_tom(const char* name, int play_note, synth_rng& rng, int volume);

// Scales floats to signed 8-bit with the loudest value at peak (0..1) of full scale.
std::vector<int8_t> synth_to_8bit(const std::vector<double>& v, double peak);
