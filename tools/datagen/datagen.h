// The data generator: writes every picture, tune and sound of the play folder, and the
// desktop icons.
#pragma once
#include <array>
#include <string>

// The sizes of the desktop icons, in pixels per side.
inline constexpr std::array<int, 8> DATAGEN_ICON_SIZES{16, 22, 24, 32, 48, 64, 128, 256};

// Each writer puts its files under its folder and returns false (after a message on stderr)
// when one could not be written.
bool write_pictures(const std::string& run_dir);       // run_dir/pics/*
bool write_tunes(const std::string& run_dir);          // run_dir/sounds/tune1.mod .. tune5.mod
bool write_applause(const std::string& run_dir);       // run_dir/sounds/applause.wav
bool write_desktop_icons(const std::string& icon_dir); // icon_dir/hicolor/NxN/apps/quelbo-kv.png
