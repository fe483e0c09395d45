#include "mod_format.h"

#include <cstdio>

namespace {

// The standard ProTracker period table at finetune 0, three octaves.
constexpr std::array<int, MOD_NOTES> MOD_PERIODS = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, // octave 1
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226, // octave 2
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113, // octave 3
};

void put_text(std::vector<uint8_t>& out, const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

void put_word(std::vector<uint8_t>& out, size_t v) {
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    out.push_back(static_cast<uint8_t>(v & 0xFF));
}

bool sample_fits(const mod_sample& s) {
    if (s.data.size() > MOD_MAX_SAMPLE_BYTES || s.data.size() % 2 != 0) return false;
    if (s.loop_start % 2 != 0 || s.loop_length % 2 != 0) return false;
    if (s.loop_length > 0 && s.loop_start + s.loop_length > s.data.size()) return false;
    return s.volume >= 0 && s.volume <= 64 && s.finetune >= -8 && s.finetune <= 7;
}

} // namespace

int mod_period(int note) {
    return note >= 0 && note < MOD_NOTES ? MOD_PERIODS[note] : 0;
}

double mod_note_rate(int note) {
    const int p = mod_period(note);
    return p ? MOD_PAULA_CLOCK / (2.0 * p) : 0.0;
}

std::vector<uint8_t> mod_encode(const mod_song& song) {
    if (song.samples.size() > MOD_MAX_SAMPLES || song.orders.empty() ||
        song.orders.size() > MOD_MAX_ORDERS || song.patterns.empty() ||
        song.patterns.size() > MOD_MAX_PATTERNS)
        return {};
    for (const auto& s : song.samples)
        if (!sample_fits(s)) return {};
    if (song.restart < 0 || song.restart >= static_cast<int>(song.orders.size())) return {};
    for (int o : song.orders)
        if (o < 0 || o >= static_cast<int>(song.patterns.size())) return {};

    std::vector<uint8_t> out;
    put_text(out, song.title, 20);
    for (int i = 0; i < MOD_MAX_SAMPLES; ++i) {
        const mod_sample empty;
        const mod_sample& s = i < static_cast<int>(song.samples.size()) ? song.samples[i] : empty;
        put_text(out, s.name, 22);
        put_word(out, s.data.size() / 2);
        out.push_back(static_cast<uint8_t>(s.finetune & 0x0F));
        out.push_back(static_cast<uint8_t>(s.volume));
        if (s.loop_length > 0) {
            put_word(out, s.loop_start / 2);
            put_word(out, s.loop_length / 2);
        } else {
            put_word(out, 0);
            put_word(out, 1); // one word: no loop
        }
    }
    out.push_back(static_cast<uint8_t>(song.orders.size()));
    out.push_back(static_cast<uint8_t>(song.restart));
    for (int i = 0; i < MOD_MAX_ORDERS; ++i)
        out.push_back(
            i < static_cast<int>(song.orders.size()) ? static_cast<uint8_t>(song.orders[i]) : 0);
    for (char c : std::string("8CHN"))
        out.push_back(static_cast<uint8_t>(c));

    for (const auto& pat : song.patterns)
        for (const auto& row : pat)
            for (const auto& c : row) {
                const int period = mod_period(c.note);
                out.push_back(static_cast<uint8_t>((c.sample & 0xF0) | ((period >> 8) & 0x0F)));
                out.push_back(static_cast<uint8_t>(period & 0xFF));
                out.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | (c.effect & 0x0F)));
                out.push_back(static_cast<uint8_t>(c.param & 0xFF));
            }
    for (const auto& s : song.samples)
        for (int8_t v : s.data)
            out.push_back(static_cast<uint8_t>(v));
    return out;
}
