#include "mod_compose.h"

#include <algorithm>
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

int clamp_note(int n) {
    while (n < 0)
        n += 12;
    while (n >= MOD_NOTES)
        n -= 12;
    return n;
}

int total_rows(const compose_section& sec) {
    return static_cast<int>(sec.rows.size());
}

// A note with its sample; the effect slot is left as it is.
void put_note(compose_section& sec, int row, int ch, int note, int sample) {
    mod_cell& c = sec.rows[row][ch];
    c.note = clamp_note(note);
    c.sample = sample;
}

void put_silence(compose_section& sec, int row, int ch) {
    put_note(sec, row, ch, 12, COMPOSE_SILENCE);
}

// An effect, unless the slot belongs to the song's control commands.
void put_effect(compose_section& sec, int row, int ch, int effect, int param) {
    if (compose_control_slot(row, ch)) return;
    mod_cell& c = sec.rows[row][ch];
    c.effect = effect;
    c.param = param;
}

// The chord sounding at each row of a section: the chord list repeated from row 0.
std::vector<int> chord_at_rows(const std::vector<compose_chord>& chords, int rows) {
    std::vector<int> at(static_cast<size_t>(rows), 0);
    int row = 0;
    for (size_t ci = 0; row < rows && !chords.empty(); ci = (ci + 1) % chords.size())
        for (int k = 0; k < chords[ci].len && row < rows; ++k)
            at[row++] = static_cast<int>(ci);
    return at;
}

// Bars of a rhythm text; the character of a row, '.' when the text is empty.
std::vector<std::string> split_bars(const char* text) {
    std::vector<std::string> bars;
    std::istringstream in(text ? text : "");
    for (std::string b; in >> b;)
        bars.push_back(b);
    return bars;
}

char bar_char(const std::vector<std::string>& bars, int row) {
    if (bars.empty()) return '.';
    const std::string& b = bars[(row / COMPOSE_BAR) % bars.size()];
    const size_t i = static_cast<size_t>(row % COMPOSE_BAR);
    return i < b.size() ? b[i] : '.';
}

} // namespace

mod_sample compose_silence_sample() {
    mod_sample s;
    s.name = "silence";
    s.data.assign(4, 0);
    s.volume = 0;
    return s;
}

bool compose_control_slot(int row, int channel) {
    const int r = row % MOD_ROWS;
    return r == 0 || (r == 1 && (channel == CH_LEAD || channel == CH_COUNTER));
}

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
            int pc = pitch.empty() ? -1 : semitone_of(pitch[0]);
            if (pc < 0 || pitch.size() < 2) {
                std::fprintf(stderr, "datagen: bad note '%s'\n", tok.c_str());
                return {};
            }
            size_t i = 1;
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

int compose_notes_rows(const std::string& text) {
    const auto notes = compose_parse_notes(text);
    int rows = 0;
    for (const auto& n : notes)
        rows += n.len;
    return notes.empty() && text.find_first_not_of(' ') != std::string::npos ? -1 : rows;
}

namespace {

// Writes parsed notes; shared by the melody and its harmony.
int write_notes(compose_section& sec, const compose_voice& v,
                const std::vector<compose_note>& notes, int start_row) {
    int row = start_row;
    const int total = total_rows(sec);
    for (const auto& n : notes) {
        if (row >= total) break;
        if (n.note == MOD_NOTE_NONE) {
            put_silence(sec, row, v.channel);
        } else {
            put_note(sec, row, v.channel, n.note + v.transpose, v.sample);
            const int vol = n.accent ? v.accent : v.volume;
            if (vol >= 0) put_effect(sec, row, v.channel, MOD_FX_VOLUME, vol);
            if (v.vibrato && n.len >= 6)
                for (int r = row + 3; r < row + n.len && r < total; ++r)
                    put_effect(sec, r, v.channel, MOD_FX_VIBRATO, v.vibrato);
        }
        row += n.len;
    }
    return row;
}

} // namespace

int compose_melody(compose_section& sec, const compose_voice& v, const std::string& text,
                   int start_row) {
    return write_notes(sec, v, compose_parse_notes(text), start_row);
}

void compose_harmony(compose_section& sec, const compose_voice& v, const std::string& text,
                     const std::string& chords, int gap) {
    const auto harmony = compose_parse_chords(chords);
    if (harmony.empty()) return;
    const auto at = chord_at_rows(harmony, total_rows(sec));
    auto notes = compose_parse_notes(text);
    int row = 0;
    for (auto& n : notes) {
        const int here = row;
        row += n.len;
        if (n.note == MOD_NOTE_NONE || here >= total_rows(sec)) continue;
        const compose_chord& c = harmony[at[here]];
        auto in_chord = [&](int note) {
            for (int t : c.tones)
                if (t >= 0 && ((note - c.root - t) % 12 + 12) % 12 == 0) return true;
            return false;
        };
        int below = n.note - gap;
        while (!in_chord(below))
            --below;
        while (below < 0) // under C-1: an octave up (and never read as a rest)
            below += 12;
        n.note = below;
    }
    write_notes(sec, v, notes, 0);
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
        struct quality {
            const char* name;
            std::array<int, 4> tones;
        };
        static constexpr quality QUALITIES[] = {
            {"", {0, 4, 7, -1}},     {"m", {0, 3, 7, -1}},   {"7", {0, 4, 7, 10}},
            {"m7", {0, 3, 7, 10}},   {"M7", {0, 4, 7, 11}},  {"6", {0, 4, 7, 9}},
            {"add9", {0, 4, 7, 14}}, {"sus", {0, 5, 7, -1}}, {"sus2", {0, 2, 7, -1}},
            {"dim", {0, 3, 6, -1}},  {"5", {0, -1, 7, -1}},
        };
        const quality* found = nullptr;
        for (const auto& qq : QUALITIES)
            if (q == qq.name) found = &qq;
        if (!found) {
            std::fprintf(stderr, "datagen: bad chord '%s'\n", tok.c_str());
            return {};
        }
        compose_chord c{root, root, found->tones, std::atoi(tok.c_str() + colon + 1)};
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

int compose_chords_rows(const std::string& text) {
    const auto chords = compose_parse_chords(text);
    int rows = 0;
    for (const auto& c : chords)
        rows += c.len;
    return chords.empty() ? -1 : rows;
}

void compose_bass(compose_section& sec, int sample, const std::string& text,
                  compose_bass_style style) {
    const auto chords = compose_parse_chords(text);
    if (chords.empty()) return;
    const int total = total_rows(sec);
    int row = 0;
    for (size_t ci = 0; row < total; ci = (ci + 1) % chords.size()) {
        const compose_chord& c = chords[ci];
        const compose_chord& next = chords[(ci + 1) % chords.size()];
        const int root = c.bass, fifth = c.root + 7 + (c.root + 7 < root ? 12 : 0);
        const int third = c.root + (c.tones[1] >= 0 ? c.tones[1] : 7);
        auto hit = [&](int r, int note) {
            if (r < total && r - row < c.len) put_note(sec, r, CH_BASS, note, sample);
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
                int note = step == 0 ? root : step == 1 ? third : step == 2 ? fifth : root + 12;
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
        case BASS_PULSE:
            for (int r = 0; r < c.len; r += 16) {
                hit(row + r, root);
                hit(row + r + 6, root);
                hit(row + r + 8, fifth);
            }
            break;
        }
        row += c.len;
    }
}

std::vector<compose_voicing> compose_voice_chords(const std::vector<compose_chord>& chords,
                                                  int center) {
    std::vector<compose_voicing> out;
    compose_voicing prev{center - 2, center + 2};
    bool first = true;
    for (const auto& c : chords) {
        // Tones by how well they name the chord: third, seventh (or sixth, ninth), fifth, root;
        // the bass note's pitch is left to the bass.
        int pcs[2], found = 0;
        for (int idx : {1, 3, 2, 0}) {
            if (c.tones[idx] < 0 || found == 2) continue;
            const int pc = (c.root + c.tones[idx]) % 12;
            if (pc == c.bass || (found == 1 && pcs[0] == pc)) continue;
            pcs[found++] = pc;
        }
        if (found < 2) pcs[found++] = c.bass; // a bare fifth over its own root
        int best = -1;
        compose_voicing pick = prev;
        for (int a = std::max(0, center - 10); a <= std::min(MOD_NOTES - 1, center + 10); ++a)
            for (int b = a + 2; b <= std::min(MOD_NOTES - 1, a + 12); ++b) {
                const bool fits = (a % 12 == pcs[0] && b % 12 == pcs[1]) ||
                                  (a % 12 == pcs[1] && b % 12 == pcs[0]);
                if (!fits) continue;
                const int drift = std::abs(a + b - 2 * center);
                const int cost =
                    first ? drift : 2 * (std::abs(a - prev.lo) + std::abs(b - prev.hi)) + drift / 2;
                if (best < 0 || cost < best) {
                    best = cost;
                    pick = {a, b};
                }
            }
        out.push_back(pick);
        prev = pick;
        first = false;
    }
    return out;
}

void compose_chords(compose_section& sec, int sample, const std::string& text,
                    const std::string& rhythm, int center) {
    const auto chords = compose_parse_chords(text);
    if (chords.empty()) return;
    const auto voicing = compose_voice_chords(chords, center);
    const auto bars = split_bars(rhythm.c_str());
    const int total = total_rows(sec);
    const auto at = chord_at_rows(chords, total);
    bool sounding = false;
    compose_voicing now{-1, -1};
    for (int r = 0; r < total; ++r) {
        const char ch = bar_char(bars, r);
        const compose_voicing& v = voicing[at[r]];
        const bool change = r == 0 || at[r] != at[r - 1];
        if (ch == 'x' || (ch == '-' && (!sounding || change))) {
            if (ch == 'x' || !sounding || v.lo != now.lo)
                put_note(sec, r, CH_CHORD_LO, v.lo, sample);
            if (ch == 'x' || !sounding || v.hi != now.hi)
                put_note(sec, r, CH_CHORD_HI, v.hi, sample);
            now = v;
            sounding = true;
        } else if (ch == '.' && sounding) {
            put_silence(sec, r, CH_CHORD_LO);
            put_silence(sec, r, CH_CHORD_HI);
            sounding = false;
        }
    }
}

void compose_broken(compose_section& sec, int sample, const std::string& text,
                    const std::string& figure, int center) {
    const auto chords = compose_parse_chords(text);
    if (chords.empty()) return;
    const auto voicing = compose_voice_chords(chords, center);
    const auto bars = split_bars(figure.c_str());
    const int total = total_rows(sec);
    const auto at = chord_at_rows(chords, total);
    int strikes = 0;
    for (int r = 0; r < total; ++r) {
        const char ch = bar_char(bars, r);
        if (ch < '0' || ch > '4') continue;
        const compose_voicing& v = voicing[at[r]];
        int root = chords[at[r]].root;
        while (root + 12 < v.lo)
            root += 12;
        const int notes[5] = {root, v.lo, v.hi, root + 12, v.lo + 12};
        put_note(sec, r, strikes++ % 2 ? CH_CHORD_HI : CH_CHORD_LO, notes[ch - '0'], sample);
    }
}

bool compose_drums(compose_section& sec, const compose_kit& kit, const compose_groove& groove,
                   const compose_groove& fill, int fill_every, bool crash) {
    const auto kick = split_bars(groove.kick), snare = split_bars(groove.snare),
               hat = split_bars(groove.hat);
    const auto fkick = split_bars(fill.kick), fsnare = split_bars(fill.snare),
               fhat = split_bars(fill.hat);
    // A bar of another length would shift every beat after it.
    for (const auto* bars : {&kick, &snare, &hat, &fkick, &fsnare, &fhat})
        for (const std::string& b : *bars)
            if (b.size() != static_cast<size_t>(COMPOSE_BAR)) {
                std::fprintf(stderr, "compose: drum bar '%s' is not %d rows\n", b.c_str(),
                             COMPOSE_BAR);
                return false;
            }
    const bool has_fill = !fkick.empty() || !fsnare.empty() || !fhat.empty();
    const int total = total_rows(sec);
    const int last_bar = total / COMPOSE_BAR - 1;
    const int fill_bars = static_cast<int>(std::max({fkick.size(), fsnare.size(), fhat.size()}));
    int fills = 0; // fills before the last bar so far
    for (int r = 0; r < total; ++r) {
        const int bar = r / COMPOSE_BAR;
        const bool in_fill =
            has_fill && (bar == last_bar || (fill_every > 0 && bar % fill_every == fill_every - 1));
        if (in_fill && r % COMPOSE_BAR == 0 && bar != last_bar) ++fills;
        // The fill into the next section plays the fill text's last bar, the fills before it
        // its other bars in turn.
        const int fill_bar =
            bar == last_bar ? fill_bars - 1 : (fills - 1) % std::max(fill_bars - 1, 1);
        const int fr = fill_bar * COMPOSE_BAR + r % COMPOSE_BAR;
        const char k = in_fill ? bar_char(fkick, fr) : bar_char(kick, r);
        const char s = in_fill ? bar_char(fsnare, fr) : bar_char(snare, r);
        const char h = crash && r == 0 ? 'c' : in_fill ? bar_char(fhat, fr) : bar_char(hat, r);
        if (k == 'k') put_note(sec, r, CH_KICK, kit.kick_note, kit.kick);
        switch (s) {
        case 's':
            put_note(sec, r, CH_SNARE, kit.snare_note, kit.snare);
            break;
        case 'g':
            put_note(sec, r, CH_SNARE, kit.snare_note, kit.snare);
            put_effect(sec, r, CH_SNARE, MOD_FX_VOLUME, kit.ghost_volume);
            break;
        case 't':
            put_note(sec, r, CH_SNARE, kit.tom_note, kit.tom);
            break;
        case 'm':
            put_note(sec, r, CH_SNARE, kit.tom_note - 5, kit.tom);
            break;
        default:
            break;
        }
        switch (h) {
        case 'h':
            put_note(sec, r, CH_HAT, kit.hat_note, kit.hat);
            break;
        case 'H':
            put_note(sec, r, CH_HAT, kit.hat_note, kit.hat);
            put_effect(sec, r, CH_HAT, MOD_FX_VOLUME, kit.loud_hat);
            break;
        case 'o':
            put_note(sec, r, CH_HAT, kit.hat_note, kit.open);
            break;
        case 'c':
            put_note(sec, r, CH_HAT, kit.hat_note, kit.crash);
            break;
        default:
            break;
        }
    }
    return true;
}

namespace {

// Fills the control slots of a section's rows and, for a swung song, the speed of each half
// beat. False (with a message) when a slot is taken.
bool write_controls(compose_section& sec, const compose_control& ctl, const std::string& title) {
    for (int r = 0; r < total_rows(sec); ++r) {
        mod_row& row = sec.rows[r];
        for (int ch = 0; ch < MOD_CHANNELS; ++ch) {
            if (!compose_control_slot(r, ch)) continue;
            mod_cell& c = row[ch];
            if (c.effect != 0 || c.param != 0) {
                std::fprintf(stderr, "datagen: '%s': control slot of channel %d taken\n",
                             title.c_str(), ch);
                return false;
            }
            const bool on_row0 = r % MOD_ROWS == 0;
            c.effect =
                on_row0 && (ch == CH_LEAD || ch == CH_COUNTER) ? MOD_FX_SPEED : MOD_FX_PANNING;
            c.param = !on_row0 || (ch != CH_LEAD && ch != CH_COUNTER) ? ctl.pans[ch]
                      : ch == CH_LEAD                                 ? ctl.speed
                                                                      : ctl.bpm;
        }
        if (ctl.swing_speed == 0 || r % 2 != 0 || r % MOD_ROWS == 0) continue;
        mod_cell* slot = nullptr;
        for (int ch :
             {CH_HAT, CH_SNARE, CH_KICK, CH_BASS, CH_CHORD_LO, CH_CHORD_HI, CH_COUNTER, CH_LEAD})
            if (!slot && !compose_control_slot(r, ch) && row[ch].effect == 0 && row[ch].param == 0)
                slot = &row[ch];
        if (!slot) {
            std::fprintf(stderr, "datagen: '%s': no slot for the swing at row %d\n", title.c_str(),
                         r);
            return false;
        }
        slot->effect = MOD_FX_SPEED;
        slot->param = r % 4 == 0 ? ctl.speed : ctl.swing_speed;
    }
    return true;
}

} // namespace

bool compose_build(mod_song& song, const std::vector<compose_section>& sections,
                   const std::vector<int>& plan, int restart, const compose_control& control) {
    const std::string& title = song.title;
    if (std::none_of(control.pans.begin(), control.pans.end(), [](int p) { return p > 0x80; })) {
        std::fprintf(stderr, "datagen: '%s': no pan right of the middle\n", title.c_str());
        return false;
    }
    song.patterns.clear();
    std::vector<std::vector<int>> section_patterns;
    for (compose_section s : sections) {
        if (!write_controls(s, control, title)) return false;
        std::vector<int> indices;
        for (size_t p = 0; p * MOD_ROWS < s.rows.size(); ++p) {
            mod_pattern pat;
            std::copy_n(s.rows.begin() + static_cast<std::ptrdiff_t>(p * MOD_ROWS), MOD_ROWS,
                        pat.begin());
            const auto same = std::find(song.patterns.begin(), song.patterns.end(), pat);
            indices.push_back(static_cast<int>(same - song.patterns.begin()));
            if (same == song.patterns.end()) song.patterns.push_back(pat);
        }
        section_patterns.push_back(indices);
    }
    song.orders.clear();
    song.restart = -1;
    for (size_t i = 0; i < plan.size(); ++i) {
        if (plan[i] < 0 || plan[i] >= static_cast<int>(sections.size())) return false;
        if (static_cast<int>(i) == restart) song.restart = static_cast<int>(song.orders.size());
        for (int p : section_patterns[plan[i]])
            song.orders.push_back(p);
    }
    if (song.orders.empty() || song.restart < 0) return false;
    for (size_t i = 0; i < song.orders.size(); ++i) {
        const int next =
            i + 1 < song.orders.size() ? song.orders[i + 1] : song.orders[song.restart];
        if (song.orders[i] == next) {
            std::fprintf(stderr, "datagen: '%s': pattern %d plays twice in a row at order %zu\n",
                         title.c_str(), next, i);
            return false;
        }
    }
    const mod_row& first = song.patterns[song.orders[0]][0];
    auto sounds = [](const mod_cell& c) {
        return c.note != MOD_NOTE_NONE && c.sample != COMPOSE_SILENCE;
    };
    if (sounds(first[CH_LEAD]) || sounds(first[CH_COUNTER])) {
        std::fprintf(stderr, "datagen: '%s': a melody starts before its pan is set\n",
                     title.c_str());
        return false;
    }
    if (song.orders.size() > MOD_MAX_ORDERS || song.patterns.size() > MOD_MAX_PATTERNS) {
        std::fprintf(stderr, "datagen: song '%s' too long for the format\n", title.c_str());
        return false;
    }
    return true;
}
