// Saving the two data files as an ordinary player: permissions, links, modes, sync failures,
// write errors, and two copies of the game saving the score table.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
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
// Set in a child: the process dies at its next fsync or ftruncate, as a kill there would end it.
bool die_at_fsync = false;
bool die_at_cut = false;

} // namespace

// Stand in front of the C library's fsync and ftruncate in this test program, so sync failures
// and kills at a given step can be made.
extern "C" int fsync(int fd) {
    if (die_at_fsync) _exit(9);
    if (fsync_failure != 0) {
        errno = fsync_failure;
        return -1;
    }
    using fsync_fn = int (*)(int);
    static const auto real = reinterpret_cast<fsync_fn>(dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}
extern "C" int ftruncate(int fd, off_t length) {
    if (die_at_cut) _exit(9);
    using cut_fn = int (*)(int, off_t);
    static const auto real = reinterpret_cast<cut_fn>(dlsym(RTLD_NEXT, "ftruncate"));
    return real(fd, length);
}

namespace {

const std::string SETTINGS_ERROR = "Err ouverture de control.dat\n";
const std::string SCORES_ERROR = "Err de creation du fichier des scores.\n";
const std::string PLAYER_TABLE = "kim 100000\naaa 80\naaa 70\naaa 60\naaa 50\n"
                                 "aaa 40\naaa 30\naaa 20\naaa 10\naaa 0\n";
const std::string SAVED_SETTINGS = "1 0 4 6 97 98 2 3\n";

mode_t mode_of(const std::string& path) {
    struct stat st = {};
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

// Links that another user planted in a shared sticky folder are refused (the saves fail, the
// link and the player's file stay); where the system would follow a link, it is followed.
TEST_F(saves_fixture, links_are_followed_only_where_the_system_would_follow_them) {
    constexpr uid_t STRANGER = 4321;
    struct link_case {
        const char* what;
        mode_t folder_mode;
        uid_t link_owner;
        bool followed;
    };
    const link_case cases[] = {
        {"a stranger's link in a sticky shared folder", 01777, STRANGER, false},
        {"the player's own link there", 01777, unprivileged_uid(), true},
        {"the folder owner's link there", 01777, 0, true},
        {"a stranger's link in a folder without the sticky bit", 0777, STRANGER, true},
    };
    fs::create_directory("mine");
    give_to_unprivileged("mine");
    for (const link_case& c : cases) {
        if (geteuid() != 0 && c.link_owner != unprivileged_uid()) continue; // needs root
        fs::remove_all("data");
        fs::create_directory("data");
        ::chmod("data", c.folder_mode);
        player_file("mine/notes.txt", "notes\n", 0644);
        player_file("mine/profile.sh", "PATH=/bin\n", 0644);
        fs::create_symlink("../mine/notes.txt", "data/control.dat");
        fs::create_symlink("../mine/profile.sh", "data/scores.dat");
        ::lchown("data/control.dat", c.link_owner, 0);
        ::lchown("data/scores.dat", c.link_owner, 0);
        int settings_result = -1;
        int scores_result = -1;
        const std::string printed = save_settings(settings_result) + game_scores(scores_result);
        if (c.followed) {
            EXPECT_EQ(settings_result, 1) << c.what;
            EXPECT_EQ(read_play_file("mine/notes.txt"), SAVED_SETTINGS) << c.what;
            EXPECT_EQ(read_play_file("mine/profile.sh").find("PATH=/bin\naaa 80\n"), 0u) << c.what;
        } else {
            EXPECT_EQ(printed, SETTINGS_ERROR + SCORES_ERROR) << c.what;
            EXPECT_EQ(settings_result + scores_result, 0) << c.what;
            EXPECT_EQ(read_play_file("mine/notes.txt"), "notes\n") << c.what;
            EXPECT_EQ(read_play_file("mine/profile.sh"), "PATH=/bin\n") << c.what;
            EXPECT_EQ(fs::read_symlink("data/scores.dat"), "../mine/profile.sh") << c.what;
        }
    }
}

// A save killed before its rename leaves its temporary file; the next save of that file removes
// it, and nothing else. While a save holds the folder's lock, another one waits for it.
TEST_F(saves_fixture, leftovers_of_killed_saves_are_removed_and_only_those) {
    player_file("data/control.dat", "0 0 0 1 119 113 0 0\n", 0644);
    const auto killed = [this] {
        die_at_fsync = true;
        return save_controls(*ctx.controls, *ctx.options);
    };
    EXPECT_EQ(run_unprivileged(killed), 9);
    const std::string left = strays("data", {"control.dat"});
    EXPECT_EQ(left.rfind("control.dat.quelbo-", 0), 0u) << left;
    EXPECT_EQ(read_play_file("data/control.dat"), "0 0 0 1 119 113 0 0\n");

    const std::initializer_list<std::string> others = {
        "control.dat",       "scores.dat",          "scores.dat.quelbo-ab1",
        "scores.dat.backup", "notes.quelbo-abcdef", "scores.dat.quelbo-a-b-c-"};
    for (const auto& name : others)
        if (name != "control.dat") player_file("data/" + name, "keep\n", 0644);
    player_file("data/scores.dat.quelbo-Zz09Aa", "stale\n", 0644);
    int result = -1;
    EXPECT_EQ(save_settings(result) + game_scores(result), "");
    EXPECT_EQ(strays("data", others), "");

    // Another copy holds the lock: this save waits until it is released.
    const int held = ::open("data", O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const pid_t child = fork();
    if (child == 0) {
        ::close(held); // the lock stays with the parent's descriptor only
        _exit(save_controls(*ctx.controls, *ctx.options));
    }
    ::usleep(300000);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "the save did not wait for the lock";
    ::close(held);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// Where the file must be written in place, a kill before the cut leaves the new text followed
// by the old one's tail, which the readers ignore; never an empty file.
TEST_F(saves_fixture, in_place_writes_never_leave_an_empty_file) {
    const std::string old_table = PLAYER_TABLE + "old 5\nold 4\nold 3\n";
    const std::string long_name(245, 'n');
    struct place_case {
        const char* what;
        std::string name;
        mode_t folder_mode;
        bool foreign_file; // the file belongs to root in a sticky folder: no rename over it
    };
    const place_case cases[] = {
        {"a read-only folder", "scores.dat", 0555, false},
        {"someone else's file in a sticky folder", "scores.dat", 01777, true},
        {"a name too long for a temporary one", long_name, 0755, false},
    };
    score_table table{};
    default_scores(table);
    insert_score(table, "bob", 0, 95);
    const std::string text = "bob 95\naaa 90\naaa 80\naaa 70\naaa 60\naaa 50\naaa 40\n"
                             "aaa 30\naaa 20\naaa 10\n";
    for (const place_case& c : cases) {
        if (c.foreign_file && geteuid() != 0) continue; // needs root to own the file
        const std::string path = "data/" + c.name;
        ::chmod("data", 0755);
        player_file(path, old_table, 0666);
        if (c.foreign_file) ::chown(path.c_str(), 0, 0);
        ::chmod("data", c.folder_mode);
        if (c.foreign_file) ::chown("data", 0, 0);
        for (const bool killed : {true, false}) {
            const int result = run_unprivileged([&] {
                die_at_cut = killed;
                return replace_file(path, text);
            });
            EXPECT_EQ(result, killed ? 9 : 1) << c.what;
            EXPECT_EQ(read_play_file(path), killed ? text + old_table.substr(text.size()) : text)
                << c.what;
            score_table read{};
            if (c.name == "scores.dat") {
                EXPECT_EQ(load_scores(read), 1) << c.what;
                EXPECT_EQ(read.lines, table.lines) << c.what;
            }
        }
        EXPECT_EQ(strays("data", {c.name, "scores.dat"}), "") << c.what;
    }
    // The settings line with a longer old line behind it reads as the new one.
    ::chmod("data", 0555);
    player_file("data/control.dat", "0 0 0 1 119 113 0 0 7 7 7 7 7 7\n", 0644);
    EXPECT_EQ(run_unprivileged([this] {
                  die_at_cut = true;
                  return save_controls(*ctx.controls, *ctx.options);
              }),
              9);
    default_controls(*ctx.controls);
    ASSERT_EQ(load_controls(*ctx.controls, *ctx.options), 1);
    EXPECT_EQ(ctx.controls->key_right, 97);
    EXPECT_EQ(ctx.options->tune, 3);
    ::chmod("data", 0755);
}

// A shared file saved by a member of its group keeps the group when the owner cannot be kept.
TEST_F(saves_fixture, the_group_is_kept_when_the_owner_cannot_be) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the file to another owner";
    constexpr gid_t GROUP = 4242;
    write_play_file("data/control.dat", "0 0 0 1 119 113 0 0\n");
    ::chown("data/control.dat", 0, GROUP);
    ::chmod("data/control.dat", 0664);
    EXPECT_EQ(
        run_unprivileged([this] { return save_controls(*ctx.controls, *ctx.options); }, GROUP), 1);
    struct stat st = {};
    ASSERT_EQ(::stat("data/control.dat", &st), 0);
    EXPECT_EQ(st.st_gid, GROUP);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(read_play_file("data/control.dat"), SAVED_SETTINGS);
}

// A pipe, a device or a folder in a data file's place is reported at once, never read or
// written; a huge file costs only its first few KiB.
TEST_F(saves_fixture, odd_files_are_refused_at_once) {
    struct odd_case {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    const odd_case cases[] = {
        {"a pipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0666); }},
        {"a link to an endless device",
         [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        {"a folder", [](const std::string& p) { fs::create_directory(p); }},
    };
    for (const odd_case& c : cases) {
        std::array<fs::file_type, 2> kinds{};
        for (const char* name : {"data/control.dat", "data/scores.dat"}) {
            fs::remove_all(name);
            c.make(name);
            give_to_unprivileged(name);
            kinds[name == std::string("data/scores.dat")] = fs::symlink_status(name).type();
        }
        testing::internal::CaptureStdout();
        const int results = run_unprivileged([this] {
            ::alarm(20); // a read or write that blocks ends the child: the case fails
            score_table t{};
            return load_controls(*ctx.controls, *ctx.options) + load_scores(t) +
                   save_controls(*ctx.controls, *ctx.options) + save_scores(t);
        });
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  SETTINGS_ERROR + "Err de chargement du fichier des scores.\n" + SETTINGS_ERROR +
                      SCORES_ERROR)
            << c.what;
        EXPECT_EQ(results, 0) << c.what;
        for (const char* name : {"data/control.dat", "data/scores.dat"})
            EXPECT_EQ(fs::symlink_status(name).type(),
                      kinds[name == std::string("data/scores.dat")])
                << c.what;
    }
    // Only the first 4 KiB of a file are read: lines beyond them are not reached.
    fs::remove_all("data/scores.dat");
    write_play_file("data/scores.dat", "bob 1" + std::string(5000, '0') + "\ncat 7\n");
    score_table t{};
    ASSERT_EQ(load_scores(t), 1);
    EXPECT_EQ(std::string(t.lines[1].data()), "aaa 80\n");
}

// When the folder's lock cannot be taken (here: a folder the player may write but not list),
// the save goes on and one line says why.
TEST_F(saves_fixture, a_lock_that_cannot_be_taken_is_reported) {
    ::chmod("data", 0300);
    int result = -1;
    EXPECT_EQ(save_settings(result), "Err verrouillage du dossier data : Permission denied\n");
    EXPECT_EQ(result, 1);
    ::chmod("data", 0755);
    EXPECT_EQ(read_play_file("data/control.dat"), SAVED_SETTINGS);
}

} // namespace
