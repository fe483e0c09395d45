// What start-up decides before the window opens: the command line, the folders of the data
// and of the saves, and how large the window is shown.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/display.h"
#include "app/paths.h"
#include "support/play_dir.h"

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

// A folder tree: an executable's folder, an installed data tree, a working folder.
struct tree_fixture : testing::Test {
    play_dir scratch;
    fs::path root = fs::path(scratch.path) / "tree";
    paths_env env;
    tree_fixture() {
        fs::create_directories(root / "usr/games");
        fs::create_directories(root / "work");
        env.cwd = (root / "work").string();
        env.exe = (root / "usr/games/quelbo-kv").string();
        env.home = "/home/kim";
    }
    void make_pics(const fs::path& folder) { fs::create_directories(folder / "pics"); }
};

TEST_F(tree_fixture, a_play_folder_keeps_its_own_data_folder) {
    // The working folder first: the play folder of a build, as the tests run it.
    make_pics(root / "work");
    make_pics(root / "usr/games");
    paths_roots r{};
    ASSERT_TRUE(paths_resolve(env, r));
    EXPECT_EQ(r.assets, env.cwd);
    EXPECT_EQ(r.data, "data");
    EXPECT_FALSE(r.installed);

    // Started from elsewhere: the folder of the executable.
    fs::remove_all(root / "work/pics");
    ASSERT_TRUE(paths_resolve(env, r));
    EXPECT_EQ(r.assets, (root / "usr/games").string());
    EXPECT_EQ(r.data, "data");
    EXPECT_FALSE(r.installed);
}

TEST_F(tree_fixture, an_installed_game_saves_in_the_players_data_home) {
    make_pics(root / "usr/share/games/quelbo-kv");
    paths_roots r{};
    ASSERT_TRUE(paths_resolve(env, r));
    EXPECT_EQ(r.assets, (root / "usr/share/games/quelbo-kv").string());
    EXPECT_EQ(r.data, "/home/kim/.local/share/quelbo-kv/data");
    EXPECT_TRUE(r.installed);

    env.xdg_data_home = "/srv/kim/data-home";
    ASSERT_TRUE(paths_resolve(env, r));
    EXPECT_EQ(r.data, "/srv/kim/data-home/quelbo-kv/data");
    // A relative value is not to be used.
    env.xdg_data_home = "relative/place";
    ASSERT_TRUE(paths_resolve(env, r));
    EXPECT_EQ(r.data, "/home/kim/.local/share/quelbo-kv/data");
    // No home at all: nowhere to save.
    env.xdg_data_home.clear();
    env.home.clear();
    EXPECT_FALSE(paths_resolve(env, r));
}

TEST_F(tree_fixture, no_data_anywhere_is_refused) {
    paths_roots r{};
    EXPECT_FALSE(paths_resolve(env, r));
    // pics must be a folder.
    fs::create_directories(root / "usr/share/games/quelbo-kv");
    write_play_file((root / "usr/share/games/quelbo-kv/pics").string(), "not a folder");
    EXPECT_FALSE(paths_resolve(env, r));
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

    // Back to a play folder: the data files are data/ beside the pictures again.
    make_pics(root / "work");
    ASSERT_TRUE(paths_resolve(env, r));
    ASSERT_TRUE(paths_apply(r));
    EXPECT_EQ(paths_data_file("control.dat"), "data/control.dat");

    r.assets = (root / "missing").string();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(paths_apply(r));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("missing"), std::string::npos);
}

} // namespace
