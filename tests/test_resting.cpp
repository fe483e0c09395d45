// The resting mode on the play screen, on the virtual clock: with and without it the falling
// piece moves with the hat and its repeats, turns and falls at the same times, and only the
// resting run waits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/game_ctx.h"
#include "game/game_loop.h"
#include "input/input.h"
#include "support/screen_run.h"
#include "support/sdl_session.h"
#include "support/virtual_joystick.h"

namespace {

struct rest_case {
    const char* name;
    uint8_t low_cpu;
    uint32_t poll_step; // without the option an empty poll moves the clock; with it the rests do
};
constexpr rest_case REST_CASES[] = {{"polling", 0, 1}, {"resting", 1, 0}};

// Where the falling piece is at a time: columns right of its first place and fall steps.
// Every piece starts with its leftmost cell in column 4 and shows its top row in row 0 after
// the first fall step.
struct piece_at {
    uint32_t ms;
    int dx;
    int falls;
};
constexpr int REST_FIRST_COLUMN = 4;
// Hat right held from 300 to 515 ms (the press, repeats just past 400 and 500), hat left at
// 1300; fall steps at 1000, 2000 and 3000 ms, each seen 10 ms later; the turn-left button at
// 2300 (between the last two).
constexpr piece_at PIECE_PATH[] = {{1010, 3, 1}, {1500, 2, 1}, {2010, 2, 2}};
constexpr uint32_t SNAPSHOT_MS[] = {1010, 1500, 2010, 2500, 3010}; // the path, then turned

// The lit cells of the well: their leftmost column, top row and pattern ('#' lit, '.' black).
struct well_view {
    int left = 10;
    int top = 20;
    std::string cells;
};
well_view view_well(SDL_Surface* screen) {
    well_view v;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool lit = pixel_rgb(screen, 30 * x + 15, 30 * y + 15) != 0;
            v.cells += lit ? '#' : '.';
            if (lit && x < v.left) v.left = x;
            if (lit && y < v.top) v.top = y;
        }
    return v;
}

struct resting : testing::TestWithParam<rest_case> {};

} // namespace

TEST_P(resting, moves_repeats_turns_and_fall_steps_come_as_without_it) {
    const rest_case& c = GetParam();
    sdl_session s(1);
    ASSERT_TRUE(s.ok);
    s.ctx.controls->device = CTX_DEVICE_JOYSTICK;
    s.ctx.options->low_cpu = c.low_cpu;
    std::srand(5);
    screen_run run(s, game_loop, screen_run_timing{0, 0, 10000, c.poll_step});
    vclock_at(s.vc, 300, [] { vjoy_hat(0, 0, SDL_HAT_RIGHT); });
    vclock_at(s.vc, 515, [] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    vclock_at(s.vc, 1300, [] { vjoy_hat(0, 0, SDL_HAT_LEFT); });
    vclock_at(s.vc, 1360, [] { vjoy_hat(0, 0, SDL_HAT_CENTERED); });
    vclock_at(s.vc, 2300, [] { vjoy_button(0, 1, true); });
    vclock_at(s.vc, 2360, [] { vjoy_button(0, 1, false); });
    std::vector<well_view> seen;
    for (uint32_t t : SNAPSHOT_MS)
        vclock_at(s.vc, t, [&seen, &s] { seen.push_back(view_well(s.screen)); });
    vclock_at(s.vc, 3100, [] { push_tap(SDLK_ESCAPE); });
    EXPECT_EQ(run.run(), 1);

    ASSERT_EQ(seen.size(), std::size(SNAPSHOT_MS));
    for (size_t i = 0; i < std::size(PIECE_PATH); ++i) {
        SCOPED_TRACE(testing::Message() << "at " << PIECE_PATH[i].ms << " ms");
        EXPECT_EQ(seen[i].left, REST_FIRST_COLUMN + PIECE_PATH[i].dx);
        EXPECT_EQ(seen[i].top, PIECE_PATH[i].falls - 1);
    }
    // Turned: another shape, which then falls one row as it is.
    EXPECT_NE(seen[3].cells, seen[2].cells) << "the turn";
    EXPECT_EQ(seen[4].left, seen[3].left);
    EXPECT_EQ(seen[4].cells, std::string(10, '.') + seen[3].cells.substr(0, 190)) << "the fall";
    if (c.low_cpu)
        EXPECT_GT(s.vc.delayed_ms, 1000u) << "most passes of 3.1 s have nothing to do";
    else
        EXPECT_EQ(s.vc.delayed_ms, 0u);
}

INSTANTIATE_TEST_SUITE_P(modes, resting, testing::ValuesIn(REST_CASES),
                         [](const testing::TestParamInfo<rest_case>& info) {
                             return std::string(info.param.name);
                         });
