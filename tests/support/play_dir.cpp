#include "support/play_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

play_dir::play_dir() {
    old_cwd = fs::current_path().string();
    std::string templ = (fs::temp_directory_path() / "quelbo-test-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path = templ;
    const fs::path run = QUELBO_RUN_DIR;
    for (const char* sub : {"pics", "font", "sounds"}) {
        fs::create_directories(fs::path(path) / sub);
        if (!fs::exists(run / sub)) continue;
        for (const auto& entry : fs::directory_iterator(run / sub))
            fs::create_symlink(entry.path(), fs::path(path) / sub / entry.path().filename());
    }
    fs::create_directories(fs::path(path) / "data");
    fs::current_path(path);
}

play_dir::~play_dir() {
    std::error_code ec;
    fs::current_path(old_cwd, ec);
    fs::remove_all(path, ec);
}

void remove_play_file(const std::string& rel) {
    fs::remove(rel);
}

void write_play_file(const std::string& rel, const std::string& text) {
    std::ofstream out(rel, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string read_play_file(const std::string& rel) {
    std::ifstream in(rel, std::ios::binary);
    if (!in) return "";
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
