// Screen positions in pixels (origin top left, y downwards): where the program draws, what the
// generated pictures are laid out around, and what the tests look at. One place for each.
#pragma once
#include <array>

struct layout_at {
    int x;
    int y;
};

inline constexpr int LAYOUT_SCREEN_W = 540;
inline constexpr int LAYOUT_SCREEN_H = 600;

// The marker picture, shared by the menu and the options cursor: its size and the row of its
// tip, which points at the middle of the entry beside it.
inline constexpr int LAYOUT_MARKER_W = 32;
inline constexpr int LAYOUT_MARKER_H = 22;
inline constexpr int LAYOUT_MARKER_TIP_Y = 11;

// Main menu: the marker's column and its place on the first entry; each entry one step lower.
inline constexpr int LAYOUT_MENU_MARKER_X = 160;
inline constexpr int LAYOUT_MENU_FIRST_Y = 285;
inline constexpr int LAYOUT_MENU_STEP = 50;
inline constexpr int LAYOUT_MENU_ENTRIES = 4;

// Play screen: the well fills the left of the screen, one cell is 30 pixels square.
inline constexpr int LAYOUT_CELL = 30;
inline constexpr int LAYOUT_WELL_W = 300;
inline constexpr int LAYOUT_WELL_H = 600;
// The next-piece box; preview cell (x, y) goes to (30x + DX, 30y + DY), so a piece at its
// spawn cells lies inside the box.
inline constexpr int LAYOUT_PREVIEW_X = 365;
inline constexpr int LAYOUT_PREVIEW_Y = 90;
inline constexpr int LAYOUT_PREVIEW_W = 120;
inline constexpr int LAYOUT_PREVIEW_H = 60;
inline constexpr int LAYOUT_PREVIEW_DX = 245;
inline constexpr int LAYOUT_PREVIEW_DY = 120;
// The three numbers (top-left corners) and the area kept black behind each for its digits.
inline constexpr layout_at LAYOUT_LEVEL_AT{370, 230};
inline constexpr layout_at LAYOUT_LINES_AT{370, 352};
inline constexpr layout_at LAYOUT_SCORE_AT{370, 472};
inline constexpr int LAYOUT_NUMBER_W = 150;
inline constexpr int LAYOUT_NUMBER_H = 40;

// Options screen: the cursor on each of the six items.
inline constexpr std::array<layout_at, 6> LAYOUT_OPT_CURSOR_AT{{
    {5, 205},   // input device
    {5, 255},   // controls
    {5, 305},   // skin
    {5, 355},   // music
    {150, 455}, // leave without keeping
    {90, 505},  // keep and leave
}};
// The values drawn in the four settings rows, and the capture's prompt over the controls.
inline constexpr layout_at LAYOUT_OPT_DEVICE_PIC_AT{150, 205};
inline constexpr layout_at LAYOUT_OPT_PAD_NAME_AT{200, 202};
inline constexpr layout_at LAYOUT_OPT_KEYS_AT{160, 250};
inline constexpr layout_at LAYOUT_OPT_PREVIEW_AT{150, 300};
inline constexpr layout_at LAYOUT_OPT_MUSIC_NAME_AT{155, 352};
inline constexpr layout_at LAYOUT_OPT_PROMPT_AT{150, 250};
// The size of the keyboard and joystick pictures, part of the device row.
inline constexpr int LAYOUT_OPT_DEVICE_PIC_W = 45;
inline constexpr int LAYOUT_OPT_DEVICE_PIC_H = 26;
// The settings panel: row k spans ROW_EDGES[k] to ROW_EDGES[k + 1], each centred on its
// values; the labels stand in a column left of the values. The panel is centred on the screen.
inline constexpr std::array<int, 5> LAYOUT_OPT_ROW_EDGES{194, 241, 285, 345, 384};
inline constexpr int LAYOUT_OPT_PANEL_LEFT = 44;
inline constexpr int LAYOUT_OPT_LABEL_RIGHT = 146;
inline constexpr int LAYOUT_OPT_PANEL_RIGHT = LAYOUT_SCREEN_W - LAYOUT_OPT_PANEL_LEFT;

// Best-scores screen: the title, then line k (1 to 10) at y = LINES_Y + k * STEP.
inline constexpr layout_at LAYOUT_BEST_TITLE_AT{150, 5};
inline constexpr int LAYOUT_BEST_LINES_X = 180;
inline constexpr int LAYOUT_BEST_LINES_Y = 30;
inline constexpr int LAYOUT_BEST_LINE_STEP = 50;

// New-record screen: the place text and the name being entered.
inline constexpr layout_at LAYOUT_RECORD_RANK_AT{20, 5};
inline constexpr layout_at LAYOUT_RECORD_NAME_AT{250, 100};
