// Small pictures: block tiles, the marker and the two device pictures.
#include <SDL_gfxPrimitives.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "pic_parts.h"

namespace {

// One colour per piece type.
constexpr std::array<rgb, 7> PIC_PIECE_COLOURS{{
    {176, 84, 236}, // T
    {56, 112, 244}, // three with one below the left end
    {252, 124, 22}, // three with one below the right end
    {246, 214, 44}, // square
    {48, 214, 232}, // line
    {76, 206, 84},  // S
    {236, 58, 62},  // Z
}};

rgb darker(rgb c, double k) {
    return mix(c, rgb{0, 0, 0}, k);
}
rgb lighter(rgb c, double k) {
    return mix(c, rgb{255, 255, 255}, k);
}

// Flat: one colour with a dark rim, a lit top line and a shaded bottom band.
void tile_flat(SDL_Surface* s, rgb c, int x, int y) {
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 30; ++i) {
            const int m = std::min({i, j, 29 - i, 29 - j});
            rgb p = c;
            if (m == 0)
                p = darker(c, 0.55);
            else if (j == 1)
                p = lighter(c, 0.3);
            else if (j >= 26)
                p = darker(c, 0.2);
            put_px(s, x + i, y + j, p);
        }
    // corners cut so that neighbouring cells read apart
    for (auto [i, j] : {std::pair{0, 0}, {29, 0}, {0, 29}, {29, 29}})
        put_px(s, x + i, y + j, {});
}

// Bevelled: light top and left edges, dark bottom and right, a gently shaded face.
void tile_bevel(SDL_Surface* s, rgb c, int x, int y) {
    constexpr int B = 4;
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 30; ++i) {
            const int dl = i, dt = j, dr = 29 - i, db = 29 - j;
            const int m = std::min({dl, dt, dr, db});
            rgb p;
            if (m >= B) {
                p = mix(lighter(c, 0.12), darker(c, 0.12), (i + j) / 58.0);
            } else if (dt == m && dt <= dr) {
                p = lighter(c, 0.55);
            } else if (dl == m && dl <= db) {
                p = lighter(c, 0.32);
            } else if (db == m) {
                p = darker(c, 0.5);
            } else {
                p = darker(c, 0.35);
            }
            if (m == 0) p = darker(p, 0.25);
            put_px(s, x + i, y + j, p);
        }
}

// Glossy: a rounded jewel with a vertical gradient, a white gloss on the upper half and a
// bright spot.
void tile_glossy(SDL_Surface* s, rgb c, int x, int y) {
    constexpr int F = 4; // supersampling
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 30; ++i) {
            double r = 0, g = 0, b = 0;
            for (int sj = 0; sj < F; ++sj)
                for (int si = 0; si < F; ++si) {
                    const double px = i + (si + 0.5) / F, py = j + (sj + 0.5) / F;
                    // rounded square 1..29 with radius 6
                    const double qx = std::fabs(px - 15) - (14 - 6), qy = std::fabs(py - 15) - 8;
                    const double d = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) +
                                     std::min(std::max(qx, qy), 0.0) - 6;
                    rgb p{0, 0, 0};
                    if (d < 0) {
                        p = mix(lighter(c, 0.3), darker(c, 0.18), (py - 1) / 28);
                        if (d > -1.6) p = darker(c, 0.5); // rim
                        // gloss: an ellipse over the upper half
                        const double ex = (px - 15) / 12, ey = (py - 9.5) / 7.5;
                        const double e = ex * ex + ey * ey;
                        if (e < 1 && d < -1.6) p = mix(p, rgb{255, 255, 255}, 0.45 * (1 - e));
                        // glow of the lower half
                        const double gx = (px - 15) / 10, gy = (py - 25) / 4;
                        const double h = gx * gx + gy * gy;
                        if (h < 1 && d < -1.6) p = mix(p, lighter(c, 0.35), 0.5 * (1 - h));
                        if (std::hypot(px - 9, py - 7) < 2.2) p = {255, 255, 255};
                    }
                    r += p.r;
                    g += p.g;
                    b += p.b;
                }
            const double n = F * F;
            put_px(s, x + i, y + j,
                   {static_cast<Uint8>(std::lround(r / n)), static_cast<Uint8>(std::lround(g / n)),
                    static_cast<Uint8>(std::lround(b / n))});
        }
}

} // namespace

void draw_tile(SDL_Surface* s, int style, int type, int x, int y) {
    const rgb c = PIC_PIECE_COLOURS[static_cast<size_t>(type) % PIC_PIECE_COLOURS.size()];
    if (style == 0)
        tile_flat(s, c, x, y);
    else if (style == 1)
        tile_bevel(s, c, x, y);
    else
        tile_glossy(s, c, x, y);
}

bool write_skins(const std::string& dir) {
    for (int style = 0; style < 3; ++style) {
        surface_ptr s = new_canvas(210, 30);
        if (!s) return false;
        for (int t = 0; t < 7; ++t)
            draw_tile(s.get(), style, t, 30 * t, 0);
        if (!save_bmp(s.get(), dir + "/skin" + std::to_string(style) + ".bmp")) return false;
    }
    return true;
}

bool write_marker(const std::string& dir) {
    constexpr int F = 4, W = LAYOUT_MARKER_W, H = LAYOUT_MARKER_H;
    constexpr double TIP = LAYOUT_MARKER_TIP_Y;
    surface_ptr big = new_canvas(W * F, H * F);
    if (!big) return false;
    auto poly = [&](std::array<double, 8> pts, rgb c) {
        Sint16 vx[4], vy[4];
        for (size_t k = 0; k < 4; ++k) {
            vx[k] = static_cast<Sint16>(std::lround(pts[2 * k] * F));
            vy[k] = static_cast<Sint16>(std::lround(pts[2 * k + 1] * F));
        }
        filledPolygonRGBA(big.get(), vx, vy, 4, c.r, c.g, c.b, 255);
    };
    // an arrow head pointing right with its tip on row TIP: a dark outline, then the head in
    // pure white as a mask for the shading
    poly({1.5, TIP - 10.2, W - 0.8, TIP, 1.5, TIP + 10.2, 8.5, TIP}, {70, 36, 4});
    poly({3.8, TIP - 7, W - 5, TIP, 3.8, TIP + 7, 10.3, TIP}, {255, 255, 255});
    for (int y = 0; y < H * F; ++y)
        for (int x = 0; x < W * F; ++x) {
            const rgb p = get_px(big.get(), x, y);
            if (p.r != 255 || p.g != 255 || p.b != 255) continue;
            const double t = static_cast<double>(y) / (H * F);
            rgb c = mix(theme::GOLD_TOP, theme::GOLD_BOTTOM, t);
            if (y >= TIP * F) c = darker(c, 0.22); // lower facet in shadow
            const double u = static_cast<double>(x) / (W * F);
            c = mix(c, rgb{255, 255, 255}, 0.25 * (1 - u)); // light from the left
            put_px(big.get(), x, y, c);
        }
    surface_ptr s = downsample(big.get(), F);
    if (!s) return false;
    // black becomes the colour key; no drawn pixel may equal the key by chance
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const rgb p = get_px(s.get(), x, y);
            if (p.r == 0 && p.g == 0 && p.b == 0)
                put_px(s.get(), x, y, PIC_KEY);
            else if (p.r == PIC_KEY.r && p.g == PIC_KEY.g && p.b == PIC_KEY.b)
                put_px(s.get(), x, y, {126, 125, 125});
        }
    return save_bmp(s.get(), dir + "/select.bmp");
}

namespace {

// Both device pictures: a small framed tile of this size, drawn at factor F.
constexpr int DEV_W = LAYOUT_OPT_DEVICE_PIC_W, DEV_H = LAYOUT_OPT_DEVICE_PIC_H, DEV_F = 4;

// Canvas position of a picture coordinate.
Sint16 dev(double v) {
    return static_cast<Sint16>(std::lround(v * DEV_F));
}

surface_ptr device_tile() {
    surface_ptr big = new_canvas(DEV_W * DEV_F, DEV_H * DEV_F);
    if (!big) return big;
    panel(big.get(), 0, 0, big->w, big->h,
          flat_panel(5 * DEV_F, 2 * DEV_F, {34, 46, 96}, {12, 16, 44}));
    return big;
}

bool write_keyboard(const std::string& dir) {
    surface_ptr big = device_tile();
    if (!big) return false;
    SDL_Surface* b = big.get();
    // cable
    thickLineRGBA(b, dev(22.5), dev(2.5), dev(22.5), dev(5.5), dev(1.5), 150, 160, 180, 255);
    // body
    roundedBoxRGBA(b, dev(4), dev(5), dev(41), dev(22), dev(2.5), 40, 44, 56, 255);
    roundedBoxRGBA(b, dev(5), dev(6), dev(40), dev(21), dev(2.5), 206, 212, 226, 255);
    // three rows of keys and a space bar
    for (int row = 0; row < 3; ++row)
        for (int k = 0; k < 8 - (row == 2); ++k) {
            const double kx = 7 + row * 2 + k * 4, ky = 7.8 + row * 3.3;
            boxRGBA(b, dev(kx), dev(ky), dev(kx + 2.7), dev(ky + 2.4), 70, 78, 100, 255);
            boxRGBA(b, dev(kx), dev(ky), dev(kx + 2.7), dev(ky + 0.6), 120, 130, 156, 255);
        }
    boxRGBA(b, dev(13), dev(17.7), dev(32), dev(19.6), 70, 78, 100, 255);
    surface_ptr s = downsample(b, DEV_F);
    return s && save_jpeg(s.get(), dir + "/clavier.jpeg", 95);
}

bool write_joystick(const std::string& dir) {
    surface_ptr big = device_tile();
    if (!big) return false;
    SDL_Surface* b = big.get();
    // base
    filledEllipseRGBA(b, dev(22.5), dev(20), dev(15), dev(3.6), 30, 32, 40, 255);
    filledEllipseRGBA(b, dev(22.5), dev(19.3), dev(14), dev(3), 90, 96, 112, 255);
    filledEllipseRGBA(b, dev(22.5), dev(18.7), dev(11), dev(1.8), 130, 138, 156, 255);
    // stick
    thickLineRGBA(b, dev(22.5), dev(18.5), dev(24.5), dev(8), dev(2.4), 40, 42, 50, 255);
    thickLineRGBA(b, dev(22.5), dev(18.5), dev(24.5), dev(8), dev(0.9), 150, 156, 170, 255);
    // ball with a highlight
    filledCircleRGBA(b, dev(24.5), dev(7.2), dev(4.4), 150, 20, 24, 255);
    filledCircleRGBA(b, dev(24.5), dev(7.2), dev(3.6), 230, 44, 50, 255);
    filledCircleRGBA(b, dev(23), dev(5.8), dev(1.4), 255, 190, 190, 255);
    // fire button
    filledEllipseRGBA(b, dev(11.5), dev(18), dev(2.6), dev(1.4), 240, 200, 40, 255);
    surface_ptr s = downsample(b, DEV_F);
    return s && save_jpeg(s.get(), dir + "/joystick.jpeg", 95);
}

} // namespace

bool write_devices(const std::string& dir) {
    return write_keyboard(dir) && write_joystick(dir);
}
