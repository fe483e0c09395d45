// The play screen: one call is one game.
#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

struct game_ctx;

// Returns 1 to go back to the menu, 0 to end the program.
int game_loop(SDL_Surface*& screen, game_ctx& ctx);
// Draws text in white at r.x, r.y after blacking out r's previous area; r takes the new area.
// Ends the process with exit code 1 when the text cannot be rendered.
void disp_text(SDL_Surface* screen, const char* text, TTF_Font* font, SDL_Rect& r);
// The end-of-game curtain and sliding "GAME OVER"; returns at once if the text cannot be made.
void game_over_text(SDL_Surface* screen, TTF_Font* font);
