// The score table (ten lines, best first) and its file "data/scores.dat".
#pragma once
#include <cstddef>
#include <cstdio>

#include "app/game_ctx.h"

constexpr int SCORE_OUT = -2;   // rank: below the last line
constexpr int SCORE_AFTER = 10; // rank: equal to the last line, comes after it

// Reads the file into the table. Returns 1 when it opened and was read, 0 when it could not be
// opened or is no regular file (message printed at once, table untouched). Only the file's
// first 4 KiB are read: slots the text does not reach take the default table's line. A line
// ended early by the end of the text or a nul byte gets a newline, except on the last slot; a
// line longer than its slot is cut to 19 characters without one.
int load_scores(score_table& table);
// Leaves f at the start of its line n (counted from the start); at the end when it is shorter.
void seek_line(FILE* f, int n);
// Replaces the file whole with the ten lines, each of the first nine ended by a newline even when
// its slot lacks one, so loading the file gives the same table. Returns 1 when written, 0 (after
// its message) when it could not be written completely or may not be replaced; the old file
// then stays.
int save_scores(const score_table& table);
// The save at the end of a game, place being where this game's line was inserted (-1 for none).
// Under the data folder's lock (when it cannot be taken, a line says so and the save goes on):
// when the file changed since the table was loaded (another
// copy of the game saved meanwhile), the table is read again from it and this game's line is
// ranked and inserted there, so no record is lost; then the table is saved. Returns as
// save_scores.
int save_game_scores(score_table& table, int place);
// Fills the table with aaa 90 down to aaa 0. Always returns 1.
int default_scores(score_table& table);
// Score of the text that starts at a line's fifth character, read within room characters.
// The line end ("\n" or "\r\n") is skipped, an empty text gives 0, and the value saturates
// within the int range instead of overflowing.
int line_score(const char* text, std::size_t room);
// Place of a new score: 0..9, SCORE_AFTER when it equals the last line, SCORE_OUT below it.
// A line shorter than five characters counts as a score of 0.
int score_rank(int score, const score_table& table);
// Moves lines place..8 down one and writes "name score\n" at place (0..9; others do nothing).
void insert_score(score_table& table, const char* name, int place, int score);
