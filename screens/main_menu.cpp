#include "screens/main_menu.h"

#include <SDL.h>

#include <cstdio>

#include "app/game_ctx.h"
#include "input/input.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"

namespace {

void draw_menu(SDL_Surface* screen, SDL_Surface* menu, SDL_Surface* marker, SDL_Rect place) {
    blit_at(menu, screen, 0, 0);
    blit_at(marker, screen, place.x, place.y);
}

// Erases the marker (its place turns black) and draws it dy pixels lower.
void move_marker(SDL_Surface* screen, SDL_Surface* marker, SDL_Rect& place, int dy) {
    fill_black(screen, place);
    place.y = static_cast<Sint16>(place.y + dy);
    blit_at(marker, screen, place.x, place.y);
    SDL_Flip(screen);
}

} // namespace

int main_menu(SDL_Surface*& screen, game_ctx& ctx) {
    input_state& in = *ctx.input;
    int n = 1;
    bool leave = false;
    reset_input(in);

    const surface_ptr menu =
        say_if_missing(load_bmp("pics/menu.bmp"), "Err chargement de menu.bmp :%s\n");
    const surface_ptr marker =
        say_if_missing(load_bmp("pics/select.bmp"), "Err chargement de select.bmp :%s\n");
    if (!menu || !marker) {
        n = 0;
        leave = true;
    }
    SDL_Rect place{LAYOUT_MENU_MARKER_X, LAYOUT_MENU_FIRST_Y, 0, 0};
    if (marker) {
        key_marker(marker.get());
        place.w = static_cast<Uint16>(marker->w);
        place.h = static_cast<Uint16>(marker->h);
    }
    draw_menu(screen, menu.get(), marker.get(), place);
    SDL_Flip(screen);

    auto& keys = in.keys;
    while (!leave) {
        const bool took = poll_input(ctx);

        if (keys[SDLK_F1]) {
            if (toggle_fullscreen(screen, ctx)) {
                draw_menu(screen, menu.get(), marker.get(), place);
                SDL_Flip(screen);
            } else {
                n = 0;
                leave = true;
            }
            keys[SDLK_F1] = 0;
        }
        // The digit keys and the close request are not cleared: the next screen resets them.
        if (keys[SDLK_1]) n = 1, leave = true;
        if (keys[SDLK_2]) n = 2, leave = true;
        if (keys[SDLK_3]) n = 3, leave = true;
        if (keys[SDLK_4] || in.quit) n = 0, leave = true;
        // A choice already made above is final: a marker move in the same poll must not
        // turn a closed window into a game, or the key 3 into the leave entry.
        const bool decided = leave;
        if (take_choose(in)) leave = true;

        if (!decided && nav_set(in, INPUT_NAV_DOWN) && n < LAYOUT_MENU_ENTRIES) {
            ++n;
            move_marker(screen, marker.get(), place, LAYOUT_MENU_STEP);
            nav_clear(in, INPUT_NAV_DOWN);
        } else if (!decided && nav_set(in, INPUT_NAV_UP) && n > 1) {
            --n;
            move_marker(screen, marker.get(), place, -LAYOUT_MENU_STEP);
            nav_clear(in, INPUT_NAV_UP);
        } else {
            // A move past the first or last entry is dropped.
            nav_clear(in, INPUT_NAV_UP);
            nav_clear(in, INPUT_NAV_DOWN);
        }
        rest_if_idle(*ctx.options, took);
    }

    clear_black(screen);
    SDL_Flip(screen);
    return n;
}
