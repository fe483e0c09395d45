// Tracker module loading on any file: a song that loads has a title, plays, renders and is freed.
#include <cstdint>
#include <cstring>

#include "app/audio.h"
#include "fuzz_audio.h"
#include "fuzz_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_enter_dir();
    fuzz_open_audio();
    fuzz_write_file("sounds/tune1.mod", data, size);
    FMUSIC_MODULE* song = FMUSIC_LoadSong("sounds/tune1.mod");
    if (!song) {
        if (FSOUND_GetError() == FMOD_ERR_NONE) fuzz_fail("failed load without an error code");
        return 0;
    }
    // A title the screens can draw: a string within the module library's 255-character limit.
    const char* title = FMUSIC_GetName(song);
    if (!title || strnlen(title, 4096) >= 4096) fuzz_fail("loaded song without a usable title");
    if (FMUSIC_SetLooping(song, 1) != 1 || FMUSIC_PlaySong(song) != 1)
        fuzz_fail("loaded song does not play");
    fuzz_render();
    FMUSIC_SetLooping(song, 0);
    fuzz_render();
    if (FMUSIC_StopSong(song) != 1 || FMUSIC_FreeSong(song) != 1) fuzz_fail("song not freed");
    return 0;
}
