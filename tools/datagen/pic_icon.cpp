// The window icon and the desktop icons: one rounded tile in the game's panel colours with a
// T of glossy cells on it, worked out from shapes at every size, with a clear margin around it
// as desktop icon themes keep one (a sixteenth of the side, at least one pixel).
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

#include "datagen.h"
#include "pic_parts.h"

namespace {

constexpr int ICON_SAMPLES = 8;          // samples per pixel side
constexpr double ICON_MARGIN = 1.0 / 16; // clear margin on each side, as a share of the side
constexpr double ICON_RADIUS = 0.2;      // corner radius, as a share of the side
constexpr double ICON_EDGE = 0.055;      // frame width, at least one pixel
constexpr double ICON_CELL = 0.25;       // cell side; the T is three cells wide, two high
constexpr rgb ICON_PIECE{176, 84, 236};
constexpr std::array<std::pair<int, int>, 4> ICON_T{{{1, 0}, {0, 1}, {1, 1}, {2, 1}}};

struct colour {
    double r, g, b;
};

colour to_colour(rgb c) {
    return {double(c.r), double(c.g), double(c.b)};
}

colour blend(colour a, colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

const colour WHITE{255, 255, 255};
const colour BLACK{0, 0, 0};

// A glossy cell as in the third skin, (s, t) in 0..1 across it; false outside its rounded
// body (the tile shows there).
bool glossy_cell(double s, double t, colour& out) {
    const colour c = to_colour(ICON_PIECE);
    const double px = s * 30, py = t * 30; // in the skin's pixels
    const double qx = std::fabs(px - 15) - 8, qy = std::fabs(py - 15) - 8;
    const double d =
        std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - 6;
    if (d >= 0) return false;
    if (d > -1.6) {
        out = blend(c, BLACK, 0.5); // rim
        return true;
    }
    out = blend(blend(c, WHITE, 0.3), blend(c, BLACK, 0.18), (py - 1) / 28);
    const double ex = (px - 15) / 12, ey = (py - 9.5) / 7.5, e = ex * ex + ey * ey;
    if (e < 1) out = blend(out, WHITE, 0.45 * (1 - e)); // gloss over the upper half
    const double gx = (px - 15) / 10, gy = (py - 25) / 4, h = gx * gx + gy * gy;
    if (h < 1) out = blend(out, blend(c, WHITE, 0.35), 0.5 * (1 - h)); // glow below
    if (std::hypot(px - 9, py - 7) < 2.2) out = WHITE;
    return true;
}

// The icon at (u, v) in the unit square; false outside the rounded tile.
bool icon_sample(double u, double v, double edge, colour& out) {
    const double d = rounded_dist(u, v, 0, 0, 1, 1, ICON_RADIUS);
    if (d > 0) return false;
    if (-d < edge) {
        out = blend(to_colour(theme::EDGE_TOP), to_colour(theme::EDGE_BOTTOM), v);
        return true;
    }
    out = blend(to_colour(theme::PANEL_TOP), to_colour(theme::PANEL_BOTTOM), v);
    if (v < 0.45) out = blend(out, WHITE, 0.08 * (1 - v / 0.45)); // sheen
    const double x0 = (1 - 3 * ICON_CELL) / 2, y0 = (1 - 2 * ICON_CELL) / 2;
    for (auto [cx, cy] : ICON_T) {
        const double s = (u - x0) / ICON_CELL - cx, t = (v - y0) / ICON_CELL - cy;
        if (s >= 0 && s < 1 && t >= 0 && t < 1 && glossy_cell(s, t, out)) break;
    }
    return true;
}

// The icon as an n by n picture; the alpha is the tile's coverage. Pixels the tile does not
// touch keep the frame's colour, so where the alpha is ignored the tile shows square.
rgba_image draw_icon(int n) {
    rgba_image img;
    img.w = img.h = n;
    img.px.resize(static_cast<size_t>(n) * n * 4);
    const int margin = std::max(1, static_cast<int>(std::lround(n * ICON_MARGIN)));
    const double side = n - 2 * margin; // of the tile, in pixels
    const double edge = std::max(ICON_EDGE, 1.0 / side);
    constexpr int S = ICON_SAMPLES;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            colour sum{0, 0, 0};
            int inside = 0;
            for (int j = 0; j < S; ++j)
                for (int i = 0; i < S; ++i) {
                    colour c;
                    const double u = (x - margin + (i + 0.5) / S) / side;
                    const double v = (y - margin + (j + 0.5) / S) / side;
                    if (!icon_sample(u, v, edge, c)) continue;
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    ++inside;
                }
            colour c =
                blend(to_colour(theme::EDGE_TOP), to_colour(theme::EDGE_BOTTOM), (y + 0.5) / n);
            if (inside > 0) c = {sum.r / inside, sum.g / inside, sum.b / inside};
            Uint8* p = &img.px[static_cast<size_t>(y * n + x) * 4];
            p[0] = static_cast<Uint8>(std::lround(c.r));
            p[1] = static_cast<Uint8>(std::lround(c.g));
            p[2] = static_cast<Uint8>(std::lround(c.b));
            p[3] = static_cast<Uint8>(std::lround(255.0 * inside / (S * S)));
        }
    return img;
}

} // namespace

// The window icon carries its alpha in the BMP header: the SDL 1.2 layer over SDL2 hands it to
// the window manager with the picture, so the corners are clear even without a mask.
bool write_icon(const std::string& dir) {
    return save_bmp_rgba(draw_icon(32), dir + "/icone.bmp");
}

bool write_desktop_icons(const std::string& icon_dir) {
    for (int n : DATAGEN_ICON_SIZES) {
        const std::string size = std::to_string(n) + "x" + std::to_string(n);
        const std::string folder =
            std::string(icon_dir).append("/hicolor/").append(size).append("/apps");
        std::error_code ec;
        std::filesystem::create_directories(folder, ec); // a failure shows at the write
        if (!save_png(draw_icon(n), folder + "/quelbo-kv.png")) return false;
    }
    return true;
}
