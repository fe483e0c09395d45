// quelbo_datagen <run_dir> [icon_dir]: makes the play folder's pictures, tunes and sound, and
// the desktop icons when an icon folder is given.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>

#include "datagen.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: quelbo_datagen <run_dir> [icon_dir]\n");
        return 2;
    }
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || TTF_Init() < 0) {
        std::fprintf(stderr, "datagen: SDL start failed: %s\n", SDL_GetError());
        return 1;
    }
    const std::string dir = argv[1];
    bool ok = write_pictures(dir) && write_tunes(dir) && write_applause(dir);
    if (ok && argc == 3) ok = write_desktop_icons(argv[2]);
    TTF_Quit();
    SDL_Quit();
    return ok ? 0 : 1;
}
