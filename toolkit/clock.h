// Time for the whole program: the tick counter and short sleeps.
// Everything that reads the time or waits goes through these two calls,
// so tests can replace them with a virtual clock.
#pragma once
#include <cstdint>

struct clock_source {
    uint32_t (*ticks)(void* user);
    void (*delay)(void* user, uint32_t ms);
    void* user;
};

// Milliseconds since the multimedia layer started (or the virtual time).
uint32_t clock_ticks();
// Sleeps ms milliseconds (or advances the virtual time by ms).
void clock_delay(uint32_t ms);
// Replaces the time source; null brings back the real one.
void clock_set_source(const clock_source* source);
