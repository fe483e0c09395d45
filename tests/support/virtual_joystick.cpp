#include "support/virtual_joystick.h"

#include <SDL.h>
#include <dlfcn.h>

#include <vector>

namespace {

struct sdl2_api {
    int (*init_subsystem)(uint32_t);
    int (*attach_virtual)(int type, int naxes, int nbuttons, int nhats);
    void* (*open)(int index);
    int (*set_button)(void* joy, int button, uint8_t value);
    int (*set_hat)(void* joy, int hat, uint8_t value);
    std::vector<void*> handles;
};

sdl2_api* api() {
    static sdl2_api a{};
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
        if (!lib) lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW);
        if (!lib) return nullptr;
        a.init_subsystem = reinterpret_cast<int (*)(uint32_t)>(dlsym(lib, "SDL_InitSubSystem"));
        a.attach_virtual =
            reinterpret_cast<int (*)(int, int, int, int)>(dlsym(lib, "SDL_JoystickAttachVirtual"));
        a.open = reinterpret_cast<void* (*)(int)>(dlsym(lib, "SDL_JoystickOpen"));
        a.set_button = reinterpret_cast<int (*)(void*, int, uint8_t)>(
            dlsym(lib, "SDL_JoystickSetVirtualButton"));
        a.set_hat =
            reinterpret_cast<int (*)(void*, int, uint8_t)>(dlsym(lib, "SDL_JoystickSetVirtualHat"));
    }
    if (!a.init_subsystem || !a.attach_virtual || !a.open || !a.set_button || !a.set_hat)
        return nullptr;
    return &a;
}

constexpr uint32_t SDL2_INIT_JOYSTICK = 0x200;
constexpr int SDL2_JOYSTICK_TYPE_GAMECONTROLLER = 1;

} // namespace

bool vjoy_attach(int count, int buttons, int hats) {
    sdl2_api* a = api();
    if (!a || a->init_subsystem(SDL2_INIT_JOYSTICK) < 0) return false;
    for (int i = 0; i < count; ++i) {
        const int index = a->attach_virtual(SDL2_JOYSTICK_TYPE_GAMECONTROLLER, 2, buttons, hats);
        if (index < 0) return false;
        void* joy = a->open(index);
        if (!joy) return false;
        a->handles.push_back(joy);
    }
    return true;
}

void vjoy_button(int joy, int button, bool down) {
    sdl2_api* a = api();
    if (a && joy >= 0 && joy < static_cast<int>(a->handles.size()))
        a->set_button(a->handles[joy], button, down ? 1 : 0);
}

void vjoy_hat(int joy, int hat, uint8_t value) {
    sdl2_api* a = api();
    if (a && joy >= 0 && joy < static_cast<int>(a->handles.size()))
        a->set_hat(a->handles[joy], hat, value);
}
