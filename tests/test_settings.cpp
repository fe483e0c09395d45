// The control settings file: reading its formats, falling back on bad values, replacing it whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "app/game_ctx.h"
#include "store/settings.h"
#include "support/play_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string OPEN_ERROR = "Err ouverture de control.dat\n";

struct settings_fixture : testing::Test {
    play_dir dir;
    game_ctx ctx;
    settings_fixture() {
        new_game_ctx(ctx);
        default_options(*ctx.options);
        default_controls(*ctx.controls);
    }
    ~settings_fixture() override { free_game_ctx(ctx); }

    std::array<int, 8> values() const {
        const controls_cfg& c = *ctx.controls;
        return {c.device,    c.joystick_index, c.button_right,    c.button_left,
                c.key_right, c.key_left,       ctx.options->skin, ctx.options->tune};
    }
    void set_values(const std::array<int, 8>& v) {
        controls_cfg& c = *ctx.controls;
        c.device = v[0];
        c.joystick_index = v[1];
        c.button_right = v[2];
        c.button_left = v[3];
        c.key_right = v[4];
        c.key_left = v[5];
        ctx.options->skin = v[6];
        ctx.options->tune = v[7];
    }
    // Loads the file holding text; returns what it printed, stores the result in result.
    std::string load_text(const std::string& text, int& result) {
        write_play_file("data/control.dat", text);
        testing::internal::CaptureStdout();
        result = load_controls(*ctx.controls, *ctx.options);
        return testing::internal::GetCapturedStdout();
    }
    std::string save(int& result) {
        testing::internal::CaptureStdout();
        result = save_controls(*ctx.controls, *ctx.options);
        return testing::internal::GetCapturedStdout();
    }
};

using arr = std::array<int, 8>;
const arr DEFAULTS{0, 0, 0, 1, 119, 113, 0, 0};

TEST_F(settings_fixture, reads_the_line_and_its_looser_forms) {
    struct sample {
        const char* text;
        arr expected;
    };
    const sample samples[] = {
        {"1 1 3 2 97 98 2 5\n", {1, 1, 3, 2, 97, 98, 2, 5}},
        {"1 1 3 2 97 98 2 5", {1, 1, 3, 2, 97, 98, 2, 5}},
        // Spread over lines, tabs and several spaces, explicit signs.
        {"  1\n\n1\t 3\r\n2 +97\n98\n\n2   5\n", {1, 1, 3, 2, 97, 98, 2, 5}},
        // Extra numbers and text after the eighth are ignored.
        {"0 1 4 5 100 101 1 3 7 8 9 garbage\n", {0, 1, 4, 5, 100, 101, 1, 3}},
        // Reading stops at the first non-number; the rest keeps the defaults.
        {"1 1 7 x 50 51 2 2\n", {1, 1, 7, 1, 119, 113, 0, 0}},
        {"1 1 3 2.5 60 61 1 1\n", {1, 1, 3, 2, 119, 113, 0, 0}},
        {"1 - 3\n", {1, 0, 0, 1, 119, 113, 0, 0}},
        {"0 0 0 1 200\n", {0, 0, 0, 1, 200, 113, 0, 0}},
    };
    for (const sample& s : samples) {
        set_values(DEFAULTS);
        int result = -1;
        EXPECT_EQ(load_text(s.text, result), "") << s.text;
        EXPECT_EQ(result, 1) << s.text;
        EXPECT_EQ(values(), s.expected) << s.text;
    }
}

TEST_F(settings_fixture, empty_file_changes_nothing_and_prints_nothing) {
    const arr before{1, 1, 4, 6, 97, 98, 2, 3};
    for (const char* text : {"", "\n \n", "abc"}) {
        set_values(before);
        int result = -1;
        EXPECT_EQ(load_text(text, result), "");
        EXPECT_EQ(result, 1);
        EXPECT_EQ(values(), before);
    }
}

TEST_F(settings_fixture, missing_file_reports_and_changes_nothing) {
    const arr before{1, 1, 4, 6, 97, 98, 2, 3};
    set_values(before);
    testing::internal::CaptureStdout();
    const int result = load_controls(*ctx.controls, *ctx.options);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), OPEN_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(values(), before);
}

TEST_F(settings_fixture, out_of_range_values_take_their_defaults) {
    struct sample {
        const char* text;
        arr expected;
    };
    const sample samples[] = {
        // Edges of every range are kept.
        {"1 7 0 0 0 322 2 5", {1, 7, 0, 0, 0, 322, 2, 5}},
        {"2 1 -1 -5 323 -1 3 6", {0, 1, 0, 1, 119, 113, 0, 0}},
        {"-1 1 2 3 100000 400 -1 -1", {0, 1, 2, 3, 119, 113, 0, 0}},
        // Numbers too big for 32 bits, and far too big for 64, are out of range too.
        {"1 2147483648 4294967297 99999999999999999999999 5 6 1 1", {1, 0, 0, 1, 5, 6, 1, 1}},
        {"-99999999999999999999999999 0 0 0 0 0 0 99999999999999999999", {0, 0, 0, 0, 0, 0, 0, 0}},
        // A negative joystick index is left to start-up, which knows the joysticks.
        {"1 -3 0 1 119 113 0 0", {1, -3, 0, 1, 119, 113, 0, 0}},
    };
    for (const sample& s : samples) {
        set_values({1, 1, 9, 9, 9, 9, 1, 1});
        int result = -1;
        EXPECT_EQ(load_text(s.text, result), "") << s.text;
        EXPECT_EQ(result, 1);
        EXPECT_EQ(values(), s.expected) << s.text;
    }
}

TEST_F(settings_fixture, save_writes_one_line_that_loads_back) {
    const arr saved{1, 1, 4, 6, 97, 98, 2, 3};
    set_values(saved);
    int result = -1;
    EXPECT_EQ(save(result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_play_file("data/control.dat"), "1 1 4 6 97 98 2 3\n");
    // Nothing else is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator("data"), fs::directory_iterator{}), 1);

    set_values(DEFAULTS);
    EXPECT_EQ(load_controls(*ctx.controls, *ctx.options), 1);
    EXPECT_EQ(values(), saved);

    // A spread-out file with extra numbers comes back as one clean line.
    EXPECT_EQ(load_text("0\n0 2\n3 50 51\n1\n4 9 9\n", result), "");
    EXPECT_EQ(save(result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_play_file("data/control.dat"), "0 0 2 3 50 51 1 4\n");
}

} // namespace
