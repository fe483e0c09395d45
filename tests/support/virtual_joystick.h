// Real joysticks for tests: virtual devices of the SDL2 layer underneath the SDL 1.2 API.
#pragma once
#include <cstdint>

// Attaches count virtual joysticks (buttons, one hat each). Call before SDL_Init with the
// joystick flag. Returns false when the SDL2 layer cannot be reached.
bool vjoy_attach(int count, int buttons = 8, int hats = 1);
// Sets a button of joystick joy (0-based, in attach order) down or up; delivered at next poll.
void vjoy_button(int joy, int button, bool down);
// Sets hat 'hat' of joystick joy to a value (0 centred, 1 up, 2 right, 4 down, 8 left).
void vjoy_hat(int joy, int hat, uint8_t value);
