#include "toolkit/display.h"

#include <SDL.h>
#include <strings.h>

#include <array>
#include <cstdlib>
#include <string>

#include "toolkit/layout.h"

namespace {

constexpr int DISPLAY_FIT_NUM = 2; // the window may take two thirds of the desktop
constexpr int DISPLAY_FIT_DEN = 3;
// The video drivers (of either SDL 1.2 library) that open a window on a desktop.
constexpr std::array<const char*, 7> DISPLAY_WINDOWING_DRIVERS = {
    "x11", "wayland", "windows", "windib", "directx", "cocoa", "quartz"};

} // namespace

int display_scale_for(int desk_w, int desk_h) {
    if (desk_w <= 0 || desk_h <= 0) return 1;
    int k = 1;
    while ((k + 1) * LAYOUT_SCREEN_W * DISPLAY_FIT_DEN <= desk_w * DISPLAY_FIT_NUM &&
           (k + 1) * LAYOUT_SCREEN_H * DISPLAY_FIT_DEN <= desk_h * DISPLAY_FIT_NUM)
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

const char* display_reason_for(const char* asked, const char* driver, bool display_named) {
    if (asked && *asked) return nullptr;
    // Only these show a window on a desktop; any other driver the library falls back to by
    // itself (text mode, frame buffer, off screen) would leave the player without one.
    if (driver)
        for (const char* windowing : DISPLAY_WINDOWING_DRIVERS)
            if (strcasecmp(driver, windowing) == 0) return nullptr;
    if (!display_named)
        return "aucun affichage disponible (ni DISPLAY ni WAYLAND_DISPLAY) : lancez le jeu dans "
               "une session graphique";
    return "l'affichage de DISPLAY ou WAYLAND_DISPLAY ne repond pas : lancez le jeu dans une "
           "session graphique";
}

const char* display_missing_reason() {
    std::array<char, 32> name{};
    const char* driver = SDL_VideoDriverName(name.data(), static_cast<int>(name.size()));
    const auto named = [](const char* var) {
        const char* v = std::getenv(var);
        return v && *v;
    };
    return display_reason_for(std::getenv("SDL_VIDEODRIVER"), driver,
                              named("DISPLAY") || named("WAYLAND_DISPLAY"));
}
