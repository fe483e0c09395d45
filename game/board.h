// The well and the falling piece: collision, moves, locking, row removal, preview.
#pragma once
#include <SDL.h>

#include <array>
#include <cstdint>

constexpr int BOARD_COLS = 10;
constexpr int BOARD_ROWS = 20;
constexpr int BOARD_CELL = 30;

constexpr int MOVE_NONE = 0;
constexpr int MOVE_DOWN = 1;
constexpr int MOVE_RIGHT = 2;
constexpr int MOVE_LEFT = 3;
constexpr int MOVE_TURN_RIGHT = 4;
constexpr int MOVE_TURN_LEFT = 5;

constexpr int FIT_BLOCKED = 0;
constexpr int FIT_FREE = 1;
constexpr int FIT_LANDED = 2;

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
