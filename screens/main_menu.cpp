#include "screens/main_menu.h"

#include <SDL.h>

#include <cstdio>

#include "app/game_ctx.h"
#include "app/layout.h"
#include "app/sdl_owner.h"
#include "input/input.h"

namespace {

constexpr Sint16 MENU_MARKER_X = LAYOUT_MENU_MARKER_X;
constexpr Sint16 MENU_MARKER_Y = LAYOUT_MENU_FIRST_Y; // entry 1; each following entry a step lower
constexpr Sint16 MENU_ENTRY_STEP = LAYOUT_MENU_STEP;
constexpr int MENU_LAST_ENTRY = LAYOUT_MENU_ENTRIES;

// SDL_BlitSurface and SDL_FillRect write the clipped rectangle back, so they get copies.
void blit_at(SDL_Surface* src, SDL_Surface* dst, SDL_Rect at) {
    if (src) SDL_BlitSurface(src, nullptr, dst, &at);
}

void fill_black(SDL_Surface* dst, SDL_Rect area) {
    SDL_FillRect(dst, &area, SDL_MapRGB(dst->format, 0, 0, 0));
}

void draw_menu(SDL_Surface* screen, SDL_Surface* menu, SDL_Surface* marker, SDL_Rect place) {
    blit_at(menu, screen, SDL_Rect{0, 0, 0, 0});
    blit_at(marker, screen, place);
}

// Erases the marker (its place turns black) and draws it dy pixels lower.
void move_marker(SDL_Surface* screen, SDL_Surface* marker, SDL_Rect& place, int dy) {
    fill_black(screen, place);
    place.y = static_cast<Sint16>(place.y + dy);
    blit_at(marker, screen, place);
}

} // namespace

int main_menu(SDL_Surface*& screen, game_ctx& ctx) {
    input_state& in = *ctx.input;
    int n = 1;
    bool leave = false;
    reset_input(in);

    surface_ptr menu = load_bmp("pics/menu.bmp");
    if (!menu) {
        std::printf("Err chargement de menu.bmp :%s\n", SDL_GetError());
        n = 0;
        leave = true;
    }
    surface_ptr marker = load_bmp("pics/select.bmp");
    if (!marker) {
        std::printf("Err chargement de select.bmp :%s\n", SDL_GetError());
        n = 0;
        leave = true;
    }
    SDL_Rect place{MENU_MARKER_X, MENU_MARKER_Y, 0, 0};
    if (marker) {
        SDL_SetColorKey(marker.get(), SDL_SRCCOLORKEY, SDL_MapRGB(marker->format, 125, 125, 125));
        place.w = static_cast<Uint16>(marker->w);
        place.h = static_cast<Uint16>(marker->h);
    }
    draw_menu(screen, menu.get(), marker.get(), place);
    SDL_Flip(screen);

    auto& keys = in.keys;
    while (!leave) {
        poll_input(ctx);

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
        if (keys[SDLK_RETURN] || in.button_left_cmd) {
            keys[SDLK_RETURN] = 0;
            in.button_left_cmd = 0;
            in.button_left_held = 0;
            leave = true;
        }

        const bool down = keys[SDLK_DOWN] || in.hat_cmd[INPUT_HAT_DOWN];
        const bool up = keys[SDLK_UP] || in.hat_cmd[INPUT_HAT_UP];
        if (!decided && down && n < MENU_LAST_ENTRY) {
            ++n;
            move_marker(screen, marker.get(), place, MENU_ENTRY_STEP);
            keys[SDLK_DOWN] = 0;
            in.hat_cmd[INPUT_HAT_DOWN] = 0;
            SDL_Flip(screen);
        } else if (!decided && up && n > 1) {
            --n;
            move_marker(screen, marker.get(), place, -MENU_ENTRY_STEP);
            keys[SDLK_UP] = 0;
            in.hat_cmd[INPUT_HAT_UP] = 0;
            SDL_Flip(screen);
        } else {
            // A move past the first or last entry is dropped.
            keys[SDLK_UP] = 0;
            keys[SDLK_DOWN] = 0;
            in.hat_cmd[INPUT_HAT_UP] = 0;
            in.hat_cmd[INPUT_HAT_DOWN] = 0;
        }
    }

    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    SDL_Flip(screen);
    return n;
}
