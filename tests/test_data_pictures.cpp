// The generated pictures, loaded as the game loads them: sizes, the areas the program erases
// with black, the frames and rows laid out around what the program draws, the marker's colour
// key, the skins, the cup, and the window and desktop icons.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_rotozoom.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <utility>

#include "support/play_dir.h"
#include "toolkit/layout.h"
#include "toolkit/sdl_owner.h"

namespace {

struct pix {
    int r, g, b;
    bool operator==(const pix&) const = default;
};

// Any loaded picture as a 32-bit XRGB copy, so pixels read the same whatever the file's depth.
surface_ptr as_xrgb(SDL_Surface* src) {
    if (!src) return nullptr;
    SDL_PixelFormat fmt{};
    fmt.BitsPerPixel = 32;
    fmt.BytesPerPixel = 4;
    fmt.Rmask = 0xFF0000;
    fmt.Gmask = 0xFF00;
    fmt.Bmask = 0xFF;
    fmt.Rshift = 16;
    fmt.Gshift = 8;
    fmt.alpha = 255;
    surface_ptr out(SDL_ConvertSurface(src, &fmt, SDL_SWSURFACE));
    SDL_FreeSurface(src);
    return out;
}

pix at(SDL_Surface* s, int x, int y) {
    const Uint32 v =
        reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch)[x];
    return {int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)};
}

int luma(pix p) {
    return (p.r * 3 + p.g * 6 + p.b) / 10;
}

// Number of pixels in the rectangle that are not exactly black.
int non_black(SDL_Surface* s, int x, int y, int w, int h) {
    int n = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            n += !(at(s, i, j) == pix{0, 0, 0});
    return n;
}

double mean_luma(SDL_Surface* s, int x, int y, int w, int h) {
    double sum = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            sum += luma(at(s, i, j));
    return sum / (w * h);
}

// Steps from (x, y) by (dx, dy) until a pixel brighter than the dark body (a frame's edge);
// returns the number of dark pixels passed, or -1 when none is found within 100.
int dark_run(SDL_Surface* s, int x, int y, int dx, int dy) {
    for (int n = 0; n < 100; ++n, x += dx, y += dy)
        if (luma(at(s, x, y)) > 60) return n;
    return -1;
}

struct span {
    int first, last; // rows, inclusive
    double mid() const { return (first + last) / 2.0; }
};

// Rows covered by the ink of text rendered as the program renders it, drawn at row y.
span ink_rows(TTF_Font* f, const char* text, int y) {
    surface_ptr t(TTF_RenderText_Solid(f, text, SDL_Color{255, 255, 255, 0}));
    span r{1 << 20, -1};
    if (!t) return r;
    for (int j = 0; j < t->h; ++j)
        for (int i = 0; i < t->w; ++i)
            if (static_cast<const Uint8*>(t->pixels)[j * t->pitch + i] != 0) {
                r.first = std::min(r.first, y + j);
                r.last = std::max(r.last, y + j);
            }
    return r;
}

struct rgba {
    int r, g, b, a;
};

// A pixel with its alpha (255 where the surface has none).
rgba at_rgba(SDL_Surface* s, int x, int y) {
    Uint8 r, g, b, a;
    const Uint32 v =
        reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch)[x];
    SDL_GetRGBA(v, s->format, &r, &g, &b, &a);
    return {r, g, b, a};
}

// The icon is a rounded tile with the same clear margin on every side, as icon themes keep
// one (at least a pixel, about a sixteenth of the side); outside the tile the icon is clear,
// inside it opaque, with the cells of the piece lit in its middle.
void expect_rounded_tile(SDL_Surface* s, const std::string& name) {
    ASSERT_EQ(s->format->BytesPerPixel, 4) << name;
    ASSERT_NE(s->format->Amask, 0u) << name << " has no alpha";
    const int n = s->w, m = n / 2;
    // the margin on each side: clear pixels from the edge inwards along the middle lines
    auto clear_run = [&](int x, int y, int dx, int dy) {
        int k = 0;
        while (k < m && at_rgba(s, x + k * dx, y + k * dy).a < 128)
            ++k;
        return k;
    };
    const std::array<int, 4> margins{clear_run(0, m, 1, 0), clear_run(n - 1, m, -1, 0),
                                     clear_run(m, 0, 0, 1), clear_run(m, n - 1, 0, -1)};
    for (int k : margins) {
        EXPECT_EQ(k, margins[0]) << name << " margins differ";
        EXPECT_GE(k, 1) << name;
        EXPECT_GE(k, n / 20) << name;
        EXPECT_LE(k, std::max(1, n / 10)) << name;
    }
    const int e = n - 1, t = margins[0], f = n - 1 - t; // the tile's first and last rows
    // the picture's corners are clear, the tile's corners mostly (rounded)
    for (auto [x, y] : {std::pair{0, 0}, {e, 0}, {0, e}, {e, e}, {t, t}, {f, t}, {t, f}, {f, f}}) {
        const rgba p = at_rgba(s, x, y);
        EXPECT_LE(p.a, x == t || x == f ? 127 : 0) << name << " corner " << x << "," << y;
        // where the alpha is ignored the tile shows square, never with black corners
        EXPECT_GT(luma({p.r, p.g, p.b}), 60) << name << " corner " << x << "," << y;
    }
    for (auto [x, y] : {std::pair{m, t}, {t, m}, {f, m}, {m, f}}) {
        const rgba p = at_rgba(s, x, y);
        EXPECT_EQ(p.a, 255) << name << " side " << x << "," << y;
        EXPECT_GT(luma({p.r, p.g, p.b}), 60) << name << " side " << x << "," << y;
    }
    int lit = 0;
    for (int y = s->h / 4; y < s->h * 3 / 4; ++y)
        for (int x = s->w / 4; x < s->w * 3 / 4; ++x) {
            const rgba p = at_rgba(s, x, y);
            EXPECT_EQ(p.a, 255) << name << " inside " << x << "," << y;
            lit += luma({p.r, p.g, p.b}) > 60; // the cells of the piece
        }
    EXPECT_GT(lit, s->w * s->h / 16) << name;
}

class data_pictures : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    }
    void TearDown() override {
        TTF_Quit();
        SDL_Quit();
    }
    surface_ptr bmp(const char* name) {
        surface_ptr s = as_xrgb(load_bmp((std::string("pics/") + name).c_str()).release());
        EXPECT_TRUE(s) << name << ": " << SDL_GetError();
        return s;
    }
    surface_ptr jpeg(const char* name) {
        surface_ptr s = as_xrgb(IMG_Load((std::string("pics/") + name).c_str()));
        EXPECT_TRUE(s) << name << ": " << SDL_GetError();
        return s;
    }
    play_dir dir;
};

TEST_F(data_pictures, every_picture_loads_at_its_size) {
    struct want {
        const char* name;
        bool is_jpeg;
        int w, h;
    };
    for (const want& f : {want{"icone.bmp", false, 32, 32}, want{"menu.bmp", false, 540, 600},
                          want{"board.jpg", true, 540, 600}, want{"options.bmp", false, 540, 600},
                          want{"skin0.bmp", false, 210, 30}, want{"skin1.bmp", false, 210, 30},
                          want{"skin2.bmp", false, 210, 30}}) {
        surface_ptr s = f.is_jpeg ? jpeg(f.name) : bmp(f.name);
        ASSERT_TRUE(s) << f.name;
        EXPECT_EQ(s->w, f.w) << f.name;
        EXPECT_EQ(s->h, f.h) << f.name;
    }
    // the device pictures stand left of the device name
    for (const char* name : {"clavier.jpeg", "joystick.jpeg"}) {
        surface_ptr s = jpeg(name);
        ASSERT_TRUE(s) << name;
        EXPECT_LE(LAYOUT_OPT_DEVICE_PIC_AT.x + s->w, LAYOUT_OPT_PAD_NAME_AT.x) << name;
        EXPECT_GE(s->w, 30) << name;
        EXPECT_LE(s->h, 45) << name;
        EXPECT_GE(s->h, 25) << name;
    }
}

TEST_F(data_pictures, jpeg_files_are_real_jpegs) {
    for (const char* name : {"pics/board.jpg", "pics/clavier.jpeg", "pics/joystick.jpeg"}) {
        const std::string data = read_play_file(name);
        ASSERT_GE(data.size(), 4u) << name;
        EXPECT_EQ(static_cast<unsigned char>(data[0]), 0xFF) << name;
        EXPECT_EQ(static_cast<unsigned char>(data[1]), 0xD8) << name;
        EXPECT_EQ(static_cast<unsigned char>(data[2]), 0xFF) << name;
    }
}

TEST_F(data_pictures, board_is_exactly_black_where_the_game_erases) {
    surface_ptr s = jpeg("board.jpg");
    ASSERT_TRUE(s);
    EXPECT_EQ(non_black(s.get(), 0, 0, LAYOUT_WELL_W, LAYOUT_WELL_H), 0) << "well";
    EXPECT_EQ(
        non_black(s.get(), LAYOUT_PREVIEW_X, LAYOUT_PREVIEW_Y, LAYOUT_PREVIEW_W, LAYOUT_PREVIEW_H),
        0)
        << "preview box";
    for (const layout_at& n : {LAYOUT_LEVEL_AT, LAYOUT_LINES_AT, LAYOUT_SCORE_AT})
        EXPECT_EQ(non_black(s.get(), n.x, n.y, LAYOUT_NUMBER_W, LAYOUT_NUMBER_H), 0) << n.y;
    // and it shows something beside them: frames and labels
    EXPECT_GT(non_black(s.get(), 300, 0, 240, 600), 240 * 600 / 4);
    EXPECT_GT(non_black(s.get(), 340, LAYOUT_LEVEL_AT.y - 50, 190, 40), 500)
        << "a label above the level";
}

TEST_F(data_pictures, board_frames_are_centred_on_the_preview_box_and_the_numbers) {
    surface_ptr s = jpeg("board.jpg");
    ASSERT_TRUE(s);
    // The frame around the preview box: as much black left as right of the box, and above
    // it (up to the label plate) as below it.
    const int mid_x = LAYOUT_PREVIEW_X + LAYOUT_PREVIEW_W / 2;
    const int mid_y = LAYOUT_PREVIEW_Y + LAYOUT_PREVIEW_H / 2;
    const int left = dark_run(s.get(), LAYOUT_PREVIEW_X - 1, mid_y, -1, 0);
    const int right = dark_run(s.get(), LAYOUT_PREVIEW_X + LAYOUT_PREVIEW_W, mid_y, 1, 0);
    const int above = dark_run(s.get(), mid_x, LAYOUT_PREVIEW_Y - 1, 0, -1);
    const int below = dark_run(s.get(), mid_x, LAYOUT_PREVIEW_Y + LAYOUT_PREVIEW_H, 0, 1);
    EXPECT_GE(left, 10);
    EXPECT_GE(above, 10);
    EXPECT_LE(std::abs(left - right), 1) << left << " left, " << right << " right";
    EXPECT_LE(std::abs(above - below), 1) << above << " above, " << below << " below";
    // The number frames stand in the same column, each body centred on its number's area.
    for (const layout_at& n : {LAYOUT_LEVEL_AT, LAYOUT_LINES_AT, LAYOUT_SCORE_AT}) {
        const int y = n.y + LAYOUT_NUMBER_H / 2;
        EXPECT_EQ(dark_run(s.get(), LAYOUT_PREVIEW_X - 1, y, -1, 0), left) << n.y;
        EXPECT_EQ(dark_run(s.get(), LAYOUT_PREVIEW_X + LAYOUT_PREVIEW_W, y, 1, 0), right) << n.y;
        const int up = dark_run(s.get(), mid_x, n.y - 1, 0, -1);
        const int down = dark_run(s.get(), mid_x, n.y + LAYOUT_NUMBER_H, 0, 1);
        EXPECT_GE(up, 6) << n.y;
        EXPECT_LE(std::abs(up - down), 1) << n.y << ": " << up << " above, " << down << " below";
    }
}

TEST_F(data_pictures, marker_has_its_colour_key_and_a_shape) {
    surface_ptr s = bmp("select.bmp");
    ASSERT_TRUE(s);
    EXPECT_GE(s->w, 20);
    EXPECT_LE(s->w, 45);
    EXPECT_GE(s->h, 20);
    EXPECT_LE(s->h, 50);
    int key = 0, drawn = 0, tip_x = -1, tip_y = -1;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (at(s.get(), x, y) == pix{125, 125, 125}) {
                ++key;
            } else {
                ++drawn;
                if (x > tip_x) tip_x = x, tip_y = y;
            }
    EXPECT_GT(key, s->w * s->h / 5);
    EXPECT_GT(drawn, s->w * s->h / 5);
    // it points right, with its tip on the row the screens align their entries with
    EXPECT_GE(tip_x, s->w - 3);
    EXPECT_LE(std::abs(tip_y - LAYOUT_MARKER_TIP_Y), 1) << tip_y;
}

TEST_F(data_pictures, menu_keeps_the_marker_column_black_and_labels_beside_it) {
    surface_ptr menu = bmp("menu.bmp");
    surface_ptr marker = bmp("select.bmp");
    ASSERT_TRUE(menu && marker);
    constexpr int LAST_Y = LAYOUT_MENU_FIRST_Y + LAYOUT_MENU_STEP * (LAYOUT_MENU_ENTRIES - 1);
    EXPECT_EQ(non_black(menu.get(), LAYOUT_MENU_MARKER_X, LAYOUT_MENU_FIRST_Y, marker->w,
                        LAST_Y - LAYOUT_MENU_FIRST_Y + marker->h),
              0);
    for (int k = 0; k < LAYOUT_MENU_ENTRIES; ++k)
        EXPECT_GT(non_black(menu.get(), LAYOUT_MENU_MARKER_X + marker->w,
                            LAYOUT_MENU_FIRST_Y + LAYOUT_MENU_STEP * k, 300, marker->h),
                  200)
            << "entry " << k + 1;
}

TEST_F(data_pictures, options_leave_dark_room_for_the_drawn_texts) {
    surface_ptr s = bmp("options.bmp");
    surface_ptr skin = bmp("skin2.bmp");
    font_ptr font(TTF_OpenFont("font/comic.ttf", 20)); // as the capture draws its prompts
    ASSERT_TRUE(s && skin && font);
    // The capture's black prompt box and the skin preview (with black corners) lie on exact
    // black, the prompt with room to spare before anything else in its row.
    for (const char* prompt : {"appuyer sur droite", "appuyer sur gauche"}) {
        int w = 0, h = 0;
        ASSERT_EQ(TTF_SizeText(font.get(), prompt, &w, &h), 0);
        EXPECT_EQ(non_black(s.get(), LAYOUT_OPT_PROMPT_AT.x, LAYOUT_OPT_PROMPT_AT.y, w + 16, h), 0)
            << prompt;
    }
    EXPECT_EQ(
        non_black(s.get(), LAYOUT_OPT_PREVIEW_AT.x, LAYOUT_OPT_PREVIEW_AT.y, skin->w, skin->h), 0);
    // white 20-point texts go here: device name, controls, tune title
    for (const layout_at& t :
         {LAYOUT_OPT_PAD_NAME_AT, LAYOUT_OPT_KEYS_AT, LAYOUT_OPT_MUSIC_NAME_AT})
        EXPECT_LT(mean_luma(s.get(), t.x, t.y, 150, 24), 40) << t.y;
    // the item captions are there: left of each value, and the two ways out beside the cursor
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(non_black(s.get(), LAYOUT_OPT_PANEL_LEFT, LAYOUT_OPT_CURSOR_AT[k].y, 100, 36),
                  300)
            << "item " << k;
    for (int k : {4, 5}) {
        const layout_at c = LAYOUT_OPT_CURSOR_AT[k];
        EXPECT_GT(
            mean_luma(s.get(), c.x + LAYOUT_MARKER_W + 10, c.y + LAYOUT_MARKER_TIP_Y - 15, 100, 30),
            30)
            << "way out " << k;
    }
}

TEST_F(data_pictures, options_rows_centre_their_values_and_leave_room_around_labels) {
    surface_ptr s = bmp("options.bmp");
    surface_ptr keyboard = jpeg("clavier.jpeg");
    font_ptr font(TTF_OpenFont("font/comic.ttf", 20)); // as the options screen draws
    ASSERT_TRUE(s && keyboard && font);
    const auto& edges = LAYOUT_OPT_ROW_EDGES;
    constexpr int PROBE_X = 420; // in the value area, right of every value drawn by default

    // The picture draws its rows where the layout says: a line between two rows, the panel's
    // frame above the first and below the last, dark value area in between.
    EXPECT_GT(luma(at(s.get(), PROBE_X, edges.front())), 60);
    EXPECT_GT(luma(at(s.get(), PROBE_X, edges.back() - 1)), 60);
    for (size_t k = 1; k + 1 < edges.size(); ++k) {
        EXPECT_GT(luma(at(s.get(), PROBE_X, edges[k])), 25) << "line above row " << k;
        EXPECT_LT(luma(at(s.get(), PROBE_X, edges[k] - 4)), 25) << k;
        EXPECT_LT(luma(at(s.get(), PROBE_X, edges[k] + 4)), 25) << k;
    }

    // What each row shows by default: the keyboard picture beside its name, the controls,
    // the skin strip, the tune title. A text takes the rows of its capitals and descenders.
    auto text_rows = [&](const char* text, int y) {
        const span t = ink_rows(font.get(), text, y), d = ink_rows(font.get(), "Ajpq", y);
        return span{std::min(t.first, d.first), std::max(t.last, d.last)};
    };
    const span name = text_rows("clavier", LAYOUT_OPT_PAD_NAME_AT.y);
    const span device{LAYOUT_OPT_DEVICE_PIC_AT.y, LAYOUT_OPT_DEVICE_PIC_AT.y + keyboard->h - 1};
    const std::array<span, 4> values{{
        {std::min(name.first, device.first), std::max(name.last, device.last)},
        text_rows("w et q", LAYOUT_OPT_KEYS_AT.y),
        {LAYOUT_OPT_PREVIEW_AT.y, LAYOUT_OPT_PREVIEW_AT.y + 29},
        text_rows("Aucune", LAYOUT_OPT_MUSIC_NAME_AT.y),
    }};
    for (size_t k = 0; k < values.size(); ++k) {
        const span row{edges[k], edges[k + 1]};
        const span v = values[k];
        EXPECT_LE(std::abs(v.mid() - row.mid()), 1.5)
            << "row " << k << " value " << v.first << ".." << v.last;
        EXPECT_GE(v.first - row.first, 8) << "row " << k;
        EXPECT_GE(row.last - v.last, 8) << "row " << k;
        // the cursor on this item points into the row, near its middle
        const int tip = LAYOUT_OPT_CURSOR_AT[k].y + LAYOUT_MARKER_TIP_Y;
        EXPECT_LE(std::abs(tip - row.mid()), 4) << "cursor of row " << k;
    }
    for (int x : {LAYOUT_OPT_DEVICE_PIC_AT.x, LAYOUT_OPT_KEYS_AT.x, LAYOUT_OPT_PREVIEW_AT.x,
                  LAYOUT_OPT_MUSIC_NAME_AT.x})
        EXPECT_GE(x, LAYOUT_OPT_LABEL_RIGHT + 3) << "a value over the label column";

    // Each label: golden letters inside its cell, with room on every side.
    for (size_t k = 0; k + 1 < edges.size(); ++k) {
        int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
        for (int y = edges[k]; y < edges[k + 1]; ++y)
            for (int x = LAYOUT_OPT_PANEL_LEFT; x < LAYOUT_OPT_LABEL_RIGHT; ++x) {
                const pix p = at(s.get(), x, y);
                if (p.r < 150 || p.r - p.b < 80) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        ASSERT_GE(right, 0) << "no label in row " << k;
        EXPECT_GE(left - LAYOUT_OPT_PANEL_LEFT, 10) << "row " << k;
        EXPECT_GE(LAYOUT_OPT_LABEL_RIGHT - right, 10) << "row " << k;
        EXPECT_GE(top - edges[k], 6) << "row " << k;
        EXPECT_GE(edges[k + 1] - bottom, 6) << "row " << k;
    }
}

// Middle (in pixel edges) of the pixels brighter than the backdrop in rows top..bottom-1;
// -1 when there are none.
double bright_centre(SDL_Surface* s, int top, int bottom) {
    int left = s->w, right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < s->w; ++x)
            if (luma(at(s, x, y)) > 90) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right < 0 ? -1 : (left + right + 1) / 2.0;
}

// The baseline of the gold letters in a rectangle: the row below the lowest ink that most
// columns share (descenders and round overshoots are fewer); -1 when there is no ink.
int gold_baseline(SDL_Surface* s, int x0, int y0, int x1, int y1) {
    std::array<int, 600> votes{};
    for (int x = x0; x < x1; ++x)
        for (int y = y1 - 1; y >= y0; --y) {
            const pix p = at(s, x, y);
            if (p.r < 150 || p.r - p.b < 80) continue;
            ++votes[static_cast<size_t>(y + 1)];
            break;
        }
    const auto best = std::max_element(votes.begin(), votes.end());
    return *best == 0 ? -1 : static_cast<int>(best - votes.begin());
}

TEST_F(data_pictures, centred_elements_and_label_baselines_follow_the_layout) {
    surface_ptr menu = bmp("menu.bmp"), options = bmp("options.bmp");
    font_ptr font(TTF_OpenFont("font/comic.ttf", 20)); // as the options screen draws
    ASSERT_TRUE(menu && options && font);
    constexpr int LAST_Y = LAYOUT_MENU_FIRST_Y + LAYOUT_MENU_STEP * (LAYOUT_MENU_ENTRIES - 1);
    const auto& edges = LAYOUT_OPT_ROW_EDGES;
    auto button_row = [](int k) {
        return LAYOUT_OPT_CURSOR_AT[static_cast<size_t>(k)].y + LAYOUT_MARKER_TIP_Y;
    };
    struct band {
        SDL_Surface* pic;
        const char* what;
        int top, bottom;
    };
    for (const band& b : {
             band{menu.get(), "menu logo", 0, LAYOUT_MENU_FIRST_Y - 60},
             band{menu.get(), "menu entries", LAYOUT_MENU_FIRST_Y, LAST_Y + LAYOUT_MARKER_H},
             band{menu.get(), "menu footer", LAYOUT_SCREEN_H - 60, LAYOUT_SCREEN_H},
             band{options.get(), "options title", 0, edges.front() - 80},
             band{options.get(), "options help", edges.front() - 70, edges.front() - 10},
             band{options.get(), "options table", edges.front(), edges.back()},
             band{options.get(), "options cancel", button_row(4) - 10, button_row(4) + 10},
             band{options.get(), "options keep", button_row(5) - 10, button_row(5) + 10},
         }) {
        const double c = bright_centre(b.pic, b.top, b.bottom);
        EXPECT_LE(std::abs(c - LAYOUT_SCREEN_W / 2.0), 1.0) << b.what << " centred on " << c;
    }
    // each label stands on the baseline of the text the screen draws in its row
    const std::array<std::pair<size_t, int>, 3> texts{{{0, LAYOUT_OPT_PAD_NAME_AT.y},
                                                       {1, LAYOUT_OPT_KEYS_AT.y},
                                                       {3, LAYOUT_OPT_MUSIC_NAME_AT.y}}};
    for (auto [row, y] : texts) {
        const int label = gold_baseline(options.get(), LAYOUT_OPT_PANEL_LEFT, edges[row],
                                        LAYOUT_OPT_LABEL_RIGHT, edges[row + 1]);
        const int text = y + TTF_FontAscent(font.get());
        EXPECT_LE(std::abs(label - text), 1)
            << "row " << row << ": label " << label << ", text " << text;
    }
}

TEST_F(data_pictures, every_skin_has_seven_distinct_tiles_in_its_own_style) {
    std::array<std::array<std::array<double, 3>, 7>, 3> means{};
    std::array<surface_ptr, 3> skins;
    for (int k = 0; k < 3; ++k) {
        skins[k] = bmp(("skin" + std::to_string(k) + ".bmp").c_str());
        ASSERT_TRUE(skins[k]);
        for (int t = 0; t < 7; ++t) {
            double r = 0, g = 0, b = 0;
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 30; ++x) {
                    const pix p = at(skins[k].get(), 30 * t + x, y);
                    r += p.r;
                    g += p.g;
                    b += p.b;
                }
            means[k][t] = {r / 900, g / 900, b / 900};
            EXPECT_GT(luma({int(r / 900), int(g / 900), int(b / 900)}), 40) << k << "/" << t;
        }
        for (int a = 0; a < 7; ++a)
            for (int b = a + 1; b < 7; ++b) {
                double d = 0;
                for (int c = 0; c < 3; ++c)
                    d += std::abs(means[k][a][c] - means[k][b][c]);
                EXPECT_GT(d, 40) << "skin " << k << " tiles " << a << " and " << b;
            }
    }
    // the three styles differ pixel by pixel
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b) {
            long diff = 0;
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 210; ++x) {
                    const pix p = at(skins[a].get(), x, y), q = at(skins[b].get(), x, y);
                    diff += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
                }
            EXPECT_GT(diff / (210 * 30), 15) << "skins " << a << " and " << b;
        }
}

TEST_F(data_pictures, cup_stands_on_black_and_zooms_to_fit_the_screen) {
    surface_ptr cup = bmp("cup.bmp");
    ASSERT_TRUE(cup);
    const int w = cup->w, h = cup->h;
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_EQ(at(cup.get(), x, y), (pix{0, 0, 0}));
    int bright = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bright += luma(at(cup.get(), x, y)) > 100;
    EXPECT_GT(bright, w * h / 6);
    surface_ptr final_pic(rotozoomSurface(cup.get(), 0, 0.75, 0));
    ASSERT_TRUE(final_pic);
    EXPECT_LE(final_pic->w, 540);
    EXPECT_LE(final_pic->h, 600);
    EXPECT_GE(final_pic->w, 200);
    // Centred on the screen as the new-record screen shows it, it stays black under the
    // place text and the widest name, which the screen draws over it at 40 points.
    font_ptr font(TTF_OpenFont("font/comic.ttf", 40));
    ASSERT_TRUE(font);
    const int x0 = LAYOUT_SCREEN_W / 2 - final_pic->w / 2;
    const int y0 = LAYOUT_SCREEN_H / 2 - final_pic->h / 2;
    struct text_at {
        const char* text;
        layout_at at;
    };
    for (const text_at& t :
         {text_at{"nouveau classement : 10", LAYOUT_RECORD_RANK_AT},
          text_at{"mmm", LAYOUT_RECORD_NAME_AT}, text_at{"www", LAYOUT_RECORD_NAME_AT}}) {
        int w = 0, h = 0;
        ASSERT_EQ(TTF_SizeText(font.get(), t.text, &w, &h), 0);
        int covered = 0;
        for (int y = std::max(t.at.y, y0); y < std::min(t.at.y + h, y0 + final_pic->h); ++y)
            for (int x = std::max(t.at.x, x0); x < std::min(t.at.x + w, x0 + final_pic->w); ++x)
                covered += !(at(final_pic.get(), x - x0, y - y0) == pix{0, 0, 0});
        EXPECT_EQ(covered, 0) << t.text;
    }
}

TEST_F(data_pictures, window_icon_is_a_rounded_tile_with_a_margin) {
    // loaded as the program loads it, so with the alpha its header carries
    surface_ptr icon = load_bmp("pics/icone.bmp");
    ASSERT_TRUE(icon) << SDL_GetError();
    EXPECT_EQ(icon->w, 32);
    EXPECT_EQ(icon->h, 32);
    expect_rounded_tile(icon.get(), "icone.bmp");
}

TEST_F(data_pictures, desktop_icons_come_in_every_size_with_a_margin) {
    const std::string dir = QUELBO_ICON_DIR;
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string size = std::to_string(n) + "x" + std::to_string(n);
        const std::string path = dir + "/hicolor/" + size + "/apps/quelbo-kv.png";
        surface_ptr png(IMG_Load(path.c_str()));
        ASSERT_TRUE(png) << path << ": " << SDL_GetError();
        EXPECT_EQ(png->w, n) << path;
        EXPECT_EQ(png->h, n) << path;
        expect_rounded_tile(png.get(), size);
        if (n != 32) continue;
        // the same picture as the window icon
        surface_ptr icon = load_bmp("pics/icone.bmp");
        ASSERT_TRUE(icon);
        int differ = 0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const rgba p = at_rgba(png.get(), x, y), q = at_rgba(icon.get(), x, y);
                differ += p.a != q.a || (p.a > 0 && (p.r != q.r || p.g != q.g || p.b != q.b));
            }
        EXPECT_EQ(differ, 0);
    }
}

} // namespace
