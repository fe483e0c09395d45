#include "toolkit/display.h"

#include <SDL.h>
#include <strings.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "toolkit/clock.h"
#include "toolkit/layout.h"

namespace {

constexpr int DISPLAY_FIT_NUM = 2; // the window may take two thirds of the desktop
constexpr int DISPLAY_FIT_DEN = 3;
// How long a switch to or from fullscreen may take the window system, and how often to look.
constexpr uint32_t DISPLAY_SWITCH_WAIT_MS = 1500;
constexpr uint32_t DISPLAY_SWITCH_POLL_MS = 10;
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

#if defined(QUELBO_HAVE_X11)
#include <SDL_syswm.h>
// After the SDL headers: Xlib's names (None, Status, ...) must not reach them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

#if defined(QUELBO_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)

namespace {

// Xlib reports a failed request (a window that went away) through one callback for the whole
// process, which has no room for a context; the flag is only set and read between the calls
// of x_guard. Without it, Xlib's default answer would end the program.
bool x_failed = false;
int x_note_failure(Display*, XErrorEvent*) {
    x_failed = true;
    return 0;
}

// While it lives, failed requests on dpy are noted instead of ending the program; ok() syncs
// and tells whether every request so far succeeded.
struct x_guard {
    Display* dpy;
    int (*before)(Display*, XErrorEvent*);
    explicit x_guard(Display* d) : dpy(d), before(XSetErrorHandler(x_note_failure)) {
        x_failed = false;
    }
    ~x_guard() {
        XSync(dpy, False);
        XSetErrorHandler(before);
    }
    x_guard(const x_guard&) = delete;
    x_guard& operator=(const x_guard&) = delete;
    bool ok() {
        XSync(dpy, False);
        return !x_failed;
    }
};

struct x_window {
    Display* dpy = nullptr;
    Window win = 0;
};
// The game's window on its X server; false on another window system or before the window.
bool game_x_window(x_window& w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) return false;
    w.dpy = info.info.x11.display;
    w.win = info.info.x11.window;
    return w.dpy && w.win;
}

// The 32-bit items (window ids, atoms) of a window's property; empty when it has none or the
// window is gone.
std::vector<unsigned long> x_items(Display* dpy, Window win, const char* name, Atom type) {
    std::vector<unsigned long> items;
    Atom got_type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    const Atom prop = XInternAtom(dpy, name, False);
    if (XGetWindowProperty(dpy, win, prop, 0, 1024, False, type, &got_type, &format, &count, &left,
                           &data) == Success &&
        data && got_type == type && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        items.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return items;
}

} // namespace

void display_end_with_server() {
    x_window w;
    if (!game_x_window(w)) return;
    XSetIOErrorHandler([](Display*) -> int {
        // The exit handlers would shut the layer down, which waits for the lost server.
        std::puts("MAIN / Err affichage perdu (fin de la session graphique ?), fin du jeu");
        std::fflush(stdout);
        _exit(1);
    });
}

display_switch display_switch_way() {
    x_window w;
    if (!game_x_window(w)) return DISPLAY_SWITCH_LAYER;
    x_guard guard(w.dpy);
    const Window root = DefaultRootWindow(w.dpy);
    // A running manager's check window names itself; one left behind by a manager that has
    // ended is gone or names nothing.
    const auto check = x_items(w.dpy, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty()) return DISPLAY_SWITCH_OWN;
    const auto self = x_items(w.dpy, check[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (!guard.ok() || self.empty() || self[0] != check[0]) return DISPLAY_SWITCH_OWN;
    const Atom fullscreen = XInternAtom(w.dpy, "_NET_WM_STATE_FULLSCREEN", False);
    for (unsigned long atom : x_items(w.dpy, root, "_NET_SUPPORTED", XA_ATOM))
        if (atom == fullscreen) return DISPLAY_SWITCH_LAYER;
    return DISPLAY_SWITCH_OWN;
}

namespace {

// The window's place on its screen and the screen's size; false when they cannot be read.
bool x_geometry(const x_window& w, display_place& place, display_place& screen) {
    XWindowAttributes attrs;
    Window child = 0;
    x_guard guard(w.dpy);
    if (!XGetWindowAttributes(w.dpy, w.win, &attrs) ||
        !XTranslateCoordinates(w.dpy, w.win, attrs.root, 0, 0, &place.x, &place.y, &child) ||
        !guard.ok())
        return false;
    place.w = attrs.width;
    place.h = attrs.height;
    screen = {0, 0, WidthOfScreen(attrs.screen), HeightOfScreen(attrs.screen)};
    return true;
}

} // namespace

int display_keep_place(display_place& kept) {
    x_window w;
    display_place screen{};
    return game_x_window(w) && x_geometry(w, kept, screen) ? 1 : 0;
}

int display_await_switch(bool full, const display_place& kept) {
    x_window w;
    if (!game_x_window(w)) return 0;
    const uint32_t start = clock_ticks();
    for (;;) {
        // The layer takes in each change of the window as it comes, so that what is drawn
        // next is drawn for the window's new size.
        SDL_PumpEvents();
        display_place now{};
        display_place screen{};
        if (!x_geometry(w, now, screen)) return 0;
        const bool covers = now.w == screen.w && now.h == screen.h;
        if (full ? covers : now.w == kept.w && now.h == kept.h) {
            SDL_PumpEvents();
            return 1;
        }
        if (clock_ticks() - start >= DISPLAY_SWITCH_WAIT_MS) return 0;
        clock_delay(DISPLAY_SWITCH_POLL_MS);
    }
}

int display_cover_screen(display_place& kept) {
    x_window w;
    display_place screen{};
    if (!game_x_window(w) || !x_geometry(w, kept, screen)) return 0;
    x_guard guard(w.dpy);
    XMoveResizeWindow(w.dpy, w.win, 0, 0, static_cast<unsigned>(screen.w),
                      static_cast<unsigned>(screen.h));
    XRaiseWindow(w.dpy, w.win);
    return guard.ok() ? 1 : 0;
}

int display_restore_place(const display_place& kept) {
    x_window w;
    if (!game_x_window(w)) return 0;
    x_guard guard(w.dpy);
    XMoveResizeWindow(w.dpy, w.win, kept.x, kept.y, static_cast<unsigned>(kept.w),
                      static_cast<unsigned>(kept.h));
    return guard.ok() ? 1 : 0;
}

#else

void display_end_with_server() {}
display_switch display_switch_way() {
    return DISPLAY_SWITCH_LAYER;
}
int display_keep_place(display_place&) {
    return 0;
}
int display_await_switch(bool, const display_place&) {
    return 0;
}
int display_cover_screen(display_place&) {
    return 0;
}
int display_restore_place(const display_place&) {
    return 0;
}

#endif
