#include "support/audio_out.h"

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Milliseconds the driver sleeps after each 1024-frame block (23 ms of sound): at most about
// ten times real time, under 2 MB a second. The driver under sdl2-compat (SDL 3) ignores the
// delay and takes the same pause as a fraction of the block's own time.
constexpr const char* AUDIO_OUT_DELAY_MS = "2";
constexpr const char* AUDIO_OUT_TIMESCALE = "0.086"; // 2 ms of 23.2

} // namespace

void record_audio_to(const std::string& path) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", AUDIO_OUT_DELAY_MS, 1);
    setenv("SDL_AUDIO_DISK_TIMESCALE", AUDIO_OUT_TIMESCALE, 1);
}

size_t audio_bytes(const std::string& path) {
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

bool wait_audio_bytes(const std::string& path, size_t bytes) {
    const Uint32 start = SDL_GetTicks();
    while (audio_bytes(path) < bytes) {
        if (SDL_GetTicks() - start > AUDIO_OUT_WAIT_S * 1000u) return false;
        SDL_Delay(5);
    }
    return true;
}

int loudest_in(const std::string& path, size_t from, size_t count) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::vector<int16_t> v(count / 2);
    const bool whole = std::fseek(f, static_cast<long>(from), SEEK_SET) == 0 &&
                       std::fread(v.data(), sizeof(int16_t), v.size(), f) == v.size();
    std::fclose(f);
    if (!whole) return -1;
    int loudest = 0;
    for (int16_t x : v)
        loudest = std::max(loudest, std::abs(static_cast<int>(x)));
    return loudest;
}
