// The single pictures of the play folder; each writer returns false (message on stderr) when
// its file could not be drawn or written. dir is the pics/ folder, run_dir the play folder.
#pragma once
#include <SDL.h>

#include <string>

#include "pic_draw.h"
#include "toolkit/layout.h"

// The colour key of the marker picture.
inline constexpr rgb PIC_KEY{125, 125, 125};

// Draws tile `type` (0..6) of skin style `style` (0..2) with its top-left corner at (x, y).
void draw_tile(SDL_Surface* s, int style, int type, int x, int y);

// The window icon, pics/icone.bmp.
bool write_icon(const std::string& dir);
bool write_marker(const std::string& dir);
bool write_skins(const std::string& dir);
bool write_devices(const std::string& dir);
bool write_cup(const std::string& dir, const std::string& run_dir);
bool write_menu(const std::string& dir, const std::string& run_dir);
bool write_board(const std::string& dir, const std::string& run_dir);
bool write_options(const std::string& dir, const std::string& run_dir);
