// The five background tunes, composed here and written as eight-channel modules. Each tune is
// a set of sections (chords, melody, second voice, bass and chord style, drum groove) played
// in an order that lasts over two minutes before it loops back to the section after the
// intro.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "byte_file.h"
#include "datagen.h"
#include "mod_compose.h"
#include "mod_format.h"
#include "mod_synth.h"

namespace {

// Sample numbers shared by every tune (1 is the silence).
constexpr int S_LEAD = 2, S_COUNTER = 3, S_BASS = 4, S_CHORD = 5, S_PAD = 6, S_KICK = 7,
              S_SNARE = 8, S_HAT = 9, S_OPEN = 10, S_CRASH = 11, S_TOM = 12, S_ECHO = 13;
constexpr int DRUM_NOTE = 24, HAT_NOTE = 35; // C-3 and B-3
constexpr double PITCH_C3 = 130.81, PITCH_C4 = 261.63;

// What the second melodic voice plays in a section.
enum tune_counter {
    COUNTER_NONE,
    COUNTER_LINE,   // its own text
    COUNTER_THIRDS, // under the melody, mostly in thirds
    COUNTER_SIXTHS, // under the melody, mostly in sixths
    COUNTER_ECHO,   // the melody again, softer, three rows later
};

struct tune_part {
    int bars;
    const char* chords;
    const char* lead; // "" for none
    tune_counter counter;
    const char* counter_line;
    compose_bass_style bass;
    bool pad;         // chords held on the pad sample, else played by the chord sample
    const char* comp; // chord rhythm, or the broken-chord figure when the tune plucks
    compose_groove groove;
    compose_groove fill; // last bar of every four
    bool crash;
};

struct tune_sheet {
    const char* title = "";
    compose_control control;
    synth_tone lead, counter, bass, chord, pad;
    int lead_volume = 48, counter_volume = 30, bass_volume = 40, chord_volume = 24, pad_volume = 20;
    bool plucked = false; // the chord sample is a one-shot pluck playing broken chords
    int chord_center = 16;
    int vibrato = 0;
    int kick_volume = 52, snare_volume = 40, hat_volume = 22, crash_volume = 30;
    int hat_note = HAT_NOTE; // the hats and the crash: a lower note sounds darker
    std::vector<tune_part> parts;
    std::vector<int> plan;
    int restart = 1; // plan entry the loop goes back to
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

// Left to right: lead and bass in the middle, chord voices either side, drums near the middle
// with the hats to the right, the second voice to the left.
constexpr std::array<int, MOD_CHANNELS> TUNE_PANS = {0x80, 0x74, 0xA8, 0x80,
                                                     0x4C, 0xB4, 0x88, 0x58};

// Bright, in G major, mid tempo.
tune_sheet tune_matin() {
    tune_sheet t;
    t.title = "Matin clair";
    t.control = {6, 126, 0, TUNE_PANS};
    t.lead = tone(PITCH_C4, SYNTH_PULSE25, 64, 0.25, 0.004, 0.30, 0.7, 1.0, 0.6);
    t.counter = tone(PITCH_C4, SYNTH_SQUARE, 64, 0.15, 0.006, 0.25, 0.6, 0.8, 0.45);
    t.bass = tone(PITCH_C3, SYNTH_SAW, 16, 0.0, 0.003, 0.12, 0.45, 1.0, 0.35);
    t.chord = tone(PITCH_C4, SYNTH_SQUARE, 32, 0.1, 0.003, 0.12, 0.3, 0.9, 0.35);
    t.pad = tone(PITCH_C4, SYNTH_SAW, 64, 0.35, 0.08, 0.5, 0.75, 0.6, 0.4);
    t.lead_volume = 60;
    t.counter_volume = 24;
    t.bass_volume = 44;
    t.chord_volume = 28;
    t.pad_volume = 26;
    t.kick_volume = 56;
    t.snare_volume = 56;
    t.hat_volume = 36;
    t.crash_volume = 36;
    t.chord_center = 16;
    t.vibrato = 0x32;
    const char* verse = "G:16 D/F#:16 Em:16 C:16 G:16 D/F#:16 C:16 D:16";
    const char* verse2 = "G:16 D/F#:16 Em:16 C:16 G:16 D/F#:16 C:8 D:8 G:16";
    const char* tune_a = "d3:4 b2:2 d3:2 g3:4 f#3:2 e3:2  d3:6 a2:2 f#2:4 a2:4 "
                         "b2:4 g2:2 b2:2 e3:4 d3:2 c3:2  c3:2 a2:2 g2:4 e2:4 g2:4 "
                         "d3:4 b2:2 d3:2 g3:4 a3:2 b3:2  a3:6 f#3:2 d3:8 "
                         "e3:4 g3:4 e3:2 d3:2 c3:4  a2:2 b2:2 c3:2 d3:2 f#3:4 r:4";
    const char* tune_a2 = "d3:4 b2:2 d3:2 g3:4 f#3:2 e3:2  d3:6 a2:2 f#2:4 a2:4 "
                          "b2:4 g2:2 b2:2 e3:4 d3:2 c3:2  c3:2 a2:2 g2:4 e2:4 g2:4 "
                          "b3:4 a3:2 g3:2 d3:4 g3:4  a3:4 f#3:2 e3:2 d3:8 "
                          "e3:2 f#3:2 g3:4 a3:4 f#3:4  g3:12 r:4";
    const char* chorus = "C:16 D:16 Bm:16 Em:16 Am:16 D:16 G:16 D7:16";
    const char* tune_b = "g3:6 e3:2 g3:4 a3:4  f#3:6 d3:2 a3:8 "
                         "b3:4 a3:2 f#3:2 d3:4 f#3:4  e3:8 r:2 e3:2 f#3:2 g3:2 "
                         "a3:4 g3:2 e3:2 c3:4 e3:4  d3:4 f#3:2 a3:2 c3:4 b2:2 a2:2 "
                         "b2:6 d3:2 g3:8  f#3:4 e3:2 d3:2 c3:4 a2:4";
    // Each section its own groove; the fills: a short one halfway, toms into the next section.
    const compose_groove intro{"k.......k.......", "", "....h.......h..."};
    const compose_groove intro_fill{"k.......k.......", "........s...s.ss", "....h..........."};
    const compose_groove verse_a{"k.......k.k..... k.......k......k", "....s.......s...",
                                 "h.h.h.h.h.h.h.h. h.h.h.h.h.h.h.ho"};
    const compose_groove verse_a_fill{"k.......k.k..... k.......k.......",
                                      "....s.......s.gs ....s...s.s.ttmm",
                                      "h.h.h.h.h.h.h.h. h.h.h.h.h......."};
    const compose_groove verse_a2{"k.......k.k..... k.k.....k.......",
                                  "....s.......s... ....s.......s..g", "h.h.h.h.h.h.h.h."};
    const compose_groove verse_a2_fill{"k.......k.k..... k.......k.k.....",
                                       "....s.......sgss ....s.......tttm",
                                       "h.h.h.h.h.h.h... h.h.h.h.h.h....."};
    const compose_groove chorus_b{"k.....k.k....... k.....k.k.....k.", "....s.......s...",
                                  "H.h.H.h.H.h.H.h."};
    const compose_groove chorus_b_fill{"k.....k.k....... k.....k.k.......",
                                       "....s.......s.ss ....s...s.t.mmmm",
                                       "H.h.H.h.H.h.H... H.h.H.h........."};
    const compose_groove chorus_b2{"k.....k.k.....k. k.....k.k.......",
                                   "....s.......s... ....s.......s.g.", "h.o.h.o.h.o.h.o."};
    const compose_groove chorus_b2_fill{"k.....k.k.....k. k.....k.k.......",
                                        "....s.......sgsg ....s...ssttmmmm",
                                        "h.o.h.o.h.o.h... h.o.h.o........."};
    const compose_groove bridge{"k.........k..... k.........k...k.", "........s.......",
                                "h...h...h...h... h...h...h...h.h."};
    const compose_groove bridge_fill{"k.........k.....", "........s...s.ss ........s..tt.mm",
                                     "h...h...h......."};
    const compose_groove verse_a3{"k.......k.k..... k.....k...k.....",
                                  "....s.......s... ....s..g....s...",
                                  "h.o.h.o.h.o.h.o. h.h.h.h.h.o.h.h."};
    const compose_groove verse_a3_fill{"k.......k.k.....", "....s.......s.ss ....s.s.s.ssttmm",
                                       "h.o.h.o.h.o..... h.o.h.o........."};
    const compose_groove chorus_b3{"k.....k.k.....k. k.....k.k...k.k.",
                                   "....s.......s... ....s.......s..s",
                                   "H.h.H.h.H.h.H.h. H.h.H.h.H.h.H.o."};
    const compose_groove chorus_b3_fill{"k.....k.k.......", "....s.......s.ss ....ssssttttmmmm",
                                        "H.h.H.h.H.h..... H.h............."};
    const compose_groove tag{"k.........k.k... k.........k.....", "........s.......",
                             "h...h.h.h...h.h."};
    const compose_groove tag_fill{"k.........k.....", "........s...s.ss ........s.s.ttmm",
                                  "h...h...h......."};
    t.parts = {
        // 0 intro: the pad and a bell-like figure, the melody's pickup at the end
        {4, "G:16 C:16 Em:16 D:16", "r:56 d2:2 g2:2 a2:2 b2:2", COUNTER_LINE,
         "r:4 g2:4 b2:4 d3:4  e3:4 d3:4 c3:8  b2:4 g2:4 e2:8  f#2:8 a2:8", BASS_ROOTS, true,
         "----------------", intro, intro_fill, false},
        // 1 A: the verse, ending on the dominant
        {8, verse, tune_a, COUNTER_NONE, "", BASS_EIGHTHS, false, "..x-..x-..x-..x-", verse_a,
         verse_a_fill, true},
        // 2 A': the verse with an echo, closing on the tonic
        {8, verse2, tune_a2, COUNTER_ECHO, "", BASS_EIGHTHS, false, "x-.x-.x-..x-..x-", verse_a2,
         verse_a2_fill, false},
        // 3 B: the chorus over a held pad, a middle voice moving by steps
        {8, chorus, tune_b, COUNTER_LINE, "e2:16 f#2:16 f#2:16 g2:16 a2:16 a2:16 b2:16 c3:16",
         BASS_OCTAVES, true, "----------------", chorus_b, chorus_b_fill, true},
        // 4 B': the chorus in thirds, chords struck on the beats
        {8, chorus, tune_b, COUNTER_THIRDS, "", BASS_OCTAVES, false, "x-..x-..x-..x-..", chorus_b2,
         chorus_b2_fill, false},
        // 5 C: the bridge, in half time, through the relative minor and a flat seventh
        {8, "Em:16 Bm:16 C:16 G/B:16 Am:16 Em:16 F:16 D:16",
         "b2:8 e3:4 g3:4  f#3:8 d3:4 b2:4  c3:6 e3:2 g3:8  d3:12 b2:4 "
         "a2:4 c3:4 e3:4 a3:4  g3:8 e3:4 b2:4  c3:4 f3:4 a3:8  f#3:4 e3:2 d3:2 a2:8",
         COUNTER_NONE, "", BASS_ROOTS, true, "----------------", bridge, bridge_fill, true},
        // 6 A'': the second verse with the melody in thirds
        {8, verse2, tune_a2, COUNTER_THIRDS, "", BASS_OCTAVES, false, "..x-..x-..x-..x-", verse_a3,
         verse_a3_fill, true},
        // 7 B'': the last chorus, with an echo and fills
        {8, chorus, tune_b, COUNTER_ECHO, "", BASS_OCTAVES, false, "x-.x-.x-..x-..x-", chorus_b3,
         chorus_b3_fill, true},
        // 8 tag: the intro's figure as a melody, turning back to the verse
        {8, "Em:16 C:16 G/B:16 D:16 Em:16 C:16 Am7:16 D7:16",
         "b2:4 g2:4 e3:8  e3:4 d3:4 c3:8  b2:4 d3:4 g3:8  f#3:8 a3:8 "
         "g3:4 e3:4 b2:8  c3:4 e3:4 g3:8  e3:4 c3:4 a2:8  d3:6 c3:2 b2:2 a2:2 f#2:2 a2:2",
         COUNTER_NONE, "", BASS_ROOTS, true, "----------------", tag, tag_fill, true},
    };
    t.plan = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    return t;
}

// Slow and misty, in D minor.
tune_sheet tune_brume() {
    tune_sheet t;
    t.title = "Brume du soir";
    t.control = {6, 80, 0, TUNE_PANS};
    t.lead = tone(PITCH_C4, SYNTH_SAW, 64, 0.4, 0.06, 0.5, 0.8, 0.5, 0.3);
    t.counter = tone(PITCH_C4, SYNTH_ORGAN, 64, 0.3, 0.05, 0.4, 0.8, 0.7, 0.6);
    t.bass = tone(PITCH_C3, SYNTH_SQUARE, 16, 0.0, 0.01, 0.3, 0.6, 0.6, 0.25);
    t.chord = tone(PITCH_C4, SYNTH_TRIANGLE, 32, 0.2, 0.004, 0.4, 0.3, 1.0, 0.6);
    t.pad = tone(PITCH_C4, SYNTH_ORGAN, 64, 0.35, 0.12, 0.6, 0.8, 0.6, 0.5);
    t.lead_volume = 58;
    t.counter_volume = 26;
    t.bass_volume = 32;
    t.chord_volume = 32;
    t.pad_volume = 30;
    t.kick_volume = 50;
    t.snare_volume = 48;
    t.hat_volume = 32;
    t.crash_volume = 30;
    t.chord_center = 15;
    t.vibrato = 0x23;
    const char* verse = "Dm:16 Bb:16 Gm:16 A7:16 Dm:16 F:16 Gm:8 A7:8 Dm:16";
    const char* tune_a = "d3:8 f3:4 e3:4  d3:6 c3:2 bb2:8  g2:4 bb2:4 d3:4 c3:2 bb2:2 "
                         "a2:12 c#3:2 e3:2  f3:8 e3:4 d3:4  c3:6 d3:2 a2:8 "
                         "bb2:4 a2:4 g2:4 e2:4  d2:12 r:4";
    const char* tune_a2 = "d3:8 f3:4 e3:4  d3:6 c3:2 bb2:8  g2:4 bb2:4 d3:4 c3:2 bb2:2 "
                          "a2:12 c#3:2 e3:2  a3:8 g3:4 f3:4  e3:6 f3:2 c3:8 "
                          "d3:4 bb2:4 c#3:4 e3:4  d3:12 r:4";
    // Each section its own groove; the fills: ghost notes halfway, toms into the next section.
    const compose_groove intro{"k...............", "", "........h......."};
    const compose_groove intro_fill{"k...............", "........g...g.g.", "........h......."};
    const compose_groove theme{"k.........k..... k.........k.k...", "........s.......",
                               "h...h...h...h.h. h...h...h...h..."};
    const compose_groove theme_fill{"k.........k.....", "........s...g.gs ........s...t.mm",
                                    "h...h...h....... h...h...h......."};
    const compose_groove theme2{"k.........k..... k.......k.k.....",
                                "........s....... ........s.....g.", "h...h...h...h.h."};
    const compose_groove theme2_fill{"k.........k.....", "........s..gg.gs ........s.gsttmm",
                                     "h...h...h...h... h...h...h......."};
    const compose_groove walk{"k.....k...k..... k.....k...k...k.",
                              "....g...s....... ....g...s.....g.", "h.h.h.h.h.h.h.h."};
    const compose_groove walk_fill{"k.....k...k.....", "....g...s.g.s.ss ....g...s.t.t.mm",
                                   "h.h.h.h.h.h..... h.h.h.h........."};
    const compose_groove air{"k............... ........k.......", "", "h.......h......."};
    const compose_groove air_fill{"k...............", "........g...g.gs ........g.g.ttmm",
                                  "h.......h......."};
    const compose_groove home{"k...k.....k..... k.......k...k.k.",
                              "....g...s....... ....g...s...g...", "h.h.h.h.h.o.h.h."};
    const compose_groove home_fill{"k.....k...k.....", "....g...s.g.s.ss ....s...s.s.ttmm",
                                   "h.h.h.h.h.o..... h.h.h.h........."};
    t.parts = {
        // 0 intro: the pad alone, a low line answering
        {4, "Dm:32 Bb:16 A:16", "", COUNTER_LINE, "r:32 f2:8 d2:4 f2:4 e2:8 a2:4 c#3:4", BASS_ROOTS,
         true, "----------------", intro, intro_fill, false},
        // 1 A: the theme, falling to the tonic
        {8, verse, tune_a, COUNTER_NONE, "", BASS_ROOTS, true, "----------------", theme,
         theme_fill, false},
        // 2 A': the theme with its echo in the mist, a higher close
        {8, verse, tune_a2, COUNTER_ECHO, "", BASS_ROOTS, false, "x-------x-------", theme2,
         theme2_fill, true},
        // 3 B: the relative major, walking eighths in the bass
        {8, "Bb:16 F:16 Gm:16 Dm:16 Bb:16 C:16 A:16 A7:16",
         "f3:4 bb3:8 a3:4  a3:8 g3:4 f3:4  g3:6 f3:2 d3:4 bb2:4  a2:8 d3:4 f3:4 "
         "bb3:6 a3:2 g3:4 f3:4  e3:4 g3:4 c3:8  c#3:8 e3:4 a3:4  g3:8 f3:2 e3:2 c#3:4",
         COUNTER_LINE, "d2:16 c2:16 bb1:16 a1:16 bb1:8 d2:8 e2:8 g2:8 e2:16 c#2:8 g2:8",
         BASS_EIGHTHS, true, "----------------", walk, walk_fill, true},
        // 4 C: the bridge, nearly without drums, through the flat second
        {8, "Gm:16 C:16 F:16 Bb:16 Gm:16 Eb:16 A:16 A7:16",
         "bb2:8 d3:8  e3:8 g3:4 e3:4  f3:12 c3:4  d3:8 bb2:8 "
         "g3:8 f3:4 d3:4  eb3:8 g3:4 bb3:4  a3:8 e3:4 c#3:4  e3:4 g3:4 a3:8",
         COUNTER_NONE, "", BASS_ROOTS, false, "x-------x---x---", air, air_fill, false},
        // 5 A'': the theme again, a sixth below it in the second voice
        {8, verse, tune_a2, COUNTER_SIXTHS, "", BASS_PULSE, true, "----------------", home,
         home_fill, true},
    };
    t.plan = {0, 1, 2, 3, 4, 5};
    return t;
}

// Fast and driving, in E minor.
tune_sheet tune_course() {
    tune_sheet t;
    t.title = "Course folle";
    t.control = {4, 110, 0, TUNE_PANS};
    t.lead = tone(PITCH_C4, SYNTH_SAW, 64, 0.2, 0.003, 0.15, 0.6, 1.0, 0.7);
    t.counter = tone(PITCH_C4, SYNTH_PULSE25, 64, 0.1, 0.003, 0.2, 0.5, 0.9, 0.5);
    t.bass = tone(PITCH_C3, SYNTH_SQUARE, 16, 0.0, 0.002, 0.08, 0.4, 0.8, 0.3);
    t.chord = tone(PITCH_C4, SYNTH_PULSE25, 32, 0.0, 0.003, 0.1, 0.35, 0.8, 0.45);
    t.pad = tone(PITCH_C4, SYNTH_SAW, 64, 0.3, 0.04, 0.4, 0.7, 0.7, 0.45);
    t.lead_volume = 58;
    t.counter_volume = 30;
    t.bass_volume = 38;
    t.chord_volume = 36;
    t.pad_volume = 28;
    t.kick_volume = 50;
    t.snare_volume = 56;
    t.hat_volume = 34;
    t.crash_volume = 36;
    t.hat_note = 31; // G-3: darker than the other tunes' hats, for a tune this busy
    t.chord_center = 16;
    t.vibrato = 0x42;
    const char* verse = "Em:16 C:16 D:16 B:16 Em:16 C:16 D:16 B:16";
    const char* tune_a = "e3:2 b2:2 e3:2 g3:2 f#3:2 e3:2 d3:2 b2:2  c3:4 e3:2 g3:2 e3:4 c3:4 "
                         "d3:2 a2:2 d3:2 f#3:2 a3:4 f#3:4  d#3:6 f#3:2 b2:8 "
                         "e3:2 b2:2 e3:2 g3:2 b3:4 a3:2 g3:2  e3:4 c3:2 e3:2 g3:8 "
                         "f#3:2 g3:2 a3:4 d3:4 f#3:4  b3:4 a3:2 f#3:2 d#3:8";
    const char* chorus = "Am:16 Em:16 C:16 D:16 Am:16 Em:16 B:32";
    const char* tune_b = "a2:3 c3:3 e3:2 a3:4 g3:4  g3:3 e3:3 b2:2 e3:8  e3:3 g3:3 c3:2 e3:4 d3:4 "
                         "d3:3 f#3:3 a2:2 d3:8  a2:3 c3:3 e3:2 a3:4 b3:4  g3:3 b3:3 e3:2 g3:8 "
                         "f#3:4 d#3:4 f#3:4 a3:4 b3:16";
    const char* run_chords = "Em:8 D:8 C:8 D:8 Em:8 D:8 C:8 B:8 Em:8 D:8 C:8 D:8 C:16 B:16";
    const char* tune_c = "e3:2 g3:2 b3:4 a3:2 f#3:2 d3:4  e3:2 g3:2 c3:4 d3:2 f#3:2 a3:4 "
                         "b3:2 a3:2 g3:2 e3:2 f#3:2 e3:2 d3:4  e3:2 c3:2 g2:4 f#2:2 a2:2 d#3:4 "
                         "e3:4 b2:2 e3:2 f#3:4 a3:4  g3:4 e3:2 c3:2 a3:4 f#3:4 "
                         "e3:6 g3:2 c3:8  b2:4 d#3:4 f#3:4 a3:4";
    const char* lift = "C:16 D:16 Bm:16 Em:16 C:16 D:16 B:16 B7:16";
    const char* tune_d = "g3:8 e3:4 c3:4  a3:8 f#3:4 d3:4  f#3:8 d3:4 b2:4  e3:12 g3:4 "
                         "e3:8 g3:4 c3:4  f#3:8 a3:4 d3:4  d#3:8 f#3:4 b3:4  a3:4 f#3:4 d#3:4 b2:4";
    // Each section its own groove, the hats at most eighths (the tune is fast enough); the
    // fills: a short one halfway, toms into the next section.
    const compose_groove floor{"k...k...k...k...", "", "..h...h...h...h."};
    const compose_groove floor_fill{"k...k...k...k...", "....s...s.s.ssss", "..h...h........."};
    const compose_groove run{"k.....k.k....... k.....k.k.....k.", "....s.......s...",
                             "h...h...h...h... h...h...h...h.h."};
    const compose_groove run_fill{"k.....k.k....... k.....k.k.......",
                                  "....s.......s.ss ....s...s.s.ttmm",
                                  "h...h...h...h... h...h...h......."};
    const compose_groove run2{"k.....k.k.....k. k.....k.k...k...",
                              "....s.......s... ....s.......s..g", "h.h.h.h.h.h.h.h."};
    const compose_groove run2_fill{"k.....k.k.......", "....s.......sgss ....s.....ttmmmm",
                                   "h.h.h.h.h.h..... h.h.h.h........."};
    const compose_groove refrain{"k.....k.k.....k. k.k...k.k.......", "....s.......s...",
                                 "h.h.h.h.h.h.h.o."};
    const compose_groove refrain_fill{"k.....k.k.......", "....s.......s.ss ....s...s.t.t.mm",
                                      "h.h.h.h.h.h.h... h.h.h.h........."};
    const compose_groove gallop{"k.k...k.k.k...k. k.k...k.k.k.....", "....s.......s...",
                                "h...o...h...o..."};
    const compose_groove gallop_fill{"k.k...k.k.k.....", "....s.......sgsg ....s...ssttmmmm",
                                     "h...o...h....... h...o..........."};
    const compose_groove pulse{"k...k...k...k... k...k...k...k.k.", "", "..h...h...h...h."};
    const compose_groove pulse_fill{"k...k...k...k...", "s.s.s.s.sssssss.", "..h...h...h....."};
    const compose_groove quick{"k.....k.k....... k.....k...k.k...",
                               "....s.......s... ....s.......s...", "h.h.h.h.h.h.h.h."};
    const compose_groove quick_fill{"k.....k.k.......", "....s.......s.ss ....s.s.s.ssttmm",
                                    "h.h.h.h.h.h..... h.h.h.h........."};
    const compose_groove quick2{"k.k...k.k....... k.k...k...k.....",
                                "....s..g....s... ....s..g....s.g.", "h...h.h.h...h.h."};
    const compose_groove quick2_fill{"k.k...k.k.......", "....s..g....s.ss ....s...s.sstttm",
                                     "h...h.h.h...h... h...h.h........."};
    const compose_groove rise{"k.........k..... k.........k.k...", "........s.......",
                              "h...h...h...h..."};
    const compose_groove rise_fill{"k.........k.....", "........s...s.ss ........s.s.ttmm",
                                   "h...h...h....... h...h..........."};
    const compose_groove rise2{"k.....k.k.....k. k...k...k...k...", "....s.......s...",
                               "..h...h...h...h. h.h.h.h.h.h.h.h."};
    const compose_groove rise2_fill{"k.....k.k.......", "....s.......s.ss ....ssssttttmmmm",
                                    "h.h.h.h.h.h..... h.h............."};
    t.parts = {
        // 0 intro: stabs and a four-on-the-floor kick, the melody's pickup
        {4, "Em:32 C:16 D:16", "r:48 a2:2 d3:2 e3:2 f#3:2 a3:4 f#3:4", COUNTER_NONE, "", BASS_DRIVE,
         false, "x-..x-..x-..x-..", floor, floor_fill, false},
        // 1 A: the running theme
        {8, verse, tune_a, COUNTER_NONE, "", BASS_DRIVE, false, "x-.x-.x-..x-..x-", run, run_fill,
         true},
        // 2 A': the theme in thirds
        {8, verse, tune_a, COUNTER_THIRDS, "", BASS_DRIVE, false, "x-.x-.x-..x-..x-", run2,
         run2_fill, false},
        // 3 B: the chorus in the subdominant, a held line under it
        {8, chorus, tune_b, COUNTER_LINE, "e2:16 e2:16 g2:16 f#2:16 e2:16 g2:16 f#2:16 d#2:16",
         BASS_EIGHTHS, false, "..x-..x-..x-..x-", refrain, refrain_fill, true},
        // 4 B': the chorus with its echo and a galloping kick
        {8, chorus, tune_b, COUNTER_ECHO, "", BASS_EIGHTHS, false, "x-.x-.x-..x-..x-", gallop,
         gallop_fill, false},
        // 5 break: long notes over the pad and a plain kick
        {4, "Em:32 C:16 D:16", "b2:16 e3:16 g3:16 f#3:16", COUNTER_NONE, "", BASS_ROOTS, true,
         "----------------", pulse, pulse_fill, false},
        // 6 C: quick changes, two chords a bar
        {8, run_chords, tune_c, COUNTER_NONE, "", BASS_EIGHTHS, false, "x-..x-..x-..x-..", quick,
         quick_fill, true},
        // 7 C': the same with the second voice in sixths
        {8, run_chords, tune_c, COUNTER_SIXTHS, "", BASS_OCTAVES, false, "x-.x-.x-..x-..x-", quick2,
         quick2_fill, false},
        // 8 D: the lift to the relative major, long notes over the pad, in half time
        {8, lift, tune_d, COUNTER_NONE, "", BASS_OCTAVES, true, "----------------", rise, rise_fill,
         true},
        // 9 D': the lift again, echoed, chords struck
        {8, lift, tune_d, COUNTER_ECHO, "", BASS_DRIVE, false, "x-..x-..x-..x-..", rise2,
         rise2_fill, false},
    };
    t.plan = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 3};
    return t;
}

// Slow and calm, in F major, with plucked broken chords.
tune_sheet tune_lac() {
    tune_sheet t;
    t.title = "Lac tranquille";
    t.control = {8, 96, 0, TUNE_PANS};
    t.lead = tone(PITCH_C4, SYNTH_SAW, 64, 0.3, 0.05, 0.4, 0.75, 0.7, 0.5);
    t.counter = tone(PITCH_C4, SYNTH_ORGAN, 64, 0.3, 0.06, 0.4, 0.8, 1.0, 1.0);
    t.bass = tone(PITCH_C3, SYNTH_TRIANGLE, 16, 0.0, 0.01, 0.4, 0.7, 1.0, 0.8);
    t.chord = tone(PITCH_C4, SYNTH_SAW, 32, 0.0, 0.0, 0.7, 0.0, 1.0, 0.5);
    t.pad = tone(PITCH_C4, SYNTH_SAW, 64, 0.4, 0.2, 0.8, 0.8, 0.35, 0.3);
    t.plucked = true;
    t.lead_volume = 44;
    t.counter_volume = 30;
    t.bass_volume = 34;
    t.chord_volume = 40;
    t.pad_volume = 20;
    t.kick_volume = 44;
    t.snare_volume = 40;
    t.hat_volume = 42;
    t.crash_volume = 28;
    t.chord_center = 15;
    t.vibrato = 0x22;
    const char* verse = "F:16 Am:16 Bb:16 F/A:16 Gm:16 Dm:16 Bb:16 C:16";
    const char* tune_a = "c3:8 a2:4 c3:4  e3:8 d3:4 c3:4  d3:8 f3:4 d3:4  c3:16 "
                         "bb2:8 d3:4 c3:4  a2:8 f2:4 a2:4  bb2:4 d3:4 f3:4 d3:4  e3:12 g2:4";
    const char* tune_a2 = "c3:8 a2:4 c3:4  e3:8 d3:4 c3:4  d3:8 f3:4 d3:4  c3:12 a2:4 "
                          "bb2:4 d3:4 g3:8  f3:6 e3:2 d3:8  d3:4 f3:4 bb3:4 a3:4  g3:12 c3:4";
    const char* ripple = "0.1.2.4.3.4.2.1.";
    // Each section its own soft groove; the fills: ghost notes, a few toms into the next
    // section.
    const compose_groove intro{"", "", "................ ................ ..h...h...h...h."};
    const compose_groove intro_fill{"", "............g.gg", "..h...h...h...h."};
    const compose_groove still{"k............... k.......k.......", "",
                               "..h...h...h...h. ..h...h...h.h.h."};
    const compose_groove still_fill{"k............... k.......k.......",
                                    "............g.g. ........g...gggg",
                                    "..h...h...h...h. ..h...h........."};
    const compose_groove shaker{"k.......k....... k.......k.....k.", "........g.......",
                                "h.hhh.hhh.hhh.hh"};
    const compose_groove shaker_fill{"k.......k.......", "........g...g.g. ........g...t.m.",
                                     "h.hhh.hhh.hhh.h. h.hhh.hhh......."};
    const compose_groove shaker2{"k.......k....... k.....k.k.......",
                                 "........g....... ........g.....g.",
                                 "h.hhh.hhh.hhh.hh h.hhh.hhh.hhh.h."};
    const compose_groove shaker2_fill{"k.......k.......", "........g.g.g.g. ........g.g.tt.m",
                                      "h.hhh.hhh.h..... h.hhh.hhh......."};
    const compose_groove bridge{"k............... ........k.......", "",
                                "..h...h...h...h. ..h.......h....."};
    const compose_groove bridge_fill{"k............... k.......k.k.k.k.",
                                     "........g...g.g. ........g.g.t.m.",
                                     "..h...h...h...h. ..h...h........."};
    const compose_groove home{"k.......k..k.... k.........k.....",
                              "........g....... ........g...g...", "h.h.h.h.h.h.h.h."};
    const compose_groove home_fill{"k.......k.......", "........g...g.g. ........g.gg.t.m",
                                   "h.h.h.h.h.h.h... h.h.h.h........."};
    t.parts = {
        // 0 intro: the ripple of the plucked chords, the melody's pickup at the end
        {4, "F:16 Am:16 Bb:16 C:16", "r:56 a2:4 bb2:4", COUNTER_NONE, "", BASS_ROOTS, false, ripple,
         intro, intro_fill, false},
        // 1 A: the theme over the ripple
        {8, verse, tune_a, COUNTER_NONE, "", BASS_ROOTS, false, ripple, still, still_fill, false},
        // 2 B: the minor side, a held line and a soft shaker
        {8, "Dm:16 Am:16 Bb:16 F:16 Gm:16 Am:16 Bb:16 C:16",
         "f3:8 e3:4 d3:4  c3:8 e3:8  d3:6 c3:2 bb2:4 d3:4  c3:8 a2:8 "
         "g2:4 bb2:4 d3:8  c3:4 e3:4 a3:8  f3:6 d3:2 bb2:4 d3:4  c3:12 r:4",
         COUNTER_LINE, "a2:16 e2:16 f2:16 f2:16 d2:16 c2:16 d2:16 e2:16", BASS_ROOTS, false, ripple,
         shaker, shaker_fill, true},
        // 3 A': the theme climbing higher, a third below it
        {8, verse, tune_a2, COUNTER_THIRDS, "", BASS_PULSE, false, ripple, shaker2, shaker2_fill,
         false},
        // 4 C: the bridge over a pad, sevenths and a slower ripple
        {8, "BbM7:16 C:16 Am7:16 Dm:16 Gm7:16 C:16 FM7:16 C7:16",
         "d3:8 f3:8  e3:8 g3:8  e3:6 c3:2 a2:8  f3:12 d3:4 "
         "bb2:8 d3:4 f3:4  e3:8 c3:8  a2:4 c3:4 e3:8  g3:8 e3:4 c3:4",
         COUNTER_NONE, "", BASS_ROOTS, false, "0...2...1...4...", bridge, bridge_fill, true},
        // 5 A'': the theme with its echo across the water
        {8, verse, tune_a, COUNTER_ECHO, "", BASS_ROOTS, false, ripple, home, home_fill, false},
    };
    t.plan = {0, 1, 2, 3, 4, 5};
    return t;
}

// Bouncy and swung, in B flat major, with staccato notes and off-beat chords.
tune_sheet tune_sauts() {
    tune_sheet t;
    t.title = "Petits sauts";
    t.control = {6, 120, 4, TUNE_PANS};
    t.lead = tone(PITCH_C4, SYNTH_SQUARE, 64, 0.1, 0.002, 0.12, 0.3, 0.9, 0.5);
    t.counter = tone(PITCH_C4, SYNTH_TRIANGLE, 64, 0.0, 0.002, 0.1, 0.3, 1.0, 0.8);
    t.bass = tone(PITCH_C3, SYNTH_SAW, 16, 0.0, 0.002, 0.1, 0.35, 0.8, 0.3);
    t.chord = tone(PITCH_C4, SYNTH_PULSE25, 32, 0.0, 0.002, 0.08, 0.3, 0.8, 0.4);
    t.pad = tone(PITCH_C4, SYNTH_ORGAN, 64, 0.2, 0.02, 0.3, 0.7, 0.8, 0.6);
    t.lead_volume = 60;
    t.counter_volume = 34;
    t.bass_volume = 48;
    t.chord_volume = 38;
    t.pad_volume = 28;
    t.kick_volume = 56;
    t.snare_volume = 56;
    t.hat_volume = 36;
    t.crash_volume = 34;
    t.chord_center = 17;
    const char* verse = "Bb:16 F:16 Gm:16 Eb:16 Bb:16 F:16 Eb:8 F:8 Bb:16";
    const char* tune_a = "f3:2 r:2 d3:2 f3:2 bb3:4 f3:2 r:2  a3:2 r:2 f3:2 a3:2 c3:4 r:4 "
                         "g3:2 r:2 bb3:2 g3:2 d3:4 g3:2 a3:2  bb3:2 g3:2 eb3:2 g3:2 bb2:8 "
                         "d3:2 r:2 f3:2 d3:2 bb2:2 d3:2 f3:2 bb3:2  a3:4 c3:2 f3:2 a3:4 r:4 "
                         "g3:2 eb3:2 bb2:2 g3:2 f3:2 a3:2 c3:2 eb3:2  d3:2 r:2 bb2:2 r:2 bb3:4 r:4";
    const char* tune_d = "bb2:2 d3:2 f3:2 bb3:2 a3:2 bb3:2 f3:4  a3:2 g3:2 f3:2 c3:2 a2:4 r:4 "
                         "bb2:2 d3:2 g3:2 bb3:2 a3:2 g3:2 d3:4  eb3:2 g3:2 bb3:4 g3:2 eb3:2 bb2:4 "
                         "f3:2 r:2 bb3:2 r:2 a3:2 bb3:2 f3:2 d3:2  c3:2 f3:2 a3:2 c3:2 f3:4 r:4 "
                         "g3:2 f3:2 eb3:2 g3:2 f3:2 eb3:2 c3:2 a2:2  bb2:4 f3:2 d3:2 bb2:4 r:4";
    const char* chorus = "Eb:16 F:16 Dm:16 Gm:16 Cm:16 F:16 Bb:16 F7:16";
    const char* tune_b =
        "g3:4 f3:2 eb3:2 g3:4 bb3:4  a3:4 g3:2 f3:2 c3:8 "
        "d3:2 f3:2 a3:2 f3:2 d3:4 a2:4  bb2:4 d3:2 g3:2 bb3:8 "
        "c3:2 eb3:2 g3:2 eb3:2 c3:4 g3:4  a3:2 g3:2 f3:2 eb3:2 c3:4 a2:4 "
        "bb2:2 d3:2 f3:2 bb3:2 r:2 f3:2 d3:2 bb2:2  c3:2 r:2 eb3:2 r:2 f3:2 a3:2 c3:4";
    const char* bridge = "Gm:16 Dm:16 Eb:16 Bb:16 Cm:16 Gm:16 C7:16 F7:16";
    const char* tune_c =
        "g3:2 r:2 bb3:2 r:2 g3:2 d3:2 bb2:4  a2:2 r:2 d3:2 f3:2 a3:4 f3:4 "
        "g3:2 f3:2 eb3:2 r:2 bb2:4 eb3:4  d3:2 r:2 f3:2 r:2 bb3:8 "
        "c3:2 eb3:2 g3:2 r:2 c3:2 eb3:2 g3:4  bb3:4 a3:2 g3:2 d3:4 bb2:4 "
        "c3:2 e3:2 g3:2 bb3:2 r:2 g3:2 e3:4  f3:2 r:2 a3:2 r:2 c3:2 eb3:2 f3:2 a3:2";
    // Each section its own groove; the fills: a short one halfway, toms into the next section.
    const compose_groove intro{"k.......k.......", "............s...", "..h...h...h...h."};
    const compose_groove intro_fill{"k.......k.......", "....s...s.s.ttmm", "..h...h........."};
    const compose_groove hop{"k.......k....... k.......k.....k.", "....s.......s...",
                             "h.h.h.h.h.h.h.h."};
    const compose_groove hop_fill{"k.......k....... k.......k.......",
                                  "....s.......s.ss ....s...s.s.ssss",
                                  "h.h.h.h.h.h.h... h.h.h.h.h......."};
    const compose_groove hop2{"k.......k.k..... k.....k.k.......",
                              "....s.......s... ....s.......s..g", "h.h.h.h.h.h.h.h."};
    const compose_groove hop2_fill{"k.......k.k.....", "....s.......sgss ....s...s.s.ttmm",
                                   "h.h.h.h.h.h..... h.h.h.h.h......."};
    const compose_groove skip{"k.....k.k....... k.....k.k...k...", "....s.......s..g",
                              "h.hhh.hhh.hhh.hh"};
    const compose_groove skip_fill{"k.....k.k.......", "....s.......s.gs ....s...s.sgsstt",
                                   "h.hhh.hhh.hhh... h.hhh.hhh......."};
    const compose_groove organ{"k.......k....... k.k.....k.......", "....s.......s...",
                               "h.o.h.h.h.o.h.h."};
    const compose_groove organ_fill{"k.......k.......", "....s.......s.ss ....s...ssttmmmm",
                                    "h.o.h.h.h.o.h... h.o.h.h........."};
    const compose_groove light{"k.......k....... k.........k.....", "............s...",
                               "..h...h...h...h."};
    const compose_groove light_fill{"k.......k.......", "............s.ss ........s.s.ttmm",
                                    "..h...h...h..... ..h...h........."};
    const compose_groove fresh{"k.....k.k....... k.....k...k.k...",
                               "....s.......s..g ....s..g....s...", "h.hhh.hhh.hhh.hh"};
    const compose_groove fresh_fill{"k.....k.k.......", "....s.......sgss ....s.s.s.ssttmm",
                                    "h.hhh.hhh.hh.... h.hhh.hhh......."};
    const compose_groove swing{"k.......k....... k.......k.k.....",
                               "....s.......s... ....s.......s.g.", "h.h.h.o.h.h.h.o."};
    const compose_groove swing_fill{"k.......k.......", "....s.......s.ss ....s...s.t.t.mm",
                                    "h.h.h.o.h.h..... h.h.h.o........."};
    t.parts = {
        // 0 intro: off-beat chords and the bass, the melody's pickup
        {4, "Bb:16 Gm:16 Eb:16 F:16", "r:56 f2:2 a2:2 c3:2 eb3:2", COUNTER_NONE, "", BASS_OCTAVES,
         false, "..x...x...x...x.", intro, intro_fill, false},
        // 1 A: the hopping theme
        {8, verse, tune_a, COUNTER_NONE, "", BASS_OCTAVES, false, "..x...x...x...x.", hop, hop_fill,
         true},
        // 2 A': the theme in thirds
        {8, verse, tune_a, COUNTER_THIRDS, "", BASS_OCTAVES, false, "..x-..x-..x...x-", hop2,
         hop2_fill, false},
        // 3 B: the chorus, walking bass
        {8, chorus, tune_b, COUNTER_NONE, "", BASS_WALK, false, "..x...x...x...x.", skip, skip_fill,
         true},
        // 4 B': the chorus with its echo over an organ
        {8, chorus, tune_b, COUNTER_ECHO, "", BASS_WALK, true, "x-------x-------", organ,
         organ_fill, false},
        // 5 C: the bridge in the relative minor, the dominant of the dominant at its end
        {8, bridge, tune_c, COUNTER_NONE, "", BASS_WALK, false, "..x...x...x...x.", light,
         light_fill, true},
        // 6 D: a new tune over the theme's chords
        {8, verse, tune_d, COUNTER_LINE, "d2:16 c2:16 d2:16 eb2:16 f2:16 f2:16 g2:8 a2:8 bb2:16",
         BASS_OCTAVES, false, "..x-..x-..x-..x-", fresh, fresh_fill, true},
        // 7 C': the bridge in sixths
        {8, bridge, tune_c, COUNTER_SIXTHS, "", BASS_WALK, true, "x-------x-------", swing,
         swing_fill, false},
    };
    t.plan = {0, 1, 2, 3, 4, 5, 6, 7, 1, 3};
    return t;
}

// Builds the module of a tune; false (with a message) when a part does not add up.
bool build_tune(const tune_sheet& t, mod_song& song, uint64_t seed) {
    song.title = t.title;
    song.samples.clear();
    song.samples.push_back(compose_silence_sample());
    song.samples.push_back(synth_tonal("lead", t.lead, t.lead_volume));
    song.samples.push_back(synth_tonal("counter", t.counter, t.counter_volume));
    song.samples.push_back(synth_tonal("bass", t.bass, t.bass_volume));
    song.samples.push_back(t.plucked ? synth_pluck("pluck", t.chord.pitch_hz, t.chord.wave,
                                                   t.chord.decay_s, 2.0, t.chord_volume)
                                     : synth_tonal("chord", t.chord, t.chord_volume));
    song.samples.push_back(synth_tonal("pad", t.pad, t.pad_volume));
    synth_rng rng{seed};
    song.samples.push_back(synth_kick("kick", DRUM_NOTE, t.kick_volume));
    song.samples.push_back(synth_snare("snare", DRUM_NOTE, rng, t.snare_volume));
    song.samples.push_back(synth_hat("hat", t.hat_note, 0.025, rng, t.hat_volume));
    song.samples.push_back(synth_hat("open hat", t.hat_note, 0.14, rng, t.hat_volume + 4));
    song.samples.push_back(synth_crash("crash", t.hat_note, 0.45, rng, t.crash_volume));
    song.samples.push_back(synth_tom("tom", DRUM_NOTE, rng, t.snare_volume + 6));
    song.samples.push_back(synth_tonal("echo", t.lead, t.lead_volume * 2 / 5));

    const compose_kit kit{S_KICK, S_SNARE,   S_HAT,     S_OPEN,     S_CRASH,
                          S_TOM,  DRUM_NOTE, DRUM_NOTE, t.hat_note, DRUM_NOTE};
    std::vector<compose_section> sections;
    int index = 0;
    for (const auto& p : t.parts) {
        const int rows = p.bars * COMPOSE_BAR;
        const int lead_rows = compose_notes_rows(p.lead);
        const int line_rows = compose_notes_rows(p.counter_line);
        if (compose_chords_rows(p.chords) != rows || (lead_rows != 0 && lead_rows != rows) ||
            (line_rows != 0 && line_rows != rows)) {
            std::fprintf(stderr,
                         "datagen: '%s' part %d has %d rows, %d of chords, %d of melody, %d of "
                         "second voice\n",
                         t.title, index, rows, compose_chords_rows(p.chords), lead_rows, line_rows);
            return false;
        }
        compose_section s = compose_new(p.bars);
        const compose_voice lead{CH_LEAD, S_LEAD, -1, 64, t.vibrato, 0};
        const compose_voice counter{CH_COUNTER, S_COUNTER, -1, 64, 0, 0};
        compose_melody(s, lead, p.lead);
        switch (p.counter) {
        case COUNTER_NONE:
            break;
        case COUNTER_LINE:
            compose_melody(s, {CH_COUNTER, S_COUNTER, -1, 64, t.vibrato, 0}, p.counter_line);
            break;
        case COUNTER_THIRDS:
            compose_harmony(s, counter, p.lead, p.chords, 3);
            break;
        case COUNTER_SIXTHS:
            compose_harmony(s, counter, p.lead, p.chords, 7);
            break;
        case COUNTER_ECHO:
            compose_melody(s, {CH_COUNTER, S_ECHO, -1, 64, t.vibrato, 0}, p.lead, 3);
            break;
        }
        compose_bass(s, S_BASS, p.chords, p.bass);
        if (p.pad)
            compose_chords(s, S_PAD, p.chords, p.comp, t.chord_center);
        else if (t.plucked)
            compose_broken(s, S_CHORD, p.chords, p.comp, t.chord_center);
        else
            compose_chords(s, S_CHORD, p.chords, p.comp, t.chord_center);
        if (!compose_drums(s, kit, p.groove, p.fill, 4, p.crash)) {
            std::fprintf(stderr, "datagen: '%s' part %d: bad drum text\n", t.title, index);
            return false;
        }
        // A tonal voice that does not start the section is silenced, so nothing of the
        // section played before it rings on.
        for (int ch = CH_BASS; ch < MOD_CHANNELS; ++ch)
            if (s.rows[0][ch].note == MOD_NOTE_NONE) {
                s.rows[0][ch].note = 12;
                s.rows[0][ch].sample = COMPOSE_SILENCE;
            }
        sections.push_back(std::move(s));
        ++index;
    }
    return compose_build(song, sections, t.plan, t.restart, t.control);
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
        if (!write_bytes(run_dir + "/sounds/tune" + std::to_string(n) + ".mod", bytes))
            return false;
        ++n;
    }
    return true;
}
