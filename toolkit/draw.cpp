#include "toolkit/draw.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

void blit_at(SDL_Surface* pic, SDL_Surface* screen, int x, int y) {
    if (!pic) return;
    // The library writes the clipped rectangle back into the one it is given: a fresh one.
    SDL_Rect dst{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(pic, nullptr, screen, &dst);
}

void fill_black(SDL_Surface* screen, SDL_Rect r) {
    const SDL_Rect& clip = screen->clip_rect;
    const int x0 = std::max<int>(r.x, clip.x);
    const int y0 = std::max<int>(r.y, clip.y);
    const int x1 = std::min<int>(r.x + r.w, clip.x + clip.w);
    const int y1 = std::min<int>(r.y + r.h, clip.y + clip.h);
    if (x0 >= x1 || y0 >= y1) return;
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    // The library's fill is slow on small areas; black on 32-bit pixels is plain zero bytes.
    if (black == 0 && screen->format->BytesPerPixel == 4 && SDL_LockSurface(screen) == 0) {
        auto* first = static_cast<uint8_t*>(screen->pixels) + static_cast<ptrdiff_t>(x0) * 4;
        const size_t bytes = static_cast<size_t>(x1 - x0) * 4;
        for (int y = y0; y < y1; ++y)
            std::memset(first + static_cast<ptrdiff_t>(y) * screen->pitch, 0, bytes);
        SDL_UnlockSurface(screen);
        return;
    }
    SDL_Rect clipped{static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
                     static_cast<Uint16>(y1 - y0)};
    SDL_FillRect(screen, &clipped, black);
}

surface_ptr say_if_missing(surface_ptr pic, const char* message) {
    if (!pic) std::printf(message, SDL_GetError());
    return pic;
}

void key_marker(SDL_Surface* marker) {
    SDL_SetColorKey(marker, SDL_SRCCOLORKEY, SDL_MapRGB(marker->format, 125, 125, 125));
}

void clear_black(SDL_Surface* screen) {
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
}

font_ptr open_game_font(int size) {
    font_ptr font(TTF_OpenFont(DRAW_FONT_PATH, size));
    if (font) TTF_SetFontStyle(font.get(), TTF_STYLE_NORMAL);
    return font;
}

surface_ptr render_white(TTF_Font* font, const char* text) {
    return surface_ptr(TTF_RenderText_Solid(font, text, DRAW_WHITE));
}

void present_again() {
    if (SDL_Surface* screen = SDL_GetVideoSurface()) SDL_Flip(screen);
}
