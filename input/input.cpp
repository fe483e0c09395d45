#include "input/input.h"

#include <SDL.h>

#include <cstring>
#include <type_traits>

#include "app/game_ctx.h"
#include "toolkit/clock.h"
#include "toolkit/draw.h"

namespace {

constexpr int INPUT_HAT_DIRS[] = {INPUT_HAT_UP, INPUT_HAT_RIGHT, INPUT_HAT_DOWN, INPUT_HAT_LEFT};

bool is_hat_dir(int value) {
    return value == INPUT_HAT_UP || value == INPUT_HAT_RIGHT || value == INPUT_HAT_DOWN ||
           value == INPUT_HAT_LEFT;
}

// True once more than interval ms have passed since last, reading the time afresh; the time
// read is left in now. The sum wraps like the tick counter.
bool repeat_due(uint32_t last, int32_t interval, uint32_t& now) {
    now = clock_ticks();
    return now > last + static_cast<uint32_t>(interval);
}

void take_event(const SDL_Event& e, input_state& in, const controls_cfg& ctl) {
    const bool from_joystick = ctl.device != CTX_DEVICE_KEYBOARD;
    switch (e.type) {
    case SDL_KEYDOWN: {
        // Read as a plain number: a symbol beyond the enumeration is not a valid SDLKey.
        std::underlying_type_t<SDLKey> raw;
        std::memcpy(&raw, &e.key.keysym.sym, sizeof raw);
        const int64_t sym = static_cast<int64_t>(raw);
        if (sym >= 0 && sym < INPUT_KEY_COUNT) in.keys[sym] = 1;
        break;
    }
    case SDL_JOYHATMOTION: {
        const int value = e.jhat.value;
        if (value == SDL_HAT_CENTERED) {
            // Centring from any joystick releases every latch; pending commands stay.
            for (int dir : INPUT_HAT_DIRS)
                in.hat_held[dir] = 0;
        } else if (is_hat_dir(value) && from_joystick && e.jhat.which == ctl.joystick_index) {
            in.hat_cmd[value] = 1;
            in.hat_held[value] = 1;
            in.hat_last_ms = clock_ticks();
        }
        break;
    }
    case SDL_JOYBUTTONDOWN:
        if (from_joystick && e.jbutton.which == ctl.joystick_index) {
            // The pressed button takes its pair; any other button's pair is dropped.
            const uint8_t right = e.jbutton.button == ctl.button_right ? 1 : 0;
            const uint8_t left = e.jbutton.button == ctl.button_left ? 1 : 0;
            in.button_right_cmd = right;
            in.button_right_held = right;
            in.button_left_cmd = left;
            in.button_left_held = left;
            in.button_last_ms = clock_ticks();
        }
        break;
    case SDL_QUIT:
        in.quit = 1;
        break;
    default:
        break;
    }
}

// Repeats a held hat direction and a held assigned button from the live joystick state.
// Returns whether a command was repeated.
bool auto_repeat(SDL_Joystick* joy, input_state& in, const controls_cfg& ctl) {
    uint32_t now = 0;
    bool repeated = false;
    const int hat = SDL_JoystickGetHat(joy, 0);
    if (is_hat_dir(hat) && in.hat_held[hat] && repeat_due(in.hat_last_ms, in.hat_repeat_ms, now)) {
        in.hat_cmd[hat] = 1;
        in.hat_last_ms = now;
        repeated = true;
    }
    if (SDL_JoystickGetButton(joy, ctl.button_left) && in.button_left_held &&
        repeat_due(in.button_last_ms, in.button_repeat_ms, now)) {
        in.button_left_cmd = 1;
        in.button_last_ms = now;
        return true; // at most one button repeats per call, the left one first
    }
    if (SDL_JoystickGetButton(joy, ctl.button_right) && in.button_right_held &&
        repeat_due(in.button_last_ms, in.button_repeat_ms, now)) {
        in.button_right_cmd = 1;
        in.button_last_ms = now;
        repeated = true;
    }
    return repeated;
}

} // namespace

void reset_input(input_state& in) {
    in.keys.fill(0);
    in.button_left_cmd = 0;
    in.button_right_cmd = 0;
    in.button_left_held = 0;
    in.button_right_held = 0;
    in.hat_cmd.fill(0);
    in.hat_held.fill(0);
    in.quit = 0;
    in.hat_repeat_ms = INPUT_HAT_REPEAT_MS;
    in.button_repeat_ms = INPUT_BUTTON_REPEAT_MS;
    const uint32_t now = clock_ticks();
    in.hat_last_ms = now;
    in.button_last_ms = now;
}

bool poll_input(game_ctx& ctx) {
    input_state& in = *ctx.input;
    const controls_cfg& ctl = *ctx.controls;
    // The array holds one slot per joystick counted at start-up; an index outside it gives
    // no handle rather than a stray read.
    SDL_Joystick* joy = nullptr;
    if (ctl.joysticks && ctl.joystick_index >= 0 && ctl.joystick_index < SDL_NumJoysticks())
        joy = ctl.joysticks[ctl.joystick_index];

    bool took = false;
    bool exposed = false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        took = true;
        if (e.type == SDL_VIDEOEXPOSE || e.type == SDL_VIDEORESIZE) exposed = true;
        take_event(e, in, ctl);
    }
    // The window system lost the window's picture (uncovered, moved, or resized as it leaves
    // fullscreen): the picture on show is presented again as it stands, without drawing.
    if (exposed) present_again();

    if (joy && ctl.device != CTX_DEVICE_KEYBOARD && auto_repeat(joy, in, ctl)) took = true;
    return took;
}

void rest_if_idle(const options_cfg& opt, bool busy) {
    if (opt.low_cpu && !busy) clock_delay(INPUT_REST_MS);
}

bool nav_set(const input_state& in, input_nav dir) {
    return in.keys[dir.key] || in.hat_cmd[dir.hat];
}

void nav_clear(input_state& in, input_nav dir) {
    in.keys[dir.key] = 0;
    in.hat_cmd[dir.hat] = 0;
}

bool nav_take(input_state& in, input_nav dir) {
    const bool set = nav_set(in, dir);
    nav_clear(in, dir);
    return set;
}

namespace {

bool take_key_or_button(input_state& in, int key, uint8_t& cmd, uint8_t& held) {
    const bool set = in.keys[key] || cmd;
    if (set) {
        in.keys[key] = 0;
        cmd = 0;
        held = 0;
    }
    return set;
}

} // namespace

bool take_choose(input_state& in) {
    return take_key_or_button(in, SDLK_RETURN, in.button_left_cmd, in.button_left_held);
}

bool take_back(input_state& in) {
    return take_key_or_button(in, SDLK_ESCAPE, in.button_right_cmd, in.button_right_held);
}
