#include "toolkit/sdl_owner.h"

#include <SDL_image.h>

#include <vector>

#include "toolkit/media_check.h"

namespace {

// Reads a picture file whole; false (reason set for SDL_GetError) when it cannot.
bool read_picture(const char* path, std::vector<unsigned char>& file) {
    switch (media_read_file(path, MEDIA_MAX_FILE_BYTES, file)) {
    case MEDIA_READ_OK:
        return true;
    case MEDIA_READ_TOO_BIG:
        SDL_SetError("%s: file too large", path);
        return false;
    default:
        SDL_SetError("Couldn't open %s", path);
        return false;
    }
}

} // namespace

surface_ptr load_bmp(const char* path, int max_side) {
    std::vector<unsigned char> file;
    if (!read_picture(path, file)) return nullptr;
    if (const char* why = media_check_bmp(file.data(), file.size(), max_side)) {
        SDL_SetError("%s: %s", path, why);
        return nullptr;
    }
    return surface_ptr(
        SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1));
}

surface_ptr load_bmp(const char* path) {
    return load_bmp(path, MEDIA_MAX_SIDE);
}

surface_ptr load_jpeg(const char* path) {
    std::vector<unsigned char> file;
    if (!read_picture(path, file)) return nullptr;
    if (const char* why = media_check_jpeg(file.data(), file.size(), MEDIA_MAX_SIDE)) {
        SDL_SetError("%s: %s", path, why);
        return nullptr;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (!rw) return nullptr;
    surface_ptr pic(IMG_LoadJPG_RW(rw));
    SDL_RWclose(rw);
    return pic;
}
