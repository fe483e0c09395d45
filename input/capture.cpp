#include "input/capture.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <array>
#include <cstdio>

#include "app/game_ctx.h"
#include "toolkit/clock.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"

namespace {

constexpr int CAPTURE_FONT_SIZE = 20;
constexpr uint32_t CAPTURE_WAIT_MS = 10;

constexpr int CAPTURE_CLOSED = -1;

// A field of the edited controls (an alias: clang-format 14 and 19 lay it out alike).
using edit_field = int32_t edit_cfg::*;
// The two controls, asked for in turn: the prompt, and where a key or a button goes.
struct capture_step {
    const char* prompt;
    edit_field key;
    edit_field button;
};
constexpr std::array<capture_step, 2> CAPTURE_STEPS{{
    {"appuyer sur droite", &edit_cfg::key_right, &edit_cfg::button_right},
    {"appuyer sur gauche", &edit_cfg::key_left, &edit_cfg::button_left},
}};

// Renders a prompt; prints the message (no line end) and gives null on failure.
surface_ptr render_prompt(TTF_Font* font, const char* text) {
    surface_ptr s = render_white(font, text);
    if (!s)
        std::printf("saisie_cfg / Err cr\xe9"
                    "ation de surface :%s",
                    SDL_GetError());
    return s;
}

// Fills the prompt box black and draws the prompt in it; box takes the prompt's size.
void show_prompt(SDL_Surface* screen, SDL_Surface* prompt, SDL_Rect& box) {
    box = SDL_Rect{static_cast<Sint16>(LAYOUT_OPT_PROMPT_AT.x),
                   static_cast<Sint16>(LAYOUT_OPT_PROMPT_AT.y), static_cast<Uint16>(prompt->w),
                   static_cast<Uint16>(prompt->h)};
    fill_black(screen, box);
    blit_at(prompt, screen, LAYOUT_OPT_PROMPT_AT);
    SDL_Flip(screen);
}

// Waits for the next key (keyboard) or button of the chosen joystick (joystick); the picture
// is presented again whenever the window system asks for it.
// Returns its value, or CAPTURE_CLOSED on the window-close request.
int wait_control(const edit_cfg& cfg) {
    for (;;) {
        SDL_Event e;
        while (!SDL_PollEvent(&e))
            clock_delay(CAPTURE_WAIT_MS);
        if (e.type == SDL_VIDEOEXPOSE || e.type == SDL_VIDEORESIZE) present_again();
        if (e.type == SDL_QUIT) return CAPTURE_CLOSED;
        if (cfg.device == CTX_DEVICE_KEYBOARD && e.type == SDL_KEYDOWN) return e.key.keysym.sym;
        if (cfg.device == CTX_DEVICE_JOYSTICK && e.type == SDL_JOYBUTTONDOWN &&
            e.jbutton.which == cfg.joystick_index)
            return e.jbutton.button;
    }
}

} // namespace

int saisie_cfg(SDL_Surface* screen, edit_cfg& cfg) {
    const font_ptr font = open_game_font(CAPTURE_FONT_SIZE);
    if (!font) {
        std::fputs("saisie_Cfg / Err ouverture comic.ttf", stdout);
        SDL_Flip(screen);
        return 0;
    }
    SDL_Rect box{};
    for (size_t i = 0; i < CAPTURE_STEPS.size(); ++i) {
        const capture_step& step = CAPTURE_STEPS[i];
        // The first prompt's box is blanked: the second one may be narrower.
        if (i > 0) fill_black(screen, box);
        const surface_ptr prompt = render_prompt(font.get(), step.prompt);
        if (!prompt) {
            if (i == 0) SDL_Flip(screen);
            return 0;
        }
        show_prompt(screen, prompt.get(), box);
        const int value = wait_control(cfg);
        if (value == CAPTURE_CLOSED) return 0;
        cfg.*(cfg.device == CTX_DEVICE_KEYBOARD ? step.key : step.button) = value;
    }
    return 1;
}
