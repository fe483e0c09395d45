#include "app/startup.h"

#include <cstdio>

#include "store/scores.h"
#include "store/settings.h"

void setup_game_ctx(game_ctx& ctx) {
    new_game_ctx(ctx);
    // The table holds well-formed lines even before its first load.
    default_scores(*ctx.scores);
    default_options(*ctx.options);
    // Defaults first, so a short or malformed file still leaves defined values.
    default_controls(*ctx.controls);
    if (!load_controls(*ctx.controls, *ctx.options)) {
        std::puts("Err initialisation des controles, application des parametres par defaut");
        default_controls(*ctx.controls);
    }
    controls_cfg& ctl = *ctx.controls;
    const int n = SDL_NumJoysticks();
    if (n >= 1 && open_joysticks(ctl)) {
        SDL_JoystickEventState(SDL_ENABLE);
        if (ctl.joystick_index < 0 || ctl.joystick_index >= n) ctl.joystick_index = 0;
    } else {
        ctl.joysticks.reset();
        ctl.device = CTX_DEVICE_KEYBOARD;
        ctl.joystick_index = 0;
    }
}
