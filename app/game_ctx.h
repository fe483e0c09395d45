// The game context: the four blocks that every screen shares for the whole run, and the
// records they hold; the input, the store and the screens work on them.
#pragma once
#include <SDL.h>

#include <array>
#include <cstdint>
#include <memory>

#include "toolkit/display.h"
#include "toolkit/layout.h"

constexpr int CTX_DEVICE_KEYBOARD = 0;
constexpr int CTX_DEVICE_JOYSTICK = 1;
constexpr int CTX_SCREEN_W = LAYOUT_SCREEN_W;
constexpr int CTX_SCREEN_H = LAYOUT_SCREEN_H;
constexpr int CTX_SCREEN_BPP = 32;

// The command flags that the event poller sets and the screens read and clear.
constexpr int INPUT_KEY_COUNT = 323; // key symbols 0..322
constexpr int INPUT_HAT_SLOTS = 9;   // indexed by hat value 1, 2, 4, 8
// The hat's four directions, as the multimedia layer reports them.
enum input_hat : int {
    INPUT_HAT_UP = 1,
    INPUT_HAT_RIGHT = 2,
    INPUT_HAT_DOWN = 4,
    INPUT_HAT_LEFT = 8
};
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

// The ten best results, best first, as text lines.
constexpr int SCORE_LINES = 10;
constexpr int SCORE_SLOT = 20; // characters per line, terminator included

// The scores file as it was when the table was last read from it, so the end of a game can
// tell that another copy of the game saved in between.
// All zero (value-initialised) means no file.
struct score_file_stamp {
    bool present;
    uint64_t device;
    uint64_t inode;
    int64_t size;
    int64_t mtime_ns;
    bool operator==(const score_file_stamp&) const = default;
};

struct score_table {
    std::array<std::array<char, SCORE_SLOT>, SCORE_LINES> lines;
    score_file_stamp loaded;
};

struct options_cfg {
    uint8_t fullscreen;
    int32_t skin;
    int32_t tune;
    uint8_t low_cpu; // screens rest 1 ms in a pass with nothing to do; from the command line
    // Fullscreen that the game made itself by covering the screen with its window (no window
    // manager did it), and the window's place to go back to. Not saved.
    uint8_t own_fullscreen;
    display_place window_place;
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
// Switches between window and fullscreen: where no window manager does it, by covering the
// screen with the window and putting it back; else in place where the layer can (the window
// keeps its place on the desktop), else by a new video mode; screen takes the display surface.
// Returns 1 on success, 0 (after its message, flag unchanged) when the mode cannot be set.
int toggle_fullscreen(SDL_Surface*& screen, game_ctx& ctx);
