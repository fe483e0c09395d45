// Header checks of pictures and sounds, and the loaders that refuse what they reject: damaged
// files are refused before a library reads them, the play folder's own files pass.
#include "toolkit/media_check.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/audio.h"
#include "support/play_dir.h"
#include "toolkit/sdl_owner.h"

namespace {

using bytes = std::vector<unsigned char>;

// Bounds checked: a field past the end is a fault of the test, reported as an exception.
void put_le(bytes& b, size_t at, uint32_t x, int n) {
    for (int i = 0; i < n; ++i)
        b.at(at + static_cast<size_t>(i)) = static_cast<unsigned char>(x >> (8 * i));
}

void append_le(bytes& b, uint32_t x, int n) {
    b.resize(b.size() + static_cast<size_t>(n));
    put_le(b, b.size() - static_cast<size_t>(n), x, n);
}

void append_text(bytes& b, const char* t) {
    b.insert(b.end(), t, t + std::strlen(t));
}

// An uncompressed BMP of w by h pixels at bits per pixel with a 40-byte info header, a full
// palette for 8 bits or less, and every pixel row present.
bytes make_bmp(int w, int h, int bits) {
    const uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const uint32_t row = (static_cast<uint32_t>(w) * static_cast<uint32_t>(bits) + 31) / 32 * 4;
    const uint32_t at = 14 + 40 + colours * 4;
    bytes b;
    append_text(b, "BM");
    append_le(b, at + row * static_cast<uint32_t>(h), 4);
    append_le(b, 0, 4);
    append_le(b, at, 4);
    append_le(b, 40, 4);
    append_le(b, static_cast<uint32_t>(w), 4);
    append_le(b, static_cast<uint32_t>(h), 4);
    append_le(b, 1, 2);
    append_le(b, static_cast<uint32_t>(bits), 2);
    for (int i = 0; i < 6; ++i)
        append_le(b, 0, 4);
    b.resize(at + row * static_cast<uint32_t>(h), 0x5A);
    return b;
}

// Offsets in a BMP with a 40-byte info header.
constexpr size_t BMP_PIXELS_AT = 10, BMP_WIDTH = 18, BMP_HEIGHT = 22, BMP_PLANES = 26,
                 BMP_BITS = 28, BMP_COMPRESSION = 30, BMP_IMAGE_SIZE = 34, BMP_COLOURS = 46;

// The start of a baseline JPEG: SOI, an APP0 segment, then a frame header of w by h with the
// given precision and components. The scan data does not matter to the check.
bytes make_jpeg_head(int w, int h, int precision = 8, int components = 3) {
    bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
    append_text(b, "JFIF");
    b.insert(b.end(), {0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    const int length = 8 + 3 * components;
    b.insert(b.end(),
             {0xFF, 0xC0, 0x00, static_cast<unsigned char>(length),
              static_cast<unsigned char>(precision), static_cast<unsigned char>(h >> 8),
              static_cast<unsigned char>(h & 0xFF), static_cast<unsigned char>(w >> 8),
              static_cast<unsigned char>(w & 0xFF), static_cast<unsigned char>(components)});
    for (int c = 0; c < components; ++c)
        b.insert(b.end(), {static_cast<unsigned char>(c + 1), 0x11, 0});
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

// A PCM WAV of the given format holding data_bytes of silence; declared_data (when not -1)
// replaces the data chunk's size in the header.
bytes make_wav(int rate, int channels, int bits, uint32_t data_bytes, int64_t declared_data = -1) {
    bytes w;
    append_text(w, "RIFF");
    append_le(w, 36 + data_bytes, 4);
    append_text(w, "WAVEfmt ");
    append_le(w, 16, 4);
    append_le(w, 1, 2);
    append_le(w, static_cast<uint32_t>(channels), 2);
    append_le(w, static_cast<uint32_t>(rate), 4);
    append_le(w, static_cast<uint32_t>(rate * channels * bits / 8), 4);
    append_le(w, static_cast<uint32_t>(channels * bits / 8), 2);
    append_le(w, static_cast<uint32_t>(bits), 2);
    append_text(w, "data");
    append_le(w, declared_data < 0 ? data_bytes : static_cast<uint32_t>(declared_data), 4);
    w.resize(w.size() + data_bytes, 0);
    return w;
}

// Offsets in a WAV made by make_wav.
constexpr size_t WAV_RIFF_SIZE = 4, WAV_TAG = 20, WAV_CHANNELS = 22, WAV_RATE = 24, WAV_BLOCK = 32,
                 WAV_BITS = 34;

const char* bmp_check(const bytes& b, int max_side = MEDIA_MAX_SIDE) {
    return media_check_bmp(b.data(), b.size(), max_side);
}
const char* jpeg_check(const bytes& b) {
    return media_check_jpeg(b.data(), b.size(), MEDIA_MAX_SIDE);
}
const char* wav_check(const bytes& b) {
    return media_check_wav(b.data(), b.size());
}

void write_file(const std::string& path, const bytes& b) {
    write_play_file(path, std::string(b.begin(), b.end()));
}

bytes read_file(const std::string& path) {
    const std::string s = read_play_file(path);
    return bytes(s.begin(), s.end());
}

TEST(media_check, play_folder_files_pass) {
    play_dir dir;
    for (const auto& entry : std::filesystem::directory_iterator("pics")) {
        const std::string name = entry.path().string();
        const bytes b = read_file(name);
        ASSERT_FALSE(b.empty()) << name;
        const char* why = entry.path().extension() == ".bmp" ? bmp_check(b) : jpeg_check(b);
        EXPECT_EQ(why, nullptr) << name << ": " << why;
    }
    const bytes applause = read_file("sounds/applause.wav");
    EXPECT_EQ(wav_check(applause), nullptr) << wav_check(applause);
    // The cup fits the new-record screen's own, smaller limit.
    EXPECT_EQ(bmp_check(read_file("pics/cup.bmp"), 1024), nullptr);
}

TEST(media_check, bmp_depths_and_limits) {
    for (int bits : {1, 4, 8, 16, 24, 32})
        EXPECT_EQ(bmp_check(make_bmp(5, 3, bits)), nullptr) << bits;
    EXPECT_EQ(bmp_check(make_bmp(7, 4, 24), 7), nullptr);
    EXPECT_NE(bmp_check(make_bmp(7, 4, 24), 6), nullptr);
    EXPECT_NE(bmp_check(make_bmp(4, 7, 24), 6), nullptr);
    // Rows stored top to bottom: a negative height.
    bytes top_down = make_bmp(3, 3, 24);
    put_le(top_down, BMP_HEIGHT, static_cast<uint32_t>(-3), 4);
    EXPECT_EQ(bmp_check(top_down), nullptr);
}

TEST(media_check, bmp_damaged_headers_are_refused) {
    const bytes good = make_bmp(6, 5, 8);
    auto with = [&](size_t at, uint32_t value, int n) {
        bytes b = good;
        put_le(b, at, value, n);
        return b;
    };
    EXPECT_NE(bmp_check(with(BMP_WIDTH, 1000000, 4)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_HEIGHT, 1000000, 4)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_HEIGHT, 0x80000000u, 4)), nullptr); // -2^31
    EXPECT_NE(bmp_check(with(BMP_WIDTH, 0, 4)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_WIDTH, static_cast<uint32_t>(-6), 4)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_PLANES, 2, 2)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_BITS, 7, 2)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_COMPRESSION, 4, 4)), nullptr); // embedded JPEG
    EXPECT_NE(bmp_check(with(BMP_COMPRESSION, 3, 4)), nullptr); // masks at 8 bits
    EXPECT_NE(bmp_check(with(BMP_COLOURS, 257, 4)), nullptr);   // more than 8 bits allow
    EXPECT_NE(bmp_check(with(BMP_PIXELS_AT, 0xFFFFFFF0u, 4)), nullptr);
    EXPECT_NE(bmp_check(with(BMP_PIXELS_AT, 20, 4)), nullptr); // inside the header
    EXPECT_NE(bmp_check(with(14, 1000, 4)), nullptr);          // info header size
    EXPECT_NE(bmp_check(with(0, 'X', 1)), nullptr);
    // Run-length coded pixels whose declared size runs past the end.
    bytes rle = with(BMP_COMPRESSION, 1, 4);
    put_le(rle, BMP_IMAGE_SIZE, 1 << 20, 4);
    EXPECT_NE(bmp_check(rle), nullptr);
    put_le(rle, BMP_IMAGE_SIZE, 8, 4);
    EXPECT_EQ(bmp_check(rle), nullptr);
    // Cut anywhere: the last pixel row, into the palette, into the header.
    for (size_t keep : {good.size() - 1, size_t{14 + 40 + 100}, size_t{30}, size_t{2}, size_t{0}})
        EXPECT_NE(bmp_check(bytes(good.begin(), good.begin() + static_cast<long>(keep))), nullptr)
            << keep;
}

TEST(media_check, jpeg_frame_header_is_found_and_judged) {
    EXPECT_EQ(jpeg_check(make_jpeg_head(640, 480)), nullptr);
    EXPECT_EQ(jpeg_check(make_jpeg_head(4096, 4096, 8, 1)), nullptr);
    EXPECT_NE(jpeg_check(make_jpeg_head(4097, 10)), nullptr);
    EXPECT_NE(jpeg_check(make_jpeg_head(10, 65535)), nullptr);
    EXPECT_NE(jpeg_check(make_jpeg_head(0, 10)), nullptr);
    EXPECT_NE(jpeg_check(make_jpeg_head(10, 0)), nullptr); // height given later: refused
    EXPECT_NE(jpeg_check(make_jpeg_head(10, 10, 12)), nullptr);
    EXPECT_NE(jpeg_check(make_jpeg_head(10, 10, 8, 2)), nullptr);

    const bytes good = make_jpeg_head(64, 32);
    // A segment whose length runs past the end of the file, before the frame header.
    bytes long_app = good;
    long_app[4] = 0x7F;
    EXPECT_NE(jpeg_check(long_app), nullptr);
    // Cut before the frame header is complete.
    EXPECT_NE(jpeg_check(bytes(good.begin(), good.begin() + 25)), nullptr);
    // The scan before any frame header.
    bytes scan_first = good;
    scan_first[21] = 0xDA;
    EXPECT_NE(jpeg_check(scan_first), nullptr);
    EXPECT_NE(jpeg_check(make_bmp(2, 2, 24)), nullptr);
}

TEST(media_check, wav_chunks_and_format) {
    EXPECT_EQ(wav_check(make_wav(44100, 2, 16, 4000)), nullptr);
    EXPECT_EQ(wav_check(make_wav(22050, 1, 8, 11)), nullptr);
    EXPECT_EQ(wav_check(make_wav(44100, 2, 16, 0)), nullptr) << "an empty sound is valid";
    // A chunk of odd length before the data is padded to an even size.
    bytes listed = make_wav(8000, 1, 8, 10);
    const bytes list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    listed.insert(listed.begin() + 36, list.begin(), list.end());
    put_le(listed, WAV_RIFF_SIZE, static_cast<uint32_t>(listed.size() - 8), 4);
    EXPECT_EQ(wav_check(listed), nullptr);
    // At most MEDIA_MAX_SOUND_SECONDS of sound.
    const uint32_t limit = 8000u * MEDIA_MAX_SOUND_SECONDS;
    EXPECT_EQ(wav_check(make_wav(8000, 1, 8, limit)), nullptr);
    EXPECT_NE(wav_check(make_wav(8000, 1, 8, limit + 1)), nullptr);
}

TEST(media_check, wav_damaged_headers_are_refused) {
    const bytes good = make_wav(44100, 2, 16, 400);
    auto with = [&](size_t at, uint32_t value, int n) {
        bytes b = good;
        put_le(b, at, value, n);
        return b;
    };
    EXPECT_NE(wav_check(make_wav(44100, 2, 16, 8, 0xFFFFFFF0u)), nullptr);
    EXPECT_NE(wav_check(make_wav(44100, 2, 16, 8, 12)), nullptr);
    EXPECT_NE(wav_check(with(WAV_RIFF_SIZE, 0xFFFFFFFFu, 4)), nullptr);
    EXPECT_NE(wav_check(with(WAV_RIFF_SIZE, 2, 4)), nullptr);
    EXPECT_NE(wav_check(with(WAV_TAG, 3, 2)), nullptr); // float
    EXPECT_NE(wav_check(with(WAV_TAG, 2, 2)), nullptr); // ADPCM
    EXPECT_NE(wav_check(with(WAV_BITS, 24, 2)), nullptr);
    EXPECT_NE(wav_check(with(WAV_CHANNELS, 0, 2)), nullptr);
    EXPECT_NE(wav_check(with(WAV_CHANNELS, 9, 2)), nullptr);
    EXPECT_NE(wav_check(with(WAV_RATE, 0, 4)), nullptr);
    EXPECT_NE(wav_check(with(WAV_RATE, 1000000, 4)), nullptr);
    EXPECT_NE(wav_check(with(WAV_BLOCK, 0, 2)), nullptr);
    // The data chunk before the format chunk; no data chunk at all.
    bytes swapped = good;
    std::memcpy(&swapped[12], "data", 4);
    std::memcpy(&swapped[36], "fmt ", 4);
    EXPECT_NE(wav_check(swapped), nullptr);
    bytes no_data(good.begin(), good.begin() + 36);
    put_le(no_data, WAV_RIFF_SIZE, 28, 4);
    EXPECT_NE(wav_check(no_data), nullptr);
    EXPECT_NE(wav_check(bytes(good.begin(), good.begin() + 5)), nullptr);
}

TEST(media_check, read_file_reports_missing_unreadable_and_too_large) {
    play_dir dir;
    write_play_file("data/five", "12345");
    bytes out = {1, 2, 3};
    EXPECT_EQ(media_read_file("data/five", 5, out), MEDIA_READ_OK);
    EXPECT_EQ(out, (bytes{'1', '2', '3', '4', '5'}));
    EXPECT_EQ(media_read_file("data/five", 4, out), MEDIA_READ_TOO_BIG);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(media_read_file("data/none", 100, out), MEDIA_READ_MISSING);
    EXPECT_EQ(media_read_file("data", 100, out), MEDIA_READ_FAILED);
    EXPECT_TRUE(out.empty());
}

class media_loaders : public ::testing::Test {
  protected:
    play_dir dir;
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    }
    void TearDown() override {
        FSOUND_Close();
        SDL_Quit();
    }
};

TEST_F(media_loaders, pictures_refused_by_their_check_are_not_loaded) {
    write_file("pics/good.bmp", make_bmp(9, 7, 24));
    surface_ptr good = load_bmp("pics/good.bmp");
    ASSERT_TRUE(good) << SDL_GetError();
    EXPECT_EQ(good->w, 9);
    EXPECT_EQ(good->h, 7);
    EXPECT_FALSE(load_bmp("pics/good.bmp", 8));
    EXPECT_NE(std::string(SDL_GetError()).find("pics/good.bmp"), std::string::npos);

    bytes huge = make_bmp(2, 2, 32);
    put_le(huge, BMP_WIDTH, 1000000, 4);
    put_le(huge, BMP_HEIGHT, 1000000, 4);
    write_file("pics/huge.bmp", huge);
    EXPECT_FALSE(load_bmp("pics/huge.bmp"));
    EXPECT_NE(std::string(SDL_GetError()).find("dimensions"), std::string::npos);
    EXPECT_FALSE(load_bmp("pics/none.bmp"));

    // The JPEG loader takes JPEG only, and its check comes first.
    EXPECT_FALSE(load_jpeg("pics/good.bmp"));
    write_file("pics/huge.jpg", make_jpeg_head(60000, 60000));
    EXPECT_FALSE(load_jpeg("pics/huge.jpg"));
    EXPECT_NE(std::string(SDL_GetError()).find("dimensions"), std::string::npos);
    surface_ptr board = load_jpeg("pics/board.jpg");
    ASSERT_TRUE(board) << SDL_GetError();
    EXPECT_EQ(board->w, 540);
}

TEST_F(media_loaders, wav_with_a_huge_declared_size_fails_as_an_unknown_format) {
    write_file("sounds/huge.wav", make_wav(44100, 2, 16, 8, 0xFFFFFFF0u));
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, "sounds/huge.wav", 0, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
}

// An empty data chunk once reached memcpy with a null destination, on the plain path (already
// 16-bit stereo at the output rate) as on the converting one: it is a silent sample that plays
// and is freed. A data chunk shorter than one frame takes the same way.
TEST_F(media_loaders, empty_wav_is_a_silent_sample_on_both_paths) {
    struct wav_case {
        int rate, channels, bits;
        uint32_t bytes;
    };
    for (const wav_case c : {wav_case{44100, 2, 16, 0}, wav_case{22050, 1, 8, 0},
                             wav_case{44100, 2, 16, 1}, wav_case{22050, 2, 16, 3}}) {
        write_file("sounds/applause.wav", make_wav(c.rate, c.channels, c.bits, c.bytes));
        FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, "sounds/applause.wav", 0, 0, 0);
        ASSERT_NE(sample, nullptr) << c.rate << " Hz, " << c.bytes << " bytes";
        EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
        EXPECT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
        std::vector<int16_t> out(2 * 256, 1);
        audio_render(out.data(), 256);
        EXPECT_EQ(out, std::vector<int16_t>(2 * 256, 0)) << "nothing sounds";
        FSOUND_Sample_Free(sample);
    }
}

} // namespace
