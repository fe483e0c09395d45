#include "support/sdl_session.h"

#include <SDL_ttf.h>

#include <cstdlib>

#include "app/audio.h"
#include "app/startup.h"
#include "support/virtual_joystick.h"

sdl_session::sdl_session(int virtual_joysticks) {
    // The drivers were chosen when the test program started (test_env.cpp).
    if (virtual_joysticks > 0 && !vjoy_attach(virtual_joysticks)) return;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_JOYSTICK) < 0) return;
    if (!FSOUND_Init(44100, 32, 0)) return;
    if (TTF_Init() < 0) return;
    screen =
        SDL_SetVideoMode(CTX_SCREEN_W, CTX_SCREEN_H, CTX_SCREEN_BPP, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!screen) return;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    vclock_install(vc);
    setup_game_ctx(ctx);
    ok = SDL_NumJoysticks() == virtual_joysticks;
}

sdl_session::~sdl_session() {
    vclock_remove();
    if (ctx.controls && ctx.controls->joysticks) close_joysticks(*ctx.controls);
    free_game_ctx(ctx);
    FSOUND_Close();
    if (TTF_WasInit()) TTF_Quit();
    SDL_Quit();
}

uint32_t pixel_rgb(SDL_Surface* s, int x, int y) {
    const int bpp = s->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * bpp;
    Uint32 raw = 0;
    switch (bpp) {
    case 1:
        raw = *p;
        break;
    case 2:
        raw = *reinterpret_cast<const Uint16*>(p);
        break;
    case 3:
        raw = p[0] | (p[1] << 8) | (p[2] << 16);
        break;
    default:
        raw = *reinterpret_cast<const Uint32*>(p);
        break;
    }
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

bool shows_picture(SDL_Surface* screen, SDL_Surface* pic, int x, int y) {
    int seen = 0;
    SDL_LockSurface(pic);
    for (int py = 0; py < pic->h; ++py)
        for (int px = 0; px < pic->w; ++px) {
            const uint32_t c = pixel_rgb(pic, px, py);
            if (c == 0x7d7d7d) continue;
            if (pixel_rgb(screen, x + px, y + py) != c) {
                SDL_UnlockSurface(pic);
                return false;
            }
            ++seen;
        }
    SDL_UnlockSurface(pic);
    return seen > 0;
}

bool area_black(SDL_Surface* screen, int x, int y, int w, int h) {
    for (int py = y; py < y + h; ++py)
        for (int px = x; px < x + w; ++px)
            if (pixel_rgb(screen, px, py) != 0) return false;
    return true;
}
