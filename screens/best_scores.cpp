#include "screens/best_scores.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstring>

#include "app/game_ctx.h"
#include "input/input.h"
#include "store/scores.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"

namespace {

constexpr int BEST_FONT_SIZE = 30;
constexpr int BEST_TEXT_AT = 4; // the table line follows "%d:  "
constexpr int BEST_TEXT_SIZE = 32;

static_assert(BEST_TEXT_AT + SCORE_SLOT <= BEST_TEXT_SIZE, "a whole slot fits the line text");

void print_text_error() {
    std::printf("Err cr\xe9"
                "ation text du score : %s\n",
                TTF_GetError());
}

// "%d:  " with the place, then the table line from index 4, without its line end.
void format_line(char (&text)[BEST_TEXT_SIZE], int place,
                 const std::array<char, SCORE_SLOT>& line) {
    std::snprintf(text, sizeof text, "%d:  ", place);
    std::size_t len = strnlen(line.data(), line.size());
    if (const void* nl = std::memchr(line.data(), '\n', len))
        len = static_cast<std::size_t>(static_cast<const char*>(nl) - line.data());
    // A carriage return before the newline belongs to the line end as well.
    if (len > 0 && line[len - 1] == '\r' && len < line.size() && line[len] == '\n') --len;
    std::memcpy(text + BEST_TEXT_AT, line.data(), len);
    text[BEST_TEXT_AT + len] = '\0';
}

} // namespace

int best_scores_screen(SDL_Surface*& screen, game_ctx& ctx) {
    int result = 1;
    bool done = false;
    input_state& in = *ctx.input;
    reset_input(in);

    score_table& table = *ctx.scores;
    if (!load_scores(table)) default_scores(table);

    const font_ptr font = open_game_font(BEST_FONT_SIZE);
    if (!font) {
        std::printf("Err chargement de la police de characteres : %s\n", TTF_GetError());
        return 0;
    }

    if (const surface_ptr title = render_white(font.get(), "Meilleurs scores :")) {
        blit_at(title.get(), screen, LAYOUT_BEST_TITLE_AT);
    } else {
        print_text_error();
        done = true;
        result = 0;
    }

    // A line that fails to render leaves its place to the next one.
    int y = LAYOUT_BEST_LINES_Y; // the first line goes one step below
    for (int i = 0; i < SCORE_LINES; ++i) {
        char text[BEST_TEXT_SIZE];
        format_line(text, i + 1, table.lines[i]);
        const surface_ptr pic = render_white(font.get(), text);
        if (!pic) {
            print_text_error();
            done = true;
            result = 0;
            continue;
        }
        y += LAYOUT_BEST_LINE_STEP;
        blit_at(pic.get(), screen, LAYOUT_BEST_LINES_X, y);
    }
    SDL_Flip(screen);

    // Drawn once; the wait polls (resting only in the resting mode) and clears no flag.
    while (!done) {
        const bool took = poll_input(ctx);
        if (in.keys[SDLK_ESCAPE] || in.button_right_cmd) done = true;
        if (in.quit) {
            result = 0;
            break;
        }
        rest_if_idle(*ctx.options, took);
    }
    return result;
}
