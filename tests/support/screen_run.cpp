#include "support/screen_run.h"

#include <gtest/gtest.h>

#include "support/poll_clock.h"
#include "support/virtual_joystick.h"

screen_run::screen_run(sdl_session& session, screen_routine routine, screen_run_timing how)
    : s(session), screen(routine), timing(how), t(session.vc.now + how.first_at) {
    if (timing.poll_step > 0) vclock_on_empty_poll(&s.vc, timing.poll_step);
}

screen_run::~screen_run() {
    if (timing.poll_step > 0) vclock_on_empty_poll(nullptr);
}

screen_run& screen_run::then(std::function<void()> fn) {
    vclock_at(s.vc, t, std::move(fn));
    t += timing.step;
    return *this;
}

screen_run& screen_run::key(SDLKey k, int times) {
    for (int i = 0; i < times; ++i)
        then([k] { push_tap(k); });
    return *this;
}

screen_run& screen_run::two_keys(SDLKey a, SDLKey b) {
    return then([a, b] {
        push_tap(a);
        push_tap(b);
    });
}

screen_run& screen_run::button(int joy, int b) {
    pressed.emplace_back(joy, b);
    vclock_at(s.vc, t + SCREEN_RUN_HOLD_MS, [joy, b] { vjoy_button(joy, b, false); });
    return then([joy, b] { vjoy_button(joy, b, true); });
}

screen_run& screen_run::hat(int joy, uint8_t dir) {
    pressed.emplace_back(joy, -1);
    vclock_at(s.vc, t + SCREEN_RUN_HOLD_MS, [joy] { vjoy_hat(joy, 0, SDL_HAT_CENTERED); });
    return then([joy, dir] { vjoy_hat(joy, 0, dir); });
}

int screen_run::run() {
    bool fired = false;
    vclock_at(s.vc, s.vc.now + timing.watchdog_ms, [&fired] {
        fired = true;
        push_quit();
    });
    const int r = screen(s.screen, s.ctx);
    EXPECT_FALSE(fired) << "the screen did not end by itself";
    s.vc.due.clear();
    for (auto [joy, b] : pressed) {
        if (b < 0)
            vjoy_hat(joy, 0, SDL_HAT_CENTERED);
        else
            vjoy_button(joy, b, false);
    }
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    return r;
}
