#include "support/test_tune.h"

#include "mod_format.h"

std::vector<uint8_t> test_tune_bytes(const std::string& title) {
    constexpr int WAVE_BYTES = 64; // two periods of the square
    constexpr int NOTE_C2 = 12;
    mod_song song;
    song.title = title;
    mod_sample square;
    square.name = "square";
    for (int i = 0; i < WAVE_BYTES; ++i)
        square.data.push_back(static_cast<int8_t>((i % 32) < 16 ? 100 : -100));
    square.loop_start = 0;
    square.loop_length = WAVE_BYTES;
    song.samples.push_back(square);
    song.patterns.resize(1);
    mod_cell& first = song.patterns[0][0][0];
    first.note = NOTE_C2;
    first.sample = 1;
    first.effect = MOD_FX_SPEED;
    first.param = 2;
    song.orders = {0};
    return mod_encode(song);
}
