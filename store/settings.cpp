#include "store/settings.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

#include "store/replace_file.h"
#include "toolkit/paths.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr const char* SETTINGS_FILE = "control.dat";
constexpr const char* SETTINGS_OPEN_ERROR = "Err ouverture de control.dat";
constexpr int SETTINGS_COUNT = 8;
// The most of the file that is read: far more than a line of eight numbers needs.
constexpr std::size_t SETTINGS_READ_LIMIT = 4096;

// Inclusive range of each value on the line, in file order.
struct settings_range {
    int64_t lo;
    int64_t hi;
};
constexpr std::array<settings_range, SETTINGS_COUNT> SETTINGS_RANGES{{
    {0, 1},                   // device
    {INT32_MIN, INT32_MAX},   // joystick index: start-up checks it against the joysticks
    {0, INT32_MAX},           // button right
    {0, INT32_MAX},           // button left
    {0, INPUT_KEY_COUNT - 1}, // key right
    {0, INPUT_KEY_COUNT - 1}, // key left
    {0, 2},                   // skin
    {0, 5},                   // tune
}};

// Reads one decimal integer at text[at] the way "%d" does: leading white space, an optional
// sign, digits; at moves past it. Returns false when no number stands there (reading ends).
// Very long numbers saturate far beyond the 32-bit range, so they fall outside every range
// instead of overflowing.
bool read_number(const std::string& text, std::size_t& at, int64_t& out) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    while (at < text.size() && std::isspace(byte(at)))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    if (at >= text.size() || !std::isdigit(byte(at))) return false;
    constexpr int64_t LIMIT = INT64_MAX / 10 - 1;
    int64_t value = 0;
    for (; at < text.size() && std::isdigit(byte(at)); ++at)
        if (value < LIMIT) value = value * 10 + (text[at] - '0');
    out = negative ? -value : value;
    return true;
}

std::array<int32_t*, SETTINGS_COUNT> fields_of(controls_cfg& c, options_cfg& o) {
    return {&c.device,    &c.joystick_index, &c.button_right, &c.button_left,
            &c.key_right, &c.key_left,       &o.skin,         &o.tune};
}

std::array<int32_t, SETTINGS_COUNT> default_values() {
    controls_cfg c{};
    options_cfg o{};
    default_controls(c);
    default_options(o);
    return {c.device,    c.joystick_index, c.button_right, c.button_left,
            c.key_right, c.key_left,       o.skin,         o.tune};
}

} // namespace

int load_controls(controls_cfg& controls, options_cfg& options) {
    std::string text;
    struct stat st = {};
    if (!read_file_prefix(paths_data_file(SETTINGS_FILE), SETTINGS_READ_LIMIT, text, st)) {
        std::puts(SETTINGS_OPEN_ERROR);
        return 0;
    }
    const auto fields = fields_of(controls, options);
    const auto defaults = default_values();
    // Values stop at the first text that is not a number; the fields after it keep what they
    // held. A value outside its range takes its default.
    std::size_t at = 0;
    for (int i = 0; i < SETTINGS_COUNT; ++i) {
        int64_t v = 0;
        if (!read_number(text, at, v)) break;
        const settings_range r = SETTINGS_RANGES[i];
        *fields[i] = (v >= r.lo && v <= r.hi) ? static_cast<int32_t>(v) : defaults[i];
    }
    return 1;
}

int save_controls(const controls_cfg& c, const options_cfg& o) {
    std::array<char, 128> line{};
    std::snprintf(line.data(), line.size(), "%d %d %d %d %d %d %d %d\n", c.device, c.joystick_index,
                  c.button_right, c.button_left, c.key_right, c.key_left, o.skin, o.tune);
    save_folder folder;
    open_save_folder(folder, paths_data_dir());
    if (replace_file_at(folder, SETTINGS_FILE, line.data())) return 1;
    std::puts(SETTINGS_OPEN_ERROR);
    return 0;
}
