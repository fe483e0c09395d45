// Event polling: the event queue becomes sticky command flags, with joystick auto-repeat.
#pragma once
#include <SDL.h>

#include "app/game_ctx.h"

constexpr uint32_t INPUT_REST_MS = 1; // an idle pass's wait in the resting mode

// Clears every flag and latch, sets the repeat intervals and stamps both timers with now.
void reset_input(input_state& in);
// Drains the event queue into ctx.input without waiting, then runs the joystick repeat once;
// a request to draw the window again presents the display surface as it is. Key symbols
// outside 0..322 are ignored; with no joystick open the repeat does nothing. Returns whether
// it took an event or repeated a command (false: nothing came in this pass).
bool poll_input(game_ctx& ctx);
// In the resting mode (opt.low_cpu), waits INPUT_REST_MS through the clock after a pass that
// found nothing to do (busy false); otherwise returns at once.
void rest_if_idle(const options_cfg& opt, bool busy);

// One direction of the menus: its arrow key, or the hat on the joystick device.
struct input_nav {
    int key;
    int hat;
};
inline constexpr input_nav INPUT_NAV_UP{SDLK_UP, INPUT_HAT_UP};
inline constexpr input_nav INPUT_NAV_DOWN{SDLK_DOWN, INPUT_HAT_DOWN};
inline constexpr input_nav INPUT_NAV_LEFT{SDLK_LEFT, INPUT_HAT_LEFT};
inline constexpr input_nav INPUT_NAV_RIGHT{SDLK_RIGHT, INPUT_HAT_RIGHT};

// True when the direction's key flag or hat flag is set.
bool nav_set(const input_state& in, input_nav dir);
// Clears both flags of the direction.
void nav_clear(input_state& in, input_nav dir);
// nav_set, and the flags cleared.
bool nav_take(input_state& in, input_nav dir);
// Choosing in the menus (Return or the turn-left button) and going back (Escape or the
// turn-right button): true when either is set; clears the key, the button's command and its
// repeat latch.
bool take_choose(input_state& in);
bool take_back(input_state& in);
