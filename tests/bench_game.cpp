// Cost of one pass of the play screen that moves the piece (poll the queue, read the clock,
// take the command, test, move, draw the score, flip), with and without the flip, of a pass
// without a move, and of removing a row, under the dummy video driver.
#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "app/clock.h"
#include "app/game_ctx.h"
#include "app/layout.h"
#include "app/sdl_owner.h"
#include "game/board.h"
#include "game/game_loop.h"
#include "input/input.h"
#include "support/play_dir.h"

namespace {

struct bench_env {
    play_dir dir;
    SDL_Surface* screen = nullptr;
    surface_ptr skin;
    font_ptr font;
    game_ctx ctx;
    board well{};
    piece falling{};
    SDL_Rect score_area{LAYOUT_SCORE_AT.x, LAYOUT_SCORE_AT.y, 0, 0};
    int32_t score = 0;
    bool ok = false;

    bench_env() {
        if (SDL_Init(SDL_INIT_VIDEO) < 0 || TTF_Init() < 0) return;
        screen = SDL_SetVideoMode(540, 600, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
        skin = load_bmp("pics/skin0.bmp");
        font.reset(TTF_OpenFont("font/comic.ttf", 30));
        if (!screen || !skin || !font) return;
        new_game_ctx(ctx);
        default_options(*ctx.options);
        default_controls(*ctx.controls);
        reset_input(*ctx.input);
        piece_init(falling, skin.get(), 0);
        for (int i = 0; i < 10; ++i)
            piece_move(screen, falling, MOVE_DOWN);
        ok = true;
    }
    ~bench_env() {
        free_game_ctx(ctx);
        font.reset();
        skin.reset();
        TTF_Quit();
        SDL_Quit();
    }

    // The work of a pass with a side move, as the game does it; the key is pushed first so
    // the poll has one command to read.
    void pass(int direction, bool flip) {
        input_state& in = *ctx.input;
        const SDLKey key = direction == MOVE_RIGHT ? SDLK_RIGHT : SDLK_LEFT;
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = key;
        SDL_PushEvent(&e);

        poll_input(ctx);
        const uint32_t now = clock_ticks();
        benchmark::DoNotOptimize(now);
        int move = MOVE_NONE;
        if (in.keys[key]) {
            in.keys[key] = 0;
            move = direction;
        }
        if (piece_fits(falling, well, move) == FIT_FREE) piece_move(screen, falling, move);
        char text[16];
        std::snprintf(text, sizeof text, "%d", score += 5);
        disp_text(screen, text, font.get(), score_area);
        if (flip) SDL_Flip(screen);
    }
};

bench_env* env = nullptr;

void BM_pass_with_move(benchmark::State& state) {
    int dir = MOVE_RIGHT;
    for (auto _ : state) {
        env->pass(dir, true);
        dir = dir == MOVE_RIGHT ? MOVE_LEFT : MOVE_RIGHT;
    }
}
BENCHMARK(BM_pass_with_move)->Unit(benchmark::kMicrosecond);

void BM_pass_with_move_no_flip(benchmark::State& state) {
    int dir = MOVE_RIGHT;
    for (auto _ : state) {
        env->pass(dir, false);
        dir = dir == MOVE_RIGHT ? MOVE_LEFT : MOVE_RIGHT;
    }
}
BENCHMARK(BM_pass_with_move_no_flip)->Unit(benchmark::kMicrosecond);

void BM_flip(benchmark::State& state) {
    for (auto _ : state)
        SDL_Flip(env->screen);
}
BENCHMARK(BM_flip)->Unit(benchmark::kMicrosecond);

// The parts of the pass on their own: the score text, the move, the poll of one key.
void BM_part_draw_score(benchmark::State& state) {
    char text[16];
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "%d", env->score += 5);
        disp_text(env->screen, text, env->font.get(), env->score_area);
    }
}
BENCHMARK(BM_part_draw_score)->Unit(benchmark::kMicrosecond);

void BM_part_move(benchmark::State& state) {
    int dir = MOVE_RIGHT;
    for (auto _ : state) {
        piece_move(env->screen, env->falling, dir);
        dir = dir == MOVE_RIGHT ? MOVE_LEFT : MOVE_RIGHT;
    }
}
BENCHMARK(BM_part_move)->Unit(benchmark::kMicrosecond);

// For comparison: the library's own fill of four squares, which the erase avoids.
void BM_library_fill_4_squares(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < 4; ++i) {
            SDL_Rect r{static_cast<Sint16>(30 * i), 300, 30, 30};
            SDL_FillRect(env->screen, &r, 0);
        }
}
BENCHMARK(BM_library_fill_4_squares)->Unit(benchmark::kMicrosecond);

void BM_library_blit_4_tiles(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < 4; ++i) {
            SDL_Rect src{0, 0, 30, 30};
            SDL_Rect r{static_cast<Sint16>(30 * i), 300, 0, 0};
            SDL_BlitSurface(env->skin.get(), &src, env->screen, &r);
        }
}
BENCHMARK(BM_library_blit_4_tiles)->Unit(benchmark::kMicrosecond);

void BM_part_poll_one_key(benchmark::State& state) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_RIGHT;
    for (auto _ : state) {
        SDL_PushEvent(&e);
        poll_input(env->ctx);
    }
}
BENCHMARK(BM_part_poll_one_key)->Unit(benchmark::kMicrosecond);

// Most passes find no command: poll and read the clock only.
void BM_pass_without_move(benchmark::State& state) {
    for (auto _ : state) {
        poll_input(env->ctx);
        benchmark::DoNotOptimize(clock_ticks());
    }
}
BENCHMARK(BM_pass_without_move)->Unit(benchmark::kMicrosecond);

// The bottom row removed, so the whole well moves down one cell.
void BM_remove_row(benchmark::State& state) {
    board b{};
    for (auto _ : state) {
        for (int x = 0; x < BOARD_COLS; ++x)
            b.cells[x * BOARD_ROWS + BOARD_ROWS - 1] = 1;
        remove_row(env->screen, b, find_full_row(b));
    }
}
BENCHMARK(BM_remove_row)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    bench_env e;
    if (!e.ok) {
        std::printf("bench_game: set-up failed: %s\n", SDL_GetError());
        return 1;
    }
    env = &e;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    env = nullptr;
    return 0;
}
