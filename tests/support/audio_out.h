// Listening to what the program plays: SDL's disk driver records the mixed output into a file
// (raw signed 16-bit little-endian stereo at 44100 Hz), several times faster than real time
// but never without pause, so a test that waits long still writes a bounded file.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t AUDIO_OUT_BYTES_PER_S = 44100 * 2 * 2;
constexpr int AUDIO_OUT_WAIT_S = 30; // real time a test waits for sound before it fails

// Makes the next SDL audio start record into path (call before SDL starts its audio).
void record_audio_to(const std::string& path);
// Bytes written so far; 0 when the file does not exist.
size_t audio_bytes(const std::string& path);
// Waits until the file holds at least bytes; false after AUDIO_OUT_WAIT_S of real time.
bool wait_audio_bytes(const std::string& path, size_t bytes);
// Largest sample magnitude in the byte range [from, from + count) of the file (which must
// already hold it); -1 when the range cannot be read whole.
int loudest_in(const std::string& path, size_t from, size_t count);
