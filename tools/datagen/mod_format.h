// Eight-channel tracker modules ("8CHN"): the in-memory song and its file encoding.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int MOD_CHANNELS = 8;
constexpr int MOD_ROWS = 64;
constexpr int MOD_MAX_SAMPLES = 31;
constexpr int MOD_MAX_ORDERS = 128;
constexpr int MOD_MAX_PATTERNS = 64;
constexpr int MOD_NOTES = 36; // C-1 .. B-3, note 0 is C-1
constexpr int MOD_NOTE_NONE = -1;
constexpr double MOD_PAULA_CLOCK = 7093789.2;   // PAL Amiga clock
constexpr size_t MOD_MAX_SAMPLE_BYTES = 131070; // 65535 words

// Effect numbers used by the composer.
enum mod_effect : int {
    MOD_FX_ARPEGGIO = 0x0,
    MOD_FX_SLIDE_UP = 0x1,
    MOD_FX_SLIDE_DOWN = 0x2,
    MOD_FX_PORTAMENTO = 0x3,
    MOD_FX_VIBRATO = 0x4,
    MOD_FX_PANNING = 0x8,
    MOD_FX_VOLUME_SLIDE = 0xA,
    MOD_FX_VOLUME = 0xC,
    MOD_FX_EXTENDED = 0xE,
    MOD_FX_SPEED = 0xF,
};

struct mod_cell {
    int note = MOD_NOTE_NONE; // 0..35, or MOD_NOTE_NONE
    int sample = 0;           // 1..31, 0 = keep the channel's sample
    int effect = 0;
    int param = 0;
    bool operator==(const mod_cell&) const = default;
};
using mod_row = std::array<mod_cell, MOD_CHANNELS>;
using mod_pattern = std::array<mod_row, MOD_ROWS>;

struct mod_sample {
    std::string name;         // up to 22 bytes
    std::vector<int8_t> data; // signed 8-bit, even length
    int finetune = 0;         // -8..7
    int volume = 64;          // 0..64
    size_t loop_start = 0;    // in bytes, even
    size_t loop_length = 0;   // in bytes, even; 0 = one-shot
};

struct mod_song {
    std::string title; // up to 20 bytes
    std::vector<mod_sample> samples;
    std::vector<mod_pattern> patterns;
    std::vector<int> orders;
    int restart = 0; // order the song goes back to when it loops
};

// Amiga period of a note at finetune 0; 0 for a note outside C-1 .. B-3.
int mod_period(int note);
// Rate in Hz at which a sample is played for a note; 0 outside the table.
double mod_note_rate(int note);
// The whole file image; empty when the song does not fit the format (too many samples,
// orders or patterns, a sample too long or odd-sized, a loop outside its sample).
std::vector<uint8_t> mod_encode(const mod_song& song);
