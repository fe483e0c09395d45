// Where the program finds its pictures, font and sounds, and where it keeps its data files.
#pragma once
#include <string>

// What the roots are chosen from: the working folder, the executable's real path and the
// environment (empty when unset).
struct paths_env {
    std::string cwd;
    std::string exe;
    std::string xdg_data_home;
    std::string home;
};

struct paths_roots {
    std::string assets; // folder that holds pics/, font/ and sounds/
    std::string data;   // folder of control.dat and scores.dat
    bool installed;     // data lives in the player's own folder, apart from the assets
};

// The installed tree's data folder, relative to the executable's folder.
constexpr const char* PATHS_INSTALLED_ASSETS = "../share/games/quelbo-kv";
constexpr const char* PATHS_APP_NAME = "quelbo-kv";

// Picks the roots: the working folder when it holds pics/ (data/ beside it, as a play folder
// has it); else the executable's folder when it holds pics/; else the installed tree
// ../share/games/quelbo-kv/ beside the executable's folder, with the data in
// $XDG_DATA_HOME/quelbo-kv/data (~/.local/share/... when that is unset or not absolute).
// Returns false when no candidate holds pics/, or the installed tree has no home to save in.
bool paths_resolve(const paths_env& env, paths_roots& out);
// The working folder, /proc/self/exe and the environment of this process.
paths_env paths_current_env();
// Makes the roots current: changes into the asset folder and, for an installed game, creates
// the data folder with its parents (mode 0700; a failure there is reported and the game runs
// without saving). Returns false, after its message, only when the asset folder cannot be
// entered.
bool paths_apply(const paths_roots& roots);
// Path of a data file: "data/<name>" unless paths_apply chose the player's own folder.
std::string paths_data_file(const char* name);
// The folder that data files go to, as paths_data_file builds it ("data" by default).
const std::string& paths_data_dir();
