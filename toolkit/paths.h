// Where the program finds its pictures, font and sounds, and where it keeps its data files.
#pragma once
#include <string>

// What the roots are chosen from: the executable's real path and the homes of the player
// (empty when unknown). The working folder plays no part.
struct paths_env {
    std::string exe;
    std::string xdg_data_home;
    std::string home;
    std::string account_home; // the password database's home of the real user
};

struct paths_roots {
    std::string assets; // folder that holds pics/, font/ and sounds/
    std::string data;   // folder of control.dat and scores.dat; empty: nowhere to save
    bool installed;     // data lives in the player's own folder, apart from the assets
};

// The installed tree's data folder, relative to the executable's folder.
constexpr const char* PATHS_INSTALLED_ASSETS = "../share/games/quelbo-kv";
constexpr const char* PATHS_APP_NAME = "quelbo-kv";

// Picks the roots: the executable's folder when it holds pics/ (data/ beside it, as a play
// folder has it); else the installed tree ../share/games/quelbo-kv/ beside the executable's
// folder, with the data in $XDG_DATA_HOME/quelbo-kv/data, else in <home>/.local/share/... of
// $HOME, else of the account's home (only absolute values count; data is empty when none is).
// Returns false when neither folder holds pics/.
bool paths_resolve(const paths_env& env, paths_roots& out);
// /proc/self/exe and the environment of this process; the account's home is looked up only
// when neither XDG_DATA_HOME nor HOME is absolute (empty when the lookup fails).
paths_env paths_current_env();
// Makes the roots current: changes into the asset folder and, for an installed game, creates
// the data folder with its parents (mode 0700; a failure there, or no data folder at all, is
// reported and the game runs without saving). Returns false, after its message, only when the
// asset folder cannot be entered.
bool paths_apply(const paths_roots& roots);
// Path of a data file: "data/<name>" unless paths_apply chose the player's own folder; empty
// (a name no file opens under) when there is no data folder.
std::string paths_data_file(const char* name);
// The folder that data files go to, as paths_data_file builds it ("data" by default; empty
// when there is none).
const std::string& paths_data_dir();
