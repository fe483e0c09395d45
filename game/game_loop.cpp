#include "game/game_loop.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/audio.h"
#include "app/game_ctx.h"
#include "game/board.h"
#include "input/input.h"
#include "screens/new_record.h"
#include "store/scores.h"
#include "toolkit/clock.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"

namespace {

constexpr int GAME_FONT_SIZE = 30;
constexpr uint32_t GAME_ROW_PAUSE_MS = 100; // after each row removed
constexpr int GAME_KEY_REPEAT_MS = 100;     // delay and interval

// How a game scores and speeds up.
struct game_rules {
    int32_t start_delay_ms;   // between two fall steps at level 0
    int32_t level_step_ms;    // taken off that delay at each level
    int32_t level_bonus;      // points for each level reached
    int32_t soft_drop_points; // for each row dropped by hand
    int32_t row_points;       // the k-th row of one landing scores k times this
    int32_t rows_per_level;
};
constexpr game_rules GAME_RULES{1000, 50, 1000, 5, 100, 10};

// The end of a game: the curtain closes cell by cell, "GAME OVER" slides down by steps, and
// the picture holds, checked every hold_sleep_ms.
struct game_over_timing {
    uint32_t curtain_ms;
    int slide_step;
    uint32_t slide_ms;
    uint32_t hold_ms;
    uint32_t hold_sleep_ms;
};
constexpr game_over_timing GAME_OVER{10, 5, 50, 5000, 100};

void show_number(SDL_Surface* screen, TTF_Font* font, number_text& n, int32_t value) {
    std::snprintf(n.text.data(), n.text.size(), "%d", value);
    disp_text(screen, n.text.data(), font, n.area);
}

// A copy of the well's pixels, so the stack survives a change of video mode.
surface_ptr copy_well(SDL_Surface* screen) {
    const SDL_PixelFormat* f = screen->format;
    surface_ptr copy(SDL_CreateRGBSurface(SDL_SWSURFACE, LAYOUT_WELL_W, LAYOUT_WELL_H,
                                          f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask));
    if (!copy) return copy;
    SDL_Rect src{0, 0, LAYOUT_WELL_W, LAYOUT_WELL_H};
    SDL_BlitSurface(screen, &src, copy.get(), nullptr);
    return copy;
}

bool take(uint8_t& flag) {
    if (!flag) return false;
    flag = 0;
    return true;
}

// Reads and clears both flags of a command (keyboard byte and joystick flag); only the
// chosen device's flag makes the command count.
bool take_command(input_state& in, bool joystick, int key, uint8_t& joy_flag) {
    const bool key_ok = key >= 0 && key < INPUT_KEY_COUNT;
    const bool set = joystick ? joy_flag != 0 : key_ok && in.keys[key] != 0;
    if (!set) return false;
    if (key_ok) in.keys[key] = 0;
    joy_flag = 0;
    return true;
}

// What the last landing asked for: the next piece falls, and the level rises.
void after_landing(game_state& st, SDL_Surface* screen) {
    if (st.new_piece_wanted) {
        piece_init(st.falling, st.skin.get(), st.next.type);
        piece_init(st.next, st.skin.get(), std::rand() % 7);
        draw_next(screen, st.next);
        st.new_piece_wanted = false;
    }
    if (st.level_rise_wanted) {
        ++st.level;
        st.fall_delay -= GAME_RULES.level_step_ms;
        st.score += GAME_RULES.level_bonus;
        show_number(screen, st.font.get(), st.level_text, st.level);
        st.level_rise_wanted = false;
    }
}

// F1: the other display mode, with the play screen drawn again and the stack kept.
void switch_display(game_state& st, SDL_Surface*& screen, game_ctx& ctx) {
    const surface_ptr well_pixels = copy_well(screen);
    if (toggle_fullscreen(screen, ctx)) {
        blit_at(st.background.get(), screen, 0, 0);
        blit_at(well_pixels.get(), screen, 0, 0);
        disp_text(screen, st.lines_text.text.data(), st.font.get(), st.lines_text.area);
        disp_text(screen, st.score_text.text.data(), st.font.get(), st.score_text.area);
        disp_text(screen, st.level_text.text.data(), st.font.get(), st.level_text.area);
        draw_next(screen, st.next);
        SDL_Flip(screen);
    } else {
        st.done = true;
        st.result = 0;
    }
}

// The move of this pass: each command that is set replaces the one taken before it, and the
// fall step wins over them all; a soft drop waits for a pass without a fall step.
int take_move(game_state& st, input_state& in, const controls_cfg& ctl, uint32_t now) {
    const bool joystick = ctl.device != CTX_DEVICE_KEYBOARD;
    int move = MOVE_NONE;
    if (take_command(in, joystick, ctl.key_left, in.button_left_cmd)) move = MOVE_TURN_LEFT;
    if (take_command(in, joystick, ctl.key_right, in.button_right_cmd)) move = MOVE_TURN_RIGHT;
    if (take_command(in, joystick, SDLK_RIGHT, in.hat_cmd[INPUT_HAT_RIGHT])) move = MOVE_RIGHT;
    if (take_command(in, joystick, SDLK_LEFT, in.hat_cmd[INPUT_HAT_LEFT])) move = MOVE_LEFT;
    if (static_cast<int32_t>(now - st.last_fall) >= st.fall_delay) {
        st.last_fall = clock_ticks();
        move = MOVE_DOWN;
    } else if (take_command(in, joystick, SDLK_DOWN, in.hat_cmd[INPUT_HAT_DOWN])) {
        st.score += GAME_RULES.soft_drop_points;
        move = MOVE_DOWN;
    }
    return move;
}

// A piece that came to rest: game over above the well, else its full rows go, bottom first,
// each counted for the level, and the rows of the landing are scored together.
void land_piece(game_state& st, SDL_Surface* screen) {
    if (piece_lock(st.falling, st.well) == 0) {
        game_over_text(screen, st.font.get());
        st.done = true;
        return;
    }
    int32_t burst = 0;
    for (int row = find_full_row(st.well); row != 0; row = find_full_row(st.well)) {
        remove_row(screen, st.well, row);
        clock_delay(GAME_ROW_PAUSE_MS);
        SDL_Flip(screen);
        ++burst;
        if ((st.lines + burst) % GAME_RULES.rows_per_level == 0) st.level_rise_wanted = true;
    }
    st.lines += burst;
    st.score += GAME_RULES.row_points * burst * (burst + 1) / 2;
    show_number(screen, st.font.get(), st.lines_text, st.lines);
    st.new_piece_wanted = true;
}

} // namespace

// The background (drawn at once), the skin, the tune and the font, each missing one reported.
// Returns false when anything is missing.
bool load_game(game_state& st, SDL_Surface* screen, const options_cfg& opt) {
    bool loaded = true;
    st.background = load_jpeg("pics/board.jpg");
    if (st.background) {
        blit_at(st.background.get(), screen, 0, 0);
    } else {
        std::fputs("JEU / Err chargement de board.jpg", stdout);
        loaded = false;
    }
    std::array<char, 64> path{};
    std::snprintf(path.data(), path.size(), "pics/skin%d.bmp", opt.skin);
    st.skin = load_bmp(path.data());
    if (!st.skin) {
        std::printf("Err / chargement skin :%s\n", SDL_GetError());
        loaded = false;
    }
    if (opt.tune != 0) {
        std::snprintf(path.data(), path.size(), "sounds/tune%d.mod", opt.tune);
        st.song.reset(FMUSIC_LoadSong(path.data()));
        if (st.song) {
            FMUSIC_SetLooping(st.song.get(), 1);
            FMUSIC_PlaySong(st.song.get());
        } else {
            const char* why = audio_error_text(FSOUND_GetError());
            std::printf("Err / chargement musique :%s\n", why ? why : "");
            loaded = false;
        }
    }
    st.font = open_game_font(GAME_FONT_SIZE);
    if (!st.font) {
        std::puts("Err chargement de la police de characteres");
        loaded = false;
    }
    return loaded;
}

// The three numbers, the first two pieces and the key repeat of the play screen.
void start_game(game_state& st, SDL_Surface* screen) {
    st.fall_delay = GAME_RULES.start_delay_ms;
    disp_text(screen, st.lines_text.text.data(), st.font.get(), st.lines_text.area);
    disp_text(screen, st.score_text.text.data(), st.font.get(), st.score_text.area);
    disp_text(screen, st.level_text.text.data(), st.font.get(), st.level_text.area);
    const int first = std::rand() % 7;
    const int second = std::rand() % 7;
    piece_init(st.falling, st.skin.get(), first);
    piece_init(st.next, st.skin.get(), second);
    draw_next(screen, st.next);
    SDL_EnableKeyRepeat(GAME_KEY_REPEAT_MS, GAME_KEY_REPEAT_MS);
}

// One pass: input, what the last landing asked for, the way out, the move and its drawing.
bool game_pass(game_state& st, SDL_Surface*& screen, game_ctx& ctx) {
    input_state& in = *ctx.input;
    const bool took = poll_input(ctx);
    const uint32_t now = clock_ticks();
    const bool follow_up = st.new_piece_wanted || st.level_rise_wanted;
    after_landing(st, screen);
    if (take(in.quit)) {
        st.result = 0;
        st.score = 0;
        st.abandoned = true;
        st.done = true;
    }
    if (in.keys[SDLK_F1]) {
        switch_display(st, screen, ctx);
        in.keys[SDLK_F1] = 0;
    }
    if (take(in.keys[SDLK_ESCAPE])) {
        st.score = 0;
        st.abandoned = true;
        st.done = true;
    }

    const int move = take_move(st, in, *ctx.controls, now);
    if (move == MOVE_NONE) return took || follow_up;
    const int fit = piece_fits(st.falling, st.well, move);
    if (fit == FIT_FREE)
        piece_move(screen, st.falling, move);
    else if (fit == FIT_LANDED)
        land_piece(st, screen);
    show_number(screen, st.font.get(), st.score_text, st.score);
    SDL_Flip(screen);
    return true;
}

// After the last pass: what was loaded goes, a record is entered, the table is saved.
int end_game(game_state& st, SDL_Surface*& screen, game_ctx& ctx) {
    st.song.reset();
    st.skin.reset();
    st.background.reset();
    st.font.reset();

    // A game left with Escape or the window's close enters no record, even when a soft drop
    // or a landing of its last pass added points after the score was cleared.
    if (st.abandoned) st.score = 0;
    int inserted_at = -1;
    if (st.score != 0) {
        const int place = score_rank(st.score, *ctx.scores);
        if (place >= 0 && place <= 9) {
            // The new-record screen inserts the line on every way out.
            if (new_record_screen(screen, ctx, st.score) == 0) st.result = 0;
            inserted_at = place;
        }
    }
    if (!save_game_scores(*ctx.scores, inserted_at)) std::puts("Err sauvegarde des scores");
    return st.result;
}

void disp_text(SDL_Surface* screen, const char* text, TTF_Font* font, SDL_Rect& r) {
    const surface_ptr surf = render_white(font, text);
    if (!surf) {
        std::puts("disp_text / Erreur de cr\xe9"
                  "ation de surf_text");
        std::exit(1);
    }
    fill_black(screen, r);
    blit_at(surf.get(), screen, r.x, r.y);
    r.w = static_cast<Uint16>(surf->w);
    r.h = static_cast<Uint16>(surf->h);
}

void game_over_text(SDL_Surface* screen, TTF_Font* font) {
    const surface_ptr text = render_white(font, "GAME OVER");
    if (!text) {
        std::printf("Err cr\xe9"
                    "ation du text game over : %s\n",
                    SDL_GetError());
        return;
    }
    // The curtain: the well turns black cell by cell from the top left.
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLS; ++x) {
            clock_delay(GAME_OVER.curtain_ms);
            SDL_Rect cell{static_cast<Sint16>(BOARD_CELL * x), static_cast<Sint16>(BOARD_CELL * y),
                          BOARD_CELL, BOARD_CELL};
            fill_black(screen, cell);
            SDL_Flip(screen);
        }
    // The text slides down to the middle of the screen, centred over the well.
    const int x = (LAYOUT_WELL_W - text->w) / 2;
    for (int y = 0; y <= screen->h / 2; y += GAME_OVER.slide_step) {
        SDL_Rect r{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(text->w),
                   static_cast<Uint16>(text->h)};
        fill_black(screen, r);
        blit_at(text.get(), screen, x, y);
        clock_delay(GAME_OVER.slide_ms);
        SDL_Flip(screen);
    }
    const uint32_t slide_end = clock_ticks();
    while (static_cast<int32_t>(clock_ticks() - slide_end) <
           static_cast<int32_t>(GAME_OVER.hold_ms))
        clock_delay(GAME_OVER.hold_sleep_ms);
}

int game_loop(SDL_Surface*& screen, game_ctx& ctx) {
    reset_input(*ctx.input);
    if (!load_scores(*ctx.scores)) default_scores(*ctx.scores);

    game_state st;
    if (load_game(st, screen, *ctx.options)) {
        start_game(st, screen);
    } else {
        st.result = 0;
        st.done = true;
    }
    while (!st.done)
        rest_if_idle(*ctx.options, game_pass(st, screen, ctx));
    return end_game(st, screen, ctx);
}
