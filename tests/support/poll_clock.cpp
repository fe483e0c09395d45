#include "support/poll_clock.h"

#include <SDL.h>
#include <dlfcn.h>

namespace {

virtual_clock* poll_vc = nullptr;
uint32_t poll_step_ms = 1;

using poll_fn = int (*)(SDL_Event*);

poll_fn real_poll() {
    static const poll_fn fn = reinterpret_cast<poll_fn>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
    return fn;
}

} // namespace

void vclock_on_empty_poll(virtual_clock* vc, uint32_t ms) {
    poll_vc = vc;
    poll_step_ms = ms;
}

// Stands in front of the library's SDL_PollEvent for the executables that use this file
// (the linker takes this object only when vclock_on_empty_poll is referenced).
extern "C" int SDL_PollEvent(SDL_Event* event) {
    const int got = real_poll()(event);
    if (!got && poll_vc) {
        poll_vc->now += poll_step_ms;
        vclock_release(*poll_vc);
    }
    return got;
}
