// Saving in every situation a data folder can hold. Two copies of the game load one file, the
// file changes (the other copy saves, or something else rewrites it), then the first copy
// saves: its line lands where it ranks in the file as it stands then. A file replaced in a
// shared or private folder through links, pipes, folders, long names and leftovers of killed
// saves: a save succeeds exactly where it may, a refused one changes nothing, none leaves a
// file behind.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_dir.h"
#include "store/replace_file.h"
#include "store/scores.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t FUZZ_STRANGER = 4321;

std::string read_all(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

bool same_lines(const score_table& a, const score_table& b) {
    for (int i = 0; i < SCORE_LINES; ++i)
        if (std::strcmp(a.lines[i].data(), b.lines[i].data()) != 0) return false;
    return true;
}

// Ranks and inserts a line; the place, or -1 when the score stays out.
int enter(score_table& t, const char* name, int score) {
    const int place = score_rank(score, t);
    if (place < 0 || place >= SCORE_LINES) return -1;
    insert_score(t, name, place, score);
    return place;
}

void two_copies(FuzzedDataProvider& in) {
    const int mine = in.ConsumeIntegralInRange<int>(0, INT32_MAX);
    const int theirs = in.ConsumeIntegralInRange<int>(0, INT32_MAX);
    const bool they_save = in.ConsumeBool();
    const std::string start = in.ConsumeRandomLengthString(400);
    const std::string between = in.ConsumeRandomLengthString(400);
    if (replace_file("data/scores.dat", start) != 1) fuzz_fail("cannot write the first file");
    score_table first{};
    score_table second{};
    if (load_scores(first) != 1 || load_scores(second) != 1) fuzz_fail("the file did not load");
    const int place = enter(first, "one", mine);
    // The file changes under the first copy: a new file either way, so the change shows.
    if (they_save) {
        if (save_game_scores(second, enter(second, "two", theirs)) != 1)
            fuzz_fail("the other copy's save failed");
    } else if (replace_file("data/scores.dat", between) != 1) {
        fuzz_fail("cannot rewrite the file");
    }
    // What the first copy's save must give: the file as it stands, with its line ranked there.
    score_table expected{};
    if (load_scores(expected) != 1) fuzz_fail("the changed file did not load");
    if (place >= 0) enter(expected, "one", mine);
    if (save_game_scores(first, place) != 1) fuzz_fail("the merged save failed");
    score_table after{};
    if (load_scores(after) != 1) fuzz_fail("the merged file did not load");
    if (!same_lines(after, expected) || !same_lines(first, expected))
        fuzz_fail("the merge lost or misplaced a line");
}

// What stands at shared/<name> before the save.
enum fuzz_place {
    PLACE_FILE,
    PLACE_OWN_LINK,
    PLACE_STRANGER_LINK,
    PLACE_CHAIN,
    PLACE_DANGLING_LINK,
    PLACE_PIPE,
    PLACE_FOLDER,
    PLACE_DEVICE_LINK,
    PLACE_LONG_NAME,
    PLACE_COUNT
};

void odd_places(FuzzedDataProvider& in) {
    const auto place = static_cast<fuzz_place>(in.ConsumeIntegralInRange<int>(0, PLACE_COUNT - 1));
    const bool sticky = in.ConsumeBool();
    const bool stale = in.ConsumeBool();
    const std::string text = in.ConsumeRemainingBytesAsString();
    std::error_code ec;
    fs::remove_all("shared", ec);
    fs::remove_all("mine", ec);
    fs::create_directory("shared");
    fs::create_directory("mine");
    ::chmod("shared", sticky ? 01777 : 0755);
    fuzz_write_file("mine/target", reinterpret_cast<const uint8_t*>("old\n"), 4);

    const std::string name = place == PLACE_LONG_NAME ? std::string(245, 'n') : "f";
    const std::string path = "shared/" + name;
    // Only root can give a link away; otherwise the link is the process's own.
    const bool stranger = place == PLACE_STRANGER_LINK && ::geteuid() == 0;
    switch (place) {
    case PLACE_FILE:
    case PLACE_LONG_NAME:
        fuzz_write_file(path.c_str(), reinterpret_cast<const uint8_t*>("old\n"), 4);
        break;
    case PLACE_OWN_LINK:
    case PLACE_STRANGER_LINK:
        fs::create_symlink("../mine/target", path);
        if (stranger && ::lchown(path.c_str(), FUZZ_STRANGER, FUZZ_STRANGER) != 0)
            fuzz_fail("cannot give the link away");
        break;
    case PLACE_CHAIN:
        fs::create_symlink(fs::absolute("mine/target"), "shared/g");
        fs::create_symlink("g", path);
        break;
    case PLACE_DANGLING_LINK:
        fs::create_symlink("../mine/new", path);
        break;
    case PLACE_PIPE:
        ::mkfifo(path.c_str(), 0666);
        break;
    case PLACE_FOLDER:
        fs::create_directory(path);
        break;
    case PLACE_DEVICE_LINK:
    case PLACE_COUNT:
        fs::create_symlink("/dev/null", path);
        break;
    }
    if (stale && place != PLACE_LONG_NAME)
        fuzz_write_file((path + ".quelbo-abC123").c_str(), reinterpret_cast<const uint8_t*>("x"),
                        1);
    const fs::file_type before = fs::symlink_status(path).type();

    const bool refused = (stranger && sticky) || place == PLACE_PIPE || place == PLACE_FOLDER ||
                         place == PLACE_DEVICE_LINK;
    const int result = replace_file(path, text);
    if (result != (refused ? 0 : 1)) fuzz_fail("a save succeeded or failed where it should not");
    if (fs::symlink_status(path).type() != before) fuzz_fail("what stood there changed its kind");
    const bool through =
        place == PLACE_OWN_LINK || place == PLACE_STRANGER_LINK || place == PLACE_CHAIN;
    if (!refused) {
        const std::string written = place == PLACE_DANGLING_LINK ? read_all("mine/new")
                                    : through                    ? read_all("mine/target")
                                                                 : read_all(path);
        if (written != text) fuzz_fail("the saved file does not hold the text");
    }
    if (refused && read_all("mine/target") != "old\n") fuzz_fail("a refused save wrote");
    // Nothing left behind: only what the case made. A leftover of a killed save of this name
    // is removed when this save writes the file in that folder.
    const bool in_folder = !refused && !through && place != PLACE_DANGLING_LINK;
    const std::size_t made = 1 + (place == PLACE_CHAIN ? 1 : 0) + (stale && !in_folder ? 1 : 0);
    const auto count = [](const char* dir) {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir), fs::directory_iterator{}));
    };
    if (count("shared") != made) fuzz_fail("files left behind in the folder");
    if (count("mine") != (place == PLACE_DANGLING_LINK ? 2u : 1u))
        fuzz_fail("files left behind beside the link's target");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_enter_dir();
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        two_copies(in);
    else
        odd_places(in);
    return 0;
}
