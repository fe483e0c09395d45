#include "mod_compose.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// Semitone of a note letter above C; -1 for anything else.
int semitone_of(char c) {
    static constexpr int SEMITONES[7] = {9, 11, 0, 2, 4, 5, 7}; // a b c d e f g
    const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l >= 'a' && l <= 'g' ? SEMITONES[l - 'a'] : -1;
}

void set_cell(mod_cell& c, int note, int sample, int effect, int param) {
    c.note = note;
    c.sample = sample;
    c.effect = effect;
    c.param = param;
}

bool effect_free(const mod_cell& c) {
    return c.effect == 0 && c.param == 0;
}

int clamp_note(int n) {
    while (n < 0)
        n += 12;
    while (n >= MOD_NOTES)
        n -= 12;
    return n;
}

} // namespace

compose_section compose_new(int bars) {
    const int patterns = (bars * COMPOSE_BAR + MOD_ROWS - 1) / MOD_ROWS;
    compose_section s;
    s.rows.resize(static_cast<size_t>(patterns) * MOD_ROWS);
    return s;
}

std::vector<compose_note> compose_parse_notes(const std::string& text) {
    std::vector<compose_note> out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        compose_note n{MOD_NOTE_NONE, 0, false};
        const size_t colon = tok.find(':');
        if (colon == std::string::npos) {
            std::fprintf(stderr, "datagen: bad note '%s'\n", tok.c_str());
            return {};
        }
        std::string pitch = tok.substr(0, colon), len = tok.substr(colon + 1);
        if (!len.empty() && len.back() == '>') {
            n.accent = true;
            len.pop_back();
        }
        n.len = std::atoi(len.c_str());
        if (pitch != "r") {
            size_t i = 0;
            int pc = pitch.empty() ? -1 : semitone_of(pitch[0]);
            if (pc < 0 || pitch.size() < 2) {
                std::fprintf(stderr, "datagen: bad note '%s'\n", tok.c_str());
                return {};
            }
            i = 1;
            if (pitch[i] == '#') {
                ++pc;
                ++i;
            } else if (pitch[i] == 'b') {
                --pc;
                ++i;
            }
            if (i + 1 != pitch.size() || pitch[i] < '1' || pitch[i] > '3') {
                std::fprintf(stderr, "datagen: bad note '%s'\n", tok.c_str());
                return {};
            }
            n.note = (pitch[i] - '1') * 12 + pc;
            if (n.note < 0 || n.note >= MOD_NOTES) {
                std::fprintf(stderr, "datagen: note out of range '%s'\n", tok.c_str());
                return {};
            }
        }
        if (n.len <= 0) {
            std::fprintf(stderr, "datagen: bad length in '%s'\n", tok.c_str());
            return {};
        }
        out.push_back(n);
    }
    return out;
}

int compose_melody(compose_section& sec, const compose_voice& v, const std::string& text,
                   int start_row) {
    int row = start_row;
    const int total = static_cast<int>(sec.rows.size());
    for (const auto& n : compose_parse_notes(text)) {
        if (row >= total) break;
        mod_cell& c = sec.rows[row][v.channel];
        if (n.note == MOD_NOTE_NONE) {
            set_cell(c, MOD_NOTE_NONE, 0, MOD_FX_VOLUME, 0);
        } else {
            const int vol = n.accent ? 64 : v.volume;
            set_cell(c, clamp_note(n.note + v.transpose), v.sample, vol >= 0 ? MOD_FX_VOLUME : 0,
                     vol >= 0 ? vol : 0);
            if (v.vibrato && n.len >= 6)
                for (int r = row + 3; r < row + n.len && r < total; ++r)
                    set_cell(sec.rows[r][v.channel], MOD_NOTE_NONE, 0, MOD_FX_VIBRATO, v.vibrato);
        }
        row += n.len;
    }
    return row;
}

std::vector<compose_chord> compose_parse_chords(const std::string& text) {
    std::vector<compose_chord> out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        const size_t colon = tok.find(':');
        const std::string name = tok.substr(0, colon);
        size_t i = 0;
        auto pitch = [&](size_t& at) {
            int pc = at < name.size() ? semitone_of(name[at]) : -1;
            if (pc < 0) return -1;
            ++at;
            if (at < name.size() && name[at] == '#') {
                ++pc;
                ++at;
            } else if (at < name.size() && name[at] == 'b') {
                --pc;
                ++at;
            }
            return (pc + 12) % 12;
        };
        const int root = pitch(i);
        if (root < 0 || colon == std::string::npos) {
            std::fprintf(stderr, "datagen: bad chord '%s'\n", tok.c_str());
            return {};
        }
        const size_t slash = name.find('/', i);
        const std::string q =
            name.substr(i, slash == std::string::npos ? std::string::npos : slash - i);
        compose_chord c{root, root, 0x47, 4, std::atoi(tok.c_str() + colon + 1)};
        if (q == "m") {
            c.arp = 0x37;
            c.third = 3;
        } else if (q == "7")
            c.arp = 0x4A;
        else if (q == "m7") {
            c.arp = 0x3A;
            c.third = 3;
        } else if (q == "M7")
            c.arp = 0x4B;
        else if (q == "sus") {
            c.arp = 0x57;
            c.third = 5;
        } else if (q == "dim") {
            c.arp = 0x36;
            c.third = 3;
        } else if (q == "5")
            c.arp = 0x7C;
        else if (!q.empty()) {
            std::fprintf(stderr, "datagen: bad chord '%s'\n", tok.c_str());
            return {};
        }
        if (slash != std::string::npos) {
            size_t j = slash + 1;
            c.bass = pitch(j);
            if (c.bass < 0) {
                std::fprintf(stderr, "datagen: bad chord '%s'\n", tok.c_str());
                return {};
            }
        }
        if (c.len <= 0) {
            std::fprintf(stderr, "datagen: bad chord length '%s'\n", tok.c_str());
            return {};
        }
        out.push_back(c);
    }
    return out;
}

int compose_notes_rows(const std::string& text) {
    const auto notes = compose_parse_notes(text);
    int rows = 0;
    for (const auto& n : notes)
        rows += n.len;
    return notes.empty() && !text.empty() ? -1 : rows;
}

int compose_chords_rows(const std::string& text) {
    const auto chords = compose_parse_chords(text);
    int rows = 0;
    for (const auto& c : chords)
        rows += c.len;
    return chords.empty() ? -1 : rows;
}

void compose_bass(compose_section& sec, int channel, int sample, const std::string& text,
                  compose_bass_style style, int volume) {
    const auto chords = compose_parse_chords(text);
    if (chords.empty()) return;
    const int total = static_cast<int>(sec.rows.size());
    const int fx = volume >= 0 ? MOD_FX_VOLUME : 0, fp = volume >= 0 ? volume : 0;
    int row = 0;
    for (size_t ci = 0; row < total; ci = (ci + 1) % chords.size()) {
        const compose_chord& c = chords[ci];
        const compose_chord& next = chords[(ci + 1) % chords.size()];
        const int root = c.bass, fifth = c.root + 7 + (c.root + 7 < root ? 12 : 0);
        auto hit = [&](int r, int note) {
            if (r < total && r - row < c.len)
                set_cell(sec.rows[r][channel], clamp_note(note), sample, fx, fp);
        };
        switch (style) {
        case BASS_NONE:
            break;
        case BASS_ROOTS:
            hit(row, root);
            if (c.len >= 16) hit(row + c.len / 2 + c.len / 4, fifth);
            break;
        case BASS_EIGHTHS:
            for (int r = 0; r < c.len; r += 2)
                hit(row + r, (r % 8 == 6) ? root + 12 : root);
            break;
        case BASS_OCTAVES:
            for (int r = 0; r < c.len; r += 2)
                hit(row + r, (r / 2) % 2 ? root + 12 : root);
            break;
        case BASS_WALK:
            for (int r = 0; r < c.len; r += 4) {
                const int step = (r / 4) % 4;
                int note = step == 0   ? root
                           : step == 1 ? c.root + c.third
                           : step == 2 ? fifth
                                       : root + 12;
                if (r + 4 >= c.len) { // lead into the next chord from a semitone below
                    int target = next.bass;
                    while (target <= root)
                        target += 12;
                    note = target - 1 > root + 12 ? target - 13 : target - 1;
                }
                hit(row + r, note);
            }
            break;
        case BASS_DRIVE:
            for (int r = 0; r < c.len; ++r) {
                const int in_bar = r % 16;
                if (in_bar == 0 || in_bar == 3 || in_bar == 6 || in_bar == 8 || in_bar == 11 ||
                    in_bar == 14)
                    hit(row + r, in_bar == 14 ? root + 12 : root);
            }
            break;
        }
        row += c.len;
    }
}

void compose_comp(compose_section& sec, int channel, int sample, const std::string& text,
                  compose_comp_style style) {
    const auto chords = compose_parse_chords(text);
    if (chords.empty()) return;
    const int total = static_cast<int>(sec.rows.size());
    int row = 0;
    for (size_t ci = 0; row < total; ci = (ci + 1) % chords.size()) {
        const compose_chord& c = chords[ci];
        const int note = c.root < 7 ? c.root + 12 : c.root; // roots from G-1 to F#-2
        auto in_chord = [&](int r) { return r < total && r - row < c.len; };
        auto strike = [&](int r, int hold) {
            if (!in_chord(r)) return;
            set_cell(sec.rows[r][channel], note, sample, MOD_FX_ARPEGGIO, c.arp);
            for (int k = 1; k < hold && in_chord(r + k); ++k)
                set_cell(sec.rows[r + k][channel], MOD_NOTE_NONE, 0, MOD_FX_ARPEGGIO, c.arp);
            if (hold > 0 && in_chord(r + hold) && sec.rows[r + hold][channel].note == MOD_NOTE_NONE)
                set_cell(sec.rows[r + hold][channel], MOD_NOTE_NONE, 0, MOD_FX_VOLUME, 0);
        };
        switch (style) {
        case COMP_NONE:
            break;
        case COMP_HOLD:
            strike(row, c.len);
            break;
        case COMP_OFFBEAT:
            for (int r = 2; r < c.len; r += 4)
                strike(row + r, 2);
            break;
        case COMP_BEATS:
            for (int r = 0; r < c.len; r += 4)
                strike(row + r, 4);
            break;
        case COMP_SYNC:
            for (int r = 0; r < c.len; ++r) {
                const int b = r % 16;
                if (b == 0 || b == 6 || b == 10) strike(row + r, b == 10 ? 6 : 4);
            }
            break;
        case COMP_BROKEN: {
            const int t = c.third + 12;
            const int steps[8] = {0, 7, 12, t, 19, t, 12, 7};
            for (int r = 0; r < c.len; r += 2)
                if (in_chord(row + r))
                    set_cell(sec.rows[row + r][channel], clamp_note(c.root + steps[(r / 2) % 8]),
                             sample, 0, 0);
            break;
        }
        }
        row += c.len;
    }
}

void compose_drums(compose_section& sec, int channel, const compose_kit& kit,
                   const std::string& groove, const std::string& fill, int fill_every) {
    std::vector<std::string> bars, fill_bars;
    std::istringstream in(groove), fin(fill);
    for (std::string b; in >> b;)
        bars.push_back(b);
    for (std::string b; fin >> b;)
        fill_bars.push_back(b);
    if (bars.empty()) return;
    const int total_bars = static_cast<int>(sec.rows.size()) / COMPOSE_BAR;
    for (int bar = 0; bar < total_bars; ++bar) {
        const bool is_fill =
            !fill_bars.empty() && fill_every > 0 && bar % fill_every == fill_every - 1;
        const std::string& b =
            is_fill ? fill_bars[(bar / fill_every) % fill_bars.size()] : bars[bar % bars.size()];
        for (int r = 0; r < COMPOSE_BAR && r < static_cast<int>(b.size()); ++r) {
            mod_cell& c = sec.rows[bar * COMPOSE_BAR + r][channel];
            switch (b[r]) {
            case 'k':
                set_cell(c, kit.kick_note, kit.kick, 0, 0);
                break;
            case 's':
                set_cell(c, kit.snare_note, kit.snare, 0, 0);
                break;
            case 'g':
                set_cell(c, kit.snare_note, kit.snare, MOD_FX_VOLUME, 18);
                break;
            case 'h':
                set_cell(c, kit.hat_note, kit.hat, MOD_FX_VOLUME, kit.hat_volume);
                break;
            case 'H':
                set_cell(c, kit.hat_note, kit.hat, MOD_FX_VOLUME, kit.hat_volume + 14);
                break;
            case 'o':
                set_cell(c, kit.open_note, kit.open, MOD_FX_VOLUME, kit.hat_volume + 6);
                break;
            case 't':
                set_cell(c, clamp_note(kit.kick_note + 9), kit.kick, MOD_FX_VOLUME, 44);
                break;
            case 'm':
                set_cell(c, clamp_note(kit.kick_note + 4), kit.kick, MOD_FX_VOLUME, 48);
                break;
            case 'c':
                set_cell(c, clamp_note(kit.open_note - 7), kit.open, 0, 0);
                break;
            default:
                break;
            }
        }
    }
}

void compose_pan(mod_song& song, const std::array<int, MOD_CHANNELS>& pans) {
    if (song.orders.empty()) return;
    mod_pattern& pat = song.patterns[song.orders[0]];
    for (int ch = 0; ch < MOD_CHANNELS; ++ch)
        for (auto& row : pat)
            if (effect_free(row[ch])) {
                row[ch].effect = MOD_FX_PANNING;
                row[ch].param = pans[ch];
                break;
            }
}

int compose_swing(mod_song& song, int slow, int fast) {
    int missed = 0;
    for (auto& pat : song.patterns)
        for (int r = 0; r < MOD_ROWS; ++r) {
            const int speed = r % 4 < 2 ? slow : fast;
            mod_cell* slot = nullptr;
            for (auto& c : pat[r])
                if (c.effect == MOD_FX_SPEED && c.param < 32) slot = &c;
            for (int ch : {1, 3, 2, 0})
                if (!slot && effect_free(pat[r][ch])) slot = &pat[r][ch];
            if (!slot) {
                ++missed;
                continue;
            }
            slot->effect = MOD_FX_SPEED;
            slot->param = speed;
        }
    return missed;
}

bool compose_build(mod_song& song, const std::vector<compose_section>& sections,
                   const std::vector<int>& plan, int speed, int bpm) {
    std::vector<int> first_pattern;
    song.patterns.clear();
    for (const auto& s : sections) {
        first_pattern.push_back(static_cast<int>(song.patterns.size()));
        for (size_t p = 0; p * MOD_ROWS < s.rows.size(); ++p) {
            mod_pattern pat;
            for (int r = 0; r < MOD_ROWS; ++r)
                pat[r] = s.rows[p * MOD_ROWS + r];
            song.patterns.push_back(pat);
        }
    }
    song.orders.clear();
    for (int si : plan) {
        if (si < 0 || si >= static_cast<int>(sections.size())) return false;
        const int n = static_cast<int>(sections[si].rows.size()) / MOD_ROWS;
        for (int p = 0; p < n; ++p)
            song.orders.push_back(first_pattern[si] + p);
    }
    if (song.orders.empty()) return false;
    // Speed and tempo on the first row played, in effect slots that are free (else the drums').
    mod_row& first = song.patterns[song.orders[0]][0];
    int fallback = 3;
    for (const int param : {speed, bpm}) {
        int ch = -1;
        for (int c : {3, 1, 2, 0})
            if (ch < 0 && effect_free(first[c])) ch = c;
        if (ch < 0) ch = fallback--;
        first[ch].effect = MOD_FX_SPEED;
        first[ch].param = param;
    }
    if (song.orders.size() > MOD_MAX_ORDERS || song.patterns.size() > MOD_MAX_PATTERNS) {
        std::fprintf(stderr, "datagen: song '%s' too long for the format\n", song.title.c_str());
        return false;
    }
    return true;
}
