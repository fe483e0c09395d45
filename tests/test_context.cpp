// The game context: defaults, filling it at start-up from the settings file and the joysticks,
// and the window/fullscreen switch.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/game_ctx.h"
#include "app/startup.h"
#include "support/play_dir.h"
#include "support/virtual_joystick.h"

namespace {

const std::string OPEN_ERROR = "Err ouverture de control.dat\n";
const std::string DEFAULTS_APPLIED =
    "Err initialisation des controles, application des parametres par defaut\n";

using arr = std::array<int, 8>;

arr values(const game_ctx& ctx) {
    const controls_cfg& c = *ctx.controls;
    return {c.device,    c.joystick_index, c.button_right,    c.button_left,
            c.key_right, c.key_left,       ctx.options->skin, ctx.options->tune};
}

// Runs the start-up filling and returns what it printed.
std::string setup_captured(game_ctx& ctx) {
    testing::internal::CaptureStdout();
    setup_game_ctx(ctx);
    return testing::internal::GetCapturedStdout();
}

void teardown(game_ctx& ctx) {
    if (ctx.controls && ctx.controls->joysticks) close_joysticks(*ctx.controls);
    free_game_ctx(ctx);
}

TEST(context, defaults_overwrite_whatever_was_there) {
    options_cfg opt;
    std::memset(&opt, 0xAB, sizeof opt);
    default_options(opt);
    EXPECT_EQ(opt.fullscreen, 0);
    EXPECT_EQ(opt.skin, 0);
    EXPECT_EQ(opt.tune, 0);

    controls_cfg ctl{};
    SDL_Joystick* const marker = reinterpret_cast<SDL_Joystick*>(&opt);
    ctl.joysticks = std::make_unique<SDL_Joystick*[]>(1);
    ctl.joysticks[0] = marker;
    ctl.device = ctl.joystick_index = ctl.button_right = ctl.button_left = -7;
    ctl.key_right = ctl.key_left = -7;
    default_controls(ctl);
    EXPECT_EQ(ctl.device, 0);
    EXPECT_EQ(ctl.joystick_index, 0);
    EXPECT_EQ(ctl.button_right, 0);
    EXPECT_EQ(ctl.button_left, 1);
    EXPECT_EQ(ctl.key_right, 119);
    EXPECT_EQ(ctl.key_left, 113);
    ASSERT_TRUE(ctl.joysticks); // the handle array is not the defaults' business
    EXPECT_EQ(ctl.joysticks[0], marker);
}

struct no_joystick : testing::Test {
    play_dir dir;
    game_ctx ctx;
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        ASSERT_EQ(SDL_NumJoysticks(), 0) << "a real joystick is attached";
    }
    void TearDown() override {
        teardown(ctx);
        SDL_Quit();
    }
};

TEST_F(no_joystick, missing_file_gives_both_messages_and_the_defaults) {
    EXPECT_EQ(setup_captured(ctx), OPEN_ERROR + DEFAULTS_APPLIED);
    EXPECT_EQ(values(ctx), (arr{0, 0, 0, 1, 119, 113, 0, 0}));
    EXPECT_EQ(ctx.options->fullscreen, 0);
    EXPECT_FALSE(ctx.controls->joysticks);
    EXPECT_TRUE(ctx.input && ctx.scores);
    EXPECT_FALSE(std::filesystem::exists("data/control.dat")); // written only at shutdown
}

TEST_F(no_joystick, file_choosing_the_joystick_falls_back_to_the_keyboard) {
    write_play_file("data/control.dat", "1 5 2 3 97 98 1 2\n");
    EXPECT_EQ(setup_captured(ctx), "");
    EXPECT_FALSE(ctx.controls->joysticks);
    // No joystick: any stored index is out of range and becomes 0.
    EXPECT_EQ(values(ctx), (arr{0, 0, 2, 3, 97, 98, 1, 2}));
}

TEST_F(no_joystick, short_file_leaves_defaults_in_the_rest) {
    write_play_file("data/control.dat", "0 0 4\n");
    EXPECT_EQ(setup_captured(ctx), "");
    EXPECT_EQ(values(ctx), (arr{0, 0, 4, 1, 119, 113, 0, 0}));
}

TEST(context_joysticks, stored_index_is_kept_within_the_joysticks) {
    ASSERT_TRUE(vjoy_attach(2));
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    ASSERT_EQ(SDL_NumJoysticks(), 2);
    play_dir dir;
    struct sample {
        const char* file;
        int index;
    };
    for (const sample s : {sample{"1 2 0 1 119 113 0 0", 0}, sample{"1 1 0 1 119 113 0 0", 1},
                           sample{"1 -1 0 1 119 113 0 0", 0}, sample{"1 0 0 1 119 113 0 0", 0},
                           sample{"1 7 0 1 119 113 0 0", 0}}) {
        SDL_JoystickEventState(SDL_IGNORE);
        write_play_file("data/control.dat", s.file);
        game_ctx ctx;
        EXPECT_EQ(setup_captured(ctx), "") << s.file;
        EXPECT_EQ(ctx.controls->joystick_index, s.index) << s.file;
        EXPECT_EQ(ctx.controls->device, 1) << s.file;
        ASSERT_TRUE(ctx.controls->joysticks);
        EXPECT_NE(ctx.controls->joysticks[0], nullptr);
        EXPECT_NE(ctx.controls->joysticks[1], nullptr);
        EXPECT_EQ(SDL_JoystickEventState(SDL_QUERY), SDL_ENABLE) << s.file;
        close_joysticks(*ctx.controls);
        EXPECT_EQ(ctx.controls->joysticks[0], nullptr);
        EXPECT_EQ(ctx.controls->joysticks[1], nullptr);
        free_game_ctx(ctx);
    }
    SDL_Quit();
}

TEST(context_video, fullscreen_switch_goes_there_and_back) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Surface* screen = SDL_SetVideoMode(540, 600, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    game_ctx ctx;
    new_game_ctx(ctx);
    default_options(*ctx.options);
    for (int expected : {1, 0}) {
        ASSERT_EQ(toggle_fullscreen(screen, ctx), 1);
        EXPECT_EQ(ctx.options->fullscreen, expected);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen, SDL_GetVideoSurface());
        EXPECT_EQ(screen->w, 540);
        EXPECT_EQ(screen->h, 600);
        EXPECT_EQ(screen->format->BitsPerPixel, 32);
        EXPECT_EQ((screen->flags & SDL_FULLSCREEN) != 0, expected == 1);
        // The new pixels are cleared and can be drawn on.
        ASSERT_EQ(SDL_LockSurface(screen), 0);
        const auto* row = static_cast<const Uint32*>(screen->pixels);
        EXPECT_EQ(row[0], 0u);
        EXPECT_EQ(row[539], 0u);
        SDL_UnlockSurface(screen);
        EXPECT_EQ(SDL_Flip(screen), 0);
    }
    free_game_ctx(ctx);
    SDL_Quit();
}

} // namespace
