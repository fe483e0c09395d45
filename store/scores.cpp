#include "store/scores.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

constexpr const char* SCORES_PATH = "data/scores.dat";
constexpr const char* SCORES_TEMP_PATH = "data/scores.dat.tmp";
constexpr const char* SCORES_LOAD_ERR = "Err de chargement du fichier des scores.";
constexpr const char* SCORES_SAVE_ERR = "Err de creation du fichier des scores.";
constexpr int SCORES_TEXT_AT = 4; // the score starts after the name and its space

// Bounds of the running sum and place value: far above any int, and a character (at most 255
// times the place value) added to a capped sum stays below int64 overflow.
constexpr int64_t SCORES_SUM_CAP = INT64_C(1) << 62;
constexpr int64_t SCORES_PLACE_CAP = INT64_C(1000000000000000);

void default_line(std::array<char, SCORE_SLOT>& line, int i) {
    std::snprintf(line.data(), line.size(), "aaa %d\n", 10 * (SCORE_LINES - 1 - i));
}

// Score of one slot. A line too short to reach its fifth character is worth 0.
int slot_score(const std::array<char, SCORE_SLOT>& line) {
    if (strnlen(line.data(), line.size()) <= static_cast<std::size_t>(SCORES_TEXT_AT)) return 0;
    return line_score(line.data() + SCORES_TEXT_AT, line.size() - SCORES_TEXT_AT);
}

// Writes the ten lines to a new file at path; false (no file left) on any open, write, flush or
// close error.
bool write_lines(const score_table& table, const char* path) {
    FILE* f = std::fopen(path, "w");
    if (!f) return false;
    bool ok = true;
    for (int i = 0; i < SCORE_LINES; ++i) {
        const auto& line = table.lines[i];
        const std::size_t len = strnlen(line.data(), line.size());
        if (std::fwrite(line.data(), 1, len, f) != len) ok = false;
        // A slot without its newline (a line cut to its slot) still ends its file line, or the
        // next load would read the following slots one line off.
        const bool ended = len > 0 && line[len - 1] == '\n';
        if (i < SCORE_LINES - 1 && !ended && std::fputc('\n', f) == EOF) ok = false;
    }
    if (std::fflush(f) != 0 || std::ferror(f)) ok = false;
#ifndef _WIN32
    // The data must be on disk before the rename makes it the scores file.
    if (ok && fsync(fileno(f)) != 0) ok = false;
#endif
    if (std::fclose(f) != 0) ok = false;
    if (!ok) std::remove(path);
    return ok;
}

} // namespace

int load_scores(score_table& table) {
    FILE* f = std::fopen(SCORES_PATH, "r");
    if (!f) {
        std::puts(SCORES_LOAD_ERR);
        return 0;
    }
    for (int i = 0; i < SCORE_LINES; ++i) {
        auto& line = table.lines[i];
        seek_line(f, i);
        // A slot past the end of a short file takes the default line, so every slot
        // always holds a well-formed line whatever the table held before.
        if (!std::fgets(line.data(), SCORE_SLOT, f)) {
            default_line(line, i);
            continue;
        }
        // A line cut short by the end of the file or by a nul byte gets its newline back (on
        // the last slot only when nothing is left of it), so a save writes each slot on its own
        // file line and the next load finds the same ten lines.
        const std::size_t len = std::strlen(line.data());
        const bool open_end = len == 0 || (i < SCORE_LINES - 1 && line[len - 1] != '\n');
        if (open_end && len + 1 < line.size()) {
            line[len] = '\n';
            line[len + 1] = '\0';
        }
    }
    std::fclose(f);
    return 1;
}

void seek_line(FILE* f, int n) {
    std::rewind(f);
    int seen = 0;
    while (seen < n) {
        const int c = std::fgetc(f);
        if (c == EOF) return;
        if (c == '\n') ++seen;
    }
}

int save_scores(const score_table& table) {
    // Written beside the old file and renamed over it: the old file stays whole on any failure.
    if (!write_lines(table, SCORES_TEMP_PATH)) {
        std::puts(SCORES_SAVE_ERR);
        return 0;
    }
    std::error_code ec;
    std::filesystem::rename(SCORES_TEMP_PATH, SCORES_PATH, ec);
    if (ec) {
        std::remove(SCORES_TEMP_PATH);
        std::puts(SCORES_SAVE_ERR);
        return 0;
    }
    return 1;
}

int default_scores(score_table& table) {
    for (int i = 0; i < SCORE_LINES; ++i)
        default_line(table.lines[i], i);
    return 1;
}

int line_score(const char* text, std::size_t room) {
    // The line end (a newline, with a carriage return before it) is not part of the score;
    // a last file line without one is read whole.
    std::size_t end = strnlen(text, room);
    if (end > 0 && text[end - 1] == '\n') --end;
    if (end > 0 && text[end - 1] == '\r') --end;
    // Every character counts as a digit. The sum saturates: with real digits it only grows,
    // so the result is the exact value up to INT32_MAX.
    int64_t sum = 0;
    int64_t place = 1;
    for (std::size_t i = end; i-- > 0;) {
        const int64_t digit = static_cast<unsigned char>(text[i]) - '0';
        sum += digit * place;
        if (sum > SCORES_SUM_CAP) sum = SCORES_SUM_CAP;
        if (sum < -SCORES_SUM_CAP) sum = -SCORES_SUM_CAP;
        if (place < SCORES_PLACE_CAP) place *= 10;
    }
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int>(sum);
}

int score_rank(int score, const score_table& table) {
    if (slot_score(table.lines[SCORE_LINES - 1]) > score) return SCORE_OUT;
    for (int k = SCORE_LINES - 1; k >= 0; --k)
        if (slot_score(table.lines[k]) >= score) return k + 1;
    return 0;
}

void insert_score(score_table& table, const char* name, int place, int score) {
    if (place < 0 || place >= SCORE_LINES) return;
    for (int i = SCORE_LINES - 1; i > place; --i)
        table.lines[i] = table.lines[i - 1];
    std::snprintf(table.lines[place].data(), SCORE_SLOT, "%s %d\n", name, score);
}
