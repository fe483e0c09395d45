// The event poller: keys, hat and buttons become sticky flags; held joystick controls repeat.
// Two virtual joysticks are present; time is the virtual clock, moved by hand.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "app/game_ctx.h"
#include "input/input.h"
#include "support/virtual_clock.h"
#include "support/virtual_joystick.h"

namespace {

constexpr uint32_t START_MS = 1000;

// SDL and the two joysticks come up once per process and go down at exit.
bool sdl_ready() {
    static const bool ready = [] {
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 0);
        if (!vjoy_attach(2)) return false;
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) return false;
        std::atexit(SDL_Quit);
        return SDL_NumJoysticks() == 2 &&
               SDL_SetVideoMode(540, 600, 32, SDL_HWSURFACE | SDL_DOUBLEBUF) != nullptr;
    }();
    return ready;
}

void drain_events() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
}

void push_hat(int joy, int value) {
    SDL_Event e{};
    e.type = SDL_JOYHATMOTION;
    e.jhat.type = SDL_JOYHATMOTION;
    e.jhat.which = static_cast<Uint8>(joy);
    e.jhat.hat = 0;
    e.jhat.value = static_cast<Uint8>(value);
    SDL_PushEvent(&e);
}

void push_button(int joy, int button, bool down = true) {
    SDL_Event e{};
    e.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    e.jbutton.type = e.type;
    e.jbutton.which = static_cast<Uint8>(joy);
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

// A key-down whose symbol is any number, also one outside the key enumeration.
void push_raw_key(int raw) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    std::underlying_type_t<SDLKey> value = static_cast<std::underlying_type_t<SDLKey>>(raw);
    std::memcpy(&e.key.keysym.sym, &value, sizeof value);
    SDL_PushEvent(&e);
}

void push_type(Uint8 type) {
    SDL_Event e{};
    e.type = type;
    SDL_PushEvent(&e);
}

bool same_state(const input_state& a, const input_state& b) {
    return a.keys == b.keys && a.button_left_cmd == b.button_left_cmd &&
           a.button_right_cmd == b.button_right_cmd && a.button_left_held == b.button_left_held &&
           a.button_right_held == b.button_right_held && a.hat_cmd == b.hat_cmd &&
           a.hat_held == b.hat_held && a.quit == b.quit && a.hat_repeat_ms == b.hat_repeat_ms &&
           a.hat_last_ms == b.hat_last_ms && a.button_repeat_ms == b.button_repeat_ms &&
           a.button_last_ms == b.button_last_ms;
}

struct poller : testing::Test {
    game_ctx ctx;
    virtual_clock vc;

    void SetUp() override {
        ASSERT_TRUE(sdl_ready()) << SDL_GetError();
        new_game_ctx(ctx);
        default_options(*ctx.options);
        default_controls(*ctx.controls);
        ASSERT_EQ(open_joysticks(*ctx.controls), 1);
        SDL_JoystickEventState(SDL_ENABLE);
        ctx.controls->device = CTX_DEVICE_JOYSTICK;
        for (int j = 0; j < 2; ++j) {
            vjoy_hat(j, 0, 0);
            for (int b = 0; b < 8; ++b)
                vjoy_button(j, b, false);
        }
        drain_events();
        vc.step_per_read = 0;
        vc.now = START_MS;
        vclock_install(vc);
        reset_input(in());
    }
    void TearDown() override {
        vclock_remove();
        if (ctx.controls && ctx.controls->joysticks) close_joysticks(*ctx.controls);
        free_game_ctx(ctx);
    }
    input_state& in() { return *ctx.input; }
    void poll() { poll_input(ctx); }
    // Polls once per ms up to and including end; returns the times at which the flag was
    // found set, clearing it each time like a screen that consumes it.
    std::vector<uint32_t> consume_until(uint32_t end, uint8_t& flag) {
        std::vector<uint32_t> at;
        for (; vc.now <= end; ++vc.now) {
            poll();
            if (flag) {
                at.push_back(vc.now);
                flag = 0;
            }
        }
        return at;
    }
};

TEST_F(poller, reset_clears_everything_and_stamps_now) {
    std::memset(ctx.input.get(), 0xFF, sizeof(input_state));
    vc.now = 4321;
    reset_input(in());
    for (uint8_t k : in().keys)
        ASSERT_EQ(k, 0);
    for (uint8_t h : in().hat_cmd)
        EXPECT_EQ(h, 0);
    for (uint8_t h : in().hat_held)
        EXPECT_EQ(h, 0);
    EXPECT_EQ(in().button_left_cmd | in().button_right_cmd | in().button_left_held |
                  in().button_right_held | in().quit,
              0);
    EXPECT_EQ(in().hat_repeat_ms, 100);
    EXPECT_EQ(in().button_repeat_ms, 150);
    EXPECT_EQ(in().hat_last_ms, 4321u);
    EXPECT_EQ(in().button_last_ms, 4321u);
}

TEST_F(poller, keys_are_sticky_whatever_the_device) {
    for (int device : {CTX_DEVICE_JOYSTICK, CTX_DEVICE_KEYBOARD}) {
        reset_input(in());
        ctx.controls->device = device;
        push_tap(SDLK_DOWN); // down and up within one pass
        push_key(SDLK_w);
        push_key(SDLK_F1);
        poll();
        EXPECT_EQ(in().keys[SDLK_DOWN], 1);
        EXPECT_EQ(in().keys[SDLK_w], 1);
        EXPECT_EQ(in().keys[282], 1);
        push_key(SDLK_w, false);
        poll();
        EXPECT_EQ(in().keys[SDLK_w], 1); // a release clears nothing
        int set = 0;
        for (uint8_t k : in().keys)
            set += k;
        EXPECT_EQ(set, 3);
    }
}

TEST_F(poller, quit_and_unrelated_events) {
    const input_state before = in();
    push_type(SDL_MOUSEMOTION);
    push_type(SDL_MOUSEBUTTONDOWN);
    push_type(SDL_JOYAXISMOTION);
    push_type(SDL_JOYBALLMOTION);
    push_type(SDL_ACTIVEEVENT);
    push_type(SDL_VIDEOEXPOSE);
    push_button(0, 1, false);
    push_key(SDLK_a, false);
    // Key symbols outside the table never reach it.
    for (int raw : {323, 511, 4000, -1})
        push_raw_key(raw);
    poll();
    EXPECT_TRUE(same_state(in(), before));

    push_quit();
    poll();
    EXPECT_EQ(in().quit, 1);
    input_state expected = before;
    expected.quit = 1;
    EXPECT_TRUE(same_state(in(), expected));
    poll();
    EXPECT_EQ(in().quit, 1); // stays until consumed
}

TEST_F(poller, hat_directions_and_centring) {
    vc.now = 1200;
    push_hat(0, INPUT_HAT_DOWN);
    push_hat(0, INPUT_HAT_UP);
    poll();
    EXPECT_EQ(in().hat_cmd[4], 1);
    EXPECT_EQ(in().hat_held[4], 1);
    EXPECT_EQ(in().hat_cmd[1], 1);
    EXPECT_EQ(in().hat_held[1], 1);
    EXPECT_EQ(in().hat_last_ms, 1200u);

    // Centring drops the latches, not the pending commands.
    push_hat(0, 0);
    poll();
    EXPECT_EQ(in().hat_held, (std::array<uint8_t, 9>{}));
    EXPECT_EQ(in().hat_cmd[4], 1);
    EXPECT_EQ(in().hat_cmd[1], 1);

    // A tap and back within one pass leaves the command.
    reset_input(in());
    push_hat(0, INPUT_HAT_LEFT);
    push_hat(0, 0);
    poll();
    EXPECT_EQ(in().hat_cmd[8], 1);
    EXPECT_EQ(in().hat_held[8], 0);

    // Diagonals are ignored.
    reset_input(in());
    const input_state before = in();
    vc.now = 1300;
    for (int diag : {3, 6, 9, 12})
        push_hat(0, diag);
    poll();
    EXPECT_TRUE(same_state(in(), before));

    // The other joystick's directions are ignored, its centring still counts.
    push_hat(0, INPUT_HAT_RIGHT);
    poll();
    const input_state latched = in();
    vc.now = 1400;
    push_hat(1, INPUT_HAT_UP);
    poll();
    EXPECT_TRUE(same_state(in(), latched));
    push_hat(1, 0);
    poll();
    EXPECT_EQ(in().hat_held[2], 0);
    EXPECT_EQ(in().hat_cmd[2], 1);
    EXPECT_EQ(in().hat_last_ms, 1300u);

    // With the keyboard chosen, directions are ignored but centring still clears.
    ctx.controls->device = CTX_DEVICE_KEYBOARD;
    reset_input(in());
    push_hat(0, INPUT_HAT_DOWN);
    poll();
    EXPECT_EQ(in().hat_cmd, (std::array<uint8_t, 9>{}));
    EXPECT_EQ(in().hat_held, (std::array<uint8_t, 9>{}));
    in().hat_held[4] = 1;
    push_hat(0, 0);
    poll();
    EXPECT_EQ(in().hat_held[4], 0);
}

TEST_F(poller, second_joystick_chosen) {
    ctx.controls->joystick_index = 1;
    vc.now = 1500;
    push_hat(1, INPUT_HAT_UP);
    push_button(0, 1);
    push_hat(0, INPUT_HAT_DOWN);
    poll();
    EXPECT_EQ(in().hat_cmd[1], 1);
    EXPECT_EQ(in().hat_cmd[4], 0);
    EXPECT_EQ(in().button_left_cmd, 0);
    push_button(1, 1);
    poll();
    EXPECT_EQ(in().button_left_cmd, 1);
    EXPECT_EQ(in().button_last_ms, 1500u);
}

TEST_F(poller, buttons_take_their_pair_and_drop_the_other) {
    controls_cfg& c = *ctx.controls;
    c.button_right = 2;
    c.button_left = 5;
    vc.now = 1100;
    push_button(0, 2);
    poll();
    EXPECT_EQ(in().button_right_cmd, 1);
    EXPECT_EQ(in().button_right_held, 1);
    EXPECT_EQ(in().button_left_cmd, 0);
    EXPECT_EQ(in().button_left_held, 0);
    EXPECT_EQ(in().button_last_ms, 1100u);

    vc.now = 1110;
    push_button(0, 5);
    poll();
    EXPECT_EQ(in().button_right_cmd, 0);
    EXPECT_EQ(in().button_right_held, 0);
    EXPECT_EQ(in().button_left_cmd, 1);
    EXPECT_EQ(in().button_left_held, 1);
    EXPECT_EQ(in().button_last_ms, 1110u);

    // The other joystick's buttons change nothing, not even the timer.
    push_button(1, 2);
    push_button(1, 0);
    poll();
    EXPECT_EQ(in().button_left_cmd, 1);
    EXPECT_EQ(in().button_right_cmd, 0);
    EXPECT_EQ(in().button_last_ms, 1110u);

    // An unassigned button cancels a pending command.
    vc.now = 1120;
    push_button(0, 0);
    poll();
    EXPECT_EQ(in().button_left_cmd | in().button_left_held | in().button_right_cmd |
                  in().button_right_held,
              0);
    EXPECT_EQ(in().button_last_ms, 1120u);

    // One button assigned to both turns sets both pairs.
    c.button_left = 2;
    push_button(0, 2);
    poll();
    EXPECT_EQ(in().button_right_cmd & in().button_left_cmd & in().button_right_held &
                  in().button_left_held,
              1);

    // With the keyboard chosen the buttons do nothing.
    c.device = CTX_DEVICE_KEYBOARD;
    reset_input(in());
    const input_state before = in();
    vc.now = 1200;
    push_button(0, 2);
    push_button(0, 0);
    poll();
    EXPECT_TRUE(same_state(in(), before));
}

TEST_F(poller, held_hat_repeats_every_100_ms) {
    vjoy_hat(0, 0, INPUT_HAT_DOWN);
    EXPECT_EQ(consume_until(START_MS + 350, in().hat_cmd[4]),
              (std::vector<uint32_t>{START_MS, START_MS + 101, START_MS + 202, START_MS + 303}));
    EXPECT_EQ(in().hat_last_ms, START_MS + 303);
    // Centring stops it, even if the command was never consumed.
    vjoy_hat(0, 0, 0);
    poll();
    EXPECT_EQ(in().hat_held[4], 0);
    in().hat_cmd[4] = 0;
    vc.now += 500;
    poll();
    EXPECT_EQ(in().hat_cmd[4], 0);
}

TEST_F(poller, hat_repeat_needs_the_latch_and_a_plain_direction) {
    // Held on the chosen joystick but latch cleared by another joystick's centring.
    vjoy_hat(0, 0, INPUT_HAT_RIGHT);
    poll();
    EXPECT_EQ(in().hat_cmd[2], 1);
    in().hat_cmd[2] = 0;
    push_hat(1, 0);
    vc.now += 300;
    poll();
    EXPECT_EQ(in().hat_cmd[2], 0);

    // A diagonal held with latches set repeats nothing.
    in().hat_held[2] = in().hat_held[4] = 1;
    vjoy_hat(0, 0, INPUT_HAT_RIGHT | INPUT_HAT_DOWN);
    vc.now += 300;
    poll();
    EXPECT_EQ(in().hat_cmd, (std::array<uint8_t, 9>{}));

    // Only the chosen joystick's live hat counts.
    vjoy_hat(0, 0, 0);
    poll();
    in().hat_held[4] = 1;
    vjoy_hat(1, 0, INPUT_HAT_DOWN);
    vc.now += 300;
    poll();
    EXPECT_EQ(in().hat_cmd[4], 0);
}

TEST_F(poller, held_left_button_repeats_every_150_ms_before_the_right) {
    vjoy_button(0, 1, true); // button_left
    EXPECT_EQ(consume_until(START_MS + 460, in().button_left_cmd),
              (std::vector<uint32_t>{START_MS, START_MS + 151, START_MS + 302, START_MS + 453}));

    // Both held with both latches: only the left one repeats.
    vjoy_button(0, 0, true); // button_right
    poll();
    in().button_right_cmd = 0;
    in().button_right_held = 1;
    in().button_left_held = 1;
    std::vector<uint32_t> right;
    const auto left = [&] {
        std::vector<uint32_t> at;
        const uint32_t end = vc.now + 460;
        for (; vc.now <= end; ++vc.now) {
            poll();
            if (in().button_right_cmd) right.push_back(vc.now);
            if (in().button_left_cmd) at.push_back(vc.now);
            in().button_left_cmd = in().button_right_cmd = 0;
        }
        return at;
    }();
    EXPECT_EQ(left.size(), 3u);
    EXPECT_TRUE(right.empty());

    // Left released: the right one takes over at the same pace.
    vjoy_button(0, 1, false);
    const uint32_t from = in().button_last_ms;
    EXPECT_EQ(consume_until(from + 310, in().button_right_cmd),
              (std::vector<uint32_t>{from + 151, from + 302}));
}

TEST_F(poller, no_repeat_without_handle_latch_or_joystick_device) {
    vjoy_hat(0, 0, INPUT_HAT_UP);
    vjoy_button(0, 1, true);
    poll();
    ASSERT_EQ(in().hat_cmd[1], 1);
    ASSERT_EQ(in().button_left_cmd, 1);

    const auto quiet_for = [&](uint32_t ms) {
        in().hat_cmd[1] = 0;
        in().button_left_cmd = 0;
        vc.now += ms;
        poll();
        return in().hat_cmd[1] == 0 && in().button_left_cmd == 0;
    };
    // Keyboard chosen.
    ctx.controls->device = CTX_DEVICE_KEYBOARD;
    EXPECT_TRUE(quiet_for(400));
    ctx.controls->device = CTX_DEVICE_JOYSTICK;
    EXPECT_FALSE(quiet_for(400)); // held, latched and due: this repeats

    // No joystick array.
    auto handles = std::move(ctx.controls->joysticks);
    EXPECT_TRUE(quiet_for(400));
    ctx.controls->joysticks = std::move(handles);

    // Latch gone (a consumer cleared it).
    in().button_left_held = 0;
    in().hat_held[1] = 0;
    EXPECT_TRUE(quiet_for(400));
}

} // namespace
