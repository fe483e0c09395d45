// Checks of rendered text on the display surface.
#pragma once
#include <SDL.h>

// True when text (a solid rendering in white) shows at (x, y): its white pixels white on the
// screen and its other pixels black, for the rows above row limit and the columns on the
// screen; false as well when no white pixel was compared.
bool shows_text(SDL_Surface* screen, SDL_Surface* text, int x, int y, int limit);
// True when some pixel of the w by h area at (x, y) is not black.
bool area_lit(SDL_Surface* screen, int x, int y, int w, int h);
