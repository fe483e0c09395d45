// The new-record entry: the cup, the applause and the three-letter name.
#pragma once
#include <SDL.h>

struct game_ctx;

// Inserts the name and score into ctx.scores on every way out (not saved here).
// Returns 1 when the name was confirmed with Enter, 0 on a closed window or a failure.
int new_record_screen(SDL_Surface*& screen, game_ctx& ctx, int score);
