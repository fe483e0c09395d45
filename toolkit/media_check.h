// Header checks of the pictures and the sound, made before a library reads them: the sizes a
// header declares must fit the file, and pictures and sounds must have sane dimensions, so a
// damaged file is refused instead of making a loader ask for gigabytes.
#pragma once
#include <cstddef>
#include <vector>

constexpr int MEDIA_MAX_SIDE = 4096; // widest and tallest picture accepted
// Largest file read: a 4096 by 4096 picture at 32 bits, with room for its headers.
constexpr std::size_t MEDIA_MAX_FILE_BYTES = std::size_t{4096} * 4096 * 4 + 65536;
constexpr int MEDIA_MIN_RATE = 4000;         // sample rates accepted for a WAV, in Hz
constexpr int MEDIA_MAX_RATE = 192000;       //
constexpr int MEDIA_MAX_CHANNELS = 8;        //
constexpr int MEDIA_MAX_SOUND_SECONDS = 120; // longest WAV accepted

constexpr int MEDIA_READ_OK = 0;
constexpr int MEDIA_READ_MISSING = 1; // no such file
constexpr int MEDIA_READ_FAILED = 2;  // opened but not readable (a folder, an I/O error)
constexpr int MEDIA_READ_TOO_BIG = 3; // larger than the limit given

// Reads a whole file of at most max_bytes into out. Returns MEDIA_READ_OK, or the reason it
// could not (out is then empty).
int media_read_file(const char* path, std::size_t max_bytes, std::vector<unsigned char>& out);

// Each check returns null when the bytes hold a file of that kind whose headers fit its size and
// whose dimensions stay within the limits, else a short reason (English, as the libraries' own
// error texts are).
// BMP: file and info header, palette and pixel rows within the file, 1 to max_side pixels each
// way, a bit depth and a compression the loader knows.
const char* media_check_bmp(const unsigned char* data, std::size_t size, int max_side);
// JPEG: the marker segments up to the frame header lie within the file; the frame declares 1 to
// max_side pixels each way, 8-bit samples and 1, 3 or 4 components.
const char* media_check_jpeg(const unsigned char* data, std::size_t size, int max_side);
// WAV: the RIFF chunks up to the data chunk lie within the file, a format chunk comes first and
// describes 8- or 16-bit PCM (plain or in the extensible format) with sane channels and rate,
// and the data lasts at most MEDIA_MAX_SOUND_SECONDS. An empty data chunk is a valid, silent
// sound.
const char* media_check_wav(const unsigned char* data, std::size_t size);
