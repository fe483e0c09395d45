// The play screen: one call is one game.
#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

#include <array>
#include <cstdint>

#include "app/audio.h"
#include "game/board.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

struct game_ctx;
struct options_cfg;

// One number of the play screen: its text and the area it last covered.
struct number_text {
    std::array<char, 16> text{'0', '\0'};
    SDL_Rect area;
};

// One game: the well, the falling and next pieces, the numbers, what the game loaded, and
// where it stands.
struct game_state {
    board well{};
    piece falling{};
    piece next{};
    int32_t score = 0;
    int32_t lines = 0;
    int32_t level = 0;
    int32_t fall_delay = 0; // set when the game starts
    uint32_t last_fall = 0;
    bool done = false;
    bool new_piece_wanted = false;
    bool level_rise_wanted = false;
    bool abandoned = false;
    int result = 1;
    number_text level_text{{'0', '\0'}, {LAYOUT_LEVEL_AT.x, LAYOUT_LEVEL_AT.y, 0, 0}};
    number_text lines_text{{'0', '\0'}, {LAYOUT_LINES_AT.x, LAYOUT_LINES_AT.y, 0, 0}};
    number_text score_text{{'0', '\0'}, {LAYOUT_SCORE_AT.x, LAYOUT_SCORE_AT.y, 0, 0}};
    surface_ptr background;
    surface_ptr skin;
    song_ptr song;
    font_ptr font;
};

// The steps of game_loop, for callers that drive passes themselves:
// Loads the background (drawn at once), the skin, the tune (playing, looped) and the font, each
// missing one reported. Returns false when anything is missing.
bool load_game(game_state& st, SDL_Surface* screen, const options_cfg& opt);
// Draws the three numbers and the next piece, takes the first two pieces, sets the key repeat.
void start_game(game_state& st, SDL_Surface* screen);
// One pass: input, what the last landing asked for, the ways out, the move and its drawing.
// Sets st.done when the game ends. Returns whether the pass had anything to do (an event or a
// repeat taken, a landing's follow-up, a move or a fall step).
bool game_pass(game_state& st, SDL_Surface*& screen, game_ctx& ctx);
// After the last pass: releases what was loaded, runs the new-record entry for a record, saves
// the table. Returns the game's result (1 menu, 0 end the program).
int end_game(game_state& st, SDL_Surface*& screen, game_ctx& ctx);

// Returns 1 to go back to the menu, 0 to end the program.
int game_loop(SDL_Surface*& screen, game_ctx& ctx);
// Draws text in white at r.x, r.y after blacking out r's previous area; r takes the new area.
// Ends the process with exit code 1 when the text cannot be rendered.
void disp_text(SDL_Surface* screen, const char* text, TTF_Font* font, SDL_Rect& r);
// The end-of-game curtain and sliding "GAME OVER"; returns at once if the text cannot be made.
void game_over_text(SDL_Surface* screen, TTF_Font* font);
