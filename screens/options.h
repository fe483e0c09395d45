// The options screen: device, turning controls, skin and tune.
#pragma once
#include <SDL.h>

struct game_ctx;

// Returns 1 to show the menu again, 0 to end the program (closed window or a failure).
int options_screen(SDL_Surface*& screen, game_ctx& ctx);
