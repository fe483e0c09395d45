#include "screens/new_record.h"

#include <SDL_rotozoom.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/audio.h"
#include "app/game_ctx.h"
#include "store/scores.h"
#include "toolkit/clock.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

constexpr int RECORD_FONT_SIZE = 40;
constexpr int RECORD_NAME_LEN = 3;
constexpr uint32_t RECORD_FRAME_MS = 20; // each frame of the cup and of the entry

// The cup grows from the first zoom by steps up to the last (single precision, as the count of
// frames depends on it), turning with its size; then the final picture holds for a pause.
struct cup_motion {
    float zoom_start;
    float zoom_step;
    float zoom_last;
    double turn_per_zoom;
    double final_zoom;
    uint32_t pause_ms;
};
constexpr cup_motion RECORD_CUP{0.01f, 0.01f, 0.73f, 1000.0, 0.75, 2000};

// The name entry: the key repeat it sets, and the cursor mark shown for the first part of
// each blink cycle.
struct entry_timing {
    int repeat_delay_ms;
    int repeat_interval_ms;
    uint32_t mark_ms;
    uint32_t cycle_ms;
};
constexpr entry_timing RECORD_ENTRY{1000, 200, 500, 1000};

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
    if (now < blink_start + RECORD_ENTRY.mark_ms) {
        if (!e.mark_shown) {
            e.current = e.name[e.cursor];
            e.name[e.cursor] = '_';
            e.mark_shown = true;
        }
    } else {
        e.name[e.cursor] = e.current;
        e.mark_shown = false;
        if (now >= blink_start + RECORD_ENTRY.cycle_ms) blink_start = clock_ticks();
    }
}

// The growing, turning cup; returns the top-left corner of the last frame's picture.
layout_at cup_animation(SDL_Surface* screen, SDL_Surface* cup) {
    layout_at at{0, 0};
    float zoom = RECORD_CUP.zoom_start;
    double angle = 0.0;
    while (zoom <= RECORD_CUP.zoom_last) {
        clear_black(screen);
        surface_ptr frame(cup ? rotozoomSurface(cup, angle, zoom, SMOOTHING_OFF) : nullptr);
        if (frame) {
            at = layout_at{screen->w / 2 - frame->w / 2, screen->h / 2 - frame->h / 2};
            blit_at(frame.get(), screen, at);
        }
        SDL_Flip(screen);
        frame.reset();
        angle = RECORD_CUP.turn_per_zoom * zoom;
        clock_delay(RECORD_FRAME_MS);
        zoom = zoom + RECORD_CUP.zoom_step;
    }
    return at;
}

// Renders a text of the entry; null, after the message naming its surface, on failure.
surface_ptr entry_text(TTF_Font* font, const char* text, const char* name) {
    surface_ptr s = render_white(font, text);
    if (!s)
        std::printf("Erreur de cr\xe9"
                    "ation de %s :%s\n",
                    name, TTF_GetError());
    return s;
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

    SDL_EnableKeyRepeat(RECORD_ENTRY.repeat_delay_ms, RECORD_ENTRY.repeat_interval_ms);

    const font_ptr font = open_game_font(RECORD_FONT_SIZE);
    if (!font) {
        std::printf("Err / chargement de comic.ttf %s\n", TTF_GetError());
        result = 0;
        done = true;
    }
    const surface_ptr cup = say_if_missing(load_bmp("pics/cup.bmp", RECORD_CUP_MAX_SIDE),
                                           "Err / chargement de cup.bmp :%s");
    if (!cup) {
        done = true;
        result = 0;
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
    if (cup) final_cup.reset(rotozoomSurface(cup.get(), 0.0, RECORD_CUP.final_zoom, SMOOTHING_OFF));
    blit_at(final_cup.get(), screen, cup_at);
    SDL_Flip(screen);
    clock_delay(RECORD_CUP.pause_ms);

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

        surface_ptr surf_nom = entry_text(font.get(), entry.name, "surf_nom");
        surface_ptr surf_rank = entry_text(font.get(), place_text, "surf_rank");
        if (!surf_nom || !surf_rank) {
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
