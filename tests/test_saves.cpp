// Saving the two data files as an ordinary player: permissions, links, modes, sync failures,
// write errors, and two copies of the game saving the score table.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>

#include "app/game_ctx.h"
#include "store/replace_file.h"
#include "store/scores.h"
#include "store/settings.h"
#include "support/as_user.h"
#include "support/play_dir.h"

namespace fs = std::filesystem;

namespace {

// What the next fsync calls fail with (0: they run for real).
int fsync_failure = 0;

} // namespace

// Stands in front of the C library's fsync in this test program, so sync failures can be made.
extern "C" int fsync(int fd) {
    if (fsync_failure != 0) {
        errno = fsync_failure;
        return -1;
    }
    using fsync_fn = int (*)(int);
    static const auto real = reinterpret_cast<fsync_fn>(dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

namespace {

const std::string SETTINGS_ERROR = "Err ouverture de control.dat\n";
const std::string SCORES_ERROR = "Err de creation du fichier des scores.\n";
const std::string PLAYER_TABLE = "kim 100000\naaa 80\naaa 70\naaa 60\naaa 50\n"
                                 "aaa 40\naaa 30\naaa 20\naaa 10\naaa 0\n";
const std::string SAVED_SETTINGS = "1 0 4 6 97 98 2 3\n";

mode_t mode_of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Files of the folder other than the ones named: what a save may have left behind.
std::string strays(const std::string& folder, std::initializer_list<std::string> known) {
    std::string out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        bool listed = false;
        for (const auto& k : known)
            listed = listed || k == name;
        if (!listed) out += name + " ";
    }
    return out;
}

// A play folder whose data/ belongs to the unprivileged user, with the context for the
// settings file; the saves run as that user and their printed lines are captured.
struct saves_fixture : testing::Test {
    play_dir dir;
    game_ctx ctx;
    saves_fixture() {
        ::chmod(dir.path.c_str(), 0755);
        give_to_unprivileged("data");
        new_game_ctx(ctx);
        default_options(*ctx.options);
        default_controls(*ctx.controls);
        controls_cfg& c = *ctx.controls;
        c.device = 1;
        c.button_right = 4;
        c.button_left = 6;
        c.key_right = 97;
        c.key_left = 98;
        ctx.options->skin = 2;
        ctx.options->tune = 3;
    }
    ~saves_fixture() override {
        free_game_ctx(ctx);
        fsync_failure = 0;
    }
    // A file of data/ holding text, with mode, owned by the unprivileged user.
    void player_file(const std::string& rel, const std::string& text, mode_t mode) {
        write_play_file(rel, text);
        give_to_unprivileged(rel.c_str());
        ::chmod(rel.c_str(), mode);
    }
    // Runs save_controls as the player; returns what it printed and sets result.
    std::string save_settings(int& result) {
        testing::internal::CaptureStdout();
        result = run_unprivileged([this] { return save_controls(*ctx.controls, *ctx.options); });
        return testing::internal::GetCapturedStdout();
    }
    // Runs a whole game's load and end-of-game save of the scores as the player.
    std::string game_scores(int& result, const char* name = nullptr, int score = 0) {
        testing::internal::CaptureStdout();
        result = run_unprivileged([name, score] {
            score_table t{};
            if (!load_scores(t)) default_scores(t);
            int place = -1;
            if (name) {
                place = score_rank(score, t);
                insert_score(t, name, place, score);
            }
            return save_game_scores(t, place);
        });
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(saves_fixture, a_file_the_player_cannot_write_is_refused_and_left_alone) {
    player_file("data/control.dat", "0 0 0 1 119 113 0 0\n", 0444);
    int result = -1;
    EXPECT_EQ(save_settings(result), SETTINGS_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_play_file("data/control.dat"), "0 0 0 1 119 113 0 0\n");
    EXPECT_EQ(mode_of("data/control.dat"), 0444u);

    // Unreadable too (mode 000): the defaults are used for the game, and its end does not
    // replace the player's table with them.
    player_file("data/scores.dat", PLAYER_TABLE, 0);
    const std::string printed = game_scores(result, "bob", 500);
    EXPECT_EQ(printed, "Err de chargement du fichier des scores.\n" + SCORES_ERROR);
    EXPECT_EQ(result, 0);
    ::chmod("data/scores.dat", 0644);
    EXPECT_EQ(read_play_file("data/scores.dat"), PLAYER_TABLE);

    // Read-only and someone else's, in the player's folder.
    fs::remove("data/scores.dat");
    write_play_file("data/scores.dat", PLAYER_TABLE);
    ::chmod("data/scores.dat", 0444);
    EXPECT_EQ(game_scores(result, "bob", 500), SCORES_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_play_file("data/scores.dat"), PLAYER_TABLE);
    EXPECT_EQ(strays("data", {"control.dat", "scores.dat"}), "");
}

TEST_F(saves_fixture, a_writable_file_in_a_read_only_folder_is_written_in_place) {
    player_file("data/control.dat", "0 0 0 1 119 113 0 0\n", 0640);
    player_file("data/scores.dat", PLAYER_TABLE, 0600);
    ::chmod("data", 0555);
    int result = -1;
    EXPECT_EQ(save_settings(result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_play_file("data/control.dat"), SAVED_SETTINGS);
    EXPECT_EQ(game_scores(result, "bob", 85), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_play_file("data/scores.dat").substr(0, 18), "kim 100000\nbob 85\n");
    EXPECT_EQ(mode_of("data/control.dat"), 0640u);
    EXPECT_EQ(mode_of("data/scores.dat"), 0600u);

    // No file yet, and none can be made: the save fails with its message.
    fs::remove("data/control.dat");
    EXPECT_EQ(save_settings(result), SETTINGS_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(fs::exists("data/control.dat"));
    ::chmod("data", 0755);
}

TEST_F(saves_fixture, a_link_is_followed_and_its_target_replaced_in_its_own_folder) {
    fs::create_directory("elsewhere");
    give_to_unprivileged("elsewhere");
    player_file("elsewhere/control.dat", "0 0 0 1 119 113 0 0\n", 0600);
    fs::create_symlink("../elsewhere/control.dat", "data/control.dat");
    // A chain of two links, the last one absolute.
    player_file("elsewhere/scores.dat", PLAYER_TABLE, 0644);
    fs::create_symlink(fs::absolute("elsewhere/scores.dat"), "elsewhere/scores.link");
    fs::create_symlink("../elsewhere/scores.link", "data/scores.dat");

    int result = -1;
    EXPECT_EQ(save_settings(result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(game_scores(result, "bob", 85), "");
    EXPECT_EQ(result, 1);

    EXPECT_TRUE(fs::is_symlink("data/control.dat"));
    EXPECT_TRUE(fs::is_symlink("data/scores.dat"));
    EXPECT_TRUE(fs::is_symlink("elsewhere/scores.link"));
    EXPECT_EQ(read_play_file("elsewhere/control.dat"), SAVED_SETTINGS);
    EXPECT_EQ(read_play_file("elsewhere/scores.dat").substr(0, 18), "kim 100000\nbob 85\n");
    EXPECT_EQ(mode_of("elsewhere/control.dat"), 0600u);
    EXPECT_EQ(strays("data", {"control.dat", "scores.dat"}), "");
    EXPECT_EQ(strays("elsewhere", {"control.dat", "scores.dat", "scores.link"}), "");

    // A link to a file not there yet creates it where the link points.
    fs::remove("elsewhere/control.dat");
    EXPECT_EQ(save_settings(result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_play_file("elsewhere/control.dat"), SAVED_SETTINGS);
}

TEST_F(saves_fixture, a_new_file_gets_the_mode_that_creating_it_gives) {
    int result = -1;
    const mode_t old_mask = ::umask(027);
    EXPECT_EQ(save_settings(result), "");
    ::umask(old_mask);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(mode_of("data/control.dat"), 0640u);
    EXPECT_EQ(read_play_file("data/control.dat"), SAVED_SETTINGS);
}

TEST_F(saves_fixture, a_write_error_fails_the_save_and_keeps_the_old_file) {
    player_file("data/control.dat", "0 0 0 1 119 113 0 0\n", 0644);
    player_file("data/scores.dat", PLAYER_TABLE, 0644);
    // Files may not grow past 8 bytes in the child: every write of a whole file fails.
    const auto limited = [](const std::function<int()>& save) {
        return [save] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{8, 8};
            setrlimit(RLIMIT_FSIZE, &small);
            return save();
        };
    };
    // (The limit cuts the captured message as well, so only the results are compared.)
    testing::internal::CaptureStdout();
    EXPECT_EQ(
        run_unprivileged(limited([this] { return save_controls(*ctx.controls, *ctx.options); })),
        0);
    EXPECT_EQ(run_unprivileged(limited([] {
                  score_table t{};
                  default_scores(t);
                  return save_scores(t);
              })),
              0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_play_file("data/control.dat"), "0 0 0 1 119 113 0 0\n");
    EXPECT_EQ(read_play_file("data/scores.dat"), PLAYER_TABLE);
    EXPECT_EQ(strays("data", {"control.dat", "scores.dat"}), "");

    // A link to a full device is written through, as a plain write would, and fails.
    fs::remove("data/control.dat");
    fs::create_symlink("/dev/full", "data/control.dat");
    testing::internal::CaptureStdout();
    EXPECT_EQ(save_controls(*ctx.controls, *ctx.options), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), SETTINGS_ERROR);
    EXPECT_TRUE(fs::is_symlink("data/control.dat"));
}

TEST_F(saves_fixture, both_files_follow_one_sync_policy) {
    player_file("data/control.dat", "0 0 0 1 119 113 0 0\n", 0644);
    player_file("data/scores.dat", PLAYER_TABLE, 0644);
    int result = -1;
    // A file system that cannot sync: both saves go through.
    fsync_failure = EINVAL;
    EXPECT_EQ(save_settings(result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(game_scores(result, "bob", 85), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_play_file("data/control.dat"), SAVED_SETTINGS);
    const std::string saved_table = read_play_file("data/scores.dat");
    EXPECT_EQ(saved_table.substr(0, 18), "kim 100000\nbob 85\n");

    // A sync that fails for real (an I/O error): both saves fail and keep the old files.
    fsync_failure = EIO;
    ctx.options->tune = 5;
    EXPECT_EQ(save_settings(result), SETTINGS_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(game_scores(result, "cat", 95), SCORES_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_play_file("data/control.dat"), SAVED_SETTINGS);
    EXPECT_EQ(read_play_file("data/scores.dat"), saved_table);
    EXPECT_EQ(strays("data", {"control.dat", "scores.dat"}), "");
}

TEST_F(saves_fixture, a_directory_in_the_files_place_is_never_replaced) {
    fs::create_directories("data/control.dat/inside");
    int result = -1;
    EXPECT_EQ(save_settings(result), SETTINGS_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(fs::is_directory("data/control.dat/inside"));
    EXPECT_EQ(strays("data", {"control.dat"}), "");

    // No data folder at all: nothing is created.
    fs::remove_all("data");
    EXPECT_EQ(save_settings(result), SETTINGS_ERROR);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(fs::exists("data"));
}

// Two copies of the game: each loads the table when its game starts and saves it at its end.
TEST_F(saves_fixture, a_record_made_by_another_copy_meanwhile_is_kept) {
    write_play_file("data/scores.dat", PLAYER_TABLE);
    score_table first{};
    score_table second{};
    ASSERT_EQ(load_scores(first), 1);
    ASSERT_EQ(load_scores(second), 1);

    // The second copy's game ends first, with a record.
    int place = score_rank(500, second);
    insert_score(second, "bob", place, 500);
    ASSERT_EQ(save_game_scores(second, place), 1);

    // Then the first one's, with another record and with none.
    place = score_rank(75, first);
    ASSERT_EQ(place, 2);
    insert_score(first, "cat", place, 75);
    ASSERT_EQ(save_game_scores(first, place), 1);
    const std::string both = "kim 100000\nbob 500\naaa 80\ncat 75\naaa 70\n"
                             "aaa 60\naaa 50\naaa 40\naaa 30\naaa 20\n";
    EXPECT_EQ(read_play_file("data/scores.dat"), both);
    EXPECT_EQ(std::string(first.lines[3].data()), "cat 75\n");

    // The second copy's next game ends without a record: nothing of the first one's is lost,
    // and a score the fresh table no longer has room for is not entered.
    ASSERT_EQ(save_game_scores(second, -1), 1);
    EXPECT_EQ(read_play_file("data/scores.dat"), both);
    score_table third{};
    ASSERT_EQ(load_scores(third), 1);
    write_play_file("data/scores.dat", "top 900\ntop 800\ntop 700\ntop 600\ntop 500\n"
                                       "top 400\ntop 300\ntop 200\ntop 100\ntop 90\n");
    place = score_rank(25, third);
    ASSERT_EQ(place, 9);
    insert_score(third, "low", place, 25);
    ASSERT_EQ(save_game_scores(third, place), 1);
    EXPECT_EQ(read_play_file("data/scores.dat").find("low"), std::string::npos);
}

TEST_F(saves_fixture, a_single_copy_saves_its_table_as_it_stands) {
    // The table in memory differs from the file only by what this game changed.
    write_play_file("data/scores.dat", PLAYER_TABLE);
    score_table t{};
    ASSERT_EQ(load_scores(t), 1);
    std::snprintf(t.lines[9].data(), SCORE_SLOT, "zed 1\n");
    ASSERT_EQ(save_game_scores(t, -1), 1);
    EXPECT_EQ(read_play_file("data/scores.dat"),
              PLAYER_TABLE.substr(0, PLAYER_TABLE.size() - 6) + "zed 1\n");

    // No file at load, none at the end: the defaults (and the record) are written.
    fs::remove("data/scores.dat");
    score_table fresh{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_scores(fresh), 0);
    testing::internal::GetCapturedStdout();
    default_scores(fresh);
    insert_score(fresh, "new", 0, 95);
    ASSERT_EQ(save_game_scores(fresh, 0), 1);
    EXPECT_EQ(read_play_file("data/scores.dat").substr(0, 14), "new 95\naaa 90\n");
}

} // namespace
