// Capture of the two turning controls from the next key or button presses.
#pragma once
#include <SDL.h>

#include <cstdint>

// The options screen's working copy of the eight saved settings.
struct edit_cfg {
    int32_t joystick_index;
    int32_t skin;
    int32_t tune;
    int32_t device;
    int32_t button_right;
    int32_t button_left;
    int32_t key_right;
    int32_t key_left;
};

// Waits for the right then the left control of cfg.device. Returns 1 when both were taken,
// 0 on a closed window (values taken so far stay) or when the font or a prompt failed.
int saisie_cfg(SDL_Surface* screen, edit_cfg& cfg);
