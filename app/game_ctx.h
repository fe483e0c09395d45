// The game context: the four blocks that every screen shares for the whole run.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <memory>

#include "app/layout.h"
#include "input/input.h"
#include "store/scores.h"

constexpr int CTX_DEVICE_KEYBOARD = 0;
constexpr int CTX_DEVICE_JOYSTICK = 1;
constexpr int CTX_SCREEN_W = LAYOUT_SCREEN_W;
constexpr int CTX_SCREEN_H = LAYOUT_SCREEN_H;
constexpr int CTX_SCREEN_BPP = 32;

struct options_cfg {
    uint8_t fullscreen;
    int32_t skin;
    int32_t tune;
    uint8_t low_cpu; // screens rest 1 ms in a pass with nothing to do; from the command line
};

struct controls_cfg {
    std::unique_ptr<SDL_Joystick*[]> joysticks; // one handle per joystick at start-up; null if none
    int32_t device;
    int32_t joystick_index;
    int32_t button_right;
    int32_t button_left;
    int32_t key_right;
    int32_t key_left;
};

struct game_ctx {
    std::unique_ptr<input_state> input;
    std::unique_ptr<options_cfg> options;
    std::unique_ptr<score_table> scores;
    std::unique_ptr<controls_cfg> controls;
};

// Allocates the four blocks, in order input, options, scores, controls.
void new_game_ctx(game_ctx& ctx);
// Releases the joystick array (handles already closed), then the four blocks in order.
void free_game_ctx(game_ctx& ctx);
// Windowed, skin 0, no music, no resting.
void default_options(options_cfg& opt);
// Keyboard, joystick 0, buttons 0 and 1, keys w and q; the joystick array is left as it is.
void default_controls(controls_cfg& ctl);
// Opens every joystick into a new array. Returns 0 (after its message) when the array
// could not be obtained; a joystick that fails to open leaves a null slot.
int open_joysticks(controls_cfg& ctl);
// Closes every handle of the array; the array itself stays.
void close_joysticks(controls_cfg& ctl);
// Switches between window and fullscreen, in place where the layer can (the window keeps its
// place on the desktop), else by a new video mode; screen takes the display surface.
// Returns 1 on success, 0 (after its message, flag unchanged) when the mode cannot be set.
int toggle_fullscreen(SDL_Surface*& screen, game_ctx& ctx);
// Start-up steps 9 to 11: context, option defaults, settings file, joysticks.
void setup_game_ctx(game_ctx& ctx);
