// The capture of the two turning controls, fed through the real event queue on the
// virtual clock (the capture waits in steps of clock_delay).
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/game_ctx.h"
#include "input/capture.h"
#include "support/play_dir.h"
#include "support/sdl_session.h"
#include "support/virtual_joystick.h"
#include "toolkit/layout.h"

namespace {

constexpr uint32_t RED = 0xff0000;
constexpr uint32_t WATCHDOG_MS = 10000;

// A capture that misses its events would wait for ever: closing the window ends it.
void watchdog(virtual_clock& vc) {
    vclock_at(vc, WATCHDOG_MS, [] { push_quit(); });
}

edit_cfg keyboard_cfg() {
    return edit_cfg{0, 0, 0, CTX_DEVICE_KEYBOARD, 0, 1, 119, 113};
}

// Size of a prompt as the capture renders it.
SDL_Rect prompt_box(const char* text) {
    TTF_Font* font = TTF_OpenFont("font/comic.ttf", 20);
    int w = 0, h = 0;
    if (font) TTF_SizeText(font, text, &w, &h);
    if (font) TTF_CloseFont(font);
    return SDL_Rect{LAYOUT_OPT_PROMPT_AT.x, LAYOUT_OPT_PROMPT_AT.y, Uint16(w), Uint16(h)};
}

// Only black and white inside the box, the red screen around it untouched, some white.
bool prompt_shown(SDL_Surface* scr, SDL_Rect box) {
    int white = 0;
    for (int y = box.y; y < box.y + box.h; ++y)
        for (int x = box.x; x < box.x + box.w; ++x) {
            const uint32_t c = pixel_rgb(scr, x, y);
            if (c != 0 && c != 0xffffff) return false;
            white += c == 0xffffff;
        }
    return white > 20 && pixel_rgb(scr, box.x - 1, box.y) == RED &&
           pixel_rgb(scr, box.x, box.y - 1) == RED &&
           pixel_rgb(scr, box.x + box.w, box.y + box.h / 2) == RED &&
           pixel_rgb(scr, box.x, box.y + box.h) == RED;
}

} // namespace

TEST(saisie_cfg, keyboard_takes_the_next_two_key_downs_escape_included) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    SDL_FillRect(s.screen, nullptr, SDL_MapRGB(s.screen->format, 255, 0, 0));
    const SDL_Rect right_box = prompt_box("appuyer sur droite");
    const SDL_Rect left_box = prompt_box("appuyer sur gauche");
    ASSERT_GT(right_box.w, 0);
    bool first_prompt = false, second_prompt = false;
    // The key-up of the Return that opened the capture comes first and is no capture.
    vclock_at(s.vc, 20, [] { push_key(SDLK_RETURN, false); });
    vclock_at(s.vc, 40, [&] { first_prompt = prompt_shown(s.screen, right_box); });
    vclock_at(s.vc, 60, [] { push_tap(SDLK_ESCAPE); });
    vclock_at(s.vc, 100, [&] { second_prompt = prompt_shown(s.screen, left_box); });
    vclock_at(s.vc, 120, [] { push_tap(SDLK_UP); });
    watchdog(s.vc);
    edit_cfg cfg = keyboard_cfg();
    EXPECT_EQ(saisie_cfg(s.screen, cfg), 1);
    EXPECT_EQ(cfg.key_right, SDLK_ESCAPE);
    EXPECT_EQ(cfg.key_left, SDLK_UP);
    EXPECT_TRUE(first_prompt);
    EXPECT_TRUE(second_prompt);
    // Nothing but the two keys changed.
    EXPECT_EQ(cfg.button_right, 0);
    EXPECT_EQ(cfg.button_left, 1);
    EXPECT_EQ(cfg.device, CTX_DEVICE_KEYBOARD);
    EXPECT_GE(s.vc.now, 120u) << "the capture waited on the clock";
}

TEST(saisie_cfg, the_same_key_may_be_given_twice) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    vclock_at(s.vc, 10, [] {
        push_tap(SDLK_a);
        push_tap(SDLK_a);
    });
    watchdog(s.vc);
    edit_cfg cfg = keyboard_cfg();
    EXPECT_EQ(saisie_cfg(s.screen, cfg), 1);
    EXPECT_EQ(cfg.key_right, SDLK_a);
    EXPECT_EQ(cfg.key_left, SDLK_a);
}

TEST(saisie_cfg, joystick_takes_only_buttons_of_the_chosen_joystick) {
    sdl_session s(2);
    ASSERT_TRUE(s.ok);
    edit_cfg cfg{1, 0, 0, CTX_DEVICE_JOYSTICK, 0, 1, 119, 113};
    vclock_at(s.vc, 20, [] { push_tap(SDLK_a); });
    vclock_at(s.vc, 40, [] { vjoy_hat(1, 0, SDL_HAT_DOWN); });
    vclock_at(s.vc, 60, [] { vjoy_button(0, 4, true); }); // the other joystick
    vclock_at(s.vc, 80, [] { vjoy_button(1, 5, true); });
    vclock_at(s.vc, 100, [] { vjoy_button(1, 5, false); });
    vclock_at(s.vc, 120, [] { vjoy_button(0, 6, true); });
    vclock_at(s.vc, 140, [] { vjoy_button(1, 2, true); });
    watchdog(s.vc);
    EXPECT_EQ(saisie_cfg(s.screen, cfg), 1);
    EXPECT_EQ(cfg.button_right, 5);
    EXPECT_EQ(cfg.button_left, 2);
    EXPECT_EQ(cfg.key_right, 119);
    EXPECT_EQ(cfg.key_left, 113);
    EXPECT_GE(s.vc.now, 140u);
}

TEST(saisie_cfg, window_close_returns_0_and_keeps_the_first_value) {
    {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        vclock_at(s.vc, 10, [] { push_tap(SDLK_z); });
        vclock_at(s.vc, 30, [] { push_quit(); });
        vclock_at(s.vc, 50, [] { push_tap(SDLK_x); });
        edit_cfg cfg = keyboard_cfg();
        EXPECT_EQ(saisie_cfg(s.screen, cfg), 0);
        EXPECT_EQ(cfg.key_right, SDLK_z);
        EXPECT_EQ(cfg.key_left, 113);
    }
    {
        // With a device that is neither, only the close ends the wait.
        sdl_session s(1);
        ASSERT_TRUE(s.ok);
        vclock_at(s.vc, 10, [] { push_tap(SDLK_z); });
        vclock_at(s.vc, 20, [] { vjoy_button(0, 1, true); });
        vclock_at(s.vc, 40, [] { push_quit(); });
        edit_cfg cfg = keyboard_cfg();
        cfg.device = 7;
        watchdog(s.vc);
        EXPECT_EQ(saisie_cfg(s.screen, cfg), 0);
        EXPECT_EQ(cfg.key_right, 119);
        EXPECT_EQ(cfg.button_right, 0);
        EXPECT_GE(s.vc.now, 40u);
    }
}

TEST(saisie_cfg, missing_font_is_reported_without_line_end) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    remove_play_file("font/comic.ttf");
    vclock_at(s.vc, 10, [] { push_tap(SDLK_z); });
    edit_cfg cfg = keyboard_cfg();
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    const int r = saisie_cfg(s.screen, cfg);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "saisie_Cfg / Err ouverture comic.ttf");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(cfg.key_right, 119);
}
