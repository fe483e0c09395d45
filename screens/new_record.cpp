#include "screens/new_record.h"

#include <SDL_rotozoom.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/audio.h"
#include "app/clock.h"
#include "app/draw.h"
#include "app/game_ctx.h"
#include "app/layout.h"
#include "app/sdl_owner.h"
#include "store/scores.h"

namespace {

constexpr int RECORD_FONT_SIZE = 40;
constexpr int RECORD_REPEAT_DELAY = 1000;
constexpr int RECORD_REPEAT_INTERVAL = 200;
constexpr float RECORD_ZOOM_START = 0.01f;
constexpr float RECORD_ZOOM_STEP = 0.01f;
constexpr float RECORD_ZOOM_LAST = 0.73f;
constexpr double RECORD_TURN_PER_ZOOM = 1000.0;
constexpr double RECORD_FINAL_ZOOM = 0.75;
constexpr uint32_t RECORD_FRAME_MS = 20;
constexpr uint32_t RECORD_PAUSE_MS = 2000;
constexpr uint32_t RECORD_MARK_MS = 500;
constexpr uint32_t RECORD_CYCLE_MS = 1000;
constexpr int RECORD_NAME_LEN = 3;
// Largest cup accepted: the animation's frames are turned and zoomed copies of the whole cup,
// and at 1024 pixels the 73 of them take about 0.3 s on top of the animation's own 1.5 s
// (a 4096-pixel 24-bit cup takes about 35 s); at its largest zoom a 1024-pixel cup already
// overflows the window.
constexpr int RECORD_CUP_MAX_SIDE = 1024;

// The name being entered: the true letter at the cursor is kept apart while the mark shows.
struct name_entry {
    char name[RECORD_NAME_LEN + 1] = {'a', 'a', 'a', '\0'};
    int cursor = 0;
    char current = 'a';
    bool mark_shown = false;
};

// Handles one key of the entry; returns true for Enter.
bool take_key(name_entry& e, SDLKey sym) {
    switch (sym) {
    case SDLK_UP:
        if (e.current != 'z') ++e.current;
        e.name[e.cursor] = e.current;
        return false;
    case SDLK_DOWN:
        if (e.current != 'a') --e.current;
        e.name[e.cursor] = e.current;
        return false;
    case SDLK_RIGHT:
        e.name[e.cursor] = e.current;
        if (e.cursor < RECORD_NAME_LEN - 1) e.current = e.name[++e.cursor];
        return false;
    case SDLK_LEFT:
        e.name[e.cursor] = e.current;
        if (e.cursor > 0) e.current = e.name[--e.cursor];
        return false;
    case SDLK_RETURN:
        e.name[e.cursor] = e.current;
        return true;
    default:
        return false;
    }
}

// The cursor mark shows for the first half of each cycle.
void blink_step(name_entry& e, uint32_t& blink_start) {
    const uint32_t now = clock_ticks();
    if (now < blink_start + RECORD_MARK_MS) {
        if (!e.mark_shown) {
            e.current = e.name[e.cursor];
            e.name[e.cursor] = '_';
            e.mark_shown = true;
        }
    } else {
        e.name[e.cursor] = e.current;
        e.mark_shown = false;
        if (now >= blink_start + RECORD_CYCLE_MS) blink_start = clock_ticks();
    }
}

// The growing, turning cup; returns the top-left corner of the last frame's picture.
layout_at cup_animation(SDL_Surface* screen, SDL_Surface* cup) {
    layout_at at{0, 0};
    float zoom = RECORD_ZOOM_START;
    double angle = 0.0;
    while (zoom <= RECORD_ZOOM_LAST) {
        clear_black(screen);
        surface_ptr frame(cup ? rotozoomSurface(cup, angle, zoom, SMOOTHING_OFF) : nullptr);
        if (frame) {
            at = layout_at{screen->w / 2 - frame->w / 2, screen->h / 2 - frame->h / 2};
            blit_at(frame.get(), screen, at);
        }
        SDL_Flip(screen);
        frame.reset();
        angle = RECORD_TURN_PER_ZOOM * zoom;
        clock_delay(RECORD_FRAME_MS);
        zoom = zoom + RECORD_ZOOM_STEP;
    }
    return at;
}

} // namespace

int new_record_screen(SDL_Surface*& screen, game_ctx& ctx, int score) {
    score_table& table = *ctx.scores;
    const int place = score_rank(score, table);
    int result = 1;
    bool done = false;
    name_entry entry;
    uint32_t blink_start = clock_ticks();

    char place_text[48];
    std::snprintf(place_text, sizeof place_text, "nouveau classement : %d", place + 1);

    SDL_EnableKeyRepeat(RECORD_REPEAT_DELAY, RECORD_REPEAT_INTERVAL);

    const font_ptr font = open_game_font(RECORD_FONT_SIZE);
    if (!font) {
        std::printf("Err / chargement de comic.ttf %s\n", TTF_GetError());
        result = 0;
        done = true;
    }
    surface_ptr cup = load_bmp("pics/cup.bmp", RECORD_CUP_MAX_SIDE);
    if (!cup) {
        done = true;
        result = 0;
        std::printf("Err / chargement de cup.bmp :%s", SDL_GetError());
    }
    sample_ptr applause(FSOUND_Sample_Load(FSOUND_FREE, "sounds/applause.wav", 0, 0, 0));
    if (applause) {
        FSOUND_PlaySound(FSOUND_FREE, applause.get());
    } else {
        const char* why = audio_error_text(FSOUND_GetError());
        std::printf("Err / chargement de applause.wav :%s\n", why ? why : "");
        done = true;
        result = 0;
    }

    const layout_at cup_at = cup_animation(screen, cup.get());

    // The final cup goes over the last frame, which is not cleared.
    surface_ptr final_cup;
    if (cup) final_cup.reset(rotozoomSurface(cup.get(), 0.0, RECORD_FINAL_ZOOM, SMOOTHING_OFF));
    blit_at(final_cup.get(), screen, cup_at);
    SDL_Flip(screen);
    clock_delay(RECORD_PAUSE_MS);

    while (!done) {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            if (ev.type == SDL_QUIT) {
                done = true;
                result = 0;
            } else if (ev.type == SDL_KEYDOWN && take_key(entry, ev.key.keysym.sym)) {
                done = true;
            }
        }

        surface_ptr surf_nom = render_white(font.get(), entry.name);
        if (!surf_nom) {
            std::printf("Erreur de cr\xe9"
                        "ation de surf_nom :%s\n",
                        TTF_GetError());
            done = true;
            result = 0;
        }
        surface_ptr surf_rank = render_white(font.get(), place_text);
        if (!surf_rank) {
            std::printf("Erreur de cr\xe9"
                        "ation de surf_rank :%s\n",
                        TTF_GetError());
            done = true;
            result = 0;
        }

        blink_step(entry, blink_start);

        clear_black(screen);
        blit_at(final_cup.get(), screen, cup_at);
        blit_at(surf_rank.get(), screen, LAYOUT_RECORD_RANK_AT);
        blit_at(surf_nom.get(), screen, LAYOUT_RECORD_NAME_AT);
        SDL_Flip(screen);
        surf_nom.reset();
        surf_rank.reset();
        clock_delay(RECORD_FRAME_MS);
    }

    // The stored name holds the true letter at the cursor, never the mark.
    entry.name[entry.cursor] = entry.current;
    insert_score(table, entry.name, place, score);
    return result;
}
