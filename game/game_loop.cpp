#include "game/game_loop.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/audio.h"
#include "app/clock.h"
#include "app/game_ctx.h"
#include "app/sdl_owner.h"
#include "game/board.h"
#include "input/input.h"
#include "screens/new_record.h"
#include "store/scores.h"

namespace {

constexpr int GAME_FONT_SIZE = 30;
constexpr int32_t GAME_START_DELAY_MS = 1000;
constexpr int32_t GAME_LEVEL_STEP_MS = 50;
constexpr int32_t GAME_LEVEL_BONUS = 1000;
constexpr int32_t GAME_SOFT_DROP_POINTS = 5;
constexpr int32_t GAME_ROW_POINTS = 100;
constexpr int32_t GAME_ROWS_PER_LEVEL = 10;
constexpr uint32_t GAME_ROW_PAUSE_MS = 100;
constexpr int GAME_KEY_REPEAT_MS = 100;
constexpr int GAME_WELL_W = BOARD_COLS * BOARD_CELL;
constexpr int GAME_WELL_H = BOARD_ROWS * BOARD_CELL;
constexpr uint32_t GAME_CURTAIN_MS = 10;
constexpr int GAME_SLIDE_STEP = 5;
constexpr uint32_t GAME_SLIDE_MS = 50;
constexpr uint32_t GAME_HOLD_MS = 5000;
constexpr uint32_t GAME_HOLD_SLEEP_MS = 100;

// One number of the play screen: its text and the area it last covered.
struct number_text {
    std::array<char, 16> text{'0', '\0'};
    SDL_Rect area;
};

void show_number(SDL_Surface* screen, TTF_Font* font, number_text& n, int32_t value) {
    std::snprintf(n.text.data(), n.text.size(), "%d", value);
    disp_text(screen, n.text.data(), font, n.area);
}

void blit_at(SDL_Surface* src, SDL_Surface* screen, int x, int y) {
    SDL_Rect dst{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(src, nullptr, screen, &dst);
}

// A copy of the well's pixels, so the stack survives a change of video mode.
surface_ptr copy_well(SDL_Surface* screen) {
    const SDL_PixelFormat* f = screen->format;
    surface_ptr copy(SDL_CreateRGBSurface(SDL_SWSURFACE, GAME_WELL_W, GAME_WELL_H, f->BitsPerPixel,
                                          f->Rmask, f->Gmask, f->Bmask, f->Amask));
    if (!copy) return copy;
    SDL_Rect src{0, 0, GAME_WELL_W, GAME_WELL_H};
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

} // namespace

void disp_text(SDL_Surface* screen, const char* text, TTF_Font* font, SDL_Rect& r) {
    const SDL_Color white{255, 255, 255, 0};
    surface_ptr surf(TTF_RenderText_Solid(font, text, white));
    if (!surf) {
        std::puts("disp_text / Erreur de cr\xe9"
                  "ation de surf_text");
        std::exit(1);
    }
    fill_black(screen, r);
    SDL_Rect dst{r.x, r.y, 0, 0};
    SDL_BlitSurface(surf.get(), nullptr, screen, &dst);
    r.w = static_cast<Uint16>(surf->w);
    r.h = static_cast<Uint16>(surf->h);
}

void game_over_text(SDL_Surface* screen, TTF_Font* font) {
    const SDL_Color white{255, 255, 255, 0};
    surface_ptr text(TTF_RenderText_Solid(font, "GAME OVER", white));
    if (!text) {
        std::printf("Err cr\xe9"
                    "ation du text game over : %s\n",
                    SDL_GetError());
        return;
    }
    // The curtain: the well turns black cell by cell from the top left.
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLS; ++x) {
            clock_delay(GAME_CURTAIN_MS);
            SDL_Rect cell{static_cast<Sint16>(BOARD_CELL * x), static_cast<Sint16>(BOARD_CELL * y),
                          BOARD_CELL, BOARD_CELL};
            fill_black(screen, cell);
            SDL_Flip(screen);
        }
    // The text slides down to the middle of the screen, centred over the well.
    const int x = (GAME_WELL_W - text->w) / 2;
    for (int y = 0; y <= screen->h / 2; y += GAME_SLIDE_STEP) {
        SDL_Rect r{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(text->w),
                   static_cast<Uint16>(text->h)};
        fill_black(screen, r);
        SDL_Rect dst = r;
        SDL_BlitSurface(text.get(), nullptr, screen, &dst);
        clock_delay(GAME_SLIDE_MS);
        SDL_Flip(screen);
    }
    const uint32_t slide_end = clock_ticks();
    while (static_cast<int32_t>(clock_ticks() - slide_end) < static_cast<int32_t>(GAME_HOLD_MS))
        clock_delay(GAME_HOLD_SLEEP_MS);
}

int game_loop(SDL_Surface*& screen, game_ctx& ctx) {
    board well{};
    piece falling{};
    piece next{};
    int32_t score = 0;
    int32_t lines = 0;
    int32_t level = 0;
    int32_t burst = 0;
    int32_t fall_delay = GAME_START_DELAY_MS;
    uint32_t last_fall = 0;
    int move = MOVE_NONE;
    bool done = false;
    bool new_piece_wanted = false;
    bool level_rise_wanted = false;
    bool abandoned = false;
    int result = 1;
    number_text level_text{{'0', '\0'}, {370, 230, 0, 0}};
    number_text lines_text{{'0', '\0'}, {370, 352, 0, 0}};
    number_text score_text{{'0', '\0'}, {370, 472, 0, 0}};

    input_state& in = *ctx.input;
    const controls_cfg& ctl = *ctx.controls;
    const options_cfg& opt = *ctx.options;

    reset_input(in);
    if (!load_scores(*ctx.scores)) default_scores(*ctx.scores);

    bool loaded = true;
    surface_ptr background = load_jpeg("pics/board.jpg");
    if (background) {
        blit_at(background.get(), screen, 0, 0);
    } else {
        std::fputs("JEU / Err chargement de board.jpg", stdout);
        loaded = false;
    }
    std::array<char, 64> path{};
    std::snprintf(path.data(), path.size(), "pics/skin%d.bmp", opt.skin);
    surface_ptr skin = load_bmp(path.data());
    if (!skin) {
        std::printf("Err / chargement skin :%s\n", SDL_GetError());
        loaded = false;
    }
    song_ptr song;
    if (opt.tune != 0) {
        std::snprintf(path.data(), path.size(), "sounds/tune%d.mod", opt.tune);
        song.reset(FMUSIC_LoadSong(path.data()));
        if (song) {
            FMUSIC_SetLooping(song.get(), 1);
            FMUSIC_PlaySong(song.get());
        } else {
            const char* why = audio_error_text(FSOUND_GetError());
            std::printf("Err / chargement musique :%s\n", why ? why : "");
            loaded = false;
        }
    }
    font_ptr font(TTF_OpenFont("font/comic.ttf", GAME_FONT_SIZE));
    if (font) {
        TTF_SetFontStyle(font.get(), TTF_STYLE_NORMAL);
    } else {
        std::puts("Err chargement de la police de characteres");
        loaded = false;
    }

    if (!loaded) {
        result = 0;
        done = true;
    } else {
        disp_text(screen, lines_text.text.data(), font.get(), lines_text.area);
        disp_text(screen, score_text.text.data(), font.get(), score_text.area);
        disp_text(screen, level_text.text.data(), font.get(), level_text.area);
        const int first = std::rand() % 7;
        const int second = std::rand() % 7;
        piece_init(falling, skin.get(), first);
        piece_init(next, skin.get(), second);
        draw_next(screen, next);
        SDL_EnableKeyRepeat(GAME_KEY_REPEAT_MS, GAME_KEY_REPEAT_MS);
    }

    const bool joystick = ctl.device != CTX_DEVICE_KEYBOARD;
    while (!done) {
        poll_input(ctx);
        const uint32_t now = clock_ticks();

        if (new_piece_wanted) {
            piece_init(falling, skin.get(), next.type);
            piece_init(next, skin.get(), std::rand() % 7);
            draw_next(screen, next);
            new_piece_wanted = false;
        }
        if (level_rise_wanted) {
            ++level;
            fall_delay -= GAME_LEVEL_STEP_MS;
            score += GAME_LEVEL_BONUS;
            show_number(screen, font.get(), level_text, level);
            level_rise_wanted = false;
        }
        if (take(in.quit)) {
            result = 0;
            score = 0;
            abandoned = true;
            done = true;
        }
        if (in.keys[SDLK_F1]) {
            surface_ptr well_pixels = copy_well(screen);
            if (toggle_fullscreen(screen, ctx)) {
                blit_at(background.get(), screen, 0, 0);
                if (well_pixels) blit_at(well_pixels.get(), screen, 0, 0);
                disp_text(screen, lines_text.text.data(), font.get(), lines_text.area);
                disp_text(screen, score_text.text.data(), font.get(), score_text.area);
                disp_text(screen, level_text.text.data(), font.get(), level_text.area);
                draw_next(screen, next);
                SDL_Flip(screen);
            } else {
                done = true;
                result = 0;
            }
            in.keys[SDLK_F1] = 0;
        }
        if (take(in.keys[SDLK_ESCAPE])) {
            score = 0;
            abandoned = true;
            done = true;
        }

        // Each command that is set replaces the one chosen before it.
        if (take_command(in, joystick, ctl.key_left, in.button_left_cmd)) move = MOVE_TURN_LEFT;
        if (take_command(in, joystick, ctl.key_right, in.button_right_cmd)) move = MOVE_TURN_RIGHT;
        if (take_command(in, joystick, SDLK_RIGHT, in.hat_cmd[INPUT_HAT_RIGHT])) move = MOVE_RIGHT;
        if (take_command(in, joystick, SDLK_LEFT, in.hat_cmd[INPUT_HAT_LEFT])) move = MOVE_LEFT;

        // The fall step wins over any command of this pass; a soft drop waits for a later one.
        if (static_cast<int32_t>(now - last_fall) >= fall_delay) {
            last_fall = clock_ticks();
            move = MOVE_DOWN;
        } else if (take_command(in, joystick, SDLK_DOWN, in.hat_cmd[INPUT_HAT_DOWN])) {
            score += GAME_SOFT_DROP_POINTS;
            move = MOVE_DOWN;
        }

        if (move == MOVE_NONE) continue;

        const int fit = piece_fits(falling, well, move);
        if (fit == FIT_FREE) {
            piece_move(screen, falling, move);
        } else if (fit == FIT_LANDED) {
            if (piece_lock(falling, well) == 0) {
                game_over_text(screen, font.get());
                done = true;
            } else {
                for (int row = find_full_row(well); row != 0; row = find_full_row(well)) {
                    remove_row(screen, well, row);
                    clock_delay(GAME_ROW_PAUSE_MS);
                    SDL_Flip(screen);
                    ++burst;
                    if ((lines + burst) % GAME_ROWS_PER_LEVEL == 0) level_rise_wanted = true;
                }
                lines += burst;
                score += GAME_ROW_POINTS * burst * (burst + 1) / 2;
                burst = 0;
                show_number(screen, font.get(), lines_text, lines);
                new_piece_wanted = true;
            }
        }
        show_number(screen, font.get(), score_text, score);
        SDL_Flip(screen);
        move = MOVE_NONE;
    }

    song.reset();
    skin.reset();
    background.reset();
    font.reset();

    // A game left with Escape or the window's close enters no record, even when a soft drop
    // or a landing of its last pass added points after the score was cleared.
    if (abandoned) score = 0;
    int inserted_at = -1;
    if (score != 0) {
        const int place = score_rank(score, *ctx.scores);
        if (place >= 0 && place <= 9) {
            // The new-record screen inserts the line on every way out.
            if (new_record_screen(screen, ctx, score) == 0) result = 0;
            inserted_at = place;
        }
    }
    if (!save_game_scores(*ctx.scores, inserted_at)) std::puts("Err sauvegarde des scores");
    return result;
}
