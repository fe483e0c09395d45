// A virtual clock for screen tests: time moves only when the program reads or waits,
// and scheduled actions (pushed events, joystick changes) run as their time comes.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <map>

#include "toolkit/clock.h"

struct virtual_clock {
    uint32_t now = 0;
    uint32_t step_per_read = 1; // each tick reading advances the time this much
    std::multimap<uint32_t, std::function<void()>> due;
    clock_source source{};
    uint32_t reads = 0;
    uint64_t delayed_ms = 0;
};

// Makes the program use this clock until vclock_remove (or another install).
void vclock_install(virtual_clock& vc);
void vclock_remove();
// Runs fn once the virtual time reaches t.
void vclock_at(virtual_clock& vc, uint32_t t, std::function<void()> fn);
// Runs every action whose time has come.
void vclock_release(virtual_clock& vc);

// Pushes one key event (down or up) into the real event queue.
void push_key(SDLKey sym, bool down = true);
// Pushes a key-down followed by its key-up.
void push_tap(SDLKey sym);
// Pushes the window-close request.
void push_quit();
