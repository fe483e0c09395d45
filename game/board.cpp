#include "game/board.h"

#include <algorithm>
#include <cstring>

#include "toolkit/draw.h"
#include "toolkit/layout.h"

namespace {

// Spawn cells per type, cell 0 first (the pivot).
constexpr std::array<std::array<piece_cell, 4>, 7> SPAWN_CELLS = {{
    {{{5, 0}, {5, -1}, {4, 0}, {6, 0}}},
    {{{5, -1}, {6, -1}, {4, -1}, {4, 0}}},
    {{{5, -1}, {4, -1}, {6, -1}, {6, 0}}},
    {{{4, -1}, {4, 0}, {5, -1}, {5, 0}}},
    {{{5, -1}, {4, -1}, {6, -1}, {7, -1}}},
    {{{5, 0}, {4, 0}, {5, -1}, {6, -1}}},
    {{{5, 0}, {6, 0}, {5, -1}, {4, -1}}},
}};

// Where a cell goes under a move; the turns pivot about (x0, y0).
piece_cell target(piece_cell c, piece_cell pivot, int kind) {
    switch (kind) {
    case MOVE_DOWN:
        return {c.x, static_cast<int16_t>(c.y + 1)};
    case MOVE_RIGHT:
        return {static_cast<int16_t>(c.x + 1), c.y};
    case MOVE_LEFT:
        return {static_cast<int16_t>(c.x - 1), c.y};
    case MOVE_TURN_RIGHT:
        return {static_cast<int16_t>(pivot.x - (c.y - pivot.y)),
                static_cast<int16_t>(pivot.y + (c.x - pivot.x))};
    case MOVE_TURN_LEFT:
        return {static_cast<int16_t>(pivot.x + (c.y - pivot.y)),
                static_cast<int16_t>(pivot.y - (c.x - pivot.x))};
    default:
        return c;
    }
}

// Rows above the well are always free; only cells inside the well are looked up.
bool occupied(const board& b, int x, int y) {
    if (x < 0 || x >= BOARD_COLS || y < 0 || y >= BOARD_ROWS) return false;
    return b.cells[x * BOARD_ROWS + y] != 0;
}

void draw_tile(SDL_Surface* screen, const piece& p, int x, int y) {
    SDL_Rect src = p.src;
    SDL_Rect dst{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(p.skin_pic, &src, screen, &dst);
}

} // namespace

void piece_init(piece& p, SDL_Surface* skin, int type) {
    p.type = type;
    p.skin_pic = skin;
    p.src = SDL_Rect{static_cast<Sint16>(BOARD_CELL * type), 0, BOARD_CELL, BOARD_CELL};
    p.cells = SPAWN_CELLS[type];
}

int piece_fits(const piece& p, const board& b, int kind) {
    if (kind <= MOVE_NONE || kind > MOVE_TURN_LEFT) return FIT_FREE;
    int result = FIT_FREE;
    for (const piece_cell& c : p.cells) {
        const piece_cell t = target(c, p.cells[0], kind);
        const bool taken = occupied(b, t.x, t.y);
        switch (kind) {
        case MOVE_DOWN:
            if (t.y > BOARD_ROWS - 1 || taken) result = FIT_LANDED;
            break;
        case MOVE_RIGHT:
            if (t.x > BOARD_COLS - 1 || taken) result = FIT_BLOCKED;
            break;
        case MOVE_LEFT:
            if (t.x < 0 || taken) result = FIT_BLOCKED;
            break;
        default: // the two turns: walls and floor block, never land
            if (t.x < 0 || t.x > BOARD_COLS - 1 || t.y > BOARD_ROWS - 1 || taken)
                result = FIT_BLOCKED;
            break;
        }
    }
    return result;
}

void piece_move(SDL_Surface* screen, piece& p, int kind) {
    for (const piece_cell& c : p.cells)
        fill_black(screen, BOARD_CELL * c.x, BOARD_CELL * c.y, BOARD_CELL, BOARD_CELL);
    const piece_cell pivot = p.cells[0];
    for (piece_cell& c : p.cells)
        c = target(c, pivot, kind);
    for (const piece_cell& c : p.cells)
        draw_tile(screen, p, BOARD_CELL * c.x, BOARD_CELL * c.y);
}

int piece_lock(const piece& p, board& b) {
    int lowest = 0;
    for (const piece_cell& c : p.cells) {
        if (c.y >= 0 && c.y < BOARD_ROWS && c.x >= 0 && c.x < BOARD_COLS)
            b.cells[c.x * BOARD_ROWS + c.y] = 1;
        lowest = std::max<int>(lowest, c.y);
    }
    return lowest;
}

int find_full_row(const board& b) {
    for (int y = BOARD_ROWS - 1; y >= 1; --y) {
        int count = 0;
        for (int x = 0; x < BOARD_COLS; ++x)
            count += b.cells[x * BOARD_ROWS + y] != 0;
        if (count == BOARD_COLS) return y;
    }
    return 0;
}

void remove_row(SDL_Surface* screen, board& b, int row) {
    if (row < 0 || row >= BOARD_ROWS) return;
    for (int y = row; y >= 1; --y)
        for (int x = 0; x < BOARD_COLS; ++x)
            b.cells[x * BOARD_ROWS + y] = b.cells[x * BOARD_ROWS + y - 1];
    for (int x = 0; x < BOARD_COLS; ++x)
        b.cells[static_cast<size_t>(x) * BOARD_ROWS] = 0;

    // The well's pixel lines move down one cell, bottom line first, so each source line is
    // read before it is overwritten. Lines of one cell row never overlap their source.
    const int width = std::min(BOARD_COLS * BOARD_CELL, screen->w);
    const int bottom = std::min(BOARD_CELL * (row + 1), screen->h);
    if (width > 0 && SDL_LockSurface(screen) == 0) {
        auto* pixels = static_cast<uint8_t*>(screen->pixels);
        const size_t bytes = static_cast<size_t>(width) * screen->format->BytesPerPixel;
        for (int line = bottom - 1; line >= BOARD_CELL; --line)
            std::memcpy(pixels + static_cast<ptrdiff_t>(line) * screen->pitch,
                        pixels + static_cast<ptrdiff_t>(line - BOARD_CELL) * screen->pitch, bytes);
        SDL_UnlockSurface(screen);
    }
    fill_black(screen, 0, 0, BOARD_COLS * BOARD_CELL, BOARD_CELL);
}

void draw_next(SDL_Surface* screen, const piece& p) {
    fill_black(screen, LAYOUT_PREVIEW_X, LAYOUT_PREVIEW_Y, LAYOUT_PREVIEW_W, LAYOUT_PREVIEW_H);
    for (const piece_cell& c : p.cells)
        draw_tile(screen, p, BOARD_CELL * c.x + LAYOUT_PREVIEW_DX,
                  BOARD_CELL * c.y + LAYOUT_PREVIEW_DY);
}
