#include "fuzz_audio.h"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <cstdlib>

#include "app/audio.h"
#include "fuzz_dir.h"

namespace {

constexpr int FUZZ_RENDER_FRAMES = 2048; // about 46 ms at 44100 Hz

void close_audio() {
    FSOUND_Close();
    SDL_Quit();
}

} // namespace

void fuzz_open_audio() {
    static bool open = false;
    if (open) return;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_AUDIO) < 0 || !FSOUND_Init(44100, 32, 0))
        fuzz_fail("cannot open the audio layer");
    std::atexit(close_audio);
    open = true;
}

void fuzz_render() {
    std::array<int16_t, FUZZ_RENDER_FRAMES * 2> out;
    audio_render(out.data(), FUZZ_RENDER_FRAMES);
}
