// The well and the falling piece: collision rules, moves with their pixels, locking, rows.
#include <SDL.h>
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "game/board.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

using cell_set = std::set<std::pair<int, int>>;

cell_set cells_of(const piece& p) {
    cell_set s;
    for (const piece_cell& c : p.cells)
        s.insert({c.x, c.y});
    return s;
}

void occupy(board& b, int x, int y) {
    b.cells[x * BOARD_ROWS + y] = 1;
}

void fill_row(board& b, int y) {
    for (int x = 0; x < BOARD_COLS; ++x)
        occupy(b, x, y);
}

Uint32 pixel_at(SDL_Surface* s, int x, int y) {
    SDL_LockSurface(s);
    const auto* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
    const Uint32 v = reinterpret_cast<const Uint32*>(row)[x];
    SDL_UnlockSurface(s);
    return v;
}

// True when every pixel of the 30x30 square at (px, py) has the value v.
bool square_is(SDL_Surface* s, int px, int py, Uint32 v) {
    for (int y = py; y < py + BOARD_CELL; ++y)
        for (int x = px; x < px + BOARD_CELL; ++x)
            if (pixel_at(s, x, y) != v) return false;
    return true;
}

class board_test : public ::testing::Test {
  protected:
    SDL_Surface* screen = nullptr;
    surface_ptr skin;
    board b{};

    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen =
            SDL_SetVideoMode(LAYOUT_SCREEN_W, LAYOUT_SCREEN_H, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        SDL_FillRect(screen, nullptr, black());
        // Seven plain tiles, one colour per type.
        skin.reset(SDL_CreateRGBSurface(SDL_SWSURFACE, 210, 30, 32, screen->format->Rmask,
                                        screen->format->Gmask, screen->format->Bmask, 0));
        ASSERT_NE(skin, nullptr);
        for (int t = 0; t < 7; ++t) {
            SDL_Rect r{static_cast<Sint16>(30 * t), 0, 30, 30};
            SDL_FillRect(skin.get(), &r, tile_colour(t));
        }
    }
    void TearDown() override {
        skin.reset();
        SDL_Quit();
    }
    Uint32 black() const { return SDL_MapRGB(screen->format, 0, 0, 0); }
    Uint32 tile_colour(int t) const {
        return SDL_MapRGB(screen->format, 40 + 30 * t, 200 - 20 * t, 100 + 10 * t);
    }
    piece spawn(int type) {
        piece p{};
        piece_init(p, skin.get(), type);
        return p;
    }
    // Carries out a move only when it fits, as the game does.
    int try_move(piece& p, int kind) {
        const int fit = piece_fits(p, b, kind);
        if (fit == FIT_FREE) piece_move(screen, p, kind);
        return fit;
    }
};

TEST_F(board_test, spawn_cells_and_tile) {
    const cell_set expected[7] = {
        {{5, 0}, {5, -1}, {4, 0}, {6, 0}},    {{5, -1}, {6, -1}, {4, -1}, {4, 0}},
        {{5, -1}, {4, -1}, {6, -1}, {6, 0}},  {{4, -1}, {4, 0}, {5, -1}, {5, 0}},
        {{5, -1}, {4, -1}, {6, -1}, {7, -1}}, {{5, 0}, {4, 0}, {5, -1}, {6, -1}},
        {{5, 0}, {6, 0}, {5, -1}, {4, -1}},
    };
    const std::pair<int, int> pivots[7] = {{5, 0},  {5, -1}, {5, -1}, {4, -1},
                                           {5, -1}, {5, 0},  {5, 0}};
    for (int t = 0; t < 7; ++t) {
        const piece p = spawn(t);
        EXPECT_EQ(p.type, t);
        EXPECT_EQ(p.skin_pic, skin.get());
        EXPECT_EQ(p.src.x, 30 * t);
        EXPECT_EQ(p.src.y, 0);
        EXPECT_EQ(p.src.w, 30);
        EXPECT_EQ(p.src.h, 30);
        EXPECT_EQ(cells_of(p), expected[t]) << "type " << t;
        EXPECT_EQ(std::make_pair(int{p.cells[0].x}, int{p.cells[0].y}), pivots[t]);
    }
}

TEST_F(board_test, turning_about_the_pivot) {
    // The lying line turned clockwise stands upright, two cells above the well.
    piece line = spawn(4);
    ASSERT_EQ(try_move(line, MOVE_TURN_RIGHT), FIT_FREE);
    const std::pair<int, int> upright[4] = {{5, -1}, {5, -2}, {5, 0}, {5, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(line.cells[i].x, upright[i].first) << i;
        EXPECT_EQ(line.cells[i].y, upright[i].second) << i;
    }
    // Against the right wall it can turn neither way.
    while (try_move(line, MOVE_RIGHT) == FIT_FREE) {
    }
    EXPECT_EQ(line.cells[0].x, 9);
    EXPECT_EQ(piece_fits(line, b, MOVE_TURN_RIGHT), FIT_BLOCKED);
    EXPECT_EQ(piece_fits(line, b, MOVE_TURN_LEFT), FIT_BLOCKED);
    while (try_move(line, MOVE_LEFT) == FIT_FREE) {
    }
    EXPECT_EQ(line.cells[0].x, 0);
    EXPECT_EQ(piece_fits(line, b, MOVE_TURN_RIGHT), FIT_BLOCKED);
    EXPECT_EQ(piece_fits(line, b, MOVE_TURN_LEFT), FIT_BLOCKED);

    // The square turns about a corner: clockwise shifts it left, counter-clockwise lifts it.
    piece sq = spawn(3);
    piece_move(screen, sq, MOVE_TURN_RIGHT);
    EXPECT_EQ(cells_of(sq), (cell_set{{3, -1}, {3, 0}, {4, -1}, {4, 0}}));
    sq = spawn(3);
    piece_move(screen, sq, MOVE_TURN_LEFT);
    EXPECT_EQ(cells_of(sq), (cell_set{{4, -2}, {4, -1}, {5, -2}, {5, -1}}));

    // A turn and its opposite bring every piece back, cell for cell; four turns as well.
    for (int t = 0; t < 7; ++t) {
        piece p = spawn(t);
        piece_move(screen, p, MOVE_DOWN);
        piece_move(screen, p, MOVE_DOWN);
        const piece start = p;
        piece_move(screen, p, MOVE_TURN_RIGHT);
        EXPECT_NE(cells_of(p), cells_of(start)) << "type " << t;
        piece_move(screen, p, MOVE_TURN_LEFT);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(p.cells[i].x, start.cells[i].x) << "type " << t;
            EXPECT_EQ(p.cells[i].y, start.cells[i].y) << "type " << t;
        }
        for (int k = 0; k < 4; ++k)
            piece_move(screen, p, MOVE_TURN_LEFT);
        EXPECT_EQ(cells_of(p), cells_of(start)) << "type " << t;
    }
    // No move and unknown kinds change nothing and always fit.
    piece p = spawn(0);
    fill_row(b, 0);
    for (int kind : {int{MOVE_NONE}, 6, 99}) {
        EXPECT_EQ(piece_fits(p, b, kind), FIT_FREE);
        piece_move(screen, p, kind);
        EXPECT_EQ(cells_of(p), cells_of(spawn(0)));
    }
}

TEST_F(board_test, walls_floor_and_stack) {
    piece p = spawn(0); // T: columns 4..6
    while (try_move(p, MOVE_RIGHT) == FIT_FREE) {
    }
    EXPECT_EQ(p.cells[3].x, 9);
    EXPECT_EQ(piece_fits(p, b, MOVE_RIGHT), FIT_BLOCKED);
    while (try_move(p, MOVE_LEFT) == FIT_FREE) {
    }
    EXPECT_EQ(p.cells[2].x, 0);
    EXPECT_EQ(piece_fits(p, b, MOVE_LEFT), FIT_BLOCKED);

    // Down to the floor: landed, never blocked.
    int downs = 0;
    while (try_move(p, MOVE_DOWN) == FIT_FREE)
        ++downs;
    EXPECT_EQ(downs, 19);
    EXPECT_EQ(p.cells[0].y, 19);
    EXPECT_EQ(piece_fits(p, b, MOVE_DOWN), FIT_LANDED);
    // With the pivot on the floor a clockwise turn would reach row 20: blocked, not landed.
    EXPECT_EQ(piece_fits(p, b, MOVE_TURN_RIGHT), FIT_BLOCKED);

    // A cell of the stack under one cell lands the piece; beside it, blocks it.
    board_test::b = board{};
    piece q = spawn(0);
    for (int i = 0; i < 5; ++i)
        piece_move(screen, q, MOVE_DOWN); // pivot (5, 5)
    occupy(b, 4, 6);
    EXPECT_EQ(piece_fits(q, b, MOVE_DOWN), FIT_LANDED);
    EXPECT_EQ(piece_fits(q, b, MOVE_LEFT), FIT_FREE);
    occupy(b, 3, 5);
    EXPECT_EQ(piece_fits(q, b, MOVE_LEFT), FIT_BLOCKED);
    EXPECT_EQ(piece_fits(q, b, MOVE_RIGHT), FIT_FREE);
    // Both turns send a cell to (5, 6): clockwise the right arm, counter-clockwise the left.
    occupy(b, 5, 6);
    EXPECT_EQ(piece_fits(q, b, MOVE_TURN_RIGHT), FIT_BLOCKED);
    EXPECT_EQ(piece_fits(q, b, MOVE_TURN_LEFT), FIT_BLOCKED);
    b.cells[5 * BOARD_ROWS + 6] = 0;
    EXPECT_EQ(piece_fits(q, b, MOVE_TURN_RIGHT), FIT_FREE);

    // The first cell's failure is not undone by the free cells after it.
    board_test::b = board{};
    piece r = spawn(5); // S: pivot (5, 0) first
    occupy(b, 6, 0);    // only the pivot's right neighbour
    EXPECT_EQ(piece_fits(r, b, MOVE_RIGHT), FIT_BLOCKED);
    occupy(b, 5, 1);
    EXPECT_EQ(piece_fits(r, b, MOVE_DOWN), FIT_LANDED);
}

TEST_F(board_test, rows_above_the_well_are_free) {
    // A target in row -1 must not be looked up as the bottom of the previous column.
    fill_row(b, 19);
    fill_row(b, 18);
    piece line = spawn(4); // wholly in row -1
    EXPECT_EQ(piece_fits(line, b, MOVE_LEFT), FIT_FREE);
    EXPECT_EQ(piece_fits(line, b, MOVE_RIGHT), FIT_FREE);
    EXPECT_EQ(piece_fits(line, b, MOVE_TURN_RIGHT), FIT_FREE); // reaches row -2
    EXPECT_EQ(piece_fits(line, b, MOVE_DOWN), FIT_FREE);
    // Above the well only the walls count.
    piece up = spawn(4);
    piece_move(screen, up, MOVE_TURN_RIGHT);
    piece_move(screen, up, MOVE_TURN_RIGHT); // lying again, now at row -1 columns 3..6
    EXPECT_EQ(cells_of(up), (cell_set{{3, -1}, {4, -1}, {5, -1}, {6, -1}}));
    for (int i = 0; i < 3; ++i)
        piece_move(screen, up, MOVE_LEFT);
    EXPECT_EQ(piece_fits(up, b, MOVE_LEFT), FIT_BLOCKED);
}

TEST_F(board_test, lock_stores_cells_in_the_well) {
    piece p = spawn(3); // square, rows -1 and 0
    for (int i = 0; i < 19; ++i)
        piece_move(screen, p, MOVE_DOWN); // rows 18 and 19
    EXPECT_EQ(piece_lock(p, b), 19);
    int count = 0;
    for (uint8_t v : b.cells)
        count += v;
    EXPECT_EQ(count, 4);
    EXPECT_EQ(b.cells[4 * BOARD_ROWS + 18], 1);
    EXPECT_EQ(b.cells[5 * BOARD_ROWS + 19], 1);

    // A lying line resting in row 0 gives 0, as does one wholly above the well.
    board_test::b = board{};
    piece line = spawn(4);
    piece_move(screen, line, MOVE_DOWN);
    EXPECT_EQ(piece_lock(line, b), 0);
    EXPECT_EQ(b.cells[4 * BOARD_ROWS + 0], 1);
    EXPECT_EQ(b.cells[7 * BOARD_ROWS + 0], 1);
    board_test::b = board{};
    EXPECT_EQ(piece_lock(spawn(4), b), 0);
    for (uint8_t v : b.cells)
        EXPECT_EQ(v, 0);

    // Only the cells inside the well are stored; a lowest cell in row 1 is reported as 1.
    piece up = spawn(4);
    piece_move(screen, up, MOVE_TURN_RIGHT); // rows -2..1
    EXPECT_EQ(piece_lock(up, b), 1);
    count = 0;
    for (uint8_t v : b.cells)
        count += v;
    EXPECT_EQ(count, 2);
}

TEST_F(board_test, full_rows_from_the_floor_up) {
    EXPECT_EQ(find_full_row(b), 0);
    fill_row(b, 17);
    fill_row(b, 19);
    occupy(b, 3, 18);
    EXPECT_EQ(find_full_row(b), 19);
    remove_row(screen, b, 19);
    EXPECT_EQ(find_full_row(b), 18);
    EXPECT_EQ(b.cells[3 * BOARD_ROWS + 19], 1); // the single cell of row 18 came down
    remove_row(screen, b, 18);
    EXPECT_EQ(find_full_row(b), 0);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < BOARD_COLS; ++x)
            EXPECT_EQ(b.cells[x * BOARD_ROWS + y], 0);

    // Nine cells are not a full row, and a full top row is never reported.
    board_test::b = board{};
    for (int x = 0; x < 9; ++x)
        occupy(b, x, 10);
    EXPECT_EQ(find_full_row(b), 0);
    fill_row(b, 0);
    EXPECT_EQ(find_full_row(b), 0);

    // Rows outside the well change nothing.
    const board before = b;
    remove_row(screen, b, -1);
    remove_row(screen, b, 20);
    EXPECT_EQ(b.cells, before.cells);
}

TEST_F(board_test, move_erases_old_squares_and_draws_new_ones) {
    piece p = spawn(6); // Z
    piece_move(screen, p, MOVE_DOWN);
    piece_move(screen, p, MOVE_DOWN);
    for (int kind : {MOVE_RIGHT, MOVE_TURN_RIGHT, MOVE_DOWN, MOVE_LEFT, MOVE_TURN_LEFT}) {
        const cell_set old_cells = cells_of(p);
        piece_move(screen, p, kind);
        const cell_set now = cells_of(p);
        for (const auto& [x, y] : now)
            EXPECT_TRUE(square_is(screen, 30 * x, 30 * y, tile_colour(6)))
                << "kind " << kind << " cell " << x << "," << y;
        for (const auto& c : old_cells) {
            if (now.count(c)) continue;
            EXPECT_TRUE(square_is(screen, 30 * c.first, 30 * c.second, black()))
                << "kind " << kind << " old cell " << c.first << "," << c.second;
        }
    }
    // Nothing else on the screen was touched: only the four squares are lit.
    int lit = 0;
    for (int y = 0; y < LAYOUT_SCREEN_H; y += 30)
        for (int x = 0; x < LAYOUT_SCREEN_W; x += 30)
            lit += pixel_at(screen, x, y) != black();
    EXPECT_EQ(lit, 4);

    // The first move of a new piece shows its lower row only, the next one the whole piece.
    SDL_FillRect(screen, nullptr, black());
    piece line = spawn(0);
    piece_move(screen, line, MOVE_NONE);
    EXPECT_TRUE(square_is(screen, 150, 0, tile_colour(0)));
    EXPECT_TRUE(square_is(screen, 120, 0, tile_colour(0)));
    piece_move(screen, line, MOVE_DOWN);
    EXPECT_TRUE(square_is(screen, 150, 0, tile_colour(0))); // the nub
    EXPECT_TRUE(square_is(screen, 120, 0, black()));
    EXPECT_TRUE(square_is(screen, 120, 30, tile_colour(0)));
}

TEST_F(board_test, remove_row_moves_pixels_down_one_cell) {
    // Every square of the well and the area right of it get their own colour.
    auto colour = [&](int x, int y) {
        return SDL_MapRGB(screen->format, 10 + 20 * x, 10 + 12 * y, 77);
    };
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 18; ++x) {
            SDL_Rect r{static_cast<Sint16>(30 * x), static_cast<Sint16>(30 * y), 30, 30};
            SDL_FillRect(screen, &r, colour(x, y));
        }
    for (int y = 0; y < 20; ++y)
        occupy(b, y % 10, y);
    fill_row(b, 12);
    // A pixel inside a square, to see that whole squares move and not just their corners.
    SDL_LockSurface(screen);
    reinterpret_cast<Uint32*>(static_cast<uint8_t*>(screen->pixels) + 40 * screen->pitch)[47] =
        SDL_MapRGB(screen->format, 255, 255, 255);
    SDL_UnlockSurface(screen);

    remove_row(screen, b, 12);

    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) {
            Uint32 want = y == 0 ? black() : y <= 12 ? colour(x, y - 1) : colour(x, y);
            if (x == 1 && y == 2) continue; // holds the marked pixel, checked below
            EXPECT_TRUE(square_is(screen, 30 * x, 30 * y, want)) << x << "," << y;
            const uint8_t cell = y == 0 ? 0 : y <= 12 ? (x == (y - 1) % 10) : (x == y % 10);
            EXPECT_EQ(b.cells[x * BOARD_ROWS + y], cell) << x << "," << y;
        }
    EXPECT_EQ(pixel_at(screen, 47, 70), SDL_MapRGB(screen->format, 255, 255, 255));
    EXPECT_EQ(pixel_at(screen, 46, 70), colour(1, 1));
    // Right of the well nothing moves.
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 18; ++x)
            EXPECT_TRUE(square_is(screen, 30 * x, 30 * y, colour(x, y))) << x << "," << y;

    // Removing row 0 only clears it.
    remove_row(screen, b, 0);
    EXPECT_TRUE(square_is(screen, 0, 30, colour(0, 0)));
    for (int x = 0; x < 10; ++x)
        EXPECT_TRUE(square_is(screen, 30 * x, 0, black()));
}

TEST_F(board_test, preview_box) {
    SDL_Rect all{LAYOUT_WELL_W, 0, LAYOUT_SCREEN_W - LAYOUT_WELL_W, LAYOUT_SCREEN_H};
    SDL_FillRect(screen, &all, SDL_MapRGB(screen->format, 9, 9, 9));
    // the box's columns and rows, one cell apart
    constexpr int X0 = LAYOUT_PREVIEW_X, X1 = X0 + 30, X2 = X0 + 60, X3 = X0 + 90;
    constexpr int Y0 = LAYOUT_PREVIEW_Y, Y1 = Y0 + 30;
    static_assert(LAYOUT_PREVIEW_W == 120 && LAYOUT_PREVIEW_H == 60);
    draw_next(screen, spawn(4)); // the line fills the box's upper half
    for (int x : {X0, X1, X2, X3}) {
        EXPECT_TRUE(square_is(screen, x, Y0, tile_colour(4))) << x;
        EXPECT_TRUE(square_is(screen, x, Y1, black())) << x;
    }
    EXPECT_EQ(pixel_at(screen, X0 - 1, Y0 + 10), SDL_MapRGB(screen->format, 9, 9, 9));
    EXPECT_EQ(pixel_at(screen, X3 + 30, Y0 + 10), SDL_MapRGB(screen->format, 9, 9, 9));
    EXPECT_EQ(pixel_at(screen, X1 + 5, Y1 + 30), SDL_MapRGB(screen->format, 9, 9, 9));
    draw_next(screen, spawn(0)); // the T: nub over the second column, base on the first three
    EXPECT_TRUE(square_is(screen, X1, Y0, tile_colour(0)));
    EXPECT_TRUE(square_is(screen, X0, Y0, black()));
    EXPECT_TRUE(square_is(screen, X3, Y0, black()));
    EXPECT_TRUE(square_is(screen, X0, Y1, tile_colour(0)));
    EXPECT_TRUE(square_is(screen, X2, Y1, tile_colour(0)));
    EXPECT_TRUE(square_is(screen, X3, Y1, black()));
}

TEST_F(board_test, black_fills_stay_within_the_surface) {
    const Uint32 grey = SDL_MapRGB(screen->format, 50, 50, 50);
    SDL_FillRect(screen, nullptr, grey);
    // Above the top, past the right edge (the next pixel row must keep its first pixels), and
    // across the bottom.
    fill_black(screen, SDL_Rect{100, -30, 30, 30});
    fill_black(screen, SDL_Rect{530, 200, 30, 2});
    fill_black(screen, SDL_Rect{0, 590, 20, 30});
    EXPECT_EQ(pixel_at(screen, 100, 0), grey);
    EXPECT_EQ(pixel_at(screen, 529, 200), grey);
    EXPECT_EQ(pixel_at(screen, 530, 200), black());
    EXPECT_EQ(pixel_at(screen, 539, 201), black());
    EXPECT_EQ(pixel_at(screen, 0, 201), grey);
    EXPECT_EQ(pixel_at(screen, 0, 202), grey);
    EXPECT_EQ(pixel_at(screen, 19, 599), black());
    EXPECT_EQ(pixel_at(screen, 20, 599), grey);
    EXPECT_EQ(pixel_at(screen, 0, 589), grey);
    // A piece above the well draws and erases nothing on the screen.
    piece p = spawn(4);
    piece_move(screen, p, MOVE_LEFT);
    EXPECT_EQ(pixel_at(screen, 90, 0), grey);
    EXPECT_EQ(pixel_at(screen, 90, 599), grey);
}

} // namespace
