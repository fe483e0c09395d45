// Folders of a test's own: every file a test writes lives in one, removed on every way out.
#pragma once
#include <string>

// A folder quelbo-<what>-<pid>-XXXXXX in the temporary folder, removed with everything in it
// when this goes. Folders that test processes no longer running left there (a killed test)
// are removed first.
struct scratch_dir {
    std::string path;
    explicit scratch_dir(const char* what);
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
};

// A scratch play folder for one test: links to the generated data, an empty data/ directory,
// and the working directory moved into it for the test's lifetime.
struct play_dir {
    scratch_dir scratch{"test"};
    std::string path = scratch.path;
    std::string old_cwd;
    play_dir();
    ~play_dir();
    play_dir(const play_dir&) = delete;
    play_dir& operator=(const play_dir&) = delete;
};

// Removes one data file link (e.g. "pics/menu.bmp") from the current play folder.
void remove_play_file(const std::string& rel);
// Writes text into a file of the current play folder (e.g. "data/scores.dat"); a link to the
// generated data there is replaced by the file, the data it leads to stays as it is.
void write_play_file(const std::string& rel, const std::string& text);
// Reads a whole file of the current play folder; "" when missing.
std::string read_play_file(const std::string& rel);
