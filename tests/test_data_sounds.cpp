// The generated tunes and applause, loaded with the libraries the game plays them with.
#include <SDL.h>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/play_dir.h"

namespace {

constexpr int TUNES = 5;

std::string tune_bytes(int n) {
    return read_play_file("sounds/tune" + std::to_string(n) + ".mod");
}

struct module_owner {
    openmpt_module* mod = nullptr;
    explicit module_owner(const std::string& bytes) {
        int err = 0;
        mod =
            openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                               nullptr, nullptr, nullptr, &err, nullptr, nullptr);
    }
    ~module_owner() {
        if (mod) openmpt_module_destroy(mod);
    }
    std::string meta(const char* key) const {
        const char* s = openmpt_module_get_metadata(mod, key);
        std::string out = s ? s : "";
        openmpt_free_string(s);
        return out;
    }
};

constexpr size_t HEADER = 1084, PATTERN_BYTES = 64 * 8 * 4;

// The patterns of a module file, each as its bytes; empty when the file is too short.
std::vector<std::string> patterns_of(const std::string& b) {
    if (b.size() < HEADER) return {};
    int count = 0;
    for (size_t i = 952; i < 1080; ++i)
        count = std::max(count, static_cast<unsigned char>(b[i]) + 1);
    if (b.size() < HEADER + count * PATTERN_BYTES) return {};
    std::vector<std::string> out;
    for (int p = 0; p < count; ++p)
        out.push_back(b.substr(HEADER + p * PATTERN_BYTES, PATTERN_BYTES));
    return out;
}

} // namespace

TEST(data_sounds, tunes_are_eight_channel_modules_with_titles_and_length) {
    play_dir dir;
    std::set<std::string> titles;
    for (int n = 1; n <= TUNES; ++n) {
        SCOPED_TRACE("tune " + std::to_string(n));
        const std::string bytes = tune_bytes(n);
        ASSERT_GT(bytes.size(), 1084u);
        EXPECT_EQ(bytes.substr(1080, 4), "8CHN");
        module_owner m(bytes);
        ASSERT_NE(m.mod, nullptr);
        EXPECT_NE(m.meta("type_long").find("ProTracker"), std::string::npos) << m.meta("type_long");
        EXPECT_EQ(openmpt_module_get_num_channels(m.mod), 8);
        const std::string title = m.meta("title");
        EXPECT_FALSE(title.empty());
        EXPECT_LE(title.size(), 20u);
        titles.insert(title);
        EXPECT_GE(openmpt_module_get_duration_seconds(m.mod), 120.0);
        EXPECT_TRUE(std::isfinite(openmpt_module_get_duration_seconds(m.mod)));
    }
    EXPECT_EQ(titles.size(), static_cast<size_t>(TUNES));
}

// Every channel plays and sets its own pan in every pattern, so no pattern played first can
// leave one at its default side; the loop skips the intro; no pattern plays twice in a row,
// even across the loop.
TEST(data_sounds, tunes_pan_every_channel_in_every_pattern_and_vary_their_patterns) {
    play_dir dir;
    for (int n = 1; n <= TUNES; ++n) {
        SCOPED_TRACE("tune " + std::to_string(n));
        const std::string b = tune_bytes(n);
        const std::vector<std::string> patterns = patterns_of(b);
        ASSERT_FALSE(patterns.empty());
        const auto u8 = [](const std::string& s, size_t i) {
            return static_cast<unsigned char>(s[i]);
        };
        std::array<int, 8> notes{};
        for (size_t p = 0; p < patterns.size(); ++p)
            for (int ch = 0; ch < 8; ++ch) {
                bool panned = false;
                for (int row = 0; row < 64; ++row) {
                    const size_t cell = (row * 8 + ch) * 4;
                    if (row < 2 && (u8(patterns[p], cell + 2) & 0x0F) == 0x8) panned = true;
                    if ((u8(patterns[p], cell) & 0x0F) || u8(patterns[p], cell + 1)) ++notes[ch];
                }
                EXPECT_TRUE(panned) << "pattern " << p << " channel " << ch;
            }
        for (int ch = 0; ch < 8; ++ch)
            EXPECT_GT(notes[ch], 40) << "channel " << ch << " hardly plays";

        const int orders = u8(b, 950), restart = u8(b, 951);
        ASSERT_GT(orders, 0);
        EXPECT_GT(restart, 0) << "the intro is played again at each loop";
        EXPECT_LT(restart, orders);
        std::set<std::string> distinct;
        for (int o = 0; o < orders; ++o) {
            const int next = o + 1 < orders ? o + 1 : restart;
            const std::string& here = patterns[u8(b, 952 + o)];
            distinct.insert(here);
            EXPECT_NE(here, patterns[u8(b, 952 + next)])
                << "order " << o << " is played again right after itself";
        }
        EXPECT_GE(distinct.size(), 8u);
    }
}

TEST(data_sounds, tunes_use_the_standard_periods_and_differ_in_tempo) {
    static constexpr std::array<int, 36> periods = {
        856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
        302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
    play_dir dir;
    std::vector<double> beats_per_minute;
    for (int n = 1; n <= TUNES; ++n) {
        SCOPED_TRACE("tune " + std::to_string(n));
        const std::string b = tune_bytes(n);
        const size_t patterns = patterns_of(b).size();
        ASSERT_GT(patterns, 0u);
        const auto u8 = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
        int notes = 0;
        for (size_t cell = HEADER; cell < HEADER + patterns * PATTERN_BYTES; cell += 4) {
            const int period = ((u8(cell) & 0x0F) << 8) | u8(cell + 1);
            if (period == 0) continue;
            ++notes;
            EXPECT_NE(std::find(periods.begin(), periods.end(), period), periods.end())
                << "period " << period;
        }
        EXPECT_GT(notes, 200);

        module_owner m(b);
        ASSERT_NE(m.mod, nullptr);
        // Quarter notes of four rows, from the time the whole order list takes.
        const double rows = openmpt_module_get_num_orders(m.mod) * 64.0;
        beats_per_minute.push_back(60.0 /
                                   (4.0 * openmpt_module_get_duration_seconds(m.mod) / rows));
    }
    for (size_t i = 0; i < beats_per_minute.size(); ++i)
        for (size_t j = i + 1; j < beats_per_minute.size(); ++j)
            EXPECT_GT(std::fabs(beats_per_minute[i] / beats_per_minute[j] - 1.0), 0.05)
                << "tunes " << i + 1 << " and " << j + 1 << " share a tempo";
}

TEST(data_sounds, applause_is_a_short_stereo_wav_that_swells_and_fades) {
    play_dir dir;
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    SDL_AudioSpec format;
    Uint8* buf = nullptr;
    Uint32 len = 0;
    ASSERT_NE(SDL_LoadWAV("sounds/applause.wav", &format, &buf, &len), nullptr) << SDL_GetError();
    EXPECT_EQ(format.freq, 44100);
    EXPECT_EQ(format.format, AUDIO_S16LSB);
    EXPECT_EQ(format.channels, 2);
    const size_t frames = len / 4;
    const double seconds = format.freq > 0 ? static_cast<double>(frames) / format.freq : 0.0;
    EXPECT_GE(seconds, 2.0);
    EXPECT_LE(seconds, 4.0);

    std::vector<int16_t> pcm(len / 2);
    std::copy(buf, buf + pcm.size() * 2, reinterpret_cast<Uint8*>(pcm.data()));
    SDL_FreeWAV(buf);
    SDL_Quit();

    auto rms = [&](double from, double to) {
        double sum = 0;
        const size_t a = static_cast<size_t>(from * 44100) * 2;
        const size_t b = std::min(pcm.size(), static_cast<size_t>(to * 44100) * 2);
        for (size_t i = a; i < b; ++i)
            sum += static_cast<double>(pcm[i]) * pcm[i];
        return b > a ? std::sqrt(sum / (b - a)) / 32768.0 : 0.0;
    };
    int peak = 0;
    for (int16_t s : pcm)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 32767); // no clipping
    const double middle = rms(0.5, 1.5);
    EXPECT_GT(middle, 0.03);
    EXPECT_GT(middle, 3 * rms(seconds - 0.15, seconds)); // it fades out
    // left and right are not one copy of the other: the claps come from around the room
    double diff = 0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2)
        diff += std::abs(pcm[i] - pcm[i + 1]);
    EXPECT_GT(diff / frames, 200.0);
}
