#include "toolkit/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

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

bool absolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

// The home folder of the real user in the password database; empty when there is none.
std::string account_home() {
    std::vector<char> buf(4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int err = ::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found);
        if (err == ERANGE && buf.size() < (1U << 20)) {
            buf.resize(buf.size() * 2);
            continue;
        }
        return err == 0 && found && found->pw_dir ? found->pw_dir : "";
    }
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
    const fs::path exe_dir = fs::path(env.exe).parent_path();
    if (holds_pics(exe_dir)) {
        out = paths_roots{exe_dir.string(), "data", false};
        return true;
    }
    const fs::path installed = (exe_dir / PATHS_INSTALLED_ASSETS).lexically_normal();
    if (!holds_pics(installed)) return false;
    // Relative values are to be ignored, as the base directory rules say.
    fs::path base;
    if (absolute(env.xdg_data_home))
        base = env.xdg_data_home;
    else if (absolute(env.home))
        base = fs::path(env.home) / ".local" / "share";
    else if (absolute(env.account_home))
        base = fs::path(env.account_home) / ".local" / "share";
    const std::string data = base.empty() ? "" : (base / PATHS_APP_NAME / "data").string();
    out = paths_roots{installed.string(), data, true};
    return true;
}

paths_env paths_current_env() {
    paths_env env;
    std::error_code ec;
    env.exe = fs::read_symlink("/proc/self/exe", ec).string();
    env.xdg_data_home = env_or_empty("XDG_DATA_HOME");
    env.home = env_or_empty("HOME");
    if (!absolute(env.xdg_data_home) && !absolute(env.home)) env.account_home = account_home();
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
    if (roots.installed && roots.data.empty())
        std::puts("MAIN / Err aucun dossier pour les sauvegardes (ni XDG_DATA_HOME, ni HOME, ni "
                  "dossier du compte)");
    else if (roots.installed && !make_folders(roots.data, 0700))
        std::printf("MAIN / Err creation du dossier de sauvegarde %s : %s\n", roots.data.c_str(),
                    std::strerror(errno));
    return true;
}

std::string paths_data_file(const char* name) {
    if (data_dir().empty()) return "";
    return data_dir() + "/" + name;
}

const std::string& paths_data_dir() {
    return data_dir();
}
