// The well and the falling piece: collision, moves, locking, row removal, preview.
#pragma once
#include <SDL.h>

#include <array>
#include <cstdint>

#include "toolkit/layout.h"

constexpr int BOARD_COLS = 10;
constexpr int BOARD_ROWS = 20;
constexpr int BOARD_CELL = LAYOUT_CELL;
static_assert(BOARD_COLS * BOARD_CELL == LAYOUT_WELL_W && BOARD_ROWS * BOARD_CELL == LAYOUT_WELL_H);

// The kinds of move, and what a test of a move against the well gives.
enum move_kind : int {
    MOVE_NONE,
    MOVE_DOWN,
    MOVE_RIGHT,
    MOVE_LEFT,
    MOVE_TURN_RIGHT,
    MOVE_TURN_LEFT
};
enum fit_result : int { FIT_BLOCKED, FIT_FREE, FIT_LANDED };

// Column-major occupancy: cell (x, y) at index x * BOARD_ROWS + y; 1 occupied.
struct board {
    std::array<uint8_t, BOARD_COLS * BOARD_ROWS> cells;
};

struct piece_cell {
    int16_t x;
    int16_t y;
};

struct piece {
    int32_t type;
    SDL_Surface* skin_pic; // not owned
    SDL_Rect src;
    std::array<piece_cell, 4> cells; // cell 0 is the pivot
};

// Sets the type, the skin tile (30 * type, 0, 30, 30) and the spawn cells; type is 0..6.
void piece_init(piece& p, SDL_Surface* skin, int type);
// FIT_FREE when every cell may make the move (always for MOVE_NONE and unknown kinds),
// otherwise FIT_LANDED for MOVE_DOWN and FIT_BLOCKED for the others. Changes nothing.
int piece_fits(const piece& p, const board& b, int kind);
// Erases the piece's squares, applies the move untested, draws it again; nothing is flipped.
void piece_move(SDL_Surface* screen, piece& p, int kind);
// Marks the cells inside the well occupied; returns the lowest row reached, never below 0.
int piece_lock(const piece& p, board& b);
// Returns the full row nearest the floor (19 down to 1), or 0 when there is none.
int find_full_row(const board& b);
// Moves every row above 'row' down one, on the board and the screen; row 0 becomes empty and
// black. A row outside 0..19 does nothing.
void remove_row(SDL_Surface* screen, board& b, int row);
// Blacks out the preview box and draws the piece in it.
void draw_next(SDL_Surface* screen, const piece& p);
