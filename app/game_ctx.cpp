#include "app/game_ctx.h"

#include <cstdio>
#include <new>

#include "toolkit/draw.h"

void new_game_ctx(game_ctx& ctx) {
    ctx.input = std::make_unique<input_state>();
    ctx.options = std::make_unique<options_cfg>();
    ctx.scores = std::make_unique<score_table>();
    ctx.controls = std::make_unique<controls_cfg>();
}

void free_game_ctx(game_ctx& ctx) {
    if (ctx.controls) ctx.controls->joysticks.reset();
    ctx.input.reset();
    ctx.options.reset();
    ctx.scores.reset();
    ctx.controls.reset();
}

void default_options(options_cfg& opt) {
    opt.fullscreen = 0;
    opt.skin = 0;
    opt.tune = 0;
    opt.low_cpu = 0;
    opt.own_fullscreen = 0;
    opt.window_place = {};
}

void default_controls(controls_cfg& ctl) {
    ctl.device = CTX_DEVICE_KEYBOARD;
    ctl.joystick_index = 0;
    ctl.button_right = 0;
    ctl.button_left = 1;
    ctl.key_right = SDLK_w;
    ctl.key_left = SDLK_q;
}

int open_joysticks(controls_cfg& ctl) {
    const int n = SDL_NumJoysticks();
    ctl.joysticks.reset(new (std::nothrow) SDL_Joystick*[n > 0 ? n : 1]());
    if (!ctl.joysticks) {
        std::puts("Err reservation memoire");
        return 0;
    }
    for (int i = 0; i < SDL_NumJoysticks() && i < n; ++i)
        ctl.joysticks[i] = SDL_JoystickOpen(i);
    return 1;
}

void close_joysticks(controls_cfg& ctl) {
    if (!ctl.joysticks) return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (ctl.joysticks[i]) SDL_JoystickClose(ctl.joysticks[i]);
        ctl.joysticks[i] = nullptr;
    }
}

int toggle_fullscreen(SDL_Surface*& screen, game_ctx& ctx) {
    // The display surface belongs to the video layer: it is never freed here.
    options_cfg& opt = *ctx.options;
    const bool to_full = opt.fullscreen == 0;
    bool in_place = true;
    // Without a window manager the layer's switch draws for a window of the screen's size that
    // nobody makes: the game sizes its window itself, and goes back the way it went.
    if (to_full ? display_switch_way() == DISPLAY_SWITCH_OWN : opt.own_fullscreen != 0) {
        if (to_full ? display_cover_screen(opt.window_place)
                    : display_restore_place(opt.window_place)) {
            display_await_switch(to_full, opt.window_place);
            if (screen) clear_black(screen);
            opt.own_fullscreen = to_full ? 1 : 0;
            opt.fullscreen = to_full ? 1 : 0;
            return 1;
        }
        // The layer still has a window: only a new mode gives it its own size back.
        in_place = to_full;
        opt.own_fullscreen = 0;
    }
    // The window's size before fullscreen, to know when it has it again.
    if (to_full && !display_keep_place(opt.window_place)) opt.window_place = {};
    // Otherwise the window is switched in place where the layer can: a new mode also resizes
    // the window, and a window manager that gets the resize while it leaves fullscreen puts the
    // window back at the corner instead of where the player had it.
    SDL_Surface* s = screen;
    if (!in_place || !s || s != SDL_GetVideoSurface() || SDL_WM_ToggleFullScreen(s) == 0) {
        Uint32 flags = SDL_HWSURFACE | SDL_DOUBLEBUF;
        if (to_full) flags |= SDL_FULLSCREEN;
        s = SDL_SetVideoMode(CTX_SCREEN_W, CTX_SCREEN_H, CTX_SCREEN_BPP, flags);
        if (!s) {
            std::printf("MAIN / Err init fenetre %s\n", SDL_GetError());
            return 0;
        }
    }
    // The window system may take the window over later than the layer's call returns.
    if (opt.window_place.w > 0) display_await_switch(to_full, opt.window_place);
    // After a mode set the pixels are new and uninitialised; the callers draw everything again.
    clear_black(s);
    screen = s;
    opt.fullscreen = to_full ? 1 : 0;
    return 1;
}
