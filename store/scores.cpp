#include "store/scores.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "store/replace_file.h"
#include "toolkit/paths.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr const char* SCORES_FILE = "scores.dat";
constexpr const char* SCORES_LOAD_ERR = "Err de chargement du fichier des scores.";
constexpr const char* SCORES_SAVE_ERR = "Err de creation du fichier des scores.";
constexpr int SCORES_TEXT_AT = 4; // the score starts after the name and its space
// The most of a scores file that is read: ten lines of a program-written file take at most
// 150 bytes, so this leaves room for hand-edited files while a huge one costs nothing.
constexpr std::size_t SCORES_READ_LIMIT = 4096;

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

score_file_stamp stamp_of(const struct stat& st) {
    return score_file_stamp{true, static_cast<uint64_t>(st.st_dev),
                            static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                                st.st_mtim.tv_nsec};
}

score_file_stamp stamp_of_file(const std::string& path) {
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 ? stamp_of(st) : score_file_stamp{};
}

// Fills the ten slots from the start of a file's text in one pass, as line reads of at most 19
// characters would: slot i holds the start of file line i, up to and including its newline.
void parse_lines(const std::string& text, score_table& table) {
    std::size_t at = 0; // where file line i starts
    for (int i = 0; i < SCORE_LINES; ++i) {
        auto& line = table.lines[i];
        // A slot past the end of a short file takes the default line, so every slot
        // always holds a well-formed line whatever the table held before.
        if (at >= text.size()) {
            default_line(line, i);
            continue;
        }
        std::size_t n = 0;
        while (n < SCORE_SLOT - 1 && at + n < text.size()) {
            line[n] = text[at + n];
            if (line[n++] == '\n') break;
        }
        line[n] = '\0';
        const std::size_t newline = text.find('\n', at);
        at = newline == std::string::npos ? text.size() : newline + 1;
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
}

// Reads the table from the start of the file at path and notes which file it was; false when
// it is no regular file that can be opened (the table is then untouched).
bool read_table(const std::string& path, score_table& table) {
    std::string text;
    struct stat st = {};
    if (!read_file_prefix(path, SCORES_READ_LIMIT, text, st)) return false;
    parse_lines(text, table);
    table.loaded = stamp_of(st);
    return true;
}

// Puts this game's line into the table as the file holds it now.
void merge_from_file(score_table& table, int place, const std::string& path) {
    std::array<char, SCORE_SLOT> mine{};
    const bool have_line = place >= 0 && place < SCORE_LINES;
    if (have_line) mine = table.lines[place];
    if (!read_table(path, table)) return; // gone or unreadable: the table of this game stands
    if (!have_line) return;
    std::array<char, 4> name{};
    std::memcpy(name.data(), mine.data(), 3);
    const int score = slot_score(mine);
    const int rank = score_rank(score, table);
    if (rank >= 0 && rank < SCORE_LINES) insert_score(table, name.data(), rank, score);
}

// The file's text for the table: each of the first nine slots ends its file line.
std::string table_text(const score_table& table) {
    std::string text;
    for (int i = 0; i < SCORE_LINES; ++i) {
        const auto& line = table.lines[i];
        const std::size_t len = strnlen(line.data(), line.size());
        text.append(line.data(), len);
        // A slot without its newline (a line cut to its slot) still ends its file line, or the
        // next load would read the following slots one line off.
        if (i < SCORE_LINES - 1 && (len == 0 || line[len - 1] != '\n')) text += '\n';
    }
    return text;
}

int save_in(const save_folder& folder, const score_table& table) {
    if (replace_file_at(folder, SCORES_FILE, table_text(table))) return 1;
    std::puts(SCORES_SAVE_ERR);
    return 0;
}

} // namespace

int load_scores(score_table& table) {
    const std::string path = paths_data_file(SCORES_FILE);
    if (!read_table(path, table)) {
        // What stands there now (maybe a file that cannot be read) is what a save must expect.
        table.loaded = stamp_of_file(path);
        std::puts(SCORES_LOAD_ERR);
        return 0;
    }
    return 1;
}

void seek_line(FILE* f, int n) {
    // Back to the start with the flags cleared, as rewind does; a stream that cannot seek
    // stays where it is.
    if (std::fseek(f, 0, SEEK_SET) != 0) return;
    std::clearerr(f);
    int seen = 0;
    while (seen < n) {
        const int c = std::fgetc(f);
        if (c == EOF) return;
        if (c == '\n') ++seen;
    }
}

int save_scores(const score_table& table) {
    save_folder folder;
    open_save_folder(folder, paths_data_dir());
    return save_in(folder, table);
}

int save_game_scores(score_table& table, int place) {
    const std::string path = paths_data_file(SCORES_FILE);
    save_folder folder;
    open_save_folder(folder, paths_data_dir());
    if (stamp_of_file(path) != table.loaded) merge_from_file(table, place, path);
    const int saved = save_in(folder, table);
    table.loaded = stamp_of_file(path);
    return saved;
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
