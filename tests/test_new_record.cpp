#include <SDL_rotozoom.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "screens/new_record.h"
#include "store/scores.h"
#include "support/play_dir.h"
#include "support/screen_text.h"
#include "support/sdl_session.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr int FRAMES = 73;

// Records every wait of the screen and lets a test look at the frame presented just before it.
struct delay_log {
    virtual_clock* vc = nullptr;
    clock_source src{};
    std::vector<uint32_t> delays;
    std::function<void(uint32_t)> on_delay;
};

uint32_t log_ticks(void* user) {
    auto& log = *static_cast<delay_log*>(user);
    return log.vc->source.ticks(log.vc->source.user);
}

void log_delay(void* user, uint32_t ms) {
    auto& log = *static_cast<delay_log*>(user);
    log.delays.push_back(ms);
    if (log.on_delay) log.on_delay(ms);
    log.vc->source.delay(log.vc->source.user, ms);
}

// The zoom and angle of animation frame k, stepped as single-precision sums.
void frame_params(int k, float& zoom, double& angle) {
    zoom = 0.01f;
    angle = 0.0;
    for (int i = 0; i < k; ++i) {
        angle = 1000.0 * zoom;
        zoom = zoom + 0.01f;
    }
}

// True when pic shows whole at (x, y) and every other pixel of the screen is black.
bool screen_is(SDL_Surface* screen, SDL_Surface* pic, int x, int y) {
    for (int sy = 0; sy < screen->h; ++sy)
        for (int sx = 0; sx < screen->w; ++sx) {
            const bool inside = sx >= x && sx < x + pic->w && sy >= y && sy < y + pic->h;
            const uint32_t want = inside ? pixel_rgb(pic, sx - x, sy - y) : 0;
            if (pixel_rgb(screen, sx, sy) != want) return false;
        }
    return true;
}

bool same_pixels(SDL_Surface* a, SDL_Surface* b) {
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            if (pixel_rgb(a, x, y) != pixel_rgb(b, x, y)) return false;
    return true;
}

class new_record : public testing::Test {
  protected:
    sdl_session s;
    delay_log log;

    void SetUp() override {
        ASSERT_TRUE(s.ok);
        default_scores(*s.ctx.scores);
        log.vc = &s.vc;
        log.src = clock_source{log_ticks, log_delay, &log};
        clock_set_source(&log.src);
    }

    int run(int score) { return new_record_screen(s.screen, s.ctx, score); }
    std::string line(int i) const { return s.ctx.scores->lines[i].data(); }
    // Waits of the entry loop, after the animation and the pause.
    long entry_passes() const {
        auto pause = std::find(log.delays.begin(), log.delays.end(), 2000u);
        return pause == log.delays.end() ? -1 : log.delays.end() - pause - 1;
    }
    void expect_animation_waits() const {
        ASSERT_GE(log.delays.size(), static_cast<std::size_t>(FRAMES + 1));
        for (int k = 0; k < FRAMES; ++k)
            EXPECT_EQ(log.delays[k], 20u) << k;
        EXPECT_EQ(log.delays[FRAMES], 2000u);
    }
};

TEST_F(new_record, enter_at_once_stores_aaa_at_the_place_won) {
    push_tap(SDLK_RETURN);
    EXPECT_EQ(run(95), 1);
    EXPECT_EQ(line(0), "aaa 95\n");
    EXPECT_EQ(line(1), "aaa 90\n");
    EXPECT_EQ(line(9), "aaa 10\n");
    expect_animation_waits();
    EXPECT_EQ(entry_passes(), 1);
    int delay = 0, interval = 0;
    SDL_GetKeyRepeat(&delay, &interval);
    EXPECT_EQ(delay, 1000);
    EXPECT_EQ(interval, 200);
}

TEST_F(new_record, letters_stay_within_a_to_z_and_the_cursor_within_three_places) {
    for (int i = 0; i < 30; ++i)
        push_key(SDLK_UP);
    push_key(SDLK_RETURN);
    EXPECT_EQ(run(95), 1);
    EXPECT_EQ(line(0), "zaa 95\n");

    push_key(SDLK_DOWN);
    push_key(SDLK_RETURN);
    EXPECT_EQ(run(96), 1);
    EXPECT_EQ(line(0), "aaa 96\n");

    // Letters already chosen keep their values when the cursor passes over them.
    for (SDLKey k : {SDLK_UP, SDLK_RIGHT, SDLK_UP, SDLK_UP, SDLK_RIGHT, SDLK_UP, SDLK_UP, SDLK_UP,
                     SDLK_RIGHT, SDLK_UP, SDLK_LEFT, SDLK_DOWN, SDLK_LEFT, SDLK_LEFT, SDLK_ESCAPE,
                     SDLK_BACKSPACE, SDLK_x, SDLK_RETURN})
        push_key(k);
    EXPECT_EQ(run(97), 1);
    EXPECT_EQ(line(0), "bbe 97\n");
    EXPECT_EQ(line(1), "aaa 96\n");
    EXPECT_EQ(line(2), "zaa 95\n");
}

TEST_F(new_record, keys_pressed_during_the_animation_count_in_the_first_pass) {
    vclock_at(s.vc, 300, [] {
        push_key(SDLK_UP);
        push_key(SDLK_UP);
    });
    vclock_at(s.vc, 1600, [] { push_key(SDLK_RETURN); });
    EXPECT_EQ(run(95), 1);
    EXPECT_EQ(line(0), "caa 95\n");
    EXPECT_EQ(entry_passes(), 1);
}

TEST_F(new_record, window_close_stores_the_name_so_far_and_reads_the_rest) {
    for (SDLKey k : {SDLK_UP, SDLK_RIGHT, SDLK_UP, SDLK_UP})
        push_key(k);
    push_quit();
    push_key(SDLK_UP);
    EXPECT_EQ(run(5), 0);
    EXPECT_EQ(line(8), "aaa 10\n");
    EXPECT_EQ(line(9), "bda 5\n");
    EXPECT_EQ(entry_passes(), 1);

    // Closed while the cursor mark stands in the name: the true letter is stored.
    log.on_delay = [&](uint32_t ms) {
        if (ms == 2000) vclock_at(s.vc, s.vc.now + ms + 150, [] { push_quit(); });
    };
    push_key(SDLK_UP);
    EXPECT_EQ(run(95), 0);
    EXPECT_EQ(line(0), "baa 95\n");
}

TEST_F(new_record, frames_grow_and_turn_about_the_centre) {
    surface_ptr cup = load_bmp("pics/cup.bmp");
    ASSERT_TRUE(cup);
    int frame = 0;
    int checked = 0;
    SDL_Rect last{};
    surface_ptr last_frame;
    bool final_ok = false;
    log.on_delay = [&](uint32_t ms) {
        if (ms == 20 && frame < FRAMES) {
            float zoom;
            double angle;
            frame_params(frame, zoom, angle);
            surface_ptr want(rotozoomSurface(cup.get(), angle, zoom, SMOOTHING_OFF));
            const int x = s.screen->w / 2 - want->w / 2;
            const int y = s.screen->h / 2 - want->h / 2;
            last = SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
            if (frame % 12 == 0 || frame == FRAMES - 1) {
                EXPECT_TRUE(screen_is(s.screen, want.get(), x, y)) << "frame " << frame;
                ++checked;
            }
            ++frame;
            if (frame == FRAMES)
                last_frame.reset(SDL_ConvertSurface(s.screen, s.screen->format, 0));
        } else if (ms == 2000 && last_frame) {
            // The final picture goes over the last frame, where that frame's picture began.
            surface_ptr want(rotozoomSurface(cup.get(), 0.0, 0.75, SMOOTHING_OFF));
            SDL_Rect at = last;
            SDL_BlitSurface(want.get(), nullptr, last_frame.get(), &at);
            final_ok = same_pixels(s.screen, last_frame.get());
        }
    };
    push_key(SDLK_RETURN);
    EXPECT_EQ(run(95), 1);
    EXPECT_EQ(frame, FRAMES);
    EXPECT_EQ(checked, 7);
    EXPECT_TRUE(final_ok);
    expect_animation_waits();
}

TEST_F(new_record, entry_shows_place_and_blinking_name_but_stores_letters) {
    TTF_Font* font = TTF_OpenFont("font/comic.ttf", 40);
    ASSERT_NE(font, nullptr);
    const SDL_Color white{255, 255, 255, 0};
    surface_ptr rank(TTF_RenderText_Solid(font, "nouveau classement : 10", white));
    surface_ptr plain(TTF_RenderText_Solid(font, "baa", white));
    surface_ptr marked(TTF_RenderText_Solid(font, "_aa", white));
    TTF_CloseFont(font);
    ASSERT_TRUE(rank && plain && marked);

    // The cup's picture starts at row 150: the texts are compared above it.
    struct pass {
        uint32_t at;
        char shown; // 'p' plain, 'm' marked, '?' neither
    };
    std::vector<pass> passes;
    bool in_entry = false;
    bool rank_ok = true;
    int mark_runs = 0;
    log.on_delay = [&](uint32_t ms) {
        if (ms == 2000) {
            in_entry = true;
            return;
        }
        if (!in_entry) return;
        rank_ok = rank_ok && shows_text(s.screen, rank.get(), LAYOUT_RECORD_RANK_AT.x,
                                        LAYOUT_RECORD_RANK_AT.y, 150);
        const char shown =
            shows_text(s.screen, plain.get(), LAYOUT_RECORD_NAME_AT.x, LAYOUT_RECORD_NAME_AT.y, 150)
                ? 'p'
            : shows_text(s.screen, marked.get(), LAYOUT_RECORD_NAME_AT.x, LAYOUT_RECORD_NAME_AT.y,
                         150)
                ? 'm'
                : '?';
        if (shown == 'm' && (passes.empty() || passes.back().shown != 'm')) ++mark_runs;
        passes.push_back({s.vc.now, shown});
        // Enter while the mark stands in the name.
        if (mark_runs == 3 && shown == 'm') push_key(SDLK_RETURN);
    };
    push_key(SDLK_UP);
    EXPECT_EQ(run(5), 1);
    EXPECT_EQ(line(9), "baa 5\n");
    EXPECT_TRUE(rank_ok);

    ASSERT_FALSE(passes.empty());
    EXPECT_EQ(passes.front().shown, 'p');
    // Runs of one state between two changes last half a cycle.
    // The last pass shows the letters again because Enter came in it.
    ASSERT_EQ(passes.back().shown, 'p');
    passes.pop_back();
    std::vector<uint32_t> starts;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        EXPECT_NE(passes[i].shown, '?') << "pass " << i;
        if (i > 0 && passes[i].shown != passes[i - 1].shown) starts.push_back(passes[i].at);
    }
    ASSERT_GE(starts.size(), 5u);
    for (std::size_t i = 1; i < starts.size(); ++i) {
        EXPECT_GE(starts[i] - starts[i - 1], 480u) << i;
        EXPECT_LE(starts[i] - starts[i - 1], 530u) << i;
    }
}

struct missing_case {
    const char* file;
    const char* message;
    bool line_end;
};

void PrintTo(const missing_case& c, std::ostream* os) {
    *os << c.file;
}

class new_record_missing : public new_record, public testing::WithParamInterface<missing_case> {};

TEST_P(new_record_missing, reports_inserts_aaa_and_skips_the_entry) {
    const missing_case& c = GetParam();
    remove_play_file(c.file);
    push_key(SDLK_UP);
    push_key(SDLK_RETURN);
    testing::internal::CaptureStdout();
    const int result = run(95);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out.rfind(c.message, 0), 0u) << out;
    EXPECT_EQ(!out.empty() && out.back() == '\n', c.line_end) << out;
    EXPECT_EQ(line(0), "aaa 95\n");
    expect_animation_waits();
    EXPECT_EQ(entry_passes(), 0);
    // The keys stay in the queue, unread.
    SDL_Event e;
    EXPECT_EQ(SDL_PollEvent(&e), 1);
}

std::string missing_name(const testing::TestParamInfo<missing_case>& info) {
    const std::string file = info.param.file;
    return file.substr(file.find('/') + 1, file.find('.') - file.find('/') - 1);
}

// Files the header checks refuse are reported and skipped like missing ones: a cup whose header
// declares a million pixels each way, a valid cup larger than the screen's 1024-pixel limit
// (its 73 turned frames would take seconds), applause whose data chunk declares gigabytes.
TEST_F(new_record, refused_cup_and_applause_are_reported_like_missing_ones) {
    const unsigned char huge_header[] = {
        'B',  'M',  70,   0, 0,    0,    0,    0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
        0x40, 0x42, 0x0F, 0, 0x40, 0x42, 0x0F, 0, 1, 0, 32, 0, 0, 0, 0,  0, 0, 0,
        0,    0,    0,    0, 0,    0,    0,    0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0,
        1,    2,    3,    4, 5,    6,    7,    8, 1, 2, 3,  4, 5, 6, 7,  8};
    const unsigned char huge_wav[] = {
        'R', 'I', 'F', 'F', 44,   0,    0,    0,    'W', 'A', 'V',  'E',  'f', 'm', 't', ' ', 16, 0,
        0,   0,   1,   0,   2,    0,    0x44, 0xAC, 0,   0,   0x10, 0xB1, 2,   0,   4,   0,   16, 0,
        'd', 'a', 't', 'a', 0xF0, 0xFF, 0xFF, 0xFF, 1,   2,   3,    4,    5,   6,   7,   8};
    surface_ptr big(SDL_CreateRGBSurface(SDL_SWSURFACE, 1025, 1025, 8, 0, 0, 0, 0));
    ASSERT_TRUE(big);
    struct refused {
        const char* file;
        std::string bytes;
        const char* message;
    };
    const char* const cup_refused =
        "Err / chargement de cup.bmp :pics/cup.bmp: BMP dimensions out of range";
    const refused cases[] = {
        {"pics/cup.bmp", std::string(std::begin(huge_header), std::end(huge_header)), cup_refused},
        {"pics/cup.bmp", "", cup_refused},
        {"sounds/applause.wav", std::string(std::begin(huge_wav), std::end(huge_wav)),
         "Err / chargement de applause.wav :Unknown file format\n"},
    };
    for (const refused& c : cases) {
        SCOPED_TRACE(c.file);
        play_dir dir; // fresh links to the good files
        remove_play_file(c.file);
        if (c.bytes.empty()) {
            ASSERT_EQ(SDL_SaveBMP(big.get(), c.file), 0);
        } else {
            write_play_file(c.file, c.bytes);
        }
        log.delays.clear();
        push_key(SDLK_RETURN);
        testing::internal::CaptureStdout();
        const int result = run(95);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(out, c.message);
        expect_animation_waits();
        EXPECT_EQ(entry_passes(), 0);
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    files, new_record_missing,
    testing::Values(missing_case{"font/comic.ttf", "Err / chargement de comic.ttf ", true},
                    missing_case{"pics/cup.bmp", "Err / chargement de cup.bmp :", false},
                    missing_case{"sounds/applause.wav",
                                 "Err / chargement de applause.wav :", true}),
    missing_name);

} // namespace
