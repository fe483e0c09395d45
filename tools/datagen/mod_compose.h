// Writing music into module patterns: notes from short texts, chord progressions turned into
// bass lines and arpeggiated chords, drum grooves, and the song assembled from sections.
#pragma once
#include <string>
#include <vector>

#include "mod_format.h"

constexpr int COMPOSE_BAR = 16; // rows per bar: one row is a sixteenth note

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

struct compose_voice {
    int channel = 0;
    int sample = 1;
    int volume = -1;   // volume set on each note (0..64), -1 keeps the sample's own
    int vibrato = 0;   // 4xy parameter for held notes, 0 for none
    int transpose = 0; // semitones added to every note
};
// Writes notes from start_row on; a rest silences the channel. Returns the row after the last.
int compose_melody(compose_section& sec, const compose_voice& v, const std::string& text,
                   int start_row = 0);

struct compose_chord {
    int root;  // 0..11, C = 0
    int bass;  // bass note 0..11 (the root unless written "C/E")
    int arp;   // 0xy parameter: the two intervals above the root
    int third; // semitones of the chord's third (3 or 4; 5 for sus)
    int len;   // rows
};
// Parses "C:16 Am:16 F/A:8 G7:8" (m, 7, m7, M7, sus, dim, 5 qualities). Empty on a bad token.
std::vector<compose_chord> compose_parse_chords(const std::string& text);
// Total rows of a note or chord text; -1 when it cannot be read.
int compose_notes_rows(const std::string& text);
int compose_chords_rows(const std::string& text);

enum compose_bass_style {
    BASS_NONE,
    BASS_ROOTS,   // root held, the fifth halfway through long chords
    BASS_EIGHTHS, // repeated eighth notes, octave on the last one of each beat pair
    BASS_OCTAVES, // root and upper octave alternating in eighths
    BASS_WALK,    // quarters: root, fifth, octave, approach to the next chord
    BASS_DRIVE,   // syncopated 3+3+2 sixteenths
};
enum compose_comp_style {
    COMP_NONE,
    COMP_HOLD,    // one arpeggiated chord per change
    COMP_OFFBEAT, // short chords on the off-beats
    COMP_BEATS,   // a chord on every beat
    COMP_SYNC,    // syncopated hits
    COMP_BROKEN,  // the chord's notes one after the other in eighths (for a plucked sample)
};
void compose_bass(compose_section& sec, int channel, int sample, const std::string& chords,
                  compose_bass_style style, int volume = -1);
void compose_comp(compose_section& sec, int channel, int sample, const std::string& chords,
                  compose_comp_style style);

struct compose_kit {
    int kick, snare, hat, open; // sample numbers
    int kick_note, snare_note, hat_note, open_note;
    int hat_volume = 28;
};
// Drum grooves: bars of 16 characters separated by spaces, repeated over the section; the
// optional fill replaces the last bar of every fill_every bars. Letters: k kick, s snare,
// g ghost snare, h hat, H loud hat, o open hat, t high tom, m low tom, c crash.
void compose_drums(compose_section& sec, int channel, const compose_kit& kit,
                   const std::string& groove, const std::string& fill = "", int fill_every = 4);

// Sets each channel's stereo position (8xx, 0 left .. 255 right) on the first row of the first
// pattern played where the channel's effect slot is free.
void compose_pan(mod_song& song, const std::array<int, MOD_CHANNELS>& pans);

// Swings the eighth notes: the first two rows of each beat at speed `slow`, the next two at
// `fast`, with an Fxx on every row (in a free effect slot, or replacing a speed already there).
// Returns the number of rows that had no slot for it.
int compose_swing(mod_song& song, int slow, int fast);

// Builds the song: the sections' patterns played in plan order, speed and tempo set on the
// first row. Returns false (after a message on stderr) if it does not fit the format.
bool compose_build(mod_song& song, const std::vector<compose_section>& sections,
                   const std::vector<int>& plan, int speed, int bpm);
