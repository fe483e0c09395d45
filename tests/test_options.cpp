// The options screen driven through the real event queue on the virtual clock (one pass
// every 50 ms), with virtual joysticks where a test needs them.
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/game_ctx.h"
#include "screens/options.h"
#include "support/audio_out.h"
#include "support/play_dir.h"
#include "support/screen_run.h"
#include "support/sdl_session.h"
#include "support/test_tune.h"
#include "support/virtual_joystick.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr uint32_t STEP_MS = 100; // two passes per action: one acts, one is quiet
constexpr uint32_t PASS_MS = 50;  // one pass per action: no quiet pass in between
constexpr uint32_t WATCHDOG_MS = 60000;

constexpr screen_run_timing OPTIONS_TIMING{25, STEP_MS, WATCHDOG_MS, 0};

// The eight kept settings, in the order of the working copy.
std::vector<int> kept(const game_ctx& ctx) {
    const controls_cfg& c = *ctx.controls;
    return {c.joystick_index, ctx.options->skin, ctx.options->tune, c.device,
            c.button_right,   c.button_left,     c.key_right,       c.key_left};
}

void set_kept(game_ctx& ctx, std::vector<int> v) {
    controls_cfg& c = *ctx.controls;
    c.joystick_index = v[0];
    ctx.options->skin = v[1];
    ctx.options->tune = v[2];
    c.device = v[3];
    c.button_right = v[4];
    c.button_left = v[5];
    c.key_right = v[6];
    c.key_left = v[7];
}

const std::vector<int> DEFAULTS{0, 0, 0, 0, 0, 1, 119, 113};

// Every white pixel of text rendered as the screen renders it shows white at its place.
bool text_shown(SDL_Surface* scr, const char* text, layout_at at) {
    const int x = at.x, y = at.y;
    font_ptr font(TTF_OpenFont("font/comic.ttf", 20));
    if (!font) return false;
    surface_ptr t(TTF_RenderText_Solid(font.get(), text, SDL_Color{255, 255, 255, 0}));
    if (!t) return false;
    int seen = 0;
    for (int py = 0; py < t->h; ++py)
        for (int px = 0; px < t->w; ++px) {
            if (pixel_rgb(t.get(), px, py) != 0xffffff) continue;
            if (pixel_rgb(scr, x + px, y + py) != 0xffffff) return false;
            ++seen;
        }
    return seen > 0;
}

// Leaves through the keep item from wherever the cursor is (at most five steps down).
screen_run& keep(screen_run& r) {
    return r.key(SDLK_DOWN, 5).key(SDLK_RETURN);
}

std::string run_capturing(sdl_session& s, int& result) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    screen_run r(s, options_screen, OPTIONS_TIMING);
    result = r.run();
    return testing::internal::GetCapturedStdout();
}

bool has(const std::string& out, const std::string& part) {
    return out.find(part) != std::string::npos;
}

// Walks the device item with the given arrows from the kept settings and keeps the result.
std::pair<int, int> device_after(sdl_session& s, std::vector<SDLKey> arrows) {
    screen_run r(s, options_screen, OPTIONS_TIMING);
    for (SDLKey k : arrows)
        r.key(k);
    keep(r);
    EXPECT_EQ(r.run(), 1);
    return {s.ctx.controls->device, s.ctx.controls->joystick_index};
}

using dev = std::pair<int, int>;
constexpr SDLKey R = SDLK_RIGHT;
constexpr SDLKey L = SDLK_LEFT;

} // namespace

TEST(options_screen, device_ring_without_joystick_stays_on_the_keyboard) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(device_after(s, {R}), dev(0, 0));
    EXPECT_EQ(device_after(s, {L}), dev(0, 0));
}

TEST(options_screen, device_ring_with_one_joystick) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(device_after(s, {R}), dev(1, 0));
    set_kept(s.ctx, DEFAULTS);
    EXPECT_EQ(device_after(s, {R, R}), dev(0, 0));
    EXPECT_EQ(device_after(s, {L}), dev(1, 0));
    set_kept(s.ctx, DEFAULTS);
    EXPECT_EQ(device_after(s, {L, L}), dev(0, 0));
}

TEST(options_screen, device_ring_with_two_joysticks_both_ways_and_what_it_shows) {
    sdl_session s(2);
    ASSERT_TRUE(s.ok);
    const std::vector<std::pair<std::vector<SDLKey>, dev>> walks{
        {{R}, {1, 0}}, {{R, R}, {1, 1}}, {{R, R, R}, {0, 0}},
        {{L}, {1, 1}}, {{L, L}, {1, 0}}, {{L, L, L}, {0, 0}},
    };
    for (const auto& [arrows, want] : walks) {
        set_kept(s.ctx, DEFAULTS);
        EXPECT_EQ(device_after(s, arrows), want) << arrows.size() << " steps";
    }
    // From the last joystick one step right is the keyboard; the pictures and name follow.
    set_kept(s.ctx, {1, 0, 0, 1, 0, 1, 119, 113});
    surface_ptr joy_pic(IMG_Load("pics/joystick.jpeg"));
    surface_ptr key_pic(IMG_Load("pics/clavier.jpeg"));
    ASSERT_TRUE(joy_pic && key_pic);
    const std::string name = SDL_JoystickName(1);
    bool joystick_shown = false, keyboard_shown = false;
    screen_run r(s, options_screen, OPTIONS_TIMING);
    r.then([&] {
        joystick_shown = shows_picture(s.screen, joy_pic.get(), LAYOUT_OPT_DEVICE_PIC_AT.x,
                                       LAYOUT_OPT_DEVICE_PIC_AT.y) &&
                         text_shown(s.screen, name.c_str(), LAYOUT_OPT_PAD_NAME_AT);
    });
    r.key(R).then([&] {
        keyboard_shown = shows_picture(s.screen, key_pic.get(), LAYOUT_OPT_DEVICE_PIC_AT.x,
                                       LAYOUT_OPT_DEVICE_PIC_AT.y) &&
                         text_shown(s.screen, "clavier", LAYOUT_OPT_PAD_NAME_AT);
    });
    keep(r);
    EXPECT_EQ(r.run(), 1);
    EXPECT_TRUE(joystick_shown);
    EXPECT_TRUE(keyboard_shown);
    EXPECT_EQ(dev(s.ctx.controls->device, s.ctx.controls->joystick_index), dev(0, 0));
}

TEST(options_screen, keyboard_capture_on_item_1_is_kept_and_shown) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    bool old_shown = false, new_shown = false;
    screen_run r(s, options_screen, OPTIONS_TIMING);
    r.then([&] { old_shown = text_shown(s.screen, "w et q", LAYOUT_OPT_KEYS_AT); });
    r.key(SDLK_DOWN).key(SDLK_RETURN).two_keys(SDLK_a, SDLK_z);
    r.then([&] { new_shown = text_shown(s.screen, "a et z", LAYOUT_OPT_KEYS_AT); });
    keep(r);
    EXPECT_EQ(r.run(), 1);
    EXPECT_EQ(kept(s.ctx), (std::vector<int>{0, 0, 0, 0, 0, 1, SDLK_a, SDLK_z}));
    EXPECT_TRUE(old_shown);
    EXPECT_TRUE(new_shown);
}

TEST(options_screen, joystick_capture_starts_with_the_turn_left_button_not_return) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    set_kept(s.ctx, {0, 0, 0, 1, 0, 1, 119, 113});
    bool shown = false;
    screen_run r(s, options_screen, OPTIONS_TIMING);
    // Return on item 1 does nothing with the joystick; then the turn-left button (1) starts
    // the capture of 4 and 6; the hat moves the cursor and button 1 keeps.
    r.hat(0, SDL_HAT_DOWN).key(SDLK_RETURN);
    r.button(0, 1).button(0, 4).button(0, 6);
    r.then([&] { shown = text_shown(s.screen, "4 et 6", LAYOUT_OPT_KEYS_AT); });
    for (int i = 0; i < 4; ++i)
        r.hat(0, SDL_HAT_DOWN);
    r.button(0, 1);
    EXPECT_EQ(r.run(), 1);
    EXPECT_EQ(kept(s.ctx), (std::vector<int>{0, 0, 0, 1, 4, 6, 119, 113}));
    EXPECT_TRUE(shown);
}

TEST(options_screen, items_follow_the_working_copy_the_poller_the_kept_device) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    {
        // Kept: keyboard. The device item goes to the joystick: item 1 now waits for the
        // turn-left button, which the poller does not deliver, and Return does nothing.
        screen_run r(s, options_screen, OPTIONS_TIMING);
        r.key(R).key(SDLK_DOWN).key(SDLK_RETURN).button(0, 1);
        r.two_keys(SDLK_a, SDLK_z).button(0, 4).button(0, 6);
        r.hat(0, SDL_HAT_DOWN); // ignored: the kept device is the keyboard
        keep(r);
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(kept(s.ctx), (std::vector<int>{0, 0, 0, 1, 0, 1, 119, 113}));
    }
    {
        // Entered again with the joystick kept: the button starts the capture.
        screen_run r(s, options_screen, OPTIONS_TIMING);
        r.key(SDLK_DOWN).button(0, 1).button(0, 4).button(0, 6);
        keep(r);
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(kept(s.ctx), (std::vector<int>{0, 0, 0, 1, 4, 6, 119, 113}));
    }
}

TEST(options_screen, skin_and_tune_wrap_around) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    surface_ptr skin2 = load_bmp("pics/skin2.bmp");
    ASSERT_TRUE(skin2);
    bool preview = false;
    {
        screen_run r(s, options_screen, OPTIONS_TIMING);
        r.key(SDLK_DOWN, 2).key(L).then([&] {
            preview = shows_picture(s.screen, skin2.get(), LAYOUT_OPT_PREVIEW_AT.x,
                                    LAYOUT_OPT_PREVIEW_AT.y);
        });
        keep(r);
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(s.ctx.options->skin, 2);
        EXPECT_TRUE(preview) << "skin 2 previewed";
    }
    {
        screen_run r(s, options_screen, OPTIONS_TIMING);
        keep(r.key(SDLK_DOWN, 2).key(R));
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(s.ctx.options->skin, 0);
    }
    {
        screen_run r(s, options_screen, OPTIONS_TIMING);
        keep(r.key(SDLK_DOWN, 3).key(L));
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(s.ctx.options->tune, 4) << "Left on no music gives 4";
    }
    {
        s.ctx.options->tune = 5;
        bool none_shown = false;
        screen_run r(s, options_screen, OPTIONS_TIMING);
        r.key(SDLK_DOWN, 3).key(R).then([&] {
            none_shown = text_shown(s.screen, "Aucune", LAYOUT_OPT_MUSIC_NAME_AT);
        });
        keep(r);
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(s.ctx.options->tune, 0);
        EXPECT_TRUE(none_shown);
    }
    {
        s.ctx.options->tune = 1;
        screen_run r(s, options_screen, OPTIONS_TIMING);
        keep(r.key(SDLK_DOWN, 3).key(R).key(R).key(L));
        EXPECT_EQ(r.run(), 1);
        EXPECT_EQ(s.ctx.options->tune, 2);
    }
}

TEST(options_screen, a_choice_on_items_0_2_and_3_is_dropped) {
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    // Skin 1 is picked, then the choice (Return on the keyboard, the turn-left button on the
    // joystick) on item n (a quiet pass follows), then Downs in back-to-back passes to item 5
    // and the choice there, which keeps skin 1. A choice still pending would start the capture
    // on item 1 or leave through item 4: skin 1 would then not be kept.
    for (int device : {0, 1})
        for (int item : {0, 2, 3}) {
            std::vector<int> start = DEFAULTS;
            start[3] = device;
            set_kept(s.ctx, start);
            screen_run r(s, options_screen, OPTIONS_TIMING);
            auto choose = [&]() -> screen_run& {
                return device ? r.button(0, 1) : r.key(SDLK_RETURN);
            };
            r.key(SDLK_DOWN, 2).key(R);
            if (item < 2)
                r.key(SDLK_UP, 2 - item);
            else
                r.key(SDLK_DOWN, item - 2);
            choose();
            r.timing.step = PASS_MS;
            r.key(SDLK_DOWN, 5 - item);
            r.timing.step = STEP_MS;
            choose();
            start[1] = 1;
            EXPECT_EQ(r.run(), 1) << "device " << device << ", item " << item;
            EXPECT_EQ(kept(s.ctx), start) << "device " << device << ", item " << item;
        }
}

TEST(options_screen, all_eight_values_are_written_back_only_by_the_keep_item) {
    sdl_session s(2);
    ASSERT_TRUE(s.ok);
    const std::vector<int> start{0, 0, 0, 1, 0, 1, 119, 113};
    // Changes every value: buttons (joystick 0), keys (keyboard), joystick 1, skin 1, tune 1,
    // and the display mode, then leaves one way or the other.
    auto changes = [](screen_run& r) {
        r.key(SDLK_DOWN).button(0, 1).button(0, 5).button(0, 6);
        r.key(SDLK_UP).key(R).key(R);
        r.key(SDLK_DOWN).key(SDLK_RETURN).two_keys(SDLK_a, SDLK_z);
        r.key(SDLK_UP).key(R).key(R);
        r.key(SDLK_DOWN, 2).key(R).key(SDLK_DOWN).key(R).key(SDLK_F1);
    };
    struct leave {
        const char* how;
        std::function<void(screen_run&)> go;
        int result;
        bool keeps;
    };
    const leave ways[] = {
        {"item 4", [](screen_run& r) { r.key(SDLK_DOWN).key(SDLK_RETURN); }, 1, false},
        {"Escape", [](screen_run& r) { r.key(SDLK_ESCAPE); }, 1, false},
        {"turn-right button", [](screen_run& r) { r.button(0, 0); }, 1, false},
        {"window close", [](screen_run& r) { r.then([] { push_quit(); }); }, 0, false},
        {"item 5", [](screen_run& r) { r.key(SDLK_DOWN, 2).button(0, 1); }, 1, true},
    };
    for (const leave& w : ways) {
        set_kept(s.ctx, start);
        s.ctx.options->fullscreen = 0;
        screen_run r(s, options_screen, OPTIONS_TIMING);
        changes(r);
        w.go(r);
        EXPECT_EQ(r.run(), w.result) << w.how;
        const std::vector<int> want =
            w.keeps ? std::vector<int>{1, 1, 1, 1, 5, 6, SDLK_a, SDLK_z} : start;
        EXPECT_EQ(kept(s.ctx), want) << w.how;
        EXPECT_EQ(s.ctx.options->fullscreen, 1) << "F1 is not undone by " << w.how;
        if (s.ctx.options->fullscreen) {
            SDL_Surface* scr = s.screen;
            ASSERT_EQ(toggle_fullscreen(scr, s.ctx), 1);
            s.screen = scr;
        }
    }
}

TEST(options_screen, window_close_during_the_capture_returns_0_without_writing) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    screen_run r(s, options_screen, OPTIONS_TIMING);
    r.key(SDLK_DOWN).key(SDLK_RETURN).then([] {
        push_tap(SDLK_a);
        push_quit();
    });
    r.key(SDLK_b).key(SDLK_DOWN, 4).key(SDLK_RETURN);
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(kept(s.ctx), DEFAULTS);
}

TEST(options_screen, a_key_whose_low_byte_is_0_is_shown_as_a_question_mark) {
    sdl_session s;
    ASSERT_TRUE(s.ok);
    set_kept(s.ctx, {0, 0, 0, 0, 0, 1, SDLK_KP0, SDLK_q});
    bool shown = false;
    screen_run r(s, options_screen, OPTIONS_TIMING);
    r.then([&] { shown = text_shown(s.screen, "? et q", LAYOUT_OPT_KEYS_AT); }).key(SDLK_ESCAPE);
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    const int result = r.run();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(has(out, "surf_touches")) << out;
}

TEST(options_screen, every_missing_file_on_entry_is_reported) {
    {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        for (const char* f : {"pics/options.bmp", "pics/select.bmp", "pics/joystick.jpeg",
                              "pics/clavier.jpeg", "pics/skin0.bmp"})
            remove_play_file(f);
        int result = -1;
        const std::string out = run_capturing(s, result);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(s.vc.delayed_ms, 0u) << "no pass is run";
        for (const char* m :
             {"Err de chargement de options.bmp :", "Err de chargement de select bmp :",
              "Err de chargement de joystick.jpeg :", "Err de chargement de clavier.jpeg :",
              "Err de chargement du skinset :"})
            EXPECT_TRUE(has(out, m)) << m << " in " << out;
    }
    {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        remove_play_file("font/comic.ttf");
        int result = -1;
        const std::string out = run_capturing(s, result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(has(out, "Err chargement de la police de characteres : ")) << out;
        EXPECT_FALSE(has(out, "surf_")) << "nothing is rendered without the font";
    }
    {
        // The kept tune is missing: reported, and the menu comes back (result 1).
        sdl_session s;
        ASSERT_TRUE(s.ok);
        s.ctx.options->tune = 3;
        remove_play_file("sounds/tune3.mod");
        int result = -1;
        const std::string out = run_capturing(s, result);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(s.vc.delayed_ms, 0u);
        EXPECT_TRUE(has(out, "Err / chargement musique : ")) << out;
        EXPECT_EQ(out.back(), '\n');
    }
}

TEST(options_screen, a_missing_skin_or_tune_picked_on_the_screen_ends_it) {
    struct {
        const char* file;
        int down;
        const char* message;
    } cases[] = {{"pics/skin1.bmp", 2, "Err de chargement du skinset :"},
                 {"sounds/tune1.mod", 3, "Err de chargement du tune :"}};
    for (const auto& c : cases) {
        sdl_session s;
        ASSERT_TRUE(s.ok);
        remove_play_file(c.file);
        screen_run r(s, options_screen, OPTIONS_TIMING);
        keep(r.key(SDLK_DOWN, c.down).key(R));
        std::fflush(stdout);
        testing::internal::CaptureStdout();
        const int result = r.run();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 0) << c.file;
        EXPECT_TRUE(has(out, c.message)) << out;
        EXPECT_EQ(kept(s.ctx), DEFAULTS) << "nothing written back";
    }
}

TEST(options_screen, the_entry_tune_loops_and_a_tune_picked_here_plays_once) {
    // What is played goes to a file of the test's own; short tunes stand in for the real ones.
    scratch_dir scratch("options");
    const std::string audio = scratch.path + "/out.raw";
    record_audio_to(audio);
    sdl_session s;
    ASSERT_TRUE(s.ok);
    for (const char* tune : {"sounds/tune2.mod", "sounds/tune3.mod"}) {
        remove_play_file(tune);
        const std::vector<uint8_t> bytes = test_tune_bytes(tune);
        write_play_file(tune, std::string(bytes.begin(), bytes.end()));
    }
    // Two seconds after the end of a tune played once, a second of output is silent; a tune
    // that loops is heard there.
    const size_t second = AUDIO_OUT_BYTES_PER_S;
    const size_t quiet_from = static_cast<size_t>((TEST_TUNE_SECONDS + 2) * AUDIO_OUT_BYTES_PER_S);
    int entry_late = -1, picked_early = -1, picked_late = -1;
    const auto listen = [&](int& early, int& late) {
        const size_t mark = audio_bytes(audio) & ~size_t{3};
        if (!wait_audio_bytes(audio, mark + quiet_from + second)) return;
        early = loudest_in(audio, mark, second);
        late = loudest_in(audio, mark + quiet_from, second);
    };
    s.ctx.options->tune = 2;
    screen_run r(s, options_screen, OPTIONS_TIMING);
    int entry_early = -1;
    r.then([&] { listen(entry_early, entry_late); });
    r.key(SDLK_DOWN, 3).key(R).key(L); // tune 3, then tune 2 picked here
    r.then([&] { listen(picked_early, picked_late); });
    r.key(SDLK_ESCAPE);
    EXPECT_EQ(r.run(), 1);
    EXPECT_GT(entry_early, 1000) << "the tune of the entry is heard";
    EXPECT_GT(entry_late, 1000) << "and plays on past its end";
    EXPECT_GT(picked_early, 1000) << "the tune picked here is heard";
    EXPECT_EQ(picked_late, 0) << "and it is silent once it has played";
}
