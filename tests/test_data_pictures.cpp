// The generated pictures, loaded as the game loads them: sizes, the areas the program erases
// with black, the marker's colour key, the skins and the cup.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_rotozoom.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "app/sdl_owner.h"
#include "support/play_dir.h"

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

class data_pictures : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
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
    // the device pictures sit at (150, 205), left of the name drawn at x 200
    for (const char* name : {"clavier.jpeg", "joystick.jpeg"}) {
        surface_ptr s = jpeg(name);
        ASSERT_TRUE(s) << name;
        EXPECT_LE(s->w, 50) << name;
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
    EXPECT_EQ(non_black(s.get(), 0, 0, 300, 600), 0) << "well";
    EXPECT_EQ(non_black(s.get(), 365, 90, 120, 60), 0) << "preview box";
    for (int y : {230, 352, 472})
        EXPECT_EQ(non_black(s.get(), 370, y, 150, 40), 0) << y;
    // and it shows something beside them: frames and labels
    EXPECT_GT(non_black(s.get(), 300, 0, 240, 600), 240 * 600 / 4);
    EXPECT_GT(non_black(s.get(), 340, 180, 190, 40), 500) << "a label above the level";
}

TEST_F(data_pictures, marker_has_its_colour_key_and_a_shape) {
    surface_ptr s = bmp("select.bmp");
    ASSERT_TRUE(s);
    EXPECT_GE(s->w, 20);
    EXPECT_LE(s->w, 45);
    EXPECT_GE(s->h, 20);
    EXPECT_LE(s->h, 50);
    int key = 0, drawn = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            (at(s.get(), x, y) == pix{125, 125, 125} ? key : drawn)++;
    EXPECT_GT(key, s->w * s->h / 5);
    EXPECT_GT(drawn, s->w * s->h / 5);
}

TEST_F(data_pictures, menu_keeps_the_marker_column_black_and_labels_beside_it) {
    surface_ptr menu = bmp("menu.bmp");
    surface_ptr marker = bmp("select.bmp");
    ASSERT_TRUE(menu && marker);
    EXPECT_EQ(non_black(menu.get(), 160, 285, marker->w, 150 + marker->h), 0);
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(non_black(menu.get(), 160 + marker->w, 285 + 50 * k, 300, marker->h), 200)
            << "entry " << k + 1;
}

TEST_F(data_pictures, options_leave_dark_room_for_the_drawn_texts) {
    surface_ptr s = bmp("options.bmp");
    ASSERT_TRUE(s);
    // white 20-point texts go here: device name, controls, tune title
    EXPECT_LT(mean_luma(s.get(), 200, 202, 300, 24), 40);
    EXPECT_LT(mean_luma(s.get(), 160, 250, 150, 24), 40);
    EXPECT_LT(mean_luma(s.get(), 155, 352, 300, 24), 40);
    // the item captions are there: left of each value, and the two ways out
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(non_black(s.get(), 44, 205 + 50 * k, 100, 36), 300) << "item " << k;
    EXPECT_GT(mean_luma(s.get(), 195, 455, 110, 36), 30) << "Annuler";
    EXPECT_GT(mean_luma(s.get(), 135, 505, 220, 36), 30) << "Valider et quitter";
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
    EXPECT_GT(bright, w * h / 5);
    surface_ptr final_pic(rotozoomSurface(cup.get(), 0, 0.75, 0));
    ASSERT_TRUE(final_pic);
    EXPECT_LE(final_pic->w, 540);
    EXPECT_LE(final_pic->h, 600);
    EXPECT_GE(final_pic->w, 200);
}

} // namespace
