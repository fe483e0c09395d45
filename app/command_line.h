// The command line: nothing starts the game; a few options answer and leave.
#pragma once
#include <cstdio>

constexpr int CMD_PLAY = 0;    // start the game
constexpr int CMD_VERSION = 1; // print the version and leave
constexpr int CMD_HELP = 2;    // print the usage and leave
constexpr int CMD_BAD = 3;     // print the usage on the error stream and leave with code 2

constexpr int CMD_SCALE_AUTO = 0; // no --scale given
constexpr int CMD_SCALE_MAX = 8;

struct command_line {
    int action;
    int scale;    // 1..CMD_SCALE_MAX, or CMD_SCALE_AUTO
    bool low_cpu; // --low-cpu: the screens rest in passes with nothing to do
};

// Reads the arguments after the program name. Returns CMD_BAD for an unknown option, a
// missing or malformed --scale value, or one outside 1..8.
command_line parse_command_line(int argc, const char* const* argv);
// Prints the French usage: the options, the controls and the folder the saves go to.
void print_usage(std::FILE* out, const char* save_folder);
