// What start-up decides before the window opens: the command line, the folders of the data
// and of the saves, and how large the window is shown.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "support/play_dir.h"
#include "toolkit/display.h"
#include "toolkit/paths.h"

namespace fs = std::filesystem;

namespace {

command_line parse(std::vector<const char*> args) {
    args.insert(args.begin(), "quelbo-kv");
    return parse_command_line(static_cast<int>(args.size()), args.data());
}

TEST(command_line, options_answer_and_anything_else_is_refused) {
    EXPECT_EQ(parse({}).action, CMD_PLAY);
    EXPECT_EQ(parse({}).scale, CMD_SCALE_AUTO);
    EXPECT_EQ(parse({"--version"}).action, CMD_VERSION);
    EXPECT_EQ(parse({"--help"}).action, CMD_HELP);
    EXPECT_EQ(parse({"-h"}).action, CMD_HELP);
    EXPECT_EQ(parse({"--scale", "3"}).scale, 3);
    EXPECT_EQ(parse({"--scale=1"}).scale, 1);
    EXPECT_EQ(parse({"--scale", "2", "--version"}).action, CMD_VERSION);
    EXPECT_FALSE(parse({"--scale", "2"}).low_cpu);
    const command_line rest = parse({"--low-cpu", "--scale", "2"});
    EXPECT_EQ(rest.action, CMD_PLAY);
    EXPECT_TRUE(rest.low_cpu);
    EXPECT_EQ(rest.scale, 2);
    for (const auto& bad : std::vector<std::vector<const char*>>{{"--scale"},
                                                                 {"--scale", "0"},
                                                                 {"--scale", "9"},
                                                                 {"--scale", "2x"},
                                                                 {"--scale", "-1"},
                                                                 {"--scale="},
                                                                 {"--low-cpu=1"},
                                                                 {"--fullscreen"},
                                                                 {"play"},
                                                                 {"-"}})
        EXPECT_EQ(parse(bad).action, CMD_BAD) << bad.back();
}

TEST(command_line, usage_names_the_options_and_the_save_folder) {
    testing::internal::CaptureStdout();
    print_usage(stdout, "/home/kim/.local/share/quelbo-kv/data");
    const std::string text = testing::internal::GetCapturedStdout();
    for (const char* word : {"--scale", "--low-cpu", "--version", "--help", "F1", "Echap",
                             "/home/kim/.local/share/quelbo-kv/data\n"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    for (unsigned char c : text)
        EXPECT_LT(c, 0x80) << "plain ASCII on any terminal";
}

TEST(display, the_largest_scale_that_fits_two_thirds_of_the_desktop) {
    struct desk {
        int w, h, scale;
    };
    for (const desk d :
         {desk{1024, 768, 1}, desk{1920, 1080, 1}, desk{2560, 1440, 1}, desk{2560, 1600, 1},
          desk{3840, 2160, 2}, desk{5120, 2880, 3}, desk{7680, 4320, 4}, desk{1000, 5000, 1},
          desk{0, 0, 1}, desk{-5, 900, 1}, desk{2430, 2700, 3}, desk{2429, 2700, 2}})
        EXPECT_EQ(display_scale_for(d.w, d.h), d.scale) << d.w << "x" << d.h;
}

TEST(display, only_a_desktop_driver_or_the_players_choice_opens_the_window) {
    struct row {
        const char *asked, *driver;
        bool named, window;
    };
    for (const row r : {row{"", "x11", true, true}, row{nullptr, "wayland", true, true},
                        row{nullptr, "X11", false, true}, row{"", "offscreen", false, false},
                        row{nullptr, "dummy", false, false}, row{nullptr, "aalib", false, false},
                        row{nullptr, "caca", true, false}, row{nullptr, "fbcon", true, false},
                        row{nullptr, "KMSDRM", false, false}, row{nullptr, nullptr, true, false},
                        row{"caca", "caca", false, true}, row{"dummy", "dummy", false, true}}) {
        const char* reason = display_reason_for(r.asked, r.driver, r.named);
        EXPECT_EQ(reason == nullptr, r.window) << (r.driver ? r.driver : "(none)");
        if (!reason) continue;
        // The reason says whether a desktop was named at all.
        EXPECT_EQ(std::string(reason).find("ni DISPLAY") == std::string::npos, r.named);
    }
}

// A folder tree: an executable's folder and an installed data tree; the working folder is a
// play folder with pics/ (play_dir), which must not count.
struct tree_fixture : testing::Test {
    play_dir scratch;
    fs::path root = fs::path(scratch.path) / "tree";
    paths_env env;
    tree_fixture() {
        fs::create_directories(root / "usr/games");
        env.exe = (root / "usr/games/quelbo-kv").string();
        env.home = "/home/kim";
    }
    void make_pics(const fs::path& folder) { fs::create_directories(folder / "pics"); }
};

TEST_F(tree_fixture, roots_come_from_the_program_and_the_players_homes) {
    enum { NONE, EXE, SHARE, BOTH, SHARE_FILE };
    struct row {
        const char* what;
        int pics;
        const char *xdg, *home, *account;
        bool found;
        const char* assets; // relative to the tree
        const char* data;
        bool installed;
    };
    constexpr const char* SHARE_DIR = "usr/share/games/quelbo-kv";
    for (const row& r : {
             row{"a play folder", EXE, "", "/home/kim", "", true, "usr/games", "data", false},
             row{"play folder first", BOTH, "/x", "/h", "", true, "usr/games", "data", false},
             row{"installed: HOME", SHARE, "", "/home/kim", "/acct", true, SHARE_DIR,
                 "/home/kim/.local/share/quelbo-kv/data", true},
             row{"installed: XDG", SHARE, "/srv/x", "/home/kim", "", true, SHARE_DIR,
                 "/srv/x/quelbo-kv/data", true},
             row{"relative XDG", SHARE, "rel/x", "/home/kim", "", true, SHARE_DIR,
                 "/home/kim/.local/share/quelbo-kv/data", true},
             row{"no HOME: account", SHARE, "", "", "/acct", true, SHARE_DIR,
                 "/acct/.local/share/quelbo-kv/data", true},
             row{"relative HOME", SHARE, "", "kim", "/acct", true, SHARE_DIR,
                 "/acct/.local/share/quelbo-kv/data", true},
             row{"no home at all", SHARE, "", "", "", true, SHARE_DIR, "", true},
             row{"no pics anywhere", NONE, "", "/home/kim", "", false, "", "", false},
             row{"pics not a folder", SHARE_FILE, "", "/home/kim", "", false, "", "", false},
         }) {
        fs::remove_all(root / "usr/share");
        fs::remove_all(root / "usr/games/pics");
        if (r.pics == EXE || r.pics == BOTH) make_pics(root / "usr/games");
        if (r.pics == SHARE || r.pics == BOTH) make_pics(root / SHARE_DIR);
        if (r.pics == SHARE_FILE) {
            fs::create_directories(root / SHARE_DIR);
            write_play_file((root / SHARE_DIR / "pics").string(), "not a folder");
        }
        env.xdg_data_home = r.xdg;
        env.home = r.home;
        env.account_home = r.account;
        paths_roots out{};
        ASSERT_EQ(paths_resolve(env, out), r.found) << r.what;
        if (!r.found) continue;
        EXPECT_EQ(out.assets, (root / r.assets).string()) << r.what;
        EXPECT_EQ(out.data, r.data) << r.what;
        EXPECT_EQ(out.installed, r.installed) << r.what;
    }
    // This test's own program has no pics/ beside it: the working folder's pics/ is no root.
    paths_roots out{};
    EXPECT_FALSE(paths_resolve(paths_current_env(), out));
}

TEST_F(tree_fixture, applying_enters_the_data_tree_and_makes_the_save_folder) {
    make_pics(root / "usr/share/games/quelbo-kv");
    env.xdg_data_home = (root / "home/kim/.local/share").string();
    paths_roots r{};
    ASSERT_TRUE(paths_resolve(env, r));
    ASSERT_TRUE(paths_apply(r));
    EXPECT_EQ(fs::current_path(), root / "usr/share/games/quelbo-kv");
    const fs::path saves = root / "home/kim/.local/share/quelbo-kv/data";
    EXPECT_TRUE(fs::is_directory(saves));
    EXPECT_EQ(fs::status(saves).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(paths_data_file("scores.dat"), (saves / "scores.dat").string());

    // No folder to save in: the game runs, and no data file has a name.
    r.data.clear();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(paths_apply(r));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("MAIN / Err"), std::string::npos);
    EXPECT_EQ(paths_data_file("scores.dat"), "");

    // Back to a play folder: the data files are data/ beside the pictures again.
    make_pics(root / "usr/games");
    ASSERT_TRUE(paths_resolve(env, r));
    ASSERT_TRUE(paths_apply(r));
    EXPECT_EQ(paths_data_file("control.dat"), "data/control.dat");

    r.assets = (root / "missing").string();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(paths_apply(r));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("missing"), std::string::npos);
}

} // namespace
