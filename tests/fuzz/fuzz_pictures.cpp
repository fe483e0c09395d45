// Picture loading on any file: the header checks on the bytes, then the checked loaders (BMP and
// JPEG). A picture that loads passed its check, has the size its header declared (the cup's
// smaller limit judges it as the loader sees it), and all its pixels can be read.
#include <SDL.h>

#include <cstdint>

#include "fuzz_dir.h"
#include "toolkit/media_check.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr int FUZZ_CUP_SIDE = 1024;

// Reads every pixel row, so the sanitizer sees a surface smaller than it claims.
unsigned touch(const SDL_Surface* s, int max_side) {
    if (s->w < 1 || s->h < 1 || s->w > max_side || s->h > max_side)
        fuzz_fail("loaded picture outside the size limit");
    unsigned sum = 0;
    const auto* p = static_cast<const uint8_t*>(s->pixels);
    for (int y = 0; y < s->h; ++y)
        sum += p[y * s->pitch] + p[y * s->pitch + s->w * s->format->BytesPerPixel - 1];
    return sum;
}

void load_as(const char* path, const uint8_t* data, std::size_t size, bool bmp) {
    fuzz_write_file(path, data, size);
    if (bmp) {
        const bool whole = media_check_bmp(data, size, MEDIA_MAX_SIDE) == nullptr;
        const bool cup = media_check_bmp(data, size, FUZZ_CUP_SIDE) == nullptr;
        surface_ptr s = load_bmp(path);
        if (s && !whole) fuzz_fail("a refused BMP was loaded");
        if (!s) return;
        touch(s.get(), MEDIA_MAX_SIDE);
        // The cup's limit judges the size the loader found.
        if (cup != (s->w <= FUZZ_CUP_SIDE && s->h <= FUZZ_CUP_SIDE))
            fuzz_fail("the BMP check and the loader disagree on the size");
    } else {
        const bool whole = media_check_jpeg(data, size, MEDIA_MAX_SIDE) == nullptr;
        surface_ptr s = load_jpeg(path);
        if (s && !whole) fuzz_fail("a refused JPEG was loaded");
        if (s) touch(s.get(), MEDIA_MAX_SIDE);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_enter_dir();
    // The kind follows the first byte, as the loaders are chosen by the file name.
    load_as(size > 0 && data[0] == 0xFF ? "pics/board.jpg" : "pics/cup.bmp", data, size,
            size == 0 || data[0] != 0xFF);
    return 0;
}
