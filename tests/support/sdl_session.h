// One screen-test session: a play folder, the libraries started under the dummy drivers,
// the 540x600 display, a virtual clock, and the game context with its joysticks open.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "app/game_ctx.h"
#include "support/play_dir.h"
#include "support/virtual_clock.h"

struct sdl_session {
    play_dir dir;
    virtual_clock vc;
    SDL_Surface* screen = nullptr;
    game_ctx ctx;
    bool ok = false;
    // Attaches virtual_joysticks virtual joysticks first (they must exist before SDL_Init).
    explicit sdl_session(int virtual_joysticks = 0);
    ~sdl_session();
    sdl_session(const sdl_session&) = delete;
    sdl_session& operator=(const sdl_session&) = delete;
};

// Colour of one pixel as 0xRRGGBB, whatever the surface's format.
uint32_t pixel_rgb(SDL_Surface* s, int x, int y);
// True when every pixel of pic that is not the colour key (125, 125, 125) shows on screen
// at (x, y) with its own colour, and there is at least one such pixel.
bool shows_picture(SDL_Surface* screen, SDL_Surface* pic, int x, int y);
// True when the w by h area at (x, y) is all black.
bool area_black(SDL_Surface* screen, int x, int y, int w, int h);
