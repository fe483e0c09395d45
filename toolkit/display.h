// The window on the player's desktop: is there a display at all, and how large to show the game.
#pragma once

constexpr const char* DISPLAY_SCALE_HINT = "SDL12COMPAT_WINDOW_SCALING";
constexpr const char* DISPLAY_SCALE_METHOD_HINT = "SDL12COMPAT_SCALE_METHOD";

// The largest whole factor k (at least 1) for which the window, k times the game's size, fits in
// two thirds of a desktop of desk_w by desk_h pixels; 1 for an unknown (0 or negative) size.
int display_scale_for(int desk_w, int desk_h);
// Asks the compatibility layer for sharp (nearest-neighbour) scaling of the window and of
// fullscreen, unless the player chose a method in the environment. The layer reads it in
// SDL_Init, so this comes before it.
void display_prefer_sharp();
// Sets the compatibility layer's scaling before the video mode is set (after SDL_Init): forced
// (1..8) when given; otherwise a value the player set in the environment is kept, and else the
// factor that fits the desktop.
// Returns the factor now in force (1 when the player's value is not a number).
int display_set_scale(int forced);
// Null when a window can be shown; otherwise the reason there is none (see display_reason_for,
// with the video driver in use and this process's environment).
const char* display_missing_reason();
// Null when the video driver in use (null when unknown) opens windows on a desktop, or when
// the player asked for a driver (asked not empty); otherwise why there is no window, naming
// whether a desktop was named in the environment (display_named) at all.
const char* display_reason_for(const char* asked, const char* driver, bool display_named);

// Ends the program at once (exit code 1, after a line) when the connection to its X server is
// lost, as at the end of the desktop session; without it the layer's shutdown waits for that
// server for ever. Nothing to do on another window system or without X11 support built.
void display_end_with_server();

// Who takes the window to fullscreen and back.
enum display_switch : int {
    DISPLAY_SWITCH_LAYER, // the multimedia layer asks the window system
    DISPLAY_SWITCH_OWN    // no window manager does it: the game sizes its window itself
};
// The window's place and size on its screen, kept while the game covers the screen itself.
struct display_place {
    int x, y, w, h;
};
// DISPLAY_SWITCH_OWN on an X server where no running window manager announces fullscreen
// windows (_NET_WM_STATE_FULLSCREEN); DISPLAY_SWITCH_LAYER everywhere else, also when the
// window system cannot be asked (no window yet, another window system, no X11 support built).
display_switch display_switch_way();
// Keeps the window's place and size in kept. Returns 0 (kept unchanged) when the window
// system cannot be asked (the size is then not waited for, see display_await_switch).
int display_keep_place(display_place& kept);
// Keeps the window's place in kept, then asks for the window to cover its whole screen, above
// the others. Returns 0 (window unchanged) when the window system cannot be asked.
int display_cover_screen(display_place& kept);
// Asks for the window back at kept. Returns 0 when the window system cannot be asked.
int display_restore_place(const display_place& kept);
// After a switch was asked for: waits (a second and a half at most) until the window covers
// its screen (full) or has the size of kept again, with the layer taking in every change, so
// that what is drawn next fits the window. Returns 0 when the time ran out or the window
// system cannot be asked.
int display_await_switch(bool full, const display_place& kept);
