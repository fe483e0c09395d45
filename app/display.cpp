#include "app/display.h"

#include <SDL.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/game_ctx.h"

namespace {

constexpr int DISPLAY_FIT_NUM = 2; // the window may take two thirds of the desktop
constexpr int DISPLAY_FIT_DEN = 3;

} // namespace

int display_scale_for(int desk_w, int desk_h) {
    if (desk_w <= 0 || desk_h <= 0) return 1;
    int k = 1;
    while ((k + 1) * CTX_SCREEN_W * DISPLAY_FIT_DEN <= desk_w * DISPLAY_FIT_NUM &&
           (k + 1) * CTX_SCREEN_H * DISPLAY_FIT_DEN <= desk_h * DISPLAY_FIT_NUM)
        ++k;
    return k;
}

void display_prefer_sharp() {
    setenv(DISPLAY_SCALE_METHOD_HINT, "nearest", 0);
}

int display_set_scale(int forced) {
    if (forced > 0) {
        setenv(DISPLAY_SCALE_HINT, std::to_string(forced).c_str(), 1);
        return forced;
    }
    if (const char* own = std::getenv(DISPLAY_SCALE_HINT)) {
        const int k = std::atoi(own);
        return k > 0 ? k : 1;
    }
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    const int k = info ? display_scale_for(info->current_w, info->current_h) : 1;
    setenv(DISPLAY_SCALE_HINT, std::to_string(k).c_str(), 1);
    return k;
}

const char* display_missing_reason() {
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked && *asked) return nullptr;
    std::array<char, 32> name{};
    if (!SDL_VideoDriverName(name.data(), static_cast<int>(name.size()))) return nullptr;
    if (std::strcmp(name.data(), "offscreen") != 0 && std::strcmp(name.data(), "dummy") != 0)
        return nullptr;
    return "aucun affichage disponible (ni DISPLAY ni WAYLAND_DISPLAY) : lancez le jeu dans une "
           "session graphique";
}
