// A scratch play folder for one test: links to the generated data, an empty data/ directory,
// and the working directory moved into it for the test's lifetime.
#pragma once
#include <string>

struct play_dir {
    std::string path;
    std::string old_cwd;
    play_dir();
    ~play_dir();
    play_dir(const play_dir&) = delete;
    play_dir& operator=(const play_dir&) = delete;
};

// Removes one data file link (e.g. "pics/menu.bmp") from the current play folder.
void remove_play_file(const std::string& rel);
// Writes text into a file of the current play folder (e.g. "data/scores.dat").
void write_play_file(const std::string& rel, const std::string& text);
// Reads a whole file of the current play folder; "" when missing.
std::string read_play_file(const std::string& rel);
