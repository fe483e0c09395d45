// The data generator's composer: the control slots that carry every channel's pan, the song
// checks that refuse a crowded or repetitive song, and the chord voices and second voice.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mod_compose.h"
#include "mod_format.h"

namespace {

constexpr compose_control CONTROL{6, 125, 0, {0x80, 0x70, 0xA0, 0x80, 0x40, 0xC0, 0x88, 0x58}};

// A one-pattern section with a distinct bass note, so sections differ.
compose_section section_with_bass(int note) {
    compose_section s = compose_new(4);
    s.rows[0][CH_BASS].note = note;
    s.rows[0][CH_BASS].sample = 2;
    return s;
}

int pitch_class(int note) {
    return note % 12;
}

} // namespace

TEST(compose, every_pattern_carries_each_pan_speed_and_tempo_in_its_control_slots) {
    mod_song song;
    compose_section a = section_with_bass(0), b = section_with_bass(5);
    compose_melody(b, {CH_LEAD, 2, 40, 64, 0x33, 0}, "c2:16 d2:16 e2:16 f2:16");
    ASSERT_TRUE(compose_build(song, {a, b, section_with_bass(7)}, {0, 1, 2}, 1, CONTROL));
    ASSERT_EQ(song.patterns.size(), 3u);
    EXPECT_EQ(song.restart, 1);
    for (const mod_pattern& p : song.patterns) {
        for (int ch = 0; ch < MOD_CHANNELS; ++ch) {
            const bool late = ch == CH_LEAD || ch == CH_COUNTER;
            const mod_cell& pan = p[late ? 1 : 0][ch];
            EXPECT_EQ(pan.effect, MOD_FX_PANNING) << "channel " << ch;
            EXPECT_EQ(pan.param, CONTROL.pans[ch]) << "channel " << ch;
        }
        EXPECT_EQ(p[0][CH_LEAD].effect, MOD_FX_SPEED);
        EXPECT_EQ(p[0][CH_LEAD].param, 6);
        EXPECT_EQ(p[0][CH_COUNTER].effect, MOD_FX_SPEED);
        EXPECT_EQ(p[0][CH_COUNTER].param, 125);
    }
    // The melody's note on row 0 keeps its slot for the speed; its volumes and vibrato go
    // everywhere else.
    const mod_pattern& melody = song.patterns[1];
    EXPECT_EQ(melody[0][CH_LEAD].note, 12);
    EXPECT_EQ(melody[3][CH_LEAD].effect, MOD_FX_VIBRATO);
    EXPECT_EQ(melody[16][CH_LEAD].note, 14);
    EXPECT_EQ(melody[16][CH_LEAD].effect, MOD_FX_VOLUME);
    EXPECT_EQ(melody[16][CH_LEAD].param, 40);
}

TEST(compose, refuses_a_taken_slot_a_pattern_twice_in_a_row_and_pans_all_left_of_middle) {
    mod_song song;
    const compose_section a = section_with_bass(0), b = section_with_bass(5),
                          c = section_with_bass(7);
    ASSERT_TRUE(compose_build(song, {a, b, c}, {0, 1, 2}, 1, CONTROL));

    compose_section crowded = a;
    crowded.rows[0][CH_CHORD_HI].effect = MOD_FX_ARPEGGIO;
    crowded.rows[0][CH_CHORD_HI].param = 0x37;
    EXPECT_FALSE(compose_build(song, {crowded, b, c}, {0, 1, 2}, 1, CONTROL));
    compose_section late = b;
    late.rows[1][CH_COUNTER].effect = MOD_FX_VOLUME;
    late.rows[1][CH_COUNTER].param = 20;
    EXPECT_FALSE(compose_build(song, {a, late, c}, {0, 1, 2}, 1, CONTROL));

    EXPECT_FALSE(compose_build(song, {a, b, c}, {0, 1, 1, 2}, 1, CONTROL));
    // Two sections with the same notes are the same pattern.
    EXPECT_FALSE(compose_build(song, {a, b, b}, {0, 1, 2}, 1, CONTROL));
    // The last pattern is followed by the one the song loops back to.
    EXPECT_FALSE(compose_build(song, {a, b, c}, {0, 1, 2, 1}, 1, CONTROL));
    EXPECT_FALSE(compose_build(song, {a, b}, {0, 1}, 1, CONTROL));

    compose_control left = CONTROL;
    for (int& p : left.pans)
        p = std::min(p, 0x80);
    EXPECT_FALSE(compose_build(song, {a, b, c}, {0, 1, 2}, 1, left));

    compose_section early = a; // a melody note before its pan
    compose_melody(early, {CH_COUNTER, 2, -1, 64, 0, 0}, "c2:64");
    EXPECT_FALSE(compose_build(song, {early, b, c}, {0, 1, 2}, 1, CONTROL));
}

TEST(compose, swing_alternates_the_speed_each_half_beat) {
    mod_song song;
    compose_control swung = CONTROL;
    swung.swing_speed = 4;
    ASSERT_TRUE(compose_build(song,
                              {section_with_bass(0), section_with_bass(2), section_with_bass(4)},
                              {0, 1, 2}, 1, swung));
    for (int r = 2; r < MOD_ROWS; r += 2) {
        const mod_row& row = song.patterns[0][r];
        const auto speed = std::find_if(row.begin(), row.end(), [](const mod_cell& c) {
            return c.effect == MOD_FX_SPEED && c.param < 32;
        });
        ASSERT_NE(speed, row.end()) << "row " << r;
        EXPECT_EQ(speed->param, r % 4 == 0 ? 6 : 4) << "row " << r;
    }
}

TEST(compose, chord_voices_name_the_chord_and_move_little) {
    const auto chords = compose_parse_chords("C:16 Am7:16 F/A:16 G7:16 Dsus:16 E5:16");
    ASSERT_EQ(chords.size(), 6u);
    EXPECT_EQ(chords[2].bass, 9);
    const auto v = compose_voice_chords(chords, 16);
    ASSERT_EQ(v.size(), chords.size());
    auto pcs = [&](size_t i) {
        std::vector<int> p{pitch_class(v[i].lo), pitch_class(v[i].hi)};
        std::sort(p.begin(), p.end());
        return p;
    };
    EXPECT_EQ(pcs(0), (std::vector<int>{4, 7}));  // C: E and G
    EXPECT_EQ(pcs(1), (std::vector<int>{0, 7}));  // Am7: C and G, the third and seventh
    EXPECT_EQ(pcs(2), (std::vector<int>{0, 5}));  // F/A: the bass has the third
    EXPECT_EQ(pcs(3), (std::vector<int>{5, 11})); // G7: B and F
    EXPECT_EQ(pcs(4), (std::vector<int>{7, 9}));  // Dsus: G and A
    EXPECT_EQ(pcs(5), (std::vector<int>{4, 11})); // E5: the fifth and the root
    for (size_t i = 0; i < v.size(); ++i) {
        EXPECT_LT(v[i].lo, v[i].hi);
        EXPECT_GE(v[i].lo, 6);
        EXPECT_LE(v[i].hi, 26);
        if (i > 0) {
            EXPECT_LE(std::abs(v[i].lo - v[i - 1].lo) + std::abs(v[i].hi - v[i - 1].hi), 6);
        }
    }
    EXPECT_TRUE(compose_parse_chords("C:16 Hm:16").empty());
    EXPECT_TRUE(compose_parse_chords("Cmaj:16").empty());
    EXPECT_EQ(compose_chords_rows("C:16 G:8 F:8"), 32);
}

TEST(compose, chord_rhythm_strikes_rings_and_silences) {
    compose_section s = compose_new(4);
    compose_chords(s, 5, "C:24 Am:40", "x-..x----------- x---------------", 16);
    EXPECT_EQ(s.rows[0][CH_CHORD_LO].sample, 5);
    EXPECT_EQ(s.rows[2][CH_CHORD_LO].sample, COMPOSE_SILENCE); // '.' after a strike
    EXPECT_EQ(s.rows[3][CH_CHORD_LO].note, MOD_NOTE_NONE);     // nothing to silence again
    EXPECT_EQ(s.rows[4][CH_CHORD_LO].sample, 5);
    // C (E-G) to Am on a ringing row: E is shared and held, G moves to C.
    const auto v = compose_voice_chords(compose_parse_chords("C:24 Am:40"), 16);
    ASSERT_EQ(v[0].lo, v[1].lo);
    EXPECT_EQ(s.rows[24][CH_CHORD_LO].note, MOD_NOTE_NONE);
    EXPECT_EQ(s.rows[24][CH_CHORD_HI].note, v[1].hi);
    EXPECT_EQ(pitch_class(v[1].hi), 0);
    EXPECT_EQ(s.rows[32][CH_CHORD_LO].note, v[1].lo); // 'x' strikes both again
}

TEST(compose, second_voice_answers_each_note_with_a_chord_tone_under_it) {
    compose_section s = compose_new(4);
    // Over C: E is answered by C, G by E, the passing D by G; over Dm: A by F, the passing G
    // by D, never by the E that would rub against the chord's F.
    compose_harmony(s, {CH_COUNTER, 3, -1, 64, 0, 0}, "e2:16 g2:8 d2:8 a2:16 g2:8 r:8",
                    "C:32 Dm:32", 3);
    EXPECT_EQ(s.rows[0][CH_COUNTER].note, 12);
    EXPECT_EQ(s.rows[16][CH_COUNTER].note, 16);
    EXPECT_EQ(s.rows[24][CH_COUNTER].note, 7);
    EXPECT_EQ(s.rows[32][CH_COUNTER].note, 17);
    EXPECT_EQ(s.rows[48][CH_COUNTER].note, 14);
    EXPECT_EQ(s.rows[56][CH_COUNTER].sample, COMPOSE_SILENCE);

    compose_section sixths = compose_new(4);
    compose_harmony(sixths, {CH_COUNTER, 3, -1, 64, 0, 0}, "e2:64", "C:64", 7);
    EXPECT_EQ(sixths.rows[0][CH_COUNTER].note, 7); // G-1, a sixth under E-2
    // Under the lowest notes the answer is folded up an octave, still a chord tone.
    compose_section low = compose_new(4);
    compose_harmony(low, {CH_COUNTER, 3, -1, 64, 0, 0}, "d1:64", "G:64", 3);
    EXPECT_EQ(low.rows[0][CH_COUNTER].note, 11); // B-1, from B under D-1
}

TEST(compose, notes_parse_with_lengths_accents_and_refuse_bad_tokens) {
    const auto n = compose_parse_notes("c1:4 f#2:2> bb3:8 r:2");
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[0].note, 0);
    EXPECT_EQ(n[1].note, 18);
    EXPECT_TRUE(n[1].accent);
    EXPECT_EQ(n[2].note, 34);
    EXPECT_EQ(n[3].note, MOD_NOTE_NONE);
    EXPECT_EQ(compose_notes_rows("c1:4 f#2:2> bb3:8 r:2"), 16);
    EXPECT_EQ(compose_notes_rows(""), 0);
    for (const char* bad : {"c4:4", "h2:4", "c2", "c2:0", "cb1:4"})
        EXPECT_EQ(compose_notes_rows(bad), -1) << bad;
}

TEST(compose, drums_repeat_the_groove_and_lead_into_the_next_section_with_the_last_fill) {
    compose_section s = compose_new(12);
    const compose_kit kit{7, 8, 9, 10, 11, 12, 24, 24, 35, 24};
    // Each bar's kick on a row of its own, so the bar played is read from where it falls.
    const compose_groove groove{"....k........... .....k..........", "", ""};
    const compose_groove fill{"k............... .k.............. ..k.............", "", ""};
    ASSERT_TRUE(compose_drums(s, kit, groove, fill, 4, true));
    // Bars 3 and 7 take the first two fill bars in turn, the section's last bar the last one.
    const int kick_row[12] = {4, 5, 4, 0, 4, 5, 4, 1, 4, 5, 4, 2};
    for (int bar = 0; bar < 12; ++bar)
        for (int row = 0; row < COMPOSE_BAR; ++row)
            EXPECT_EQ(s.rows[bar * COMPOSE_BAR + row][CH_KICK].sample, row == kick_row[bar] ? 7 : 0)
                << "bar " << bar << ", row " << row;
    EXPECT_EQ(s.rows[0][CH_HAT].sample, 11); // the crash

    // A one-bar fill serves every fill bar.
    compose_section one = compose_new(8);
    ASSERT_TRUE(compose_drums(one, kit, groove, {"..k.............", "", ""}, 4, false));
    EXPECT_EQ(one.rows[3 * COMPOSE_BAR + 2][CH_KICK].sample, 7);
    EXPECT_EQ(one.rows[7 * COMPOSE_BAR + 2][CH_KICK].sample, 7);
    EXPECT_EQ(one.rows[0][CH_HAT].sample, 0);

    // A bar a row too long is refused before anything is written.
    compose_section bad = compose_new(4);
    EXPECT_FALSE(compose_drums(bad, kit, groove, {"", "", "h.......h.......h"}, 4, false));
    EXPECT_EQ(bad.rows[4][CH_KICK].sample, 0);
}
