// Time for screens that poll without ever waiting: every empty poll of the event queue moves
// the virtual clock on, so actions scheduled with vclock_at still come due.
#pragma once
#include <cstdint>

#include "support/virtual_clock.h"

// From now on each SDL_PollEvent that finds the queue empty advances vc by ms and runs
// what came due. Null stops it.
void vclock_on_empty_poll(virtual_clock* vc, uint32_t ms = 1);
