// The trophy of the new-record screen: a gold cup with handles on a plinth, on black, and
// below it a legend of the keys that enter the name; drawn at twice the size and shrunk so its
// edges stay smooth when the program turns and zooms it.
#include <SDL_gfxPrimitives.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "pic_parts.h"

namespace {

// The picture, and the place of the cup's own 400-pixel square in it. The program shows the
// picture at 0.75 centred on the screen: the cup's top stays below the name it draws
// above the cup, the legend fills the room below the cup.
constexpr int CUP_W = 480, CUP_H = 520, CUP_F = 2;
constexpr int CUP_OX = 40, CUP_OY = 16;
constexpr double CUP_CX = 200;
// The legend's panel: top row and height, in picture pixels.
constexpr int LEGEND_Y = 416, LEGEND_H = 96;

// Gold from shadow to highlight, v in 0..1.
rgb gold(double v) {
    static constexpr std::array<std::pair<double, rgb>, 5> STOPS{{{0.0, {50, 26, 0}},
                                                                  {0.35, {165, 100, 14}},
                                                                  {0.6, {232, 168, 44}},
                                                                  {0.82, {255, 222, 112}},
                                                                  {1.0, {255, 250, 220}}}};
    v = std::clamp(v, 0.0, 1.0);
    for (size_t k = 1; k < STOPS.size(); ++k)
        if (v <= STOPS[k].first)
            return mix(STOPS[k - 1].second, STOPS[k].second,
                       (v - STOPS[k - 1].first) / (STOPS[k].first - STOPS[k - 1].first));
    return STOPS.back().second;
}

// Shading of a polished round surface across its width, u from -1 (left) to 1 (right).
double metal(double u) {
    const double body = 0.22 + 0.55 * std::sqrt(std::max(0.0, 1 - u * u));
    const double gloss = 0.6 * std::exp(-std::pow((u + 0.42) / 0.15, 2));
    const double rim = 0.18 * std::exp(-std::pow((u - 0.62) / 0.1, 2));
    return body + gloss + rim;
}

std::optional<rgb> cup_pixel(double x, double y) {
    std::optional<rgb> out;
    const double dx = x - CUP_CX;
    // handles: half rings beside the bowl
    for (double side : {-1.0, 1.0}) {
        const double hx = CUP_CX + side * 108, hy = 132;
        const double r = std::hypot(x - hx, y - hy);
        if (r > 34 && r < 50 && side * dx > 70) {
            const double w = (r - 34) / 16;
            out = gold(metal(2 * w - 1) * 0.92);
        }
    }
    // bowl
    if (y >= 66 && y <= 240) {
        const double t = (y - 66) / 174;
        const double hw = std::max(112 * std::pow(std::cos(t * M_PI / 2), 0.6), 15.0);
        if (std::fabs(dx) < hw) out = gold(metal(dx / hw) - 0.12 * t);
    }
    // stem with a knot
    if (y > 236 && y <= 300) {
        const double k = std::max(0.0, 1 - std::pow((y - 264) / 11, 2));
        const double hw = 14 + 11 * std::sqrt(k);
        if (std::fabs(dx) < hw) out = gold(metal(dx / hw) - 0.05);
    }
    // foot
    if (y > 298 && y <= 328) {
        const double hw = 18 + 76 * std::pow((y - 298) / 30, 1.5);
        if (std::fabs(dx) < hw) out = gold(metal(dx / hw));
    }
    if (y > 328 && y <= 338 && std::fabs(dx) < 98) out = gold(metal(dx / 98) * 0.85);
    // plinth of dark lacquer with a gold plate
    if (y > 338 && y <= 388 && std::fabs(dx) < 112) {
        const double t = (y - 338) / 50;
        rgb c = mix({70, 34, 22}, {24, 10, 6}, t);
        c = mix(c, {150, 90, 60}, 0.45 * std::exp(-std::pow((dx / 112 + 0.45) / 0.2, 2)));
        if (y < 342) c = mix(c, {200, 130, 90}, 0.35);
        if (std::fabs(dx) < 56 && y > 350 && y < 376) {
            c = gold(0.45 + 0.35 * (1 - std::fabs(dx) / 56) - 0.2 * (y - 350) / 26);
            if (std::fabs(dx) > 53 || y < 352.5 || y > 373.5) c = gold(0.25);
        }
        out = c;
    }
    // the opening: a bright lip around a shadowed inside
    const double ex = dx / 112, ey = (y - 66) / 18;
    if (ex * ex + ey * ey < 1) {
        const double ix = dx / 103, iy = (y - 67) / 13;
        if (ix * ix + iy * iy < 1)
            out = mix({70, 38, 4}, {170, 110, 24}, (y - 54) / 26);
        else
            out = gold(metal(ex) + 0.15);
    }
    return out;
}

// A faceted star: ten triangles from the centre, alternately lit and shaded.
void star(SDL_Surface* s, double cx, double cy, double r_out, double r_in, double light) {
    std::array<double, 20> px{}, py{};
    for (int k = 0; k < 10; ++k) {
        const double a = -M_PI / 2 + k * M_PI / 5;
        const double r = k % 2 ? r_in : r_out;
        px[k] = cx + r * std::cos(a);
        py[k] = cy + r * std::sin(a);
    }
    for (int k = 0; k < 10; ++k) {
        const int n = (k + 1) % 10;
        const double facing = std::cos(-M_PI / 2 + (k + 0.5) * M_PI / 5 + M_PI * 0.75);
        const rgb c = gold(light + 0.25 * facing + (k % 2 ? -0.08 : 0.08));
        filledTrigonRGBA(s, static_cast<Sint16>(cx * CUP_F), static_cast<Sint16>(cy * CUP_F),
                         static_cast<Sint16>(px[k] * CUP_F), static_cast<Sint16>(py[k] * CUP_F),
                         static_cast<Sint16>(px[n] * CUP_F), static_cast<Sint16>(py[n] * CUP_F),
                         c.r, c.g, c.b, 255);
    }
}

// A four-pointed glint.
void glint(SDL_Surface* s, double cx, double cy, double r) {
    const double w = r * 0.18;
    for (int k = 0; k < 2; ++k) {
        const double a = k ? r : w, b = k ? w : r;
        const Sint16 vx[4] = {
            static_cast<Sint16>((cx - a) * CUP_F), static_cast<Sint16>(cx * CUP_F),
            static_cast<Sint16>((cx + a) * CUP_F), static_cast<Sint16>(cx * CUP_F)};
        const Sint16 vy[4] = {
            static_cast<Sint16>(cy * CUP_F), static_cast<Sint16>((cy - b) * CUP_F),
            static_cast<Sint16>(cy * CUP_F), static_cast<Sint16>((cy + b) * CUP_F)};
        filledPolygonRGBA(s, vx, vy, 4, 255, 244, 200, 255);
    }
    filledCircleRGBA(s, static_cast<Sint16>(cx * CUP_F), static_cast<Sint16>(cy * CUP_F),
                     static_cast<Sint16>(w * CUP_F), 255, 255, 255, 255);
}

// A key cap in the panel style at (x, y) of the big canvas, w by h.
void key_cap(SDL_Surface* b, int x, int y, int w, int h) {
    panel(b, x, y, w, h, flat_panel(6 * CUP_F, 2 * CUP_F, {44, 58, 118}, {16, 22, 58}));
}

// A white arrow head centred in a key cap, pointing by (dx, dy), one of the four directions.
void arrow(SDL_Surface* b, int cx, int cy, int dx, int dy) {
    const int r = 9 * CUP_F, half = 8 * CUP_F;
    const int tx = cx + dx * r, ty = cy + dy * r;         // tip
    const int bx = cx - dx * r / 2, by = cy - dy * r / 2; // middle of the base
    filledTrigonRGBA(b, static_cast<Sint16>(tx), static_cast<Sint16>(ty),
                     static_cast<Sint16>(bx + dy * half), static_cast<Sint16>(by + dx * half),
                     static_cast<Sint16>(bx - dy * half), static_cast<Sint16>(by - dx * half), 255,
                     255, 255, 255);
}

// The keys of the name entry under the cup: three columns of key caps over a golden word.
bool legend(SDL_Surface* b, TTF_Font* word, TTF_Font* cap) {
    constexpr int F = CUP_F, X = 16 * F, W = (CUP_W - 32) * F, Y = LEGEND_Y * F;
    panel_style st = theme_panel();
    st.radius = 14 * F;
    st.edge = 2 * F;
    st.glow = 0;
    panel(b, X, Y, W, LEGEND_H * F, st);
    constexpr int KEY = 36 * F, GAP = 8 * F, KEY_Y = Y + 10 * F;
    const int word_y = KEY_Y + KEY + 4 * F;
    bool ok = true;
    for (int k = 0; k < 3; ++k) {
        const int cx = X + W * (2 * k + 1) / 6;
        if (k < 2) {
            const int dx = k == 0 ? 0 : 1, dy = k == 0 ? 1 : 0; // up and down, left and right
            for (int side : {-1, 1}) {
                const int x = side < 0 ? cx - GAP / 2 - KEY : cx + GAP / 2;
                key_cap(b, x, KEY_Y, KEY, KEY);
                arrow(b, x + KEY / 2, KEY_Y + KEY / 2, dx * side, dy * side);
            }
        } else {
            const char* enter = "Entr\xe9"
                                "e";
            const int w = text_width(cap, enter) + 20 * F;
            key_cap(b, cx - w / 2, KEY_Y, w, KEY);
            ok = draw_text_centred(b, cap, enter, cx, KEY_Y + (KEY - TTF_FontHeight(cap)) / 2,
                                   theme::TEXT_TOP, theme::TEXT_BOTTOM) &&
                 ok;
        }
        static constexpr std::array<const char*, 3> WORDS{"lettre", "place", "valider"};
        ok = draw_text_centred(b, word, WORDS[static_cast<size_t>(k)], cx, word_y, theme::GOLD_TOP,
                               theme::GOLD_BOTTOM, 2 * F) &&
             ok;
    }
    return ok;
}

} // namespace

bool write_cup(const std::string& dir, const std::string& run_dir) {
    surface_ptr big = new_canvas(CUP_W * CUP_F, CUP_H * CUP_F);
    font_ptr word = open_font(run_dir, 26 * CUP_F, TTF_STYLE_BOLD);
    font_ptr cap = open_font(run_dir, 20 * CUP_F, TTF_STYLE_BOLD);
    if (!big || !word || !cap) return false;
    SDL_Surface* b = big.get();
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            // in the cup's own square
            const double px = (x + 0.5) / CUP_F - CUP_OX, py = (y + 0.5) / CUP_F - CUP_OY;
            // a warm halo that fades to black well inside the picture, so turning shows no edge
            const double d = std::hypot(px - CUP_CX, py - 215) / 170;
            rgb c = d < 1 ? mix({0, 0, 0}, {70, 44, 10}, std::pow(1 - d, 2.2)) : rgb{0, 0, 0};
            if (auto p = cup_pixel(px, py)) c = *p;
            put_px(b, x, y, c);
        }
    star(b, CUP_OX + CUP_CX, CUP_OY + 150, 38, 16, 0.72);
    for (auto [gx, gy, gr] : {std::array<double, 3>{96, 56, 16},
                              {318, 92, 11},
                              {330, 300, 14},
                              {62, 262, 9},
                              {150, 110, 7}})
        glint(b, CUP_OX + gx, CUP_OY + gy, gr);
    if (!legend(b, word.get(), cap.get())) return false;
    surface_ptr s = downsample(b, CUP_F);
    return s && save_bmp(s.get(), dir + "/cup.bmp");
}
