// The applause of the new-record screen: a crowd of hand claps, synthesized and written as a
// 44100 Hz 16-bit stereo PCM WAV.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "byte_file.h"
#include "datagen.h"
#include "mod_synth.h"

namespace {

constexpr int AP_RATE = 44100;
constexpr double AP_LENGTH_S = 3.2;
constexpr int AP_CLAPPERS = 56;
constexpr uint64_t AP_SEED = 0x61707061756c6473ull;

// RBJ band-pass (constant peak gain) run over one clap.
struct band_pass {
    double b0, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    band_pass(double freq, double q) {
        const double w = 2.0 * std::numbers::pi * freq / AP_RATE;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0 = alpha / a0;
        b2 = -alpha / a0;
        a1 = -2.0 * std::cos(w) / a0;
        a2 = (1.0 - alpha) / a0;
    }
    double run(double x) {
        const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct clapper {
    double pan, gain, freq, q, decay, period, start, stop;
};

// Adds one clap at time t0 (seconds) into the stereo buffers.
void add_clap(std::vector<double>& left, std::vector<double>& right, const clapper& c, double t0,
              double level, synth_rng& rng) {
    band_pass bp(c.freq * rng.range(0.9, 1.1), c.q);
    band_pass body(c.freq * 0.45, 0.9);
    const size_t first = static_cast<size_t>(t0 * AP_RATE);
    const size_t len = static_cast<size_t>(0.09 * AP_RATE);
    const double gl = std::cos(c.pan * std::numbers::pi / 2) * level * c.gain;
    const double gr = std::sin(c.pan * std::numbers::pi / 2) * level * c.gain;
    for (size_t i = 0; i < len && first + i < left.size(); ++i) {
        const double t = static_cast<double>(i) / AP_RATE;
        // a sharp strike, then the short ring of the hands and the room
        const double env =
            std::min(1.0, t / 0.0006) * (std::exp(-t / c.decay) + 0.07 * std::exp(-t / 0.035));
        const double n = rng.noise() * env;
        const double y = bp.run(n) * 2.2 + body.run(n) * 0.5;
        left[first + i] += y * gl;
        right[first + i] += y * gr;
    }
}

// Level of the whole crowd at time t: a swell, a plateau, a fade.
double crowd_level(double t) {
    if (t < 0.35) return 0.35 + 0.65 * t / 0.35;
    if (t < 1.7) return 1.0;
    return std::max(0.0, 1.0 - (t - 1.7) / (AP_LENGTH_S - 1.7));
}

// A small room: four feedback combs into two all-passes (Schroeder), mixed under the dry claps.
void add_room(std::vector<double>& x, int spread) {
    const int comb_len[4] = {1557 + spread, 1617 + spread, 1491 + spread, 1422 + spread};
    const int pass_len[2] = {225 + spread / 4, 556 + spread / 4};
    std::vector<double> wet(x.size());
    for (int len : comb_len) {
        std::vector<double> buf(len);
        double lp = 0.0;
        for (size_t i = 0; i < x.size(); ++i) {
            double& slot = buf[i % len];
            const double out = slot;
            lp = 0.7 * out + 0.3 * lp; // damping: the room swallows the highs
            slot = x[i] + 0.78 * lp;
            wet[i] += out * 0.25;
        }
    }
    for (int len : pass_len) {
        std::vector<double> buf(len);
        for (size_t i = 0; i < wet.size(); ++i) {
            double& slot = buf[i % len];
            const double out = slot - 0.5 * wet[i];
            slot = wet[i] + 0.5 * out;
            wet[i] = out;
        }
    }
    for (size_t i = 0; i < x.size(); ++i)
        x[i] += 0.35 * wet[i];
}

std::vector<int16_t> render_applause() {
    synth_rng rng{AP_SEED};
    const size_t n = static_cast<size_t>(AP_LENGTH_S * AP_RATE);
    std::vector<double> left(n), right(n);
    for (int k = 0; k < AP_CLAPPERS; ++k) {
        clapper c;
        c.pan = rng.range(0.08, 0.92);
        c.gain = rng.range(0.35, 1.0);
        c.freq = rng.range(900.0, 2600.0);
        c.q = rng.range(0.9, 2.0);
        c.decay = rng.range(0.004, 0.011);
        c.period = rng.range(0.16, 0.28);
        c.start = rng.range(0.0, 0.35);              // the crowd joins in quickly
        c.stop = rng.range(1.9, AP_LENGTH_S - 0.08); // and drops out one by one
        for (double t = c.start; t < c.stop; t += c.period * rng.range(0.75, 1.25))
            add_clap(left, right, c, t, crowd_level(t), rng);
    }
    add_room(left, 0);
    add_room(right, 23);
    double peak = 1e-9;
    for (size_t i = 0; i < n; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    const double scale = 0.7 * 32767.0 / peak; // about -3 dB of full scale at the loudest
    std::vector<int16_t> out(2 * n);
    for (size_t i = 0; i < n; ++i) {
        const double fade = std::min(1.0, static_cast<double>(n - i) / (0.02 * AP_RATE));
        out[2 * i] = static_cast<int16_t>(std::lround(left[i] * scale * fade));
        out[2 * i + 1] = static_cast<int16_t>(std::lround(right[i] * scale * fade));
    }
    return out;
}

void put_u32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put_u16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put_tag(std::vector<uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

} // namespace

bool write_applause(const std::string& run_dir) {
    const std::vector<int16_t> pcm = render_applause();
    const uint32_t data_bytes = static_cast<uint32_t>(pcm.size() * 2);
    std::vector<uint8_t> wav;
    put_tag(wav, "RIFF");
    put_u32(wav, 36 + data_bytes);
    put_tag(wav, "WAVE");
    put_tag(wav, "fmt ");
    put_u32(wav, 16);
    put_u16(wav, 1); // PCM
    put_u16(wav, 2);
    put_u32(wav, AP_RATE);
    put_u32(wav, AP_RATE * 4);
    put_u16(wav, 4);
    put_u16(wav, 16);
    put_tag(wav, "data");
    put_u32(wav, data_bytes);
    for (int16_t s : pcm)
        put_u16(wav, static_cast<uint16_t>(s));

    const std::string path = run_dir + "/sounds/applause.wav";
    return write_bytes(path, wav);
}
