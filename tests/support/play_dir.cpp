#include "support/play_dir.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// Removes quelbo-*-<pid>-* folders of the temporary folder whose process is gone.
void sweep_left_behind(const fs::path& temp) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(temp, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("quelbo-", 0) != 0 || !entry.is_directory(ec)) continue;
        const auto dash = name.find('-', 7);
        if (dash == std::string::npos) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + dash + 1, &end, 10);
        if (pid <= 0 || *end != '-') continue; // not named by a test of ours
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            fs::remove_all(entry.path(), ec);
    }
}

} // namespace

scratch_dir::scratch_dir(const char* what) {
    const fs::path temp = fs::temp_directory_path();
    sweep_left_behind(temp);
    std::string templ =
        (temp / ("quelbo-" + std::string(what) + "-" + std::to_string(getpid()) + "-XXXXXX"))
            .string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path = templ;
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    // Files a test made read-only, or gave away, must still go.
    for (const auto& entry : fs::recursive_directory_iterator(path, ec))
        if (entry.is_directory(ec) && !entry.is_symlink(ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

play_dir::play_dir() {
    old_cwd = fs::current_path().string();
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
}

void remove_play_file(const std::string& rel) {
    fs::remove(rel);
}

void write_play_file(const std::string& rel, const std::string& text) {
    // A link to the generated data is replaced, never written through.
    if (fs::is_symlink(rel)) fs::remove(rel);
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
