#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "store/scores.h"
#include "support/play_dir.h"

namespace {

const char* const DEFAULT_TEXT = "aaa 90\naaa 80\naaa 70\naaa 60\naaa 50\n"
                                 "aaa 40\naaa 30\naaa 20\naaa 10\naaa 0\n";

std::string line(const score_table& t, int i) {
    return std::string(t.lines[i].data());
}

score_table defaults() {
    score_table t{};
    default_scores(t);
    return t;
}

void set_line(score_table& t, int i, const char* text) {
    std::snprintf(t.lines[i].data(), SCORE_SLOT, "%s", text);
}

int score_of(const char* text) {
    return line_score(text, std::strlen(text) + 1);
}

} // namespace

TEST(scores, rank_rule_places_new_scores_below_equal_ones) {
    score_table t = defaults();
    EXPECT_EQ(score_rank(95, t), 0);
    EXPECT_EQ(score_rank(90, t), 1); // equal to the best: the older line stays above
    EXPECT_EQ(score_rank(60, t), 4); // equal to line 3, above line 4
    EXPECT_EQ(score_rank(55, t), 4);
    EXPECT_EQ(score_rank(1, t), 9);
    EXPECT_EQ(score_rank(0, t), SCORE_AFTER);
    EXPECT_EQ(score_rank(-1, t), SCORE_OUT);

    for (int i = 0; i < SCORE_LINES; ++i)
        set_line(t, i, "bob 500\n");
    EXPECT_EQ(score_rank(500, t), SCORE_AFTER);
    EXPECT_EQ(score_rank(499, t), SCORE_OUT);
    EXPECT_EQ(score_rank(501, t), 0);
}

TEST(scores, insertion_shifts_lower_lines_and_drops_the_last) {
    score_table t = defaults();
    insert_score(t, "bob", 0, 95);
    EXPECT_EQ(line(t, 0), "bob 95\n");
    EXPECT_EQ(line(t, 1), "aaa 90\n");
    EXPECT_EQ(line(t, 9), "aaa 10\n");

    insert_score(t, "zed", 4, 60);
    EXPECT_EQ(line(t, 3), "aaa 70\n");
    EXPECT_EQ(line(t, 4), "zed 60\n");
    EXPECT_EQ(line(t, 5), "aaa 60\n");
    EXPECT_EQ(line(t, 9), "aaa 20\n");

    insert_score(t, "low", 9, 2147483647);
    EXPECT_EQ(line(t, 8), "aaa 30\n");
    EXPECT_EQ(line(t, 9), "low 2147483647\n");

    const score_table before = t;
    insert_score(t, "out", SCORE_AFTER, 1);
    insert_score(t, "out", SCORE_OUT, 1);
    EXPECT_EQ(t.lines, before.lines);
}

TEST(scores, line_score_reads_digits_before_the_line_end) {
    EXPECT_EQ(score_of("90\n"), 90);
    EXPECT_EQ(score_of("7\n"), 7);
    EXPECT_EQ(score_of("\n"), 0);
    EXPECT_EQ(score_of(""), 0);
    // A last file line without its newline is read whole.
    EXPECT_EQ(score_of("7"), 7);
    EXPECT_EQ(score_of("123"), 123);
    // Carriage return and newline are both the line end.
    EXPECT_EQ(score_of("90\r\n"), 90);
    EXPECT_EQ(score_of("5\r\n"), 5);
    // Only room characters are read, even without a terminator inside them.
    const char unterminated[] = {'1', '2', '3', '4', '5', '6'};
    EXPECT_EQ(line_score(unterminated, 4), 1234);
}

TEST(scores, line_score_saturates_long_digit_runs) {
    EXPECT_EQ(score_of("2147483647\n"), INT_MAX);
    EXPECT_EQ(score_of("2147483648\n"), INT_MAX);
    EXPECT_EQ(score_of("99999999999999\n"), INT_MAX);
    const std::string run(200, '9');
    EXPECT_EQ(score_of((run + "\n").c_str()), INT_MAX);
    // Leading zeros beyond any place value still leave the exact value.
    EXPECT_EQ(score_of((std::string(60, '0') + "42\n").c_str()), 42);
    // Characters that are no digits give some value, but never overflow.
    const std::string junk(300, '\xff');
    EXPECT_EQ(score_of((junk + "\n").c_str()), INT_MAX);
    const std::string spaces(300, ' ');
    EXPECT_EQ(score_of((spaces + "\n").c_str()), INT_MIN);
}

TEST(scores, short_lines_are_worth_nothing_and_stay_in_their_slot) {
    score_table t = defaults();
    // Line 9 holds "ab\n" with digits left after its terminator inside the slot.
    std::memset(t.lines[9].data(), '9', SCORE_SLOT);
    std::memcpy(t.lines[9].data(), "ab\n", 4);
    EXPECT_EQ(score_rank(1, t), 9);
    EXPECT_EQ(score_rank(0, t), SCORE_AFTER);
    set_line(t, 9, "aaa\n");
    EXPECT_EQ(score_rank(0, t), SCORE_AFTER);
    set_line(t, 9, "");
    EXPECT_EQ(score_rank(0, t), SCORE_AFTER);
    // A slot filled to the brim without a terminator is read only within it.
    std::memset(t.lines[9].data(), '1', SCORE_SLOT);
    EXPECT_EQ(score_rank(111111111, t), SCORE_OUT);
    EXPECT_EQ(score_rank(INT_MAX, t), SCORE_AFTER);
}

TEST(scores, seek_line_counts_newlines_from_the_start) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fputs("a\nbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\nc\n", f);
    seek_line(f, 2);
    EXPECT_EQ(std::fgetc(f), 'c');
    seek_line(f, 1);
    EXPECT_EQ(std::fgetc(f), 'b');
    seek_line(f, 0);
    EXPECT_EQ(std::fgetc(f), 'a');
    seek_line(f, 7);
    EXPECT_EQ(std::fgetc(f), EOF);
    std::fclose(f);
}

TEST(scores, load_cuts_long_lines_and_accepts_crlf) {
    play_dir dir;
    write_play_file("data/scores.dat", "abc 1234567890123456789012\n"
                                       "bob 500\r\n"
                                       "cat 400\n"
                                       "dog 300\n"
                                       "eel 200\n"
                                       "fox 100\n"
                                       "gnu 50\n"
                                       "hen 40\n"
                                       "ibx 30\n"
                                       "jay 20");
    score_table t = defaults();
    ASSERT_EQ(load_scores(t), 1);
    EXPECT_EQ(line(t, 0), "abc 123456789012345");
    EXPECT_EQ(line(t, 1), "bob 500\r\n");
    EXPECT_EQ(line(t, 2), "cat 400\n");
    EXPECT_EQ(line(t, 9), "jay 20");
    EXPECT_EQ(score_rank(500, t), 2);
    EXPECT_EQ(score_rank(501, t), 1);
    // The first line's cut digits still give a value far above the others.
    EXPECT_EQ(score_rank(12345678, t), 1);
    // The last line lacks its newline and is still read whole: 20.
    EXPECT_EQ(score_rank(20, t), SCORE_AFTER);
    EXPECT_EQ(score_rank(19, t), SCORE_OUT);
}

TEST(scores, short_file_leaves_default_lines_in_the_slots_it_lacks) {
    play_dir dir;
    write_play_file("data/scores.dat", "bob 900\ncat 800\ndog 700\n");
    score_table t;
    std::memset(&t, 0x7f, sizeof t); // whatever the table held before
    ASSERT_EQ(load_scores(t), 1);
    EXPECT_EQ(line(t, 0), "bob 900\n");
    EXPECT_EQ(line(t, 2), "dog 700\n");
    const score_table d = defaults();
    for (int i = 3; i < SCORE_LINES; ++i)
        EXPECT_EQ(line(t, i), line(d, i)) << i;

    write_play_file("data/scores.dat", "");
    std::memset(&t, 0, sizeof t);
    ASSERT_EQ(load_scores(t), 1);
    EXPECT_EQ(t.lines, d.lines);
}

TEST(scores, missing_file_reports_and_leaves_the_table) {
    play_dir dir;
    score_table t = defaults();
    insert_score(t, "bob", 0, 1000);
    const score_table before = t;
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_scores(t), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Err de chargement du fichier des scores.\n");
    EXPECT_EQ(t.lines, before.lines);
}

TEST(scores, save_and_load_round_trip_byte_for_byte) {
    play_dir dir;
    score_table t = defaults();
    ASSERT_EQ(save_scores(t), 1);
    EXPECT_EQ(read_play_file("data/scores.dat"), DEFAULT_TEXT);
    // Nothing else is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("data"),
                            std::filesystem::directory_iterator{}),
              1);

    const std::string text = "zzz 2147483647\nbob 500\r\nabc 12345678901234\n"
                             "cat 400\ndog 300\neel 200\nfox 100\ngnu 50\nhen 40\nibx 3\n";
    write_play_file("data/scores.dat", text);
    score_table u = defaults();
    ASSERT_EQ(load_scores(u), 1);
    ASSERT_EQ(save_scores(u), 1);
    EXPECT_EQ(read_play_file("data/scores.dat"), text);
}

// A slot without its newline once went to the file without one, so the next load read every
// following slot one file line off (a short file's last line took the next default line into
// its own score). Each slot now keeps its own file line through save and load.
TEST(scores, open_ended_slots_keep_their_own_file_lines) {
    play_dir dir;
    // A line cut to its slot, a line ended by a nul byte, and a short file's last line without
    // its newline.
    const char text[] = "abc 1234567890123456789012\nbob 5\0zz 1\ncat 7";
    write_play_file("data/scores.dat", std::string(text, sizeof text - 1));
    score_table t = defaults();
    ASSERT_EQ(load_scores(t), 1);
    EXPECT_EQ(line(t, 0), "abc 123456789012345");
    EXPECT_EQ(line(t, 1), "bob 5\n");
    EXPECT_EQ(line(t, 2), "cat 7\n");
    EXPECT_EQ(line(t, 3), "aaa 60\n");
    ASSERT_EQ(save_scores(t), 1);
    EXPECT_EQ(read_play_file("data/scores.dat"),
              "abc 123456789012345\nbob 5\ncat 7\naaa 60\naaa 50\n"
              "aaa 40\naaa 30\naaa 20\naaa 10\naaa 0\n");
    score_table again{};
    ASSERT_EQ(load_scores(again), 1);
    for (int i = 0; i < SCORE_LINES; ++i)
        EXPECT_EQ(line(again, i), line(t, i)) << i;

    // Slots filled in memory without a newline are saved on lines of their own as well; the
    // last slot needs none.
    set_line(t, 4, "dog 12");
    set_line(t, 9, "eel 1");
    ASSERT_EQ(save_scores(t), 1);
    score_table third{};
    ASSERT_EQ(load_scores(third), 1);
    EXPECT_EQ(line(third, 4), "dog 12\n");
    EXPECT_EQ(line(third, 5), "aaa 40\n");
    EXPECT_EQ(line(third, 9), "eel 1");
    EXPECT_EQ(score_rank(2, third), 9);
}
