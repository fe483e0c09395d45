// Whole games through the real play screen. A driver hands the game one scripted pass at a
// time: it pushes the keys of the next pass when the game has drained the queue, and moves the
// clock only where the script says so, so fall steps happen exactly where they are planned.
// A model of the game, built on the board functions, plans the pieces (the same rand() % 7
// sequence) and predicts the numbers and the well after every landing.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/game_ctx.h"
#include "game/board.h"
#include "game/game_loop.h"
#include "input/input.h"
#include "store/scores.h"
#include "support/play_dir.h"
#include "support/screen_text.h"
#include "support/sdl_session.h"
#include "support/virtual_clock.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr uint64_t IDLE_READS_LIMIT = 3000; // a game still running then is closed
constexpr uint32_t FALL_JUMP_MS = 1000;     // makes the pass's fall step fire at any level

struct pass_action {
    std::vector<SDLKey> keys;    // taps polled by this pass (none: Up, which the game ignores)
    uint32_t jump = 0;           // added to the time as this pass reads it
    std::function<void()> check; // runs as this pass reads the time (screen of the pass before)
};

struct pass_driver {
    virtual_clock* vc = nullptr;
    std::vector<pass_action> passes;
    size_t pushed = 0;
    std::vector<SDLKey> after_keys; // pushed once the script is over (the new-record screen)
    std::function<void()> on_over;  // runs at the first read after the script is over
    bool over_seen = false;
    uint32_t over_at = 0; // time at which the script ended
    uint64_t idle_reads = 0;
    bool quit_pushed = false;
};

pass_driver* current_driver = nullptr;

void push_taps(const std::vector<SDLKey>& keys) {
    if (keys.empty()) push_tap(SDLK_UP);
    for (SDLKey k : keys)
        push_tap(k);
}

bool queue_empty() {
    SDL_Event e;
    return SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) == 0;
}

// The game reads the time first after each poll: an empty queue there means the pass that
// polled the last pushed keys is running.
uint32_t driver_ticks(void*) {
    pass_driver& d = *current_driver;
    if (queue_empty()) {
        if (d.pushed >= 1 && d.pushed <= d.passes.size()) {
            pass_action& a = d.passes[d.pushed - 1];
            if (a.check) a.check();
            d.vc->now += a.jump;
            if (d.pushed < d.passes.size()) push_taps(d.passes[d.pushed].keys);
            ++d.pushed;
            d.over_at = d.vc->now;
        } else if (d.pushed > d.passes.size()) {
            ++d.idle_reads;
            // The game ended in its last pass when the time moves on without another pass.
            if (!d.over_seen && d.vc->now != d.over_at) {
                d.over_seen = true;
                if (d.on_over) d.on_over();
                for (SDLKey k : d.after_keys)
                    push_tap(k);
            } else if (d.idle_reads > IDLE_READS_LIMIT && !d.quit_pushed) {
                d.quit_pushed = true;
                push_quit();
            }
        }
    }
    vclock_release(*d.vc);
    return d.vc->now;
}

void driver_delay(void*, uint32_t ms) {
    current_driver->vc->now += ms;
    current_driver->vc->delayed_ms += ms;
    vclock_release(*current_driver->vc);
}

// Points for the rows of one landing: 100, 200, 300 and 400 for the first to the fourth row.
constexpr std::array<int32_t, 5> ROW_SCORES{0, 100, 300, 600, 1000};

using type_grid = std::array<int8_t, BOARD_COLS * BOARD_ROWS>; // piece type per cell, -1 empty

struct outcome {
    bool ok = false;
    int downs = 0; // free steps down before the landing
    bool over = false;
    int burst = 0;
    int lowest = 0; // piece_lock's answer
    int highest = 0;
    board b{};
    type_grid types{};
};

struct placement {
    int turns = 0; // clockwise turns, or -1 for one counter-clockwise turn
    int shift = 0; // columns, negative to the left
};

// The test's own copy of the game.
struct game_model {
    board b{};
    type_grid types{};
    std::vector<int> sequence; // rand() % 7 in the game's order: falling, next, then one per spawn
    size_t current = 0;
    int32_t score = 0, lines = 0, level = 0;
    bool rise_pending = false, over = false;
    uint32_t now = 0, last_fall = 0;
    int rows_nine_and_ten = 0; // landings that took the ninth and the tenth row together
};

class game_test : public ::testing::Test {
  protected:
    sdl_session s;
    pass_driver d;
    clock_source source{};
    surface_ptr skin;
    surface_ptr scratch;
    font_ptr font;
    surface_ptr background;
    game_model m;
    std::function<void()> pending_check;

    void SetUp() override {
        ASSERT_TRUE(s.ok);
        d.vc = &s.vc;
        current_driver = &d;
        source = clock_source{driver_ticks, driver_delay, nullptr};
        clock_set_source(&source);
        skin = load_bmp("pics/skin0.bmp");
        ASSERT_NE(skin, nullptr);
        // The model's moves draw on a surface of one pixel: everything is clipped away.
        scratch.reset(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xff0000, 0xff00, 0xff, 0));
        font.reset(TTF_OpenFont("font/comic.ttf", 30));
        ASSERT_NE(font, nullptr);
        background.reset(IMG_Load("pics/board.jpg"));
        ASSERT_NE(background, nullptr);
        m.types.fill(-1);
        s.vc.now = 0; // every game starts its clock at 0 here
    }
    void TearDown() override { current_driver = nullptr; }

    void seed(unsigned value) {
        std::srand(value);
        m.sequence.clear();
        for (int i = 0; i < 400; ++i)
            m.sequence.push_back(std::rand() % 7);
        std::srand(value);
    }
    int falling_type() const { return m.sequence[m.current]; }

    // Runs the game over the planned passes.
    int play() {
        if (!d.passes.empty()) push_taps(d.passes[0].keys);
        d.pushed = 1;
        const int r = game_loop(s.screen, s.ctx);
        EXPECT_FALSE(d.quit_pushed) << "the game did not end by itself";
        return r;
    }
    void expect_all_passes_run() const {
        EXPECT_EQ(d.pushed, d.passes.size() + 1)
            << "passes run: " << d.pushed - 1 << " of " << d.passes.size();
    }

    // --- the model's passes -------------------------------------------------------------

    // One pass: keys polled, the clock moved by jump; 'fall' says the fall step must fire.
    void pass(std::vector<SDLKey> keys, uint32_t jump, bool fall) {
        if (m.rise_pending) {
            ++m.level;
            m.score += 1000;
            m.rise_pending = false;
        }
        m.now += jump;
        const bool fires = static_cast<int32_t>(m.now - m.last_fall) >= 1000 - 50 * m.level;
        EXPECT_EQ(fires, fall) << "script error at pass " << d.passes.size();
        if (fires) m.last_fall = m.now;
        for (SDLKey k : keys)
            if (k == SDLK_DOWN && !fires) m.score += 5;
        d.passes.push_back({std::move(keys), jump, std::move(pending_check)});
        pending_check = nullptr;
    }

    outcome try_placement(int type, placement pl) const {
        outcome o;
        o.b = m.b;
        o.types = m.types;
        piece p{};
        piece_init(p, skin.get(), type);
        const int turn = pl.turns < 0 ? MOVE_TURN_LEFT : MOVE_TURN_RIGHT;
        for (int i = 0; i < std::abs(pl.turns); ++i) {
            if (piece_fits(p, o.b, turn) != FIT_FREE) return o;
            piece_move(scratch.get(), p, turn);
        }
        const int side = pl.shift < 0 ? MOVE_LEFT : MOVE_RIGHT;
        for (int i = 0; i < std::abs(pl.shift); ++i) {
            if (piece_fits(p, o.b, side) != FIT_FREE) return o;
            piece_move(scratch.get(), p, side);
        }
        while (piece_fits(p, o.b, MOVE_DOWN) == FIT_FREE) {
            piece_move(scratch.get(), p, MOVE_DOWN);
            ++o.downs;
        }
        o.highest = p.cells[0].y;
        for (const piece_cell& c : p.cells) {
            o.highest = std::min<int>(o.highest, c.y);
            if (c.y >= 0) o.types[c.x * BOARD_ROWS + c.y] = static_cast<int8_t>(type);
        }
        o.lowest = piece_lock(p, o.b);
        o.over = o.lowest == 0;
        if (!o.over) {
            for (int row = find_full_row(o.b); row != 0; row = find_full_row(o.b)) {
                remove_row(scratch.get(), o.b, row);
                for (int y = row; y >= 1; --y)
                    for (int x = 0; x < BOARD_COLS; ++x)
                        o.types[x * BOARD_ROWS + y] = o.types[x * BOARD_ROWS + y - 1];
                for (int x = 0; x < BOARD_COLS; ++x)
                    o.types[x * BOARD_ROWS] = -1;
                ++o.burst;
            }
        }
        o.ok = true;
        return o;
    }

    // Plays the falling piece: turns and shifts at the top, one fall step, then soft drops
    // down to the landing.
    outcome play_piece(placement pl) {
        const outcome o = try_placement(falling_type(), pl);
        EXPECT_TRUE(o.ok);
        const SDLKey turn = pl.turns < 0 ? SDLK_q : SDLK_w;
        for (int i = 0; i < std::abs(pl.turns); ++i)
            pass({turn}, 0, false);
        const SDLKey side = pl.shift < 0 ? SDLK_LEFT : SDLK_RIGHT;
        for (int i = 0; i < std::abs(pl.shift); ++i)
            pass({side}, 0, false);
        pass({}, FALL_JUMP_MS, true);
        for (int i = 0; i < o.downs; ++i)
            pass({SDLK_DOWN}, 0, false);
        land(o);
        return o;
    }

    void land(const outcome& o) {
        m.b = o.b;
        m.types = o.types;
        if (o.over) {
            m.over = true;
            return;
        }
        bool nine = false;
        for (int k = 1; k <= o.burst; ++k) {
            if ((m.lines + k) % 10 == 0) m.rise_pending = true;
            if ((m.lines + k) % 10 == 9 && k < o.burst) nine = true;
        }
        m.rows_nine_and_ten += nine;
        m.lines += o.burst;
        m.score += ROW_SCORES.at(static_cast<size_t>(o.burst));
        m.now += 100 * o.burst;
        ++m.current; // the next piece comes in with the next pass
        check_numbers_and_well();
    }

    // The next pass checks what this one left: the three numbers and the stack.
    void check_numbers_and_well() {
        const int32_t score = m.score, lines = m.lines, level = m.level;
        const board b = m.b;
        const type_grid types = m.types;
        const size_t at = d.passes.size();
        pending_check = [this, score, lines, level, b, types, at] {
            EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, score))
                << "score " << score << " pass " << at;
            EXPECT_TRUE(shows_number(LAYOUT_LINES_AT, lines))
                << "lines " << lines << " pass " << at;
            EXPECT_TRUE(shows_number(LAYOUT_LEVEL_AT, level))
                << "level " << level << " pass " << at;
            expect_well(b, types, at);
        };
    }

    // --- what the screen shows -----------------------------------------------------------

    bool shows_number(layout_at at, int32_t value) {
        const int x = at.x, y = at.y;
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        surface_ptr r(TTF_RenderText_Solid(font.get(), text, SDL_Color{255, 255, 255, 0}));
        if (!r) return false;
        // The digits, and black right after them (no digit of a longer old number is left).
        return shows_text(s.screen, r.get(), x, y, LAYOUT_SCREEN_H) &&
               !area_lit(s.screen, x + r->w, y, 30, r->h);
    }
    bool square_shows_tile(int px, int py, int type) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x)
                if (pixel_rgb(s.screen, px + x, py + y) != pixel_rgb(skin.get(), 30 * type + x, y))
                    return false;
        return true;
    }
    void expect_well(const board& b, const type_grid& types, size_t at) {
        int wrong = 0;
        for (int x = 0; x < BOARD_COLS; ++x)
            for (int y = 0; y < BOARD_ROWS; ++y) {
                const bool ok = b.cells[x * BOARD_ROWS + y]
                                    ? square_shows_tile(30 * x, 30 * y, types[x * BOARD_ROWS + y])
                                    : area_black(s.screen, 30 * x, 30 * y, 30, 30);
                if (!ok && wrong++ < 5)
                    ADD_FAILURE() << "well cell " << x << "," << y << " before pass " << at;
            }
    }
    void expect_preview(int type) {
        piece p{};
        piece_init(p, skin.get(), type);
        for (const piece_cell& c : p.cells)
            EXPECT_TRUE(
                square_shows_tile(30 * c.x + LAYOUT_PREVIEW_DX, 30 * c.y + LAYOUT_PREVIEW_DY, type))
                << "preview";
    }

    // --- a simple player -----------------------------------------------------------------

    // Keeps columns 0 to 8 low and flat and fills column 9 only to take an allowed number of
    // rows at once.
    placement choose(const std::function<bool(int)>& burst_allowed) {
        placement best{};
        double best_value = -1e18;
        for (int turns : {0, 1, 2, -1})
            for (int shift = -6; shift <= 6; ++shift) {
                const outcome o = try_placement(falling_type(), {turns, shift});
                if (!o.ok) continue;
                double value = o.over ? -1e9 : 0;
                int heights[BOARD_COLS];
                int holes = 0;
                for (int x = 0; x < BOARD_COLS; ++x) {
                    heights[x] = 0;
                    for (int y = 0; y < BOARD_ROWS; ++y)
                        if (o.b.cells[x * BOARD_ROWS + y]) {
                            if (!heights[x]) heights[x] = BOARD_ROWS - y;
                        } else if (heights[x]) {
                            ++holes;
                        }
                }
                int total = 0, bumps = 0;
                for (int x = 0; x < 9; ++x)
                    total += heights[x];
                for (int x = 0; x < 8; ++x)
                    bumps += std::abs(heights[x] - heights[x + 1]);
                value += -0.51 * total - 0.76 * holes * 2 - 0.18 * bumps - 8.0 * heights[9];
                if (o.burst) value += burst_allowed(o.burst) ? 1000 : -1e6;
                if (value > best_value) {
                    best_value = value;
                    best = {turns, shift};
                }
            }
        return best;
    }

    void escape_pass() { pass({SDLK_ESCAPE}, 0, false); }
};

std::string default_table_text() {
    std::string t;
    for (int i = 0; i < 10; ++i)
        t += "aaa " + std::to_string(10 * (9 - i)) + "\n";
    return t;
}

// Rows removed one, two, three and four at a time, the points of each, the soft drops, the
// level rise with its bonus and the shorter fall delay; the first fall step at 1000 ms.
TEST_F(game_test, scoring_rows_soft_drops_and_the_level_rise) {
    seed(7);
    // First piece: no fall step at 999 ms, one at 1000 ms (the clock starts at 0).
    pending_check = [this] {
        EXPECT_TRUE(area_black(s.screen, 0, 0, LAYOUT_WELL_W, LAYOUT_WELL_H));
    };
    pass({}, 999, false);
    pass({}, 1, true);
    const int first = falling_type();
    {
        // The first piece is seen at once in row 0 after that fall step.
        piece p{};
        piece_init(p, skin.get(), first);
        pending_check = [this, p, first] {
            for (const piece_cell& c : p.cells)
                EXPECT_TRUE(square_shows_tile(30 * c.x, 30 * (c.y + 1), first));
            EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, 0));
        };
        outcome o = try_placement(first, {0, -4});
        // Left four columns, then soft drops down to the floor.
        for (int i = 0; i < 4; ++i)
            pass({SDLK_LEFT}, 0, false);
        for (int i = 0; i < o.downs; ++i)
            pass({SDLK_DOWN}, 0, false);
        land(o);
    }

    std::set<int> wanted = {1, 2, 3, 4};
    // The single row must not be last, so that the ninth and tenth rows go in one landing.
    auto allowed = [&](int b) {
        if (!wanted.count(b)) return false;
        return !(wanted.size() == 2 && wanted.count(1) && b != 1);
    };
    int pieces = 0;
    while (!wanted.empty() && pieces < 150 && !m.over) {
        const outcome o = play_piece(choose(allowed));
        if (o.burst) wanted.erase(o.burst);
        ++pieces;
    }
    ASSERT_TRUE(wanted.empty()) << "the player did not get every row count in " << pieces;
    EXPECT_EQ(m.lines, 10);
    EXPECT_EQ(m.rows_nine_and_ten, 1);
    ASSERT_TRUE(m.rise_pending);

    // Next piece: the level rise comes with its first pass; the delay is now 950 ms.
    const uint32_t since = m.now - m.last_fall; // the row pauses since the last fall step
    ASSERT_LT(since, 949u);
    pass({}, 949 - since, false);
    {
        // The level is drawn at once; the score waits for the next pass with a move, and the
        // new piece has not moved yet.
        const int32_t score = m.score;
        const board b = m.b;
        const type_grid types = m.types;
        pending_check = [this, score, b, types] {
            EXPECT_TRUE(shows_number(LAYOUT_LEVEL_AT, 1));
            EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, score - 1000));
            expect_well(b, types, 0);
        };
        pass({}, 1, true);
        pending_check = [this, score] { EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, score)); };
    }
    const outcome o = try_placement(falling_type(), {});
    for (int i = 0; i < o.downs; ++i)
        pass({SDLK_DOWN}, 0, false);
    land(o);
    // One more piece at level 1, to see that the level rose only once.
    play_piece(choose([](int) { return true; }));
    EXPECT_EQ(m.level, 1);
    escape_pass();

    EXPECT_EQ(play(), 1);
    expect_all_passes_run();
    // Escape: no record, and the table (the defaults, no file yet) was saved.
    EXPECT_EQ(read_play_file("data/scores.dat"), default_table_text());
}

// A side move or turn taken in the pass of a fall step is lost; a soft drop of that pass is
// carried out in the next one.
TEST_F(game_test, commands_in_the_pass_of_a_fall_step) {
    seed(3);
    const int type = falling_type();
    piece p{};
    piece_init(p, skin.get(), type);
    pass({SDLK_RIGHT}, 1000, true); // the fall step takes this pass; the move is lost
    pass({}, 0, false);             // nothing pending: no move
    pass({SDLK_w, SDLK_RIGHT}, 0, false);
    pass({SDLK_DOWN}, 1000, true); // a fall step again; the soft drop waits
    pass({}, 0, false);            // and is carried out here: two steps down in all
    piece_move(scratch.get(), p, MOVE_DOWN);
    piece_move(scratch.get(), p, MOVE_RIGHT); // the later of turn and move replaces the turn
    piece_move(scratch.get(), p, MOVE_DOWN);
    piece_move(scratch.get(), p, MOVE_DOWN);
    pending_check = [this, p, type] {
        for (const piece_cell& c : p.cells)
            EXPECT_TRUE(square_shows_tile(30 * c.x, 30 * c.y, type)) << c.x << "," << c.y;
        int lit = 0;
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 20; ++y)
                lit += area_lit(s.screen, 30 * x + 10, 30 * y + 10, 1, 1);
        EXPECT_EQ(lit, 4);
        EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, 5));
    };
    pass({SDLK_ESCAPE}, 0, false);
    EXPECT_EQ(play(), 1);
    expect_all_passes_run();
}

// On the joystick device the hat and the two buttons drive the piece and the arrow keys do
// nothing; the flags are set as the poller would, right after the pass's poll.
TEST_F(game_test, joystick_flags_on_the_joystick_device) {
    s.ctx.controls->device = CTX_DEVICE_JOYSTICK;
    input_state& in = *s.ctx.input;
    seed(4);
    const int type = falling_type();
    piece p{};
    piece_init(p, skin.get(), type);
    pass({}, 1000, true);
    pending_check = [&in] { in.hat_cmd[INPUT_HAT_RIGHT] = 1; };
    pass({SDLK_LEFT}, 0, false); // the key is not read: the hat moves the piece right
    pending_check = [&in] { in.button_left_cmd = 1; };
    pass({SDLK_RIGHT}, 0, false); // the turn stays: the arrow would have replaced it
    pending_check = [&in] { in.hat_cmd[INPUT_HAT_DOWN] = 1; };
    pass({}, 0, false);
    for (int kind : {MOVE_DOWN, MOVE_RIGHT, MOVE_TURN_LEFT, MOVE_DOWN})
        piece_move(scratch.get(), p, kind);
    pending_check = [this, &in, p, type] {
        for (const piece_cell& c : p.cells)
            EXPECT_TRUE(square_shows_tile(30 * c.x, 30 * c.y, type)) << c.x << "," << c.y;
        EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, 5));
        EXPECT_EQ(in.hat_cmd[INPUT_HAT_RIGHT] | in.button_left_cmd | in.hat_cmd[INPUT_HAT_DOWN], 0);
        EXPECT_EQ(in.keys[SDLK_LEFT] & in.keys[SDLK_RIGHT], 1); // never taken, never cleared
    };
    escape_pass();
    EXPECT_EQ(play(), 1);
    expect_all_passes_run();
}

// Pieces resting partly above the well go on while their lowest cell is in row 1 or lower; the
// game ends with the first that rests in row 0 or above, with the curtain and the text; the
// score then makes a record, entered with the keys and saved.
TEST_F(game_test, game_over_and_a_new_record) {
    seed(11);
    bool above_seen = false;
    for (int pieces = 0; pieces < 100 && !m.over; ++pieces) {
        // Stack in the middle; once the top is near, prefer a landing that sticks out of the
        // well without ending the game, and then the one that ends it.
        placement pick{};
        bool found = false;
        for (int shift = 0; shift <= 3 && !above_seen && !found; ++shift)
            for (int turns : {1, -1, 2})
                for (int sign : {1, -1}) {
                    const outcome o = try_placement(falling_type(), {turns, sign * shift});
                    if (!found && o.ok && !o.over && o.highest < 0) {
                        pick = {turns, sign * shift};
                        found = above_seen = true;
                    }
                }
        if (!found && try_placement(falling_type(), {}).over && !above_seen) {
            // Look sideways for room, so the game goes on until the case above is seen.
            for (int shift : {-3, 3, -2, 2, -1, 1}) {
                const outcome q = try_placement(falling_type(), {0, shift});
                if (q.ok && !q.over) {
                    pick = {0, shift};
                    break;
                }
            }
        }
        const outcome o = play_piece(pick);
        EXPECT_FALSE(o.burst) << "no row should fill here";
    }
    ASSERT_TRUE(above_seen);
    ASSERT_TRUE(m.over);
    ASSERT_GT(m.score, 90); // soft drops alone beat the whole default table

    // When the animation holds: the well black but for the text at the middle.
    const uint32_t landing_time = m.now;
    uint32_t seen_at = 0;
    d.on_over = [this, &seen_at] {
        seen_at = s.vc.now;
        surface_ptr t(TTF_RenderText_Solid(font.get(), "GAME OVER", SDL_Color{255, 255, 255, 0}));
        ASSERT_NE(t, nullptr);
        const int x = (LAYOUT_WELL_W - t->w) / 2, mid = LAYOUT_SCREEN_H / 2;
        EXPECT_TRUE(shows_text(s.screen, t.get(), x, mid, LAYOUT_SCREEN_H));
        EXPECT_FALSE(area_lit(s.screen, 0, 0, LAYOUT_WELL_W, mid));
        EXPECT_FALSE(area_lit(s.screen, 0, mid + t->h, LAYOUT_WELL_W, mid - t->h));
    };
    // Name "cba": c at the first place, b at the second, a left at the third.
    d.after_keys = {SDLK_UP, SDLK_UP, SDLK_RIGHT, SDLK_UP, SDLK_RIGHT, SDLK_RETURN};
    EXPECT_EQ(play(), 1);
    expect_all_passes_run();
    // Curtain of 200 cells at 10 ms and 61 slide steps at 50 ms.
    EXPECT_EQ(seen_at - landing_time, 200u * 10 + 61 * 50);

    std::string want = "cba " + std::to_string(m.score) + "\n";
    for (int i = 0; i < 9; ++i)
        want += "aaa " + std::to_string(10 * (9 - i)) + "\n";
    EXPECT_EQ(read_play_file("data/scores.dat"), want);
}

// Escape and the window's close end the game without a record, even with points made in the
// very pass that ends it; the close ends the program.
TEST_F(game_test, escape_and_close_enter_no_record) {
    for (SDLKey end : {SDLK_ESCAPE, SDLK_UNKNOWN}) {
        d = pass_driver{};
        d.vc = &s.vc;
        m = game_model{};
        m.types.fill(-1);
        s.vc.now = 0;
        seed(5);
        remove_play_file("data/scores.dat");
        // The first pass's fall step, then soft drops: well above the table's last lines.
        pass({}, 1000, true);
        for (int i = 0; i < 6; ++i)
            pass({SDLK_DOWN}, 0, false);
        ASSERT_EQ(m.score, 30);
        if (end == SDLK_ESCAPE) {
            d.passes.push_back({{SDLK_ESCAPE, SDLK_DOWN}, 0, nullptr});
        } else {
            // The close comes with the last pass's soft drop.
            d.passes.push_back({{SDLK_DOWN}, 0, [] { push_quit(); }});
            d.passes.push_back({{SDLK_DOWN}, 0, nullptr});
        }
        const int r = play();
        EXPECT_EQ(r, end == SDLK_ESCAPE ? 1 : 0);
        EXPECT_EQ(read_play_file("data/scores.dat"), default_table_text());
        expect_all_passes_run();
    }
}

// F1 during play: the window becomes fullscreen, and the background, the numbers, the
// preview and the stack come back at once; F1 again goes back to the window.
TEST_F(game_test, fullscreen_switch_redraws_the_screen) {
    seed(21);
    pass({}, 1000, true);
    {
        outcome o = try_placement(falling_type(), {});
        for (int i = 0; i < o.downs; ++i)
            pass({SDLK_DOWN}, 0, false);
        land(o);
    }
    for (int i = 0; i < 5; ++i)
        play_piece(choose([](int) { return true; }));
    ASSERT_GT(m.score, 0);
    for (int round = 1; round <= 2; ++round) {
        const int32_t score = m.score, lines = m.lines;
        const board b = m.b;
        const type_grid types = m.types;
        const int next = m.sequence[m.current + 1];
        pass({SDLK_F1}, 0, false);
        pending_check = [this, score, lines, b, types, next, round] {
            EXPECT_EQ(s.ctx.options->fullscreen, round == 1 ? 1 : 0);
            EXPECT_TRUE(shows_number(LAYOUT_SCORE_AT, score));
            EXPECT_TRUE(shows_number(LAYOUT_LINES_AT, lines));
            EXPECT_TRUE(shows_number(LAYOUT_LEVEL_AT, 0));
            expect_well(b, types, 0);
            expect_preview(next);
            // The background right of the well, away from the numbers and the preview.
            int wrong = 0;
            for (int y = 0; y < LAYOUT_SCREEN_H; y += 3)
                for (int x = LAYOUT_WELL_W; x < LAYOUT_SCREEN_W; x += 3) {
                    bool number = false;
                    for (const layout_at& n : {LAYOUT_LEVEL_AT, LAYOUT_LINES_AT, LAYOUT_SCORE_AT})
                        number = number ||
                                 (x >= n.x - 5 && y >= n.y - 5 && y < n.y + LAYOUT_NUMBER_H + 8);
                    const bool preview =
                        x >= LAYOUT_PREVIEW_X && x < LAYOUT_PREVIEW_X + LAYOUT_PREVIEW_W &&
                        y >= LAYOUT_PREVIEW_Y && y < LAYOUT_PREVIEW_Y + LAYOUT_PREVIEW_H;
                    if (number || preview) continue;
                    const uint32_t c = pixel_rgb(s.screen, x, y);
                    wrong += c != pixel_rgb(background.get(), x, y);
                }
            EXPECT_EQ(wrong, 0);
        };
        pass({}, 0, false);
    }
    escape_pass();
    EXPECT_EQ(play(), 1);
    expect_all_passes_run();
}

// A picture, the tune or the font that cannot be loaded: its message, no play, result 0;
// the table is still saved.
TEST_F(game_test, failed_loads_end_the_game_at_once) {
    s.ctx.options->tune = 1;
    seed(1);
    pass({}, 1000, true);
    escape_pass();
    testing::internal::CaptureStdout();
    EXPECT_EQ(play(), 1); // with the tune loaded the game runs
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("musique"), std::string::npos) << out;
    expect_all_passes_run();

    struct missing {
        const char* file;
        const char* message;
    };
    const missing cases[] = {
        {"pics/board.jpg", "JEU / Err chargement de board.jpg"},
        {"pics/skin0.bmp", "Err / chargement skin :"},
        {"sounds/tune1.mod", "Err / chargement musique :File not found\n"},
        {"font/comic.ttf", "Err chargement de la police de characteres\n"},
    };
    for (const missing& c : cases) {
        remove_play_file(c.file);
        remove_play_file("data/scores.dat");
        d = pass_driver{};
        d.vc = &s.vc;
        d.passes.push_back({{}, 1000, nullptr});
        testing::internal::CaptureStdout();
        EXPECT_EQ(play(), 0) << c.file;
        out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.message), std::string::npos) << c.file << ": " << out;
        EXPECT_EQ(d.pushed, 1u) << "no pass runs without " << c.file;
        EXPECT_EQ(read_play_file("data/scores.dat"), default_table_text());
    }
}

} // namespace

namespace {

// A background whose frame header declares 60000 by 60000 pixels (the reader would ask for a
// 14 GB surface) is refused before the JPEG reader sees it, and the game ends as for a missing
// one.
TEST_F(game_test, oversized_background_is_reported_like_a_missing_one) {
    std::string jpeg = read_play_file("pics/board.jpg");
    const size_t frame = jpeg.find("\xff\xc0");
    ASSERT_NE(frame, std::string::npos);
    ASSERT_LT(frame + 9, jpeg.size());
    for (size_t at : {frame + 5, frame + 7}) { // height, then width
        jpeg[at] = static_cast<char>(60000 >> 8);
        jpeg[at + 1] = static_cast<char>(60000 & 0xFF);
    }
    remove_play_file("pics/board.jpg");
    write_play_file("pics/board.jpg", jpeg);
    d.passes.push_back({{}, 1000, nullptr});
    testing::internal::CaptureStdout();
    EXPECT_EQ(play(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("JEU / Err chargement de board.jpg"), std::string::npos) << out;
    EXPECT_EQ(d.pushed, 1u) << "no pass runs";
}

} // namespace
