// WAV loading on any file: only a file whose headers pass the check reaches the WAV reader, and
// a sample that loads plays, renders and is freed.
#include <cstdint>

#include "app/audio.h"
#include "fuzz_audio.h"
#include "fuzz_dir.h"
#include "toolkit/media_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_enter_dir();
    fuzz_open_audio();
    fuzz_write_file("sounds/applause.wav", data, size);
    const bool accepted = media_check_wav(data, size) == nullptr;
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, "sounds/applause.wav", 0, 0, 0);
    if (!sample) {
        if (FSOUND_GetError() == FMOD_ERR_NONE) fuzz_fail("failed load without an error code");
        return 0;
    }
    if (!accepted) fuzz_fail("a refused WAV was loaded");
    if (FSOUND_PlaySound(FSOUND_FREE, sample) < 0) fuzz_fail("loaded sample does not play");
    fuzz_render();
    FSOUND_Sample_Free(sample);
    return 0;
}
