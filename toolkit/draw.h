// The drawing every screen does: pictures at a place, black areas, the game's font and its
// white solid texts.
#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

inline constexpr SDL_Color DRAW_WHITE{255, 255, 255, 0};
inline constexpr const char* DRAW_FONT_PATH = "font/comic.ttf";

// Draws the whole of pic with its top-left corner at (x, y), clipped to the screen; a null pic
// draws nothing.
void blit_at(SDL_Surface* pic, SDL_Surface* screen, int x, int y);
inline void blit_at(SDL_Surface* pic, SDL_Surface* screen, layout_at at) {
    blit_at(pic, screen, at.x, at.y);
}
// Fills r, clipped to the screen, with black.
void fill_black(SDL_Surface* screen, SDL_Rect r);
inline void fill_black(SDL_Surface* screen, int x, int y, int w, int h) {
    fill_black(screen, SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y),
                                static_cast<Uint16>(w), static_cast<Uint16>(h)});
}
// The picture as loaded; when it is null, message is printed first, a format whose "%s" takes
// the library's error text (the message carries its own line end, or none).
surface_ptr say_if_missing(surface_ptr pic, const char* message);
// Makes the marker picture's key colour, grey (125, 125, 125), transparent.
void key_marker(SDL_Surface* marker);
// The whole screen black.
void clear_black(SDL_Surface* screen);
// The game's font at size points, in its normal style; null (the library's error set) when it
// cannot be opened.
font_ptr open_game_font(int size);
// text rendered solid in white; null when it cannot be (an empty text included).
surface_ptr render_white(TTF_Font* font, const char* text);
// Presents the display surface again as it is (nothing when no video mode is set).
void present_again();
