// Scripted input for one screen routine of a screen-test session: actions at fixed steps of
// the virtual clock, a watchdog that closes the window when the screen runs on, and what the
// script left pressed released afterwards.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "support/sdl_session.h"

using screen_routine = int (*)(SDL_Surface*&, game_ctx&);

struct screen_run_timing {
    uint32_t first_at;    // the first action, after the run is made
    uint32_t step;        // between two actions
    uint32_t watchdog_ms; // after the run starts, the window is closed
    uint32_t poll_step;   // for screens that poll without waiting: each empty poll moves the
                          // clock on this much (0: only the screen's own waits move it)
};

constexpr uint32_t SCREEN_RUN_HOLD_MS = 60; // a button or the hat is released after this

struct screen_run {
    sdl_session& s;
    screen_routine screen;
    screen_run_timing timing;
    uint32_t t;
    std::vector<std::pair<int, int>> pressed; // joystick buttons and hats (-1) touched
    screen_run(sdl_session& session, screen_routine routine, screen_run_timing how);
    ~screen_run();
    screen_run(const screen_run&) = delete;
    screen_run& operator=(const screen_run&) = delete;

    // Schedules fn as the next action, one step after the previous one.
    screen_run& then(std::function<void()> fn);
    // Taps the key, times times.
    screen_run& key(SDLKey k, int times = 1);
    // Two keys in quick succession, in one action.
    screen_run& two_keys(SDLKey a, SDLKey b);
    // Presses a button or the hat of joystick joy, released SCREEN_RUN_HOLD_MS later.
    screen_run& button(int joy, int b);
    screen_run& hat(int joy, uint8_t dir);
    // Runs the screen and returns its result; a run the watchdog had to end fails the test.
    // Afterwards nothing stays scheduled, pressed or queued.
    int run();
};
