#include "support/virtual_clock.h"

namespace {

uint32_t vc_ticks(void* user) {
    auto& vc = *static_cast<virtual_clock*>(user);
    vc.now += vc.step_per_read;
    ++vc.reads;
    vclock_release(vc);
    return vc.now;
}

void vc_delay(void* user, uint32_t ms) {
    auto& vc = *static_cast<virtual_clock*>(user);
    vc.now += ms;
    vc.delayed_ms += ms;
    vclock_release(vc);
}

} // namespace

void vclock_install(virtual_clock& vc) {
    vc.source = clock_source{vc_ticks, vc_delay, &vc};
    clock_set_source(&vc.source);
}

void vclock_remove() {
    clock_set_source(nullptr);
}

void vclock_at(virtual_clock& vc, uint32_t t, std::function<void()> fn) {
    vc.due.emplace(t, std::move(fn));
}

void vclock_release(virtual_clock& vc) {
    while (!vc.due.empty() && vc.due.begin()->first <= vc.now) {
        auto fn = std::move(vc.due.begin()->second);
        vc.due.erase(vc.due.begin());
        fn();
    }
}

void push_key(SDLKey sym, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.type = e.type;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
}

void push_tap(SDLKey sym) {
    push_key(sym, true);
    push_key(sym, false);
}

void push_quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}
