// The start-up of the shared state, between the window and the main loop.
#pragma once
#include "app/game_ctx.h"

// The context, its option defaults, the settings file (the control defaults when it cannot be
// read, with its message) and the joysticks (the keyboard when none could be opened).
void setup_game_ctx(game_ctx& ctx);
