#include "toolkit/clock.h"

#include <SDL.h>

namespace {
const clock_source* current_source = nullptr;
}

uint32_t clock_ticks() {
    return current_source ? current_source->ticks(current_source->user) : SDL_GetTicks();
}

void clock_delay(uint32_t ms) {
    if (current_source)
        current_source->delay(current_source->user, ms);
    else
        SDL_Delay(ms);
}

void clock_set_source(const clock_source* source) {
    current_source = source;
}
