// A short tune for tests that listen to the audio output: one pattern at speed 2 (64 rows of
// 40 ms, 2.56 s), a looping square wave held on the first channel from its first row on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr double TEST_TUNE_SECONDS = 2.56;

// The module file's bytes, with the given title.
std::vector<uint8_t> test_tune_bytes(const std::string& title);
