#include "mod_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double TWO_PI = 2.0 * std::numbers::pi;
constexpr int SYNTH_BASE_NOTE = 12; // C-2: tonal instruments are tuned for this note

// Amplitude of harmonic k (1-based) for a wave; 0 when it has none.
double harmonic(synth_wave w, int k) {
    switch (w) {
    case SYNTH_SAW:
        return 1.0 / k;
    case SYNTH_SQUARE:
        return k % 2 ? 1.0 / k : 0.0;
    case SYNTH_PULSE25:
        return std::sin(std::numbers::pi * k * 0.25) / k;
    case SYNTH_TRIANGLE:
        return k % 2 ? ((k / 2) % 2 ? -1.0 : 1.0) / (k * k) : 0.0;
    case SYNTH_SINE:
        return k == 1 ? 1.0 : 0.0;
    case SYNTH_ORGAN:
        return k == 1 ? 1.0 : k == 2 ? 0.5 : k == 3 ? 0.3 : k == 4 ? 0.25 : k == 6 ? 0.12 : 0.0;
    }
    return 0.0;
}

// One band-limited period sample at phase (in cycles), harmonics up to max_k, rolled off by
// brightness (1 keeps all, 0.1 nearly only the fundamental).
double wave_at(synth_wave w, double phase, int max_k, double bright) {
    double v = 0.0;
    const double roll = std::max(0.05, bright) * max_k;
    for (int k = 1; k <= max_k; ++k) {
        const double a = harmonic(w, k);
        if (a == 0.0) continue;
        v += a * std::exp(-(k - 1) / roll) * std::sin(TWO_PI * k * phase);
    }
    return v;
}

mod_sample make_sample(const char* name, std::vector<double> v, double peak, int volume) {
    if (v.size() % 2) v.push_back(0.0);
    mod_sample s;
    s.name = name;
    s.data = synth_to_8bit(v, peak);
    s.volume = volume;
    return s;
}

} // namespace

uint64_t synth_rng::next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double synth_rng::uniform() {
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
}
double synth_rng::range(double lo, double hi) {
    return lo + (hi - lo) * uniform();
}
double synth_rng::noise() {
    return range(-1.0, 1.0);
}

std::vector<int8_t> synth_to_8bit(const std::vector<double>& v, double peak) {
    double m = 1e-9;
    for (double x : v)
        m = std::max(m, std::fabs(x));
    std::vector<int8_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        const double x = std::round(v[i] / m * peak * 127.0);
        out[i] = static_cast<int8_t>(std::clamp(x, -128.0, 127.0));
    }
    return out;
}

mod_sample synth_tonal(const char* name, const synth_tone& t, int volume) {
    const double rate = mod_note_rate(SYNTH_BASE_NOTE);
    // Loop length holding exactly `cycles` periods at (nearly) the asked pitch.
    size_t loop = static_cast<size_t>(std::lround(t.cycles * rate / t.pitch_hz));
    loop += loop % 2;
    const size_t head_loops = std::max<size_t>(1, std::lround(t.head_s * rate / loop));
    const size_t head = head_loops * loop;
    const int max_k = std::max(1, static_cast<int>(rate / 2.0 / t.pitch_hz));

    std::vector<double> v(head + loop);
    const double end_t = static_cast<double>(head) / rate;
    auto env_at = [&](double sec) {
        if (sec < t.attack_s) return sec / t.attack_s;
        return t.sustain + (1.0 - t.sustain) * std::exp(-(sec - t.attack_s) / t.decay_s);
    };
    auto bright_at = [&](double sec) {
        return t.bright_end + (t.bright_start - t.bright_end) * std::exp(-sec / t.decay_s);
    };
    const double env_end = env_at(end_t), bright_end = bright_at(end_t);
    for (size_t i = 0; i < v.size(); ++i) {
        const double sec = static_cast<double>(i) / rate;
        const double env = i < head ? env_at(sec) : env_end;
        const double br = i < head ? bright_at(sec) : bright_end;
        const double pos = static_cast<double>(i % loop) / loop;
        double x = wave_at(t.wave, pos * t.cycles, max_k, br);
        if (t.chorus > 0.0) {
            x += t.chorus * wave_at(t.wave, pos * (t.cycles - 1), max_k, br);
            x += t.chorus * wave_at(t.wave, pos * (t.cycles + 1) + 0.37, max_k, br);
        }
        v[i] = x * env;
    }
    mod_sample s = make_sample(name, std::move(v), 0.95, volume);
    s.loop_start = head;
    s.loop_length = loop;
    return s;
}

mod_sample synth_pluck(const char* name, double pitch_hz, synth_wave wave, double decay_s,
                       double length_s, int volume) {
    const double rate = mod_note_rate(SYNTH_BASE_NOTE);
    const size_t n = static_cast<size_t>(length_s * rate);
    const int max_k = std::max(1, static_cast<int>(rate / 2.0 / pitch_hz));
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) {
        const double sec = static_cast<double>(i) / rate;
        const double env = std::min(1.0, sec / 0.002) * std::exp(-sec / decay_s) *
                           std::min(1.0, (length_s - sec) / 0.02);
        const double br = 0.3 + 0.7 * std::exp(-sec / (decay_s * 0.3));
        v[i] = env * wave_at(wave, pitch_hz * sec, max_k, br);
    }
    return make_sample(name, std::move(v), 0.95, volume);
}

mod_sample synth_kick(const char* name, int play_note, int volume) {
    const double rate = mod_note_rate(play_note);
    const size_t n = static_cast<size_t>(0.32 * rate);
    std::vector<double> v(n);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double sec = static_cast<double>(i) / rate;
        const double f = 48.0 + 120.0 * std::exp(-sec / 0.03);
        phase += f / rate;
        const double body = std::sin(TWO_PI * phase) * std::exp(-sec / 0.16);
        const double click = sec < 0.004 ? (1.0 - sec / 0.004) * 0.5 : 0.0;
        v[i] = std::tanh(1.8 * (body + click)) * std::min(1.0, (0.32 - sec) / 0.03);
    }
    return make_sample(name, std::move(v), 0.97, volume);
}

mod_sample synth_snare(const char* name, int play_note, synth_rng& rng, int volume) {
    const double rate = mod_note_rate(play_note);
    const size_t n = static_cast<size_t>(0.28 * rate);
    std::vector<double> v(n);
    double lp = 0.0, prev = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double sec = static_cast<double>(i) / rate;
        const double w = rng.noise();
        lp += 0.55 * (w - lp);       // soften the top
        const double hp = lp - prev; // and take away the low rumble
        prev = lp;
        const double noise = (0.6 * lp + 0.8 * hp) * std::exp(-sec / 0.075);
        const double tone =
            (std::sin(TWO_PI * 185.0 * sec) + 0.5 * std::sin(TWO_PI * 330.0 * sec)) *
            std::exp(-sec / 0.04);
        v[i] = (noise * 1.2 + tone * 0.7) * std::min(1.0, (0.28 - sec) / 0.03);
    }
    return make_sample(name, std::move(v), 0.95, volume);
}

mod_sample synth_hat(const char* name, int play_note, double decay_s, synth_rng& rng, int volume) {
    const double rate = mod_note_rate(play_note);
    const double len = std::min(1.0, decay_s * 5.0);
    const size_t n = static_cast<size_t>(len * rate);
    std::vector<double> v(n);
    double prev = 0.0, prev2 = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double sec = static_cast<double>(i) / rate;
        const double w = rng.noise();
        const double hp = w - 2.0 * prev + prev2; // second difference: a steep high pass
        prev2 = prev;
        prev = w;
        v[i] = hp * std::exp(-sec / decay_s) * std::min(1.0, (len - sec) / 0.01);
    }
    return make_sample(name, std::move(v), 0.9, volume);
}

mod_sample synth_crash(const char* name, int play_note, double decay_s, synth_rng& rng,
                       int volume) {
    const double rate = mod_note_rate(play_note);
    const double len = std::min(1.9, decay_s * 4.0);
    const size_t n = static_cast<size_t>(len * rate);
    static constexpr double PARTIALS[6] = {2637.0, 3175.0, 3962.0, 4735.0, 5518.0, 6892.0};
    std::vector<double> v(n);
    double prev = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double sec = static_cast<double>(i) / rate;
        const double w = rng.noise();
        const double hp = w - prev; // first difference: keeps the hiss, drops the rumble
        prev = w;
        double metal = 0.0;
        for (double f : PARTIALS)
            metal += std::sin(TWO_PI * f * sec) > 0.0 ? 1.0 : -1.0;
        const double env = std::min(1.0, sec / 0.002) * std::exp(-sec / decay_s) *
                           std::min(1.0, (len - sec) / 0.05);
        v[i] = (hp + 0.08 * metal) * env;
    }
    return make_sample(name, std::move(v), 0.9, volume);
}

mod_sample synth_tom(const char* name, int play_note, synth_rng& rng, int volume) {
    const double rate = mod_note_rate(play_note);
    const double len = 0.4;
    const size_t n = static_cast<size_t>(len * rate);
    std::vector<double> v(n);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double sec = static_cast<double>(i) / rate;
        phase += (150.0 + 70.0 * std::exp(-sec / 0.05)) / rate;
        const double body = std::sin(TWO_PI * phase) * std::exp(-sec / 0.14);
        const double hit = rng.noise() * 0.4 * std::exp(-sec / 0.012);
        v[i] = std::tanh(1.5 * (body + hit)) * std::min(1.0, (len - sec) / 0.03);
    }
    return make_sample(name, std::move(v), 0.95, volume);
}
