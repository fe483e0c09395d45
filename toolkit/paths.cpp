#include "toolkit/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The one folder the store writes into; set once at start-up, before any file is read.
std::string& data_dir() {
    static std::string dir = "data";
    return dir;
}

bool holds_pics(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_directory(folder / "pics", ec);
}

const char* env_or_empty(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Creates every missing folder of path, each with the given mode; true when path is a folder.
bool make_folders(const fs::path& path, mode_t mode) {
    fs::path partial;
    for (const fs::path& part : path) {
        partial /= part;
        if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

bool paths_resolve(const paths_env& env, paths_roots& out) {
    if (holds_pics(env.cwd)) {
        out = paths_roots{env.cwd, "data", false};
        return true;
    }
    const fs::path exe_dir = fs::path(env.exe).parent_path();
    if (holds_pics(exe_dir)) {
        out = paths_roots{exe_dir.string(), "data", false};
        return true;
    }
    const fs::path installed = (exe_dir / PATHS_INSTALLED_ASSETS).lexically_normal();
    if (!holds_pics(installed)) return false;
    // Relative values of the variable are to be ignored, as the base directory rules say.
    fs::path base;
    if (!env.xdg_data_home.empty() && env.xdg_data_home[0] == '/')
        base = env.xdg_data_home;
    else if (!env.home.empty() && env.home[0] == '/')
        base = fs::path(env.home) / ".local" / "share";
    else
        return false;
    out = paths_roots{installed.string(), (base / PATHS_APP_NAME / "data").string(), true};
    return true;
}

paths_env paths_current_env() {
    paths_env env;
    std::error_code ec;
    env.cwd = fs::current_path(ec).string();
    env.exe = fs::read_symlink("/proc/self/exe", ec).string();
    env.xdg_data_home = env_or_empty("XDG_DATA_HOME");
    env.home = env_or_empty("HOME");
    return env;
}

bool paths_apply(const paths_roots& roots) {
    if (::chdir(roots.assets.c_str()) != 0) {
        std::printf("MAIN / Err dossier des donnees du jeu %s : %s\n", roots.assets.c_str(),
                    std::strerror(errno));
        return false;
    }
    data_dir() = roots.data;
    // Without its data folder the game still runs; the saves then report their own failure.
    if (roots.installed && !make_folders(roots.data, 0700))
        std::printf("MAIN / Err creation du dossier de sauvegarde %s : %s\n", roots.data.c_str(),
                    std::strerror(errno));
    return true;
}

std::string paths_data_file(const char* name) {
    return data_dir() + "/" + name;
}

const std::string& paths_data_dir() {
    return data_dir();
}
