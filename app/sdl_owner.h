// Owners for SDL resources and files: whatever way a screen leaves, what it loaded is freed.
#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <memory>

struct surface_deleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
struct font_deleter {
    void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
};

struct file_deleter {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using file_ptr = std::unique_ptr<std::FILE, file_deleter>;
using surface_ptr = std::unique_ptr<SDL_Surface, surface_deleter>;
using font_ptr = std::unique_ptr<TTF_Font, font_deleter>;

// Loads a BMP through a file stream opened "rb"; null when missing or unreadable.
inline surface_ptr load_bmp(const char* path) {
    return surface_ptr(SDL_LoadBMP_RW(SDL_RWFromFile(path, "rb"), 1));
}
