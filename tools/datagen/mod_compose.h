// Writing music into module patterns: notes from short texts, chord progressions turned into
// bass lines and voiced chords, drum grooves on three channels, and the song assembled from
// sections with each channel's stereo place, the speed and the tempo in reserved slots.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "mod_format.h"

constexpr int COMPOSE_BAR = 16; // rows per bar: one row is a sixteenth note

// The channel of each part, the same in every tune: three drum channels, the bass, two held
// chord voices and two melodic voices.
constexpr int CH_KICK = 0, CH_SNARE = 1, CH_HAT = 2, CH_BASS = 3, CH_CHORD_LO = 4, CH_CHORD_HI = 5,
              CH_LEAD = 6, CH_COUNTER = 7;

// Sample 1 of every song is silence: a note of it ends the note sounding on its channel, on any
// row, without an effect slot.
constexpr int COMPOSE_SILENCE = 1;
mod_sample compose_silence_sample();

// Control slots: on row 0 of every pattern each channel's effect slot carries its pan (8xx),
// except CH_LEAD and CH_COUNTER, which carry the speed and the tempo there and their pans on
// row 1. The writers below leave these slots free (a note there plays at its sample's own
// volume); compose_build fills them and refuses a song where one is taken.
bool compose_control_slot(int row, int channel);

// A stretch of music of whole bars; cut into 64-row patterns when the song is built.
struct compose_section {
    std::vector<mod_row> rows;
};

// A section of bars bars (rounded up to whole patterns of four bars).
compose_section compose_new(int bars);

struct compose_note {
    int note; // 0..35, MOD_NOTE_NONE for a rest
    int len;  // rows
    bool accent;
};
// Parses "e2:4 f#2:2 r:2 g2:8>" (name, octave 1..3, ':' length in rows, '>' for an accent).
// Returns an empty list (after a message on stderr) when a token cannot be read.
std::vector<compose_note> compose_parse_notes(const std::string& text);
// Total rows of a note text; -1 when it cannot be read, 0 for an empty text.
int compose_notes_rows(const std::string& text);

struct compose_voice {
    int channel = CH_LEAD;
    int sample = 2;
    int volume = -1;   // Cxx on each note, -1 keeps the sample's own volume
    int accent = 64;   // Cxx on accented notes
    int vibrato = 0;   // 4xy on held notes, 0 for none
    int transpose = 0; // semitones added to every note (folded into the three octaves)
};
// Writes notes from start_row on; a rest sounds the silence sample. Notes past the section's
// end are dropped. Returns the row after the last note.
int compose_melody(compose_section& sec, const compose_voice& v, const std::string& text,
                   int start_row = 0);

// Writes a second voice under the melody: each note is answered by the nearest tone of the
// chord sounding that lies at least `gap` semitones under it (3 gives mostly thirds, 7 mostly
// sixths), so the voice never rubs against the chord. Rests stay rests.
void compose_harmony(compose_section& sec, const compose_voice& v, const std::string& text,
                     const std::string& chords, int gap);

struct compose_chord {
    int root;                 // 0..11, C = 0
    int bass;                 // bass note 0..11 (the root unless written "C/E")
    std::array<int, 4> tones; // semitones above the root: root, third, fifth, seventh or -1
    int len;                  // rows
};
// Parses "C:16 Am:16 F/A:8 G7:8" (m, 7, m7, M7, 6, add9, sus, sus2, dim, 5). Empty on a bad
// token.
std::vector<compose_chord> compose_parse_chords(const std::string& text);
// Total rows of a chord text; -1 when it cannot be read.
int compose_chords_rows(const std::string& text);

enum compose_bass_style {
    BASS_NONE,
    BASS_ROOTS,   // root held, the fifth three quarters through long chords
    BASS_EIGHTHS, // repeated eighth notes, octave on the last one of each beat pair
    BASS_OCTAVES, // root and upper octave alternating in eighths
    BASS_WALK,    // quarters: root, third, fifth, approach to the next chord
    BASS_DRIVE,   // syncopated 3+3+2 sixteenths
    BASS_PULSE,   // dotted quarter, eighth, half: root, root, fifth
};
void compose_bass(compose_section& sec, int sample, const std::string& text,
                  compose_bass_style style);

// The two chord voices: for each chord the two tones that best name it over its bass (third
// and seventh, else third and fifth), placed near `center` (a note 0..35) and each moving as
// little as it can from the chord before.
struct compose_voicing {
    int lo, hi; // notes 0..35
};
std::vector<compose_voicing> compose_voice_chords(const std::vector<compose_chord>& chords,
                                                  int center);

// Plays the chord voices on CH_CHORD_LO and CH_CHORD_HI to a rhythm of bars of 16 characters
// (repeated): 'x' strikes both voices, '-' lets them ring, '.' silences them. A chord change
// on a ringing row strikes the new voicing, holding the notes the two chords share.
void compose_chords(compose_section& sec, int sample, const std::string& text,
                    const std::string& rhythm, int center);

// Broken chords for a plucked sample, alternating between the two chord channels so each note
// rings into the next: bars of 16 characters (repeated), digits pick the chord tone (0 the root
// under the voicing, 1 the low voice, 2 the high voice, 3 the root an octave up, 4 the low
// voice an octave up), '.' leaves the row empty.
void compose_broken(compose_section& sec, int sample, const std::string& text,
                    const std::string& figure, int center);

struct compose_kit {
    int kick, snare, hat, open, crash, tom; // sample numbers
    int kick_note, snare_note, hat_note, tom_note;
    int ghost_volume = 18; // Cxx of a ghost snare
    int loud_hat = 40;     // Cxx of an accented hat (the normal hat is the sample's volume)
};
// A drum part: one text per drum channel, bars of 16 characters separated by spaces and
// repeated over the section. Kick: k. Snare: s snare, g ghost, t high tom, m low tom.
// Hat: h hat, H loud hat, o open hat, c crash. '.' leaves the row empty.
struct compose_groove {
    const char* kick;
    const char* snare;
    const char* hat;
};
// Writes the groove; the fill replaces the last bar of every `fill_every` bars and the
// section's last bar. The section's last bar takes the fill text's last bar (the fill into the
// next section), the others take its other bars in turn; a one-bar fill serves all. A crash
// on the first row when crash is set. Returns false (after a message on stderr), writing
// nothing, when a bar is not 16 characters.
bool compose_drums(compose_section& sec, const compose_kit& kit, const compose_groove& groove,
                   const compose_groove& fill, int fill_every, bool crash);

struct compose_control {
    int speed = 6, bpm = 125;
    int swing_speed = 0; // when not 0: the first half of each beat at speed, the second at this
    std::array<int, MOD_CHANNELS> pans{}; // 8xx per channel, 0 left .. 255 right
};

// Builds the song: the sections' patterns (identical ones shared) played in plan order, the
// loop going back to the section at plan[restart]; the control slots of every pattern filled.
// Returns false (after a message on stderr) when the song does not fit the format, when a
// control slot is taken, when the swing finds no free slot, when one pattern would play twice
// in a row (also across the loop), or when no pan lies right of the middle (libopenmpt then
// reads every 8xx of the song on a 00..80 scale).
bool compose_build(mod_song& song, const std::vector<compose_section>& sections,
                   const std::vector<int>& plan, int restart, const compose_control& control);
