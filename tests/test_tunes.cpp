// The generated tunes rendered through libopenmpt, as the game plays them looping: one pass
// and a second past the loop point, in memory. Each tune is rendered once and measured for
// length, stereo balance, headroom, silent gaps, treble and a click where it loops. The drum
// channels of each module are read from its pattern data for how much they vary.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "support/play_dir.h"

namespace {

constexpr int RATE = 44100;
constexpr double AFTER_LOOP_S = 1.0;  // rendered past the loop point
constexpr double WINDOW_S = 0.010;    // level windows for the silence search
constexpr double SILENT_DBFS = -50.0; // a window below this is silent
constexpr double SEAM_S = 0.002;      // the loop point, give or take this
constexpr double AROUND_S = 2.0;      // the music compared with it, on each side
constexpr size_t FFT_SIZE = 2048;
constexpr size_t FFT_HOP = 16384; // every eighth stretch of the music is analysed

struct rendered {
    std::vector<int16_t> pcm; // interleaved stereo, one pass then past the loop
    size_t pass_frames = 0;   // the loop point
    size_t intro_frames = 0;  // where the looped part starts in the first pass
};

// Renders tune n looping; an empty pcm when the module does not load.
rendered render_tune(int n) {
    const std::string bytes = read_play_file("sounds/tune" + std::to_string(n) + ".mod");
    rendered r;
    int err = 0;
    openmpt_module* mod =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                           nullptr, nullptr, nullptr, &err, nullptr, nullptr);
    if (!mod || bytes.size() < 952) {
        if (mod) openmpt_module_destroy(mod);
        return r;
    }
    const double pass_s = openmpt_module_get_duration_seconds(mod);
    r.pass_frames = static_cast<size_t>(std::lround(pass_s * RATE));
    openmpt_module_set_repeat_count(mod, 1);
    const size_t want = r.pass_frames + static_cast<size_t>(AFTER_LOOP_S * RATE);
    r.pcm.resize(want * 2);
    size_t done = 0;
    while (done < want) {
        const size_t got = openmpt_module_read_interleaved_stereo(
            mod, RATE, std::min<size_t>(want - done, 8192), r.pcm.data() + done * 2);
        if (got == 0) break;
        done += got;
    }
    r.pcm.resize(done * 2);
    // The order the song loops back to is byte 951 of the file; libopenmpt takes a value past
    // the order list as the first order.
    int restart = static_cast<unsigned char>(bytes[951]);
    if (restart >= openmpt_module_get_num_orders(mod)) restart = 0;
    r.intro_frames = static_cast<size_t>(
        std::lround(openmpt_module_set_position_order_row(mod, restart, 0) * RATE));
    openmpt_module_destroy(mod);
    return r;
}

double dbfs(double rms) {
    return 20.0 * std::log10(std::max(rms, 1e-9) / 32768.0);
}

// RMS of one channel (0 left, 1 right) over frames [from, to), in dBFS.
double channel_dbfs(const std::vector<int16_t>& pcm, int channel, size_t from, size_t to) {
    double sum = 0;
    for (size_t f = from; f < to; ++f) {
        const double v = pcm[f * 2 + channel];
        sum += v * v;
    }
    return dbfs(to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0);
}

// Longest run of silent windows in frames [from, to), in seconds.
double longest_silence(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    const size_t win = static_cast<size_t>(WINDOW_S * RATE);
    const double limit = 32768.0 * std::pow(10.0, SILENT_DBFS / 20.0);
    size_t run = 0, longest = 0;
    for (size_t w = from; w + win <= to; w += win) {
        double sum = 0;
        for (size_t i = w * 2; i < (w + win) * 2; ++i)
            sum += static_cast<double>(pcm[i]) * pcm[i];
        run = std::sqrt(sum / (2.0 * win)) < limit ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return static_cast<double>(longest * win) / RATE;
}

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi / len);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Power of the 2-6 kHz band against the 0.5-2 kHz band of the mono mix, in dB, from
// Hann-windowed stretches of frames [from, to).
double treble_db(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    std::vector<std::complex<double>> buf(FFT_SIZE);
    double mid = 0, high = 0;
    for (size_t start = from; start + FFT_SIZE <= to; start += FFT_HOP) {
        for (size_t i = 0; i < FFT_SIZE; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / FFT_SIZE);
            const size_t f = (start + i) * 2;
            buf[i] = hann * (pcm[f] + pcm[f + 1]) * 0.5;
        }
        fft(buf);
        for (size_t k = 1; k < FFT_SIZE / 2; ++k) {
            const double hz = static_cast<double>(k) * RATE / FFT_SIZE;
            const double p = std::norm(buf[k]);
            if (hz >= 500 && hz < 2000) mid += p;
            if (hz >= 2000 && hz < 6000) high += p;
        }
    }
    return 10.0 * std::log10(std::max(high, 1e-9) / std::max(mid, 1e-9));
}

// Largest step between neighbouring samples of either channel over frames [from, to).
int largest_step(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    int step = 0;
    for (size_t f = std::max<size_t>(from, 1); f < to; ++f)
        for (int c = 0; c < 2; ++c)
            step = std::max(step, std::abs(pcm[f * 2 + c] - pcm[(f - 1) * 2 + c]));
    return step;
}

// Eight-channel module layout: orders from byte 952 (their count at byte 950), patterns of 64
// rows of eight four-byte cells from byte 1084. The drums are channels 0 (kick), 1 (snare and
// toms) and 2 (hats and crash).
constexpr size_t MOD_ORDER_COUNT_AT = 950, MOD_ORDERS_AT = 952, MOD_PATTERNS_AT = 1084;
constexpr size_t MOD_CELL_BYTES = 4, MOD_ROW_BYTES = 8 * MOD_CELL_BYTES;
constexpr size_t MOD_PATTERN_BYTES = 64 * MOD_ROW_BYTES;
constexpr int BAR_ROWS = 16;
constexpr int DRUM_CHANNELS = 3;

// Distinct bars that sound on one channel over one pass of the order list: a bar is its 16
// cells with the pan effects (8xx, the same in every pattern) left out; silent bars do not
// count. -1 when the file is cut short.
int distinct_bars(const std::string& bytes, int channel) {
    if (bytes.size() < MOD_PATTERNS_AT) return -1;
    const int orders = static_cast<unsigned char>(bytes[MOD_ORDER_COUNT_AT]);
    std::set<std::string> bars;
    for (int o = 0; o < orders; ++o) {
        const size_t pattern = static_cast<unsigned char>(bytes[MOD_ORDERS_AT + o]);
        for (int start = 0; start < 64; start += BAR_ROWS) {
            std::string bar;
            bool sounds = false;
            for (int row = start; row < start + BAR_ROWS; ++row) {
                const size_t at = MOD_PATTERNS_AT + pattern * MOD_PATTERN_BYTES +
                                  row * MOD_ROW_BYTES + channel * MOD_CELL_BYTES;
                if (at + MOD_CELL_BYTES > bytes.size()) return -1;
                std::string cell = bytes.substr(at, MOD_CELL_BYTES);
                if ((cell[2] & 0x0F) == 0x08) {
                    cell[2] = static_cast<char>(cell[2] & 0xF0);
                    cell[3] = 0;
                }
                sounds = sounds || cell[0] != 0 || cell[1] != 0 || (cell[2] & 0xF0) != 0;
                bar += cell;
            }
            if (sounds) bars.insert(bar);
        }
    }
    return static_cast<int>(bars.size());
}

// The kick, the snare and the hats each change from section to section and around the fills
// over a pass, so the rhythm is not the part that repeats.
TEST(tune_drums, every_drum_channel_plays_at_least_eight_distinct_bars_per_pass) {
    play_dir dir;
    for (int n = 1; n <= 5; ++n) {
        const std::string bytes = read_play_file("sounds/tune" + std::to_string(n) + ".mod");
        for (int ch = 0; ch < DRUM_CHANNELS; ++ch)
            EXPECT_GE(distinct_bars(bytes, ch), 8) << "tune " << n << ", drum channel " << ch;
    }
}

class tune_render : public testing::TestWithParam<int> {};

TEST_P(tune_render, plays_two_minutes_balanced_unclipped_bright_without_gaps_or_seam_click) {
    play_dir dir;
    const rendered r = render_tune(GetParam());
    ASSERT_FALSE(r.pcm.empty()) << "the module does not load";
    const size_t frames = r.pcm.size() / 2;
    ASSERT_EQ(frames, r.pass_frames + static_cast<size_t>(AFTER_LOOP_S * RATE))
        << "the song stopped instead of looping";
    const double pass_s = static_cast<double>(r.pass_frames) / RATE;
    EXPECT_GE(pass_s, 120.0) << "one pass lasts " << pass_s << " s";
    ASSERT_LT(r.intro_frames, r.pass_frames) << "the loop point lies outside the song";

    const double left = channel_dbfs(r.pcm, 0, 0, r.pass_frames);
    const double right = channel_dbfs(r.pcm, 1, 0, r.pass_frames);
    EXPECT_LT(std::fabs(left - right), 3.0) << "left " << left << " dBFS, right " << right;
    EXPECT_GT(std::min(left, right), -30.0) << "too quiet: " << left << " / " << right;

    int peak = 0;
    for (int16_t v : r.pcm)
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LT(peak, 32000) << "peak " << peak << ": clipped or without headroom";

    const double silence = longest_silence(r.pcm, r.intro_frames, frames);
    EXPECT_LE(silence, 0.100) << "a silent gap of " << silence << " s after the intro";

    const double treble = treble_db(r.pcm, 0, r.pass_frames);
    EXPECT_GE(treble, -15.0) << "2-6 kHz is " << -treble << " dB under 0.5-2 kHz";

    // A click is a step between two samples at the loop point that is larger than every step
    // the music itself makes in the two seconds on either side.
    const size_t seam = r.pass_frames, near = static_cast<size_t>(SEAM_S * RATE),
                 around = static_cast<size_t>(AROUND_S * RATE);
    ASSERT_GT(seam, around + near);
    const int at_seam = largest_step(r.pcm, seam - near, seam + near);
    const int before = largest_step(r.pcm, seam - around, seam - near);
    const int after = largest_step(r.pcm, seam + near, std::min(frames, seam + around));
    EXPECT_LE(at_seam, std::max(before, after)) << "click at the loop point: step " << at_seam
                                                << ", music around it " << before << " / " << after;
    EXPECT_GT(std::min(before, after), 0) << "silence around the loop point";
}

INSTANTIATE_TEST_SUITE_P(tunes, tune_render, testing::Range(1, 6),
                         [](const testing::TestParamInfo<int>& info) {
                             return "tune" + std::to_string(info.param);
                         });

} // namespace
