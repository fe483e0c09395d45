// Cost of one pass of the play screen, as the game runs it: a pass that moves the piece sideways
// (poll, clock, command, test, move, score, flip), the flip alone, a pass without a command, and
// the parts, under the dummy video driver. The clock stands still, so no fall step comes.
#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "app/game_ctx.h"
#include "game/board.h"
#include "game/game_loop.h"
#include "input/input.h"
#include "support/play_dir.h"
#include "toolkit/clock.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

uint32_t still_ticks(void*) {
    return 0;
}
void no_delay(void*, uint32_t) {}

struct bench_env {
    play_dir dir;
    SDL_Surface* screen = nullptr;
    clock_source still{still_ticks, no_delay, nullptr};
    game_ctx ctx;
    game_state game;
    bool ok = false;

    bench_env() {
        if (SDL_Init(SDL_INIT_VIDEO) < 0 || TTF_Init() < 0) return;
        screen = SDL_SetVideoMode(540, 600, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
        if (!screen) return;
        clock_set_source(&still);
        new_game_ctx(ctx);
        default_options(*ctx.options);
        default_controls(*ctx.controls);
        reset_input(*ctx.input);
        if (!load_game(game, screen, *ctx.options)) return;
        start_game(game, screen);
        game.last_fall = 0;
        game.fall_delay = 1 << 30; // no fall step
        for (int i = 0; i < 10; ++i)
            piece_move(screen, game.falling, MOVE_DOWN);
        ok = true;
    }
    ~bench_env() {
        game = game_state{};
        free_game_ctx(ctx);
        clock_set_source(nullptr);
        TTF_Quit();
        SDL_Quit();
    }

    // One pass of the game with a side move: the key is pushed first so the poll reads it.
    void pass_with_move(SDLKey key) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = key;
        SDL_PushEvent(&e);
        game_pass(game, screen, ctx);
    }
};

bench_env* env = nullptr;

void BM_pass_with_move(benchmark::State& state) {
    SDLKey key = SDLK_RIGHT;
    for (auto _ : state) {
        env->pass_with_move(key);
        key = key == SDLK_RIGHT ? SDLK_LEFT : SDLK_RIGHT;
    }
}
BENCHMARK(BM_pass_with_move)->Unit(benchmark::kMicrosecond);

void BM_flip(benchmark::State& state) {
    for (auto _ : state)
        SDL_Flip(env->screen);
}
BENCHMARK(BM_flip)->Unit(benchmark::kMicrosecond);

// The parts of the pass on their own: the score text, the move, the poll of one key.
void BM_part_draw_score(benchmark::State& state) {
    char text[16];
    int32_t score = 0;
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "%d", score += 5);
        disp_text(env->screen, text, env->game.font.get(), env->game.score_text.area);
    }
}
BENCHMARK(BM_part_draw_score)->Unit(benchmark::kMicrosecond);

void BM_part_move(benchmark::State& state) {
    int dir = MOVE_RIGHT;
    for (auto _ : state) {
        piece_move(env->screen, env->game.falling, dir);
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
            SDL_BlitSurface(env->game.skin.get(), &src, env->screen, &r);
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

// Most passes find no command.
void BM_pass_without_move(benchmark::State& state) {
    for (auto _ : state)
        game_pass(env->game, env->screen, env->ctx);
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
