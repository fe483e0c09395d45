// The main menu: four entries and a marker.
#pragma once
#include <SDL.h>

struct game_ctx;

// Returns 1 play, 2 options, 3 best scores, 4 leave entry; 0 for the key 4, a closed window,
// a picture that did not load or a failed fullscreen switch.
int main_menu(SDL_Surface*& screen, game_ctx& ctx);
