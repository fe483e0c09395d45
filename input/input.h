// Event polling: the event queue becomes sticky command flags, with joystick auto-repeat.
#pragma once
#include <array>
#include <cstdint>

struct game_ctx;

constexpr int INPUT_KEY_COUNT = 323; // key symbols 0..322
constexpr int INPUT_HAT_SLOTS = 9;   // indexed by hat value 1, 2, 4, 8
constexpr int INPUT_HAT_UP = 1;
constexpr int INPUT_HAT_RIGHT = 2;
constexpr int INPUT_HAT_DOWN = 4;
constexpr int INPUT_HAT_LEFT = 8;
constexpr int32_t INPUT_HAT_REPEAT_MS = 100;
constexpr int32_t INPUT_BUTTON_REPEAT_MS = 150;

struct input_state {
    std::array<uint8_t, INPUT_KEY_COUNT> keys;
    uint8_t button_left_cmd;
    uint8_t button_right_cmd;
    uint8_t button_left_held;
    uint8_t button_right_held;
    std::array<uint8_t, INPUT_HAT_SLOTS> hat_cmd;
    std::array<uint8_t, INPUT_HAT_SLOTS> hat_held;
    uint8_t quit;
    int32_t hat_repeat_ms;
    uint32_t hat_last_ms;
    int32_t button_repeat_ms;
    uint32_t button_last_ms;
};

// Clears every flag and latch, sets the repeat intervals and stamps both timers with now.
void reset_input(input_state& in);
// Drains the event queue into ctx.input without waiting, then runs the joystick repeat once.
// Key symbols outside 0..322 are ignored; with no joystick open the repeat does nothing.
void poll_input(game_ctx& ctx);
