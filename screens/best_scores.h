// The best-scores screen: the ten lines of the table under a title.
#pragma once
#include <SDL.h>

struct game_ctx;

// Returns 1 when left with Escape or the turn-right button, 0 on a closed window or a failure.
int best_scores_screen(SDL_Surface*& screen, game_ctx& ctx);
