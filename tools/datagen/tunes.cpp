// The five background tunes, composed here and written as ProTracker modules. Each tune is a
// few sections (chords, melody, bass and accompaniment style, drum groove) played in an order.
#include <cstdio>
#include <string>
#include <vector>

#include "datagen.h"
#include "mod_compose.h"
#include "mod_format.h"
#include "mod_synth.h"

namespace {

// Sample numbers and channels shared by every tune.
constexpr int S_LEAD = 1, S_BASS = 2, S_CHORD = 3, S_KICK = 4, S_SNARE = 5, S_HAT = 6, S_OPEN = 7;
constexpr int CH_LEAD = 0, CH_BASS = 1, CH_CHORD = 2, CH_DRUMS = 3;
constexpr int DRUM_NOTE = 24, HAT_NOTE = 35; // C-3 and B-3
constexpr double PITCH_C3 = 130.81, PITCH_C4 = 261.63;

struct tune_part {
    int bars;
    const char* chords;
    const char* melody; // "" for none
    compose_bass_style bass;
    compose_comp_style comp;
    const char* groove;
    const char* fill;
};

struct tune_sheet {
    const char* title = "";
    int speed = 6, bpm = 125;
    synth_tone lead, bass, chord;
    int lead_volume = 64, bass_volume = 40, chord_volume = 30;
    bool chord_plucked = false; // a one-shot plucked chord sample instead of a looped one
    int vibrato = 0;            // 4xy on held lead notes
    int hat_volume = 24;
    int kick_volume = 52;
    bool swing = false; // eighths swung by alternating speeds speed+1 and speed-1
    std::vector<tune_part> parts;
    std::vector<int> plan;
};

synth_tone tone(double pitch, synth_wave wave, int cycles, double chorus, double attack,
                double decay, double sustain, double bright_start, double bright_end) {
    synth_tone t;
    t.pitch_hz = pitch;
    t.wave = wave;
    t.cycles = cycles;
    t.chorus = chorus;
    t.attack_s = attack;
    t.decay_s = decay;
    t.sustain = sustain;
    t.bright_start = bright_start;
    t.bright_end = bright_end;
    return t;
}

// Bright, major, mid tempo.
tune_sheet tune_matin() {
    tune_sheet t;
    t.title = "Matin clair";
    t.speed = 6;
    t.bpm = 126;
    t.lead = tone(PITCH_C4, SYNTH_PULSE25, 64, 0.25, 0.004, 0.30, 0.7, 1.0, 0.6);
    t.bass = tone(PITCH_C3, SYNTH_SAW, 16, 0.0, 0.003, 0.12, 0.45, 1.0, 0.35);
    t.chord = tone(PITCH_C4, SYNTH_SQUARE, 32, 0.0, 0.004, 0.15, 0.6, 0.8, 0.35);
    t.lead_volume = 64;
    t.bass_volume = 30;
    t.chord_volume = 18;
    t.chord_plucked = false;
    t.vibrato = 0x33;
    t.hat_volume = 26;
    t.kick_volume = 50;
    const char* verse_chords = "G:16 D/F#:16 Em:16 C:16 G:16 D/F#:16 C:16 D:16";
    const char* verse = "d3:4 b2:2 d3:2 g3:4 f#3:2 e3:2  d3:6 a2:2 f#2:4 a2:4 "
                        "b2:4 g2:2 b2:2 e3:4 d3:2 c3:2  c3:2 a2:2 g2:4 e2:4 g2:4 "
                        "d3:4 b2:2 d3:2 g3:4 a3:2 b3:2  a3:6 f#3:2 d3:8 "
                        "e3:4 g3:4 e3:2 d3:2 c3:4  a2:2 b2:2 c3:2 d3:2 f#3:4 r:4";
    t.parts = {
        {4, "G:16 C:16 Em:16 D:16", "r:56 d2:2 g2:2 a2:2 b2:2", BASS_EIGHTHS, COMP_OFFBEAT,
         "k...h...k...h... k...h...k...h... k...h...k...h... k...h...k.s.sss.", ""},
        {8, verse_chords, verse, BASS_EIGHTHS, COMP_OFFBEAT, "k.h.s.h.k.k.s.h.",
         "k.h.s.h.s.sgs.ss"},
        {8, "C:16 D:16 Bm:16 Em:16 Am:16 D:16 G:16 D7:16",
         "g3:6 e3:2 g3:4 a3:4  f#3:6 d3:2 a3:8 "
         "b3:4 a3:2 f#3:2 d3:4 f#3:4  e3:8 r:2 e3:2 f#3:2 g3:2 "
         "a3:4 g3:2 e3:2 c3:4 e3:4  d3:4 f#3:2 a3:2 c3:4 b2:2 a2:2 "
         "b2:6 d3:2 g3:8  f#3:4 e3:2 d3:2 c3:4 a2:4",
         BASS_OCTAVES, COMP_BEATS, "c.hHs.hHk.kHs.hH k.hHs.hHk.kHs.hH", "k.hHs.hHs.sgsstt"},
        {8, verse_chords, verse, BASS_OCTAVES, COMP_SYNC, "k.h.s.hkk.h.s.hh", "k.h.s.h.s.sgsstt"},
    };
    t.plan = {0, 1, 2, 3, 2};
    return t;
}

// Minor, slow and brooding.
tune_sheet tune_brume() {
    tune_sheet t;
    t.title = "Brume du soir";
    t.speed = 6;
    t.bpm = 80;
    t.lead = tone(PITCH_C4, SYNTH_SAW, 64, 0.4, 0.06, 0.5, 0.8, 0.45, 0.25);
    t.bass = tone(PITCH_C3, SYNTH_SQUARE, 16, 0.0, 0.01, 0.3, 0.6, 0.6, 0.25);
    t.chord = tone(PITCH_C4, SYNTH_ORGAN, 32, 0.3, 0.08, 0.5, 0.8, 0.6, 0.5);
    t.lead_volume = 44;
    t.bass_volume = 22;
    t.chord_volume = 26;
    t.chord_plucked = false;
    t.vibrato = 0x24;
    t.hat_volume = 22;
    t.kick_volume = 56;
    t.parts = {
        {4, "Dm:32 Bb:16 A:16", "r:32 f2:8 d2:4 f2:4 e2:8 a2:4 c#3:4", BASS_ROOTS, COMP_HOLD,
         "k............... k............... k.......g....... k.......s...g.g.", ""},
        {8, "Dm:16 Bb:16 Gm:16 A7:16 Dm:16 F:16 Gm:8 A7:8 Dm:16",
         "d3:8 f3:4 e3:4  d3:6 c3:2 bb2:8  g2:4 bb2:4 d3:4 c3:2 bb2:2  a2:12 c#3:2 e3:2 "
         "f3:8 e3:4 d3:4  c3:6 d3:2 a2:8  bb2:4 a2:4 g2:4 e2:4  d2:12 r:4",
         BASS_ROOTS, COMP_HOLD, "k...h...s...h.h.", "k...h...s...g.ss"},
        {8, "Bb:16 F:16 Gm:16 Dm:16 Bb:16 C:16 A:16 A7:16",
         "f3:4 bb3:8 a3:4  a3:8 g3:4 f3:4  g3:6 f3:2 d3:4 bb2:4  a2:8 d3:4 f3:4 "
         "bb3:6 a3:2 g3:4 f3:4  e3:4 g3:4 c3:8  c#3:8 e3:4 a3:4  g3:8 f3:2 e3:2 c#3:4",
         BASS_EIGHTHS, COMP_BEATS, "k...h.k.s...h.h.", "k...h.k.s.g.s.ss"},
    };
    t.plan = {0, 1, 2};
    return t;
}

// Minor, fast and driving.
tune_sheet tune_course() {
    tune_sheet t;
    t.title = "Course folle";
    t.speed = 4;
    t.bpm = 115;
    t.lead = tone(PITCH_C4, SYNTH_SAW, 64, 0.2, 0.003, 0.15, 0.6, 1.0, 0.7);
    t.bass = tone(PITCH_C3, SYNTH_SQUARE, 16, 0.0, 0.002, 0.08, 0.4, 0.8, 0.3);
    t.chord = tone(PITCH_C4, SYNTH_PULSE25, 32, 0.0, 0.003, 0.1, 0.5, 0.7, 0.45);
    t.lead_volume = 60;
    t.bass_volume = 28;
    t.chord_volume = 40;
    t.chord_plucked = false;
    t.vibrato = 0x44;
    t.hat_volume = 24;
    t.kick_volume = 52;
    t.parts = {
        {4, "Em:32 C:16 D:16", "r:48 a2:2 d3:2 e3:2 f#3:2 a3:4 f#3:4", BASS_DRIVE, COMP_NONE,
         "k.h.k.h.k.h.k.h. k.h.k.h.k.h.k.h. k.h.s.h.k.h.s.h. k.s.sgs.s.ttmmss", ""},
        {8, "Em:16 C:16 D:16 B:16 Em:16 C:16 D:16 B:16",
         "e3:2 b2:2 e3:2 g3:2 f#3:2 e3:2 d3:2 b2:2  c3:4 e3:2 g3:2 e3:4 c3:4 "
         "d3:2 a2:2 d3:2 f#3:2 a3:4 f#3:4  d#3:6 f#3:2 b2:8 "
         "e3:2 b2:2 e3:2 g3:2 b3:4 a3:2 g3:2  e3:4 c3:2 e3:2 g3:8 "
         "f#3:2 g3:2 a3:4 d3:4 f#3:4  b3:4 a3:2 f#3:2 d#3:8",
         BASS_DRIVE, COMP_SYNC, "k.h.s.hkk.h.s.h.", "k.h.s.hks.s.ttmm"},
        {8, "Am:16 Em:16 C:16 D:16 Am:16 Em:16 B:32",
         "a2:3 c3:3 e3:2 a3:4 g3:4  g3:3 e3:3 b2:2 e3:8  e3:3 g3:3 c3:2 e3:4 d3:4 "
         "d3:3 f#3:3 a2:2 d3:8  a2:3 c3:3 e3:2 a3:4 b3:4  g3:3 b3:3 e3:2 g3:8 "
         "f#3:4 d#3:4 f#3:4 a3:4 b3:16",
         BASS_EIGHTHS, COMP_OFFBEAT, "chHhshHhkhHkshHh khHhshHhkhHkshHh", "khHhshHhs.sgsstt"},
        {4, "Em:32 C:16 D:16", "b2:16 e3:16 g3:16 f#3:16", BASS_ROOTS, COMP_HOLD,
         "k...h...k...h... k...h...k...h... k...h...k...h... k.h.k.h.s.s.ssss", ""},
        {8, "Em:8 D:8 C:8 D:8 Em:8 D:8 C:8 B:8 Em:8 D:8 C:8 D:8 C:16 B:16",
         "e3:2 g3:2 b3:4 a3:2 f#3:2 d3:4  e3:2 g3:2 c3:4 d3:2 f#3:2 a3:4 "
         "b3:2 a3:2 g3:2 e3:2 f#3:2 e3:2 d3:4  e3:2 c3:2 g2:4 f#2:2 a2:2 d#3:4 "
         "e3:4 b2:2 e3:2 f#3:4 a3:4  g3:4 e3:2 c3:2 a3:4 f#3:4 "
         "e3:6 g3:2 c3:8  b2:4 d#3:4 f#3:4 a3:4",
         BASS_EIGHTHS, COMP_OFFBEAT, "cHhHsHhHkHkHsHhH kHhHsHhHkHkHsHhH", "kHhHsHhHs.sgsstt"},
    };
    t.plan = {0, 1, 2, 3, 1, 4};
    return t;
}

// Major, slow and calm, with a plucked broken-chord accompaniment.
tune_sheet tune_lac() {
    tune_sheet t;
    t.title = "Lac tranquille";
    t.speed = 8;
    t.bpm = 96;
    t.lead = tone(PITCH_C4, SYNTH_TRIANGLE, 64, 0.15, 0.05, 0.4, 0.75, 0.8, 0.6);
    t.bass = tone(PITCH_C3, SYNTH_TRIANGLE, 16, 0.0, 0.01, 0.4, 0.7, 1.0, 0.8);
    t.chord = tone(PITCH_C4, SYNTH_SAW, 32, 0.0, 0.0, 0.6, 0.0, 1.0, 0.3);
    t.lead_volume = 56;
    t.bass_volume = 34;
    t.chord_volume = 34;
    t.chord_plucked = true;
    t.vibrato = 0x23;
    t.hat_volume = 16;
    t.kick_volume = 48;
    t.parts = {
        {4, "F:16 Am:16 Bb:16 C:16", "r:56 a2:4 bb2:4", BASS_ROOTS, COMP_BROKEN,
         "................ ................ ................ ............h...", ""},
        {8, "F:16 Am:16 Bb:16 F/A:16 Gm:16 Dm:16 Bb:16 C:16",
         "c3:8 a2:4 c3:4  e3:8 d3:4 c3:4  d3:8 f3:4 d3:4  c3:16 "
         "bb2:8 d3:4 c3:4  a2:8 f2:4 a2:4  bb2:4 d3:4 f3:4 d3:4  e3:12 g2:4",
         BASS_ROOTS, COMP_BROKEN, "k.......h.......", "k.......h...g.g."},
        {8, "Dm:16 Am:16 Bb:16 F:16 Gm:16 Am:16 Bb:16 C:16",
         "f3:8 e3:4 d3:4  c3:8 e3:8  d3:6 c3:2 bb2:4 d3:4  c3:8 a2:8 "
         "g2:4 bb2:4 d3:8  c3:4 e3:4 a3:8  f3:6 d3:2 bb2:4 d3:4  c3:12 r:4",
         BASS_ROOTS, COMP_BROKEN, "k.......h...g...", "k.......h...g.g."},
    };
    t.plan = {0, 1, 2};
    return t;
}

// Major, bouncy, with staccato notes and off-beat chords.
tune_sheet tune_sauts() {
    tune_sheet t;
    t.title = "Petits sauts";
    t.speed = 5;
    t.bpm = 120;
    t.lead = tone(PITCH_C4, SYNTH_SQUARE, 64, 0.1, 0.002, 0.12, 0.3, 0.9, 0.5);
    t.bass = tone(PITCH_C3, SYNTH_SAW, 16, 0.0, 0.002, 0.1, 0.35, 0.8, 0.3);
    t.chord = tone(PITCH_C4, SYNTH_PULSE25, 32, 0.0, 0.002, 0.08, 0.4, 0.8, 0.4);
    t.lead_volume = 64;
    t.bass_volume = 38;
    t.chord_volume = 44;
    t.chord_plucked = false;
    t.vibrato = 0x00;
    t.hat_volume = 24;
    t.kick_volume = 52;
    t.swing = true;
    const char* tune_chords = "Bb:16 F:16 Gm:16 Eb:16 Bb:16 F:16 Eb:8 F:8 Bb:16";
    const char* tune = "f3:2 r:2 d3:2 f3:2 bb3:4 f3:2 r:2  a3:2 r:2 f3:2 a3:2 c3:4 r:4 "
                       "g3:2 r:2 bb3:2 g3:2 d3:4 g3:2 a3:2  bb3:2 g3:2 eb3:2 g3:2 bb2:8 "
                       "d3:2 r:2 f3:2 d3:2 bb2:2 d3:2 f3:2 bb3:2  a3:4 c3:2 f3:2 a3:4 r:4 "
                       "g3:2 eb3:2 bb2:2 g3:2 f3:2 a3:2 c3:2 eb3:2  d3:2 r:2 bb2:2 r:2 bb3:4 r:4";
    t.parts = {
        {4, "Bb:16 Gm:16 Eb:16 F:16", "r:56 f2:2 a2:2 c3:2 eb3:2", BASS_OCTAVES, COMP_OFFBEAT,
         "k.h.k.h.k.h.k.h. k.h.k.h.k.h.k.h. k.h.s.h.k.h.s.h. k.h.s.h.s.s.ssss", ""},
        {8, tune_chords, tune, BASS_OCTAVES, COMP_OFFBEAT, "k.h.s.h.k.hks.h.", "k.h.s.h.s.s.ssss"},
        {8, "Eb:16 F:16 Dm:16 Gm:16 Cm:16 F:16 Bb:16 F7:16",
         "g3:4 f3:2 eb3:2 g3:4 bb3:4  a3:4 g3:2 f3:2 c3:8 "
         "d3:2 f3:2 a3:2 f3:2 d3:4 a2:4  bb2:4 d3:2 g3:2 bb3:8 "
         "c3:2 eb3:2 g3:2 eb3:2 c3:4 g3:4  a3:2 g3:2 f3:2 eb3:2 c3:4 a2:4 "
         "bb2:2 d3:2 f3:2 bb3:2 r:2 f3:2 d3:2 bb2:2  c3:2 r:2 eb3:2 r:2 f3:2 a3:2 c3:4",
         BASS_WALK, COMP_OFFBEAT, "c.hks.h.k.hks.hh k.hks.h.k.hks.hh", "k.hks.h.s.sgsstt"},
        {8, tune_chords, tune, BASS_WALK, COMP_SYNC, "k.hks.h.k.hks.hh", "k.h.s.h.s.s.ssss"},
    };
    t.plan = {0, 1, 2, 3, 2};
    return t;
}

// Builds the module of a tune; false (with a message) when a part does not add up.
bool build_tune(const tune_sheet& t, mod_song& song, uint64_t seed) {
    song.title = t.title;
    song.samples.clear();
    song.samples.push_back(synth_tonal("lead", t.lead, t.lead_volume));
    song.samples.push_back(synth_tonal("bass", t.bass, t.bass_volume));
    song.samples.push_back(t.chord_plucked ? synth_pluck("pluck", t.chord.pitch_hz, t.chord.wave,
                                                         t.chord.decay_s, 1.6, t.chord_volume)
                                           : synth_tonal("chord", t.chord, t.chord_volume));
    synth_rng rng{seed};
    song.samples.push_back(synth_kick("kick", DRUM_NOTE, t.kick_volume));
    song.samples.push_back(synth_snare("snare", DRUM_NOTE, rng, t.kick_volume * 4 / 5));
    song.samples.push_back(synth_hat("hat", HAT_NOTE, 0.025, rng, 40));
    song.samples.push_back(synth_hat("open hat", HAT_NOTE, 0.14, rng, 36));

    const compose_kit kit{S_KICK,    S_SNARE,  S_HAT,    S_OPEN,      DRUM_NOTE,
                          DRUM_NOTE, HAT_NOTE, HAT_NOTE, t.hat_volume};
    std::vector<compose_section> sections;
    for (const auto& p : t.parts) {
        const int rows = p.bars * COMPOSE_BAR;
        const int melody_rows = compose_notes_rows(p.melody);
        if (compose_chords_rows(p.chords) != rows || (melody_rows != 0 && melody_rows != rows)) {
            std::fprintf(stderr,
                         "datagen: '%s' has a part of %d rows with %d of chords, %d of melody\n",
                         t.title, rows, compose_chords_rows(p.chords), melody_rows);
            return false;
        }
        compose_section s = compose_new(p.bars);
        compose_melody(s, {CH_LEAD, S_LEAD, -1, t.vibrato, 0}, p.melody);
        compose_bass(s, CH_BASS, S_BASS, p.chords, p.bass);
        compose_comp(s, CH_CHORD, S_CHORD, p.chords, p.comp);
        compose_drums(s, CH_DRUMS, kit, p.groove, p.fill);
        sections.push_back(std::move(s));
    }
    if (!compose_build(song, sections, t.plan, t.speed, t.bpm)) return false;
    // lead and bass in the middle, chords to the right, drums a little to the left
    compose_pan(song, {0x78, 0x80, 0xB8, 0x60});
    if (t.swing && compose_swing(song, t.speed + 1, t.speed - 1) > 0) {
        std::fprintf(stderr, "datagen: '%s' has rows without room for the swing\n", t.title);
        return false;
    }
    return true;
}

} // namespace

bool write_tunes(const std::string& run_dir) {
    const tune_sheet tunes[] = {tune_matin(), tune_brume(), tune_course(), tune_lac(),
                                tune_sauts()};
    int n = 1;
    for (const auto& t : tunes) {
        mod_song song;
        if (!build_tune(t, song, 0x7475'6e65'0000ull + n)) return false;
        const std::vector<uint8_t> bytes = mod_encode(song);
        if (bytes.empty()) {
            std::fprintf(stderr, "datagen: tune %d does not fit the module format\n", n);
            return false;
        }
        if (!mod_write_file(run_dir + "/sounds/tune" + std::to_string(n) + ".mod", bytes))
            return false;
        ++n;
    }
    return true;
}
