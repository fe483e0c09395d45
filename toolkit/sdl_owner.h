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

// Loads a BMP after checking its headers (at most max_side pixels each way, MEDIA_MAX_SIDE when
// not given); null when missing, unreadable or refused, with the reason in SDL_GetError.
surface_ptr load_bmp(const char* path, int max_side);
surface_ptr load_bmp(const char* path);
// Loads a JPEG after checking its headers (at most MEDIA_MAX_SIDE pixels each way); null when
// missing, unreadable, refused or not a JPEG, with the reason in SDL_GetError.
surface_ptr load_jpeg(const char* path);
