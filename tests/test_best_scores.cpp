#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "screens/best_scores.h"
#include "store/scores.h"
#include "support/play_dir.h"
#include "support/poll_clock.h"
#include "support/screen_text.h"
#include "support/sdl_session.h"
#include "support/virtual_joystick.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

// True when the ten lines and the title show at their places, rendered as the table says.
void expect_lines(SDL_Surface* screen, const char* const (&texts)[SCORE_LINES]) {
    font_ptr font(TTF_OpenFont("font/comic.ttf", 30));
    ASSERT_TRUE(font);
    const SDL_Color white{255, 255, 255, 0};
    surface_ptr title(TTF_RenderText_Solid(font.get(), "Meilleurs scores :", white));
    ASSERT_TRUE(title);
    EXPECT_TRUE(
        shows_text(screen, title.get(), LAYOUT_BEST_TITLE_AT.x, LAYOUT_BEST_TITLE_AT.y, screen->h));
    for (int k = 1; k <= SCORE_LINES; ++k) {
        surface_ptr pic(TTF_RenderText_Solid(font.get(), texts[k - 1], white));
        ASSERT_TRUE(pic);
        EXPECT_TRUE(shows_text(screen, pic.get(), LAYOUT_BEST_LINES_X,
                               LAYOUT_BEST_LINES_Y + LAYOUT_BEST_LINE_STEP * k, screen->h))
            << "place " << k << " \"" << texts[k - 1] << "\"";
    }
    // Nothing is drawn below the last line's row.
    const int below = LAYOUT_BEST_LINES_Y + LAYOUT_BEST_LINE_STEP * (SCORE_LINES + 1);
    EXPECT_FALSE(area_lit(screen, 0, below, screen->w, screen->h - below));
}

class best_scores : public testing::Test {
  protected:
    sdl_session s;
    explicit best_scores(int joysticks = 0) : s(joysticks) {}

    void SetUp() override {
        ASSERT_TRUE(s.ok);
        // The wait never sleeps: each empty poll moves the virtual time on.
        vclock_on_empty_poll(&s.vc, 1);
    }
    void TearDown() override { vclock_on_empty_poll(nullptr); }
    int run() { return best_scores_screen(s.screen, s.ctx); }
};

class best_scores_joystick : public best_scores {
  protected:
    best_scores_joystick() : best_scores(1) {}
};

TEST_F(best_scores, shows_the_file_lines_under_the_title) {
    write_play_file("data/scores.dat", "bob 1000\nzed 900\ncat 300\r\nabc 12345678901234567\n"
                                       "eel 200\nfox 100\ngnu 50\nhen 40\nibx 30\njay 20");
    vclock_at(s.vc, 100, [] { push_key(SDLK_ESCAPE); });
    EXPECT_EQ(run(), 1);
    EXPECT_GE(s.vc.now, 100u);
    const char* const texts[SCORE_LINES] = {
        "1:  bob 1000", "2:  zed 900", "3:  cat 300", "4:  abc 123456789012345",
        "5:  eel 200",  "6:  fox 100", "7:  gnu 50",  "8:  hen 40",
        "9:  ibx 30",   "10: jay 20"};
    expect_lines(s.screen, texts);
    EXPECT_EQ(read_play_file("data/scores.dat").substr(0, 9), "bob 1000\n");
}

TEST_F(best_scores, without_a_file_shows_the_defaults_and_creates_none) {
    push_key(SDLK_ESCAPE);
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Err de chargement du fichier des scores.\n");
    const char* const texts[SCORE_LINES] = {"1:  aaa 90", "2:  aaa 80", "3:  aaa 70", "4:  aaa 60",
                                            "5:  aaa 50", "6:  aaa 40", "7:  aaa 30", "8:  aaa 20",
                                            "9:  aaa 10", "10: aaa 0"};
    expect_lines(s.screen, texts);
    EXPECT_FALSE(std::filesystem::exists("data/scores.dat"));
    EXPECT_STREQ(s.ctx.scores->lines[9].data(), "aaa 0\n");
}

TEST_F(best_scores, the_screen_is_drawn_once_and_only_escape_leaves) {
    // A mark put on the screen while waiting stays: nothing is cleared or redrawn.
    vclock_at(s.vc, 50, [&] {
        SDL_Rect r{0, 590, 4, 4};
        SDL_FillRect(s.screen, &r, SDL_MapRGB(s.screen->format, 255, 0, 0));
        for (SDLKey k : {SDLK_UP, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT, SDLK_LEFT, SDLK_F1})
            push_tap(k);
    });
    vclock_at(s.vc, 400, [] { push_key(SDLK_ESCAPE); });
    EXPECT_EQ(run(), 1);
    EXPECT_GE(s.vc.now, 400u);
    EXPECT_EQ(pixel_rgb(s.screen, 1, 591), 0xff0000u);
}

TEST_F(best_scores, window_close_returns_0_even_with_escape_in_the_same_poll) {
    push_key(SDLK_ESCAPE);
    push_quit();
    EXPECT_EQ(run(), 0);

    vclock_at(s.vc, s.vc.now + 100, [] { push_quit(); });
    EXPECT_EQ(run(), 0);
}

TEST_F(best_scores, flags_left_from_before_do_not_leave_at_once) {
    s.ctx.input->keys[SDLK_ESCAPE] = 1;
    s.ctx.input->button_right_cmd = 1;
    s.ctx.input->quit = 1;
    vclock_at(s.vc, 300, [] { push_quit(); });
    EXPECT_EQ(run(), 0);
    EXPECT_GE(s.vc.now, 300u);
}

TEST_F(best_scores, missing_font_returns_0_with_nothing_drawn) {
    remove_play_file("font/comic.ttf");
    push_key(SDLK_ESCAPE);
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Err chargement de la police de characteres : "), std::string::npos) << out;
    EXPECT_FALSE(area_lit(s.screen, 0, 0, s.screen->w, s.screen->h));
}

TEST_F(best_scores_joystick, the_turn_right_button_leaves_and_the_others_do_nothing) {
    controls_cfg& ctl = *s.ctx.controls;
    ctl.device = CTX_DEVICE_JOYSTICK;
    vclock_at(s.vc, 50, [&] {
        vjoy_button(0, ctl.button_left, true);
        vjoy_hat(0, 0, 4);
    });
    vclock_at(s.vc, 100, [&] {
        vjoy_button(0, ctl.button_left, false);
        vjoy_hat(0, 0, 0);
    });
    vclock_at(s.vc, 300, [&] { vjoy_button(0, ctl.button_right, true); });
    EXPECT_EQ(run(), 1);
    EXPECT_GE(s.vc.now, 300u);
}

} // namespace
