// The main menu driven through the real event queue, on a virtual clock that moves with
// every empty poll (the menu polls without waiting).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/game_ctx.h"
#include "screens/main_menu.h"
#include "support/play_dir.h"
#include "support/screen_run.h"
#include "support/sdl_session.h"
#include "support/virtual_joystick.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr int MARKER_X = LAYOUT_MENU_MARKER_X;
constexpr uint32_t STEP_MS = 20;       // time between two scheduled actions
constexpr uint32_t WATCHDOG_MS = 5000; // a menu still running then is closed by the test

// The menu polls without waiting: every empty poll moves the clock on a millisecond.
constexpr screen_run_timing MENU_TIMING{10, STEP_MS, WATCHDOG_MS, 1};

surface_ptr marker_picture() {
    return load_bmp("pics/select.bmp");
}

int marker_y(int entry) {
    return LAYOUT_MENU_FIRST_Y + LAYOUT_MENU_STEP * (entry - 1);
}

} // namespace

TEST(main_menu, cursor_moves_stop_at_the_ends_and_return_chooses_the_marked_entry) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    surface_ptr marker = marker_picture();
    ASSERT_TRUE(marker);
    bool at_start = false, at_four = false, old_places_black = false;
    screen_run m(s, main_menu, MENU_TIMING);
    m.then([&] { at_start = shows_picture(s.screen, marker.get(), MARKER_X, marker_y(1)); });
    for (int i = 0; i < 4; ++i)
        m.key(SDLK_DOWN);
    m.then([&] {
        at_four = shows_picture(s.screen, marker.get(), MARKER_X, marker_y(4));
        old_places_black = true;
        for (int e = 1; e <= 3; ++e)
            old_places_black = old_places_black &&
                               area_black(s.screen, MARKER_X, marker_y(e), marker->w, marker->h);
    });
    m.key(SDLK_RETURN);
    EXPECT_EQ(m.run(), 4);
    EXPECT_TRUE(at_start);
    EXPECT_TRUE(at_four) << "four Downs leave the marker on entry 4";
    EXPECT_TRUE(old_places_black) << "the marker's old places turn black";
    EXPECT_TRUE(area_black(s.screen, 0, 0, CTX_SCREEN_W, CTX_SCREEN_H)) << "display left black";
    // The choice key stays set for the next screen to reset; Return was consumed.
    EXPECT_EQ(s.ctx.input->keys[SDLK_RETURN], 0);
}

TEST(main_menu, up_on_the_first_entry_is_dropped) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    surface_ptr marker = marker_picture();
    bool still_first = false;
    screen_run m(s, main_menu, MENU_TIMING);
    m.key(SDLK_UP).then(
        [&] { still_first = shows_picture(s.screen, marker.get(), MARKER_X, marker_y(1)); });
    // The dropped Up must not wait to fire later: Down then Up lands back on entry 1.
    m.key(SDLK_DOWN).key(SDLK_RETURN);
    EXPECT_EQ(m.run(), 2);
    EXPECT_TRUE(still_first);
}

TEST(main_menu, digit_keys_choose_at_once_and_stay_set) {
    struct {
        SDLKey key;
        int result;
    } cases[] = {{SDLK_1, 1}, {SDLK_2, 2}, {SDLK_3, 3}, {SDLK_4, 0}};
    for (const auto& c : cases) {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        surface_ptr marker = marker_picture();
        bool marker_in_place = false;
        screen_run m(s, main_menu, MENU_TIMING);
        m.key(SDLK_DOWN).then([&] {
            marker_in_place = shows_picture(s.screen, marker.get(), MARKER_X, marker_y(2));
        });
        m.key(c.key);
        EXPECT_EQ(m.run(), c.result) << "key " << c.key;
        EXPECT_TRUE(marker_in_place);
        EXPECT_EQ(s.ctx.input->keys[c.key], 1) << "the digit flag is not cleared";
    }
}

TEST(main_menu, closing_the_window_returns_0) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    screen_run m(s, main_menu, MENU_TIMING);
    m.key(SDLK_DOWN).then([] { push_quit(); });
    EXPECT_EQ(m.run(), 0);
    EXPECT_EQ(s.ctx.input->quit, 1);
}

TEST(main_menu, return_and_down_in_one_poll_return_the_entry_moved_to) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    screen_run m(s, main_menu, MENU_TIMING);
    m.key(SDLK_DOWN).then([] {
        push_tap(SDLK_RETURN);
        push_tap(SDLK_DOWN);
    });
    EXPECT_EQ(m.run(), 3);
}

TEST(main_menu, a_direct_choice_is_not_moved_by_a_down_in_the_same_poll) {
    struct {
        std::function<void()> choose;
        int result;
    } cases[] = {{[] { push_tap(SDLK_3); }, 3}, {[] { push_quit(); }, 0}};
    for (const auto& c : cases) {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        screen_run m(s, main_menu, MENU_TIMING);
        m.then([&] {
            c.choose();
            push_tap(SDLK_DOWN);
        });
        EXPECT_EQ(m.run(), c.result);
    }
}

TEST(main_menu, joystick_hat_and_choose_button_with_the_joystick_device) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    s.ctx.controls->device = CTX_DEVICE_JOYSTICK;
    s.ctx.controls->button_left = 3;
    screen_run m(s, main_menu, MENU_TIMING);
    m.then([] { vjoy_hat(0, 0, SDL_HAT_DOWN); }).then([] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    m.then([] { vjoy_hat(0, 0, SDL_HAT_DOWN); }).then([] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    m.then([] { vjoy_hat(0, 0, SDL_HAT_UP); }).then([] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    m.key(SDLK_DOWN); // the keyboard works as well
    m.then([] { vjoy_button(0, 3, true); });
    EXPECT_EQ(m.run(), 3);
    EXPECT_EQ(s.ctx.input->button_left_cmd, 0);
    EXPECT_EQ(s.ctx.input->button_left_held, 0);
}

TEST(main_menu, held_hat_repeats_one_entry_per_repetition) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    s.ctx.controls->device = CTX_DEVICE_JOYSTICK;
    screen_run m(s, main_menu, MENU_TIMING);
    // Held from 10 ms to 160 ms: the press and one repeat just past 110 ms.
    vclock_at(s.vc, 10, [] { vjoy_hat(0, 0, SDL_HAT_DOWN); });
    vclock_at(s.vc, 160, [] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    vclock_at(s.vc, 400, [] { push_tap(SDLK_RETURN); });
    EXPECT_EQ(m.run(), 3);
}

TEST(main_menu, joystick_does_nothing_with_the_keyboard_device) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    ASSERT_EQ(s.ctx.controls->device, CTX_DEVICE_KEYBOARD);
    screen_run m(s, main_menu, MENU_TIMING);
    m.then([] { vjoy_hat(0, 0, SDL_HAT_DOWN); }).then([] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    m.then([] { vjoy_button(0, 1, true); }).then([] { vjoy_button(0, 1, false); });
    m.key(SDLK_DOWN).key(SDLK_RETURN);
    EXPECT_EQ(m.run(), 2) << "only the keyboard Down moved the marker";
}

TEST(main_menu, f1_switches_the_display_and_redraws_menu_and_marker) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    surface_ptr menu = load_bmp("pics/menu.bmp");
    surface_ptr marker = marker_picture();
    ASSERT_TRUE(menu && marker);
    bool redrawn = false, marker_kept = false;
    screen_run m(s, main_menu, MENU_TIMING);
    m.key(SDLK_DOWN).key(SDLK_F1).then([&] {
        // The whole picture is back outside the marker, and the marker where it was.
        SDL_Surface* scr = s.screen;
        const SDL_Rect mk{MARKER_X, static_cast<Sint16>(marker_y(2)), Uint16(marker->w),
                          Uint16(marker->h)};
        int differ = 0, coloured = 0;
        for (int y = 0; y < menu->h; ++y)
            for (int x = 0; x < menu->w; ++x) {
                if (x >= mk.x && x < mk.x + mk.w && y >= mk.y && y < mk.y + mk.h) continue;
                const uint32_t want = pixel_rgb(menu.get(), x, y);
                coloured += want != 0;
                differ += pixel_rgb(scr, x, y) != want;
            }
        redrawn = differ == 0 && coloured > 1000;
        marker_kept = shows_picture(scr, marker.get(), MARKER_X, marker_y(2));
    });
    m.key(SDLK_RETURN);
    EXPECT_EQ(m.run(), 2);
    EXPECT_EQ(s.ctx.options->fullscreen, 1);
    EXPECT_EQ(s.ctx.input->keys[SDLK_F1], 0);
    EXPECT_TRUE(redrawn);
    EXPECT_TRUE(marker_kept);
}

TEST(main_menu, a_missing_picture_is_reported_and_returns_0) {
    for (const char* name : {"menu.bmp", "select.bmp"}) {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        remove_play_file(std::string("pics/") + name);
        std::fflush(stdout);
        testing::internal::CaptureStdout();
        const int r = main_menu(s.screen, s.ctx);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(r, 0);
        EXPECT_NE(out.find(std::string("Err chargement de ") + name + " :"), std::string::npos)
            << out;
        EXPECT_EQ(out.back(), '\n');
    }
}
