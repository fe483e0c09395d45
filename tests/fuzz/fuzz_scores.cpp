// The score table on any file: every slot stays a short string, the rank of a score agrees with
// the lines it is ranked against, an insertion puts its line where the rank said, and a save
// followed by a load gives the same table.
#include <cstdint>
#include <cstring>

#include "fuzz_dir.h"
#include "store/scores.h"

namespace {

constexpr std::size_t SCORES_TEXT_AT = 4;

void check_slots(const score_table& t) {
    for (const auto& line : t.lines)
        if (strnlen(line.data(), line.size()) >= line.size()) fuzz_fail("slot without terminator");
}

bool same_table(const score_table& a, const score_table& b) {
    for (int i = 0; i < SCORE_LINES; ++i)
        if (std::strcmp(a.lines[i].data(), b.lines[i].data()) != 0) return false;
    return true;
}

int slot_value(const score_table& t, int i) {
    const auto& line = t.lines[i];
    if (std::strlen(line.data()) <= SCORES_TEXT_AT) return 0;
    return line_score(line.data() + SCORES_TEXT_AT, line.size() - SCORES_TEXT_AT);
}

// The rank against the lines: below every line at least as good, above every worse one.
void check_rank(const score_table& t, int s) {
    const int r = score_rank(s, t);
    const int last = slot_value(t, SCORE_LINES - 1);
    if (r == SCORE_OUT) {
        if (last <= s) fuzz_fail("score left out above the last line");
        return;
    }
    if (r == SCORE_AFTER) {
        if (last != s) fuzz_fail("score placed after a last line it does not equal");
        return;
    }
    if (r < 0 || r > 9) fuzz_fail("rank out of range");
    if (r > 0 && slot_value(t, r - 1) < s) fuzz_fail("score placed below a worse line");
    for (int k = r; k < SCORE_LINES; ++k)
        if (slot_value(t, k) >= s) fuzz_fail("score placed above a line at least as good");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_enter_dir();
    // The raw bytes as the text of a score line, read within their own size.
    line_score(reinterpret_cast<const char*>(data), size);

    fuzz_write_file("data/scores.dat", data, size);
    score_table table{};
    for (auto& line : table.lines) // whatever the table held before
        line.fill('x');
    if (load_scores(table) != 1) fuzz_fail("an existing file did not load");
    check_slots(table);

    // Rank each line's own score and its neighbours, then insert at the place the first
    // line's successor wins.
    for (int i = 0; i < SCORE_LINES; ++i) {
        const int v = slot_value(table, i);
        check_rank(table, v);
        if (v > INT32_MIN) check_rank(table, v - 1);
        if (v < INT32_MAX) check_rank(table, v + 1);
    }
    const int v = slot_value(table, 0);
    const int s = v < INT32_MAX ? v + 1 : v;
    const int place = score_rank(s, table);
    if (place >= 0 && place < SCORE_LINES) {
        const score_table before = table;
        const char name[4] = {static_cast<char>('a' + (size % 26)), 'b', 'c', '\0'};
        insert_score(table, name, place, s);
        check_slots(table);
        char want[SCORE_SLOT];
        std::snprintf(want, sizeof want, "%s %d\n", name, s);
        if (std::strcmp(table.lines[place].data(), want) != 0) fuzz_fail("inserted line wrong");
        for (int i = place + 1; i < SCORE_LINES; ++i)
            if (std::strcmp(table.lines[i].data(), before.lines[i - 1].data()) != 0)
                fuzz_fail("lines below the insertion did not move down by one");
    }

    if (save_scores(table) != 1) fuzz_fail("save failed");
    score_table again{};
    if (load_scores(again) != 1) fuzz_fail("saved file did not load");
    check_slots(again);
    if (!same_table(table, again)) fuzz_fail("save and load changed the table");
    return 0;
}
