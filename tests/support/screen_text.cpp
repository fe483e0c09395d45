#include "support/screen_text.h"

#include <algorithm>

#include "support/sdl_session.h"

bool shows_text(SDL_Surface* screen, SDL_Surface* text, int x, int y, int limit) {
    const int rows = std::min({text->h, limit - y, screen->h - y});
    const int cols = std::min(text->w, screen->w - x);
    int white = 0;
    for (int py = 0; py < rows; ++py)
        for (int px = 0; px < cols; ++px) {
            const uint32_t want = pixel_rgb(text, px, py) == 0xffffff ? 0xffffff : 0;
            if (pixel_rgb(screen, x + px, y + py) != want) return false;
            if (want) ++white;
        }
    return white > 0;
}

bool area_lit(SDL_Surface* screen, int x, int y, int w, int h) {
    for (int py = std::max(y, 0); py < std::min(y + h, screen->h); ++py)
        for (int px = std::max(x, 0); px < std::min(x + w, screen->w); ++px)
            if (pixel_rgb(screen, px, py) != 0) return true;
    return false;
}
