// Drawing kit of the picture generator: 32-bit canvases, gradients, framed panels, text, and
// the BMP and JPEG writers.
#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

#include <string>
#include <vector>

#include "toolkit/sdl_owner.h"

struct rgb {
    Uint8 r, g, b;
};

// Mix of two colours, t in 0..1 (clamped).
rgb mix(rgb a, rgb b, double t);

// A w by h 32-bit canvas filled black; null when SDL cannot make it.
surface_ptr new_canvas(int w, int h);

// Pixel access on a canvas; reads outside give black, writes outside are dropped.
rgb get_px(SDL_Surface* s, int x, int y);
void put_px(SDL_Surface* s, int x, int y, rgb c);
// Blends c over the pixel with coverage a (0..1).
void blend_px(SDL_Surface* s, int x, int y, rgb c, double a);

// Fills the rectangle with a vertical gradient from top to bottom colour.
void vgradient(SDL_Surface* s, int x, int y, int w, int h, rgb top, rgb bottom);
// Fills the rectangle with exact black.
void black_box(SDL_Surface* s, int x, int y, int w, int h);

struct panel_style {
    rgb fill_top, fill_bottom; // interior gradient
    rgb edge_top, edge_bottom; // frame gradient
    int edge;                  // frame width in pixels
    int radius;                // corner radius
    int glow;                  // width of the soft outer glow (0: none)
    rgb glow_colour;
    double sheen; // strength of the light sheen on the upper interior (0: none)
};

// Signed distance from point (px, py) to the rounded box (negative inside).
double rounded_dist(double px, double py, double x, double y, double w, double h, double r);

// A rounded, framed panel with a gradient interior and an optional outer glow, anti-aliased.
void panel(SDL_Surface* s, int x, int y, int w, int h, const panel_style& st);

// Opens the game's font (run_dir/font/comic.ttf) at a size; null (message on stderr) on failure.
font_ptr open_font(const std::string& run_dir, int size, int style = TTF_STYLE_NORMAL);

// Text width in pixels of a Latin-1 string in a font (0 on failure).
int text_width(TTF_Font* f, const char* text);

// Draws Latin-1 text at (x, y) filled with a vertical gradient, with an optional dark drop
// shadow (offset shadow pixels). Returns false when the text could not be rendered.
bool draw_text(SDL_Surface* s, TTF_Font* f, const char* text, int x, int y, rgb top, rgb bottom,
               int shadow = 0);
// The same, centred horizontally on cx.
bool draw_text_centred(SDL_Surface* s, TTF_Font* f, const char* text, int cx, int y, rgb top,
                       rgb bottom, int shadow = 0);

// Shrinks a canvas drawn at factor times the size by averaging (smooth edges); null on failure.
surface_ptr downsample(SDL_Surface* big, int factor);

// Writes the canvas as a 24-bit BMP; false (message on stderr) on failure.
bool save_bmp(SDL_Surface* s, const std::string& path);
// A picture with straight (not premultiplied) alpha: rows of r, g, b, a bytes, top row first.
struct rgba_image {
    int w = 0, h = 0;
    std::vector<Uint8> px;
};
// Writes it as a 32-bit BMP whose header carries the alpha mask; false on failure.
bool save_bmp_rgba(const rgba_image& img, const std::string& path);
// Writes it as an 8-bit RGBA PNG; false (message on stderr) on failure.
bool save_png(const rgba_image& img, const std::string& path);

// Writes the canvas as a baseline JPEG without chroma subsampling; false on failure.
bool save_jpeg(SDL_Surface* s, const std::string& path, int quality);

// Theme colours shared by every screen.
namespace theme {
inline constexpr rgb BG_TOP{10, 14, 38};
inline constexpr rgb BG_BOTTOM{2, 3, 12};
inline constexpr rgb PANEL_TOP{28, 38, 84};
inline constexpr rgb PANEL_BOTTOM{10, 14, 40};
inline constexpr rgb EDGE_TOP{130, 170, 255};
inline constexpr rgb EDGE_BOTTOM{40, 60, 150};
inline constexpr rgb GOLD_TOP{255, 236, 150};
inline constexpr rgb GOLD_BOTTOM{230, 150, 30};
inline constexpr rgb TEXT_TOP{255, 255, 255};
inline constexpr rgb TEXT_BOTTOM{180, 200, 240};
inline constexpr rgb GLOW{60, 110, 255};
} // namespace theme

// The standard framed panel of the theme.
panel_style theme_panel();
// The theme's frame without its glow, with its own corner radius, frame width and interior.
panel_style flat_panel(int radius, int edge, rgb top, rgb bottom);
