// The data generator: writes every picture, tune and sound of the play folder.
#pragma once
#include <string>

// Each writer puts its files under run_dir and returns false (after a message on stderr)
// when one could not be written.
bool write_pictures(const std::string& run_dir); // run_dir/pics/*
bool write_tunes(const std::string& run_dir);    // run_dir/sounds/tune1.mod .. tune5.mod
bool write_applause(const std::string& run_dir); // run_dir/sounds/applause.wav
