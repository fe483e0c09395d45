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
