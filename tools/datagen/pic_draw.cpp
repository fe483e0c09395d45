#include "pic_draw.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "byte_file.h"

rgb mix(rgb a, rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto m = [t](Uint8 u, Uint8 v) {
        return static_cast<Uint8>(std::lround(u + (static_cast<double>(v) - u) * t));
    };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

surface_ptr new_canvas(int w, int h) {
    surface_ptr s(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0));
    if (!s)
        std::fprintf(stderr, "datagen: surface %dx%d: %s\n", w, h, SDL_GetError());
    else
        SDL_FillRect(s.get(), nullptr, 0);
    return s;
}

static Uint32* px_at(SDL_Surface* s, int x, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) +
                                     static_cast<ptrdiff_t>(y) * s->pitch) +
           x;
}

rgb get_px(SDL_Surface* s, int x, int y) {
    if (x < 0 || y < 0 || x >= s->w || y >= s->h) return {0, 0, 0};
    const Uint32 v = *px_at(s, x, y);
    return {static_cast<Uint8>(v >> 16), static_cast<Uint8>(v >> 8), static_cast<Uint8>(v)};
}

void put_px(SDL_Surface* s, int x, int y, rgb c) {
    if (x < 0 || y < 0 || x >= s->w || y >= s->h) return;
    *px_at(s, x, y) = (Uint32(c.r) << 16) | (Uint32(c.g) << 8) | c.b;
}

void blend_px(SDL_Surface* s, int x, int y, rgb c, double a) {
    if (a <= 0) return;
    if (a >= 1) return put_px(s, x, y, c);
    put_px(s, x, y, mix(get_px(s, x, y), c, a));
}

void vgradient(SDL_Surface* s, int x, int y, int w, int h, rgb top, rgb bottom) {
    for (int j = 0; j < h; ++j) {
        const rgb c = mix(top, bottom, h > 1 ? static_cast<double>(j) / (h - 1) : 0.0);
        for (int i = 0; i < w; ++i)
            put_px(s, x + i, y + j, c);
    }
}

void black_box(SDL_Surface* s, int x, int y, int w, int h) {
    SDL_Rect r{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
               static_cast<Uint16>(h)};
    SDL_FillRect(s, &r, 0);
}

// Signed distance from a pixel centre to a rounded box (negative inside).
double rounded_dist(double px, double py, double x, double y, double w, double h, double r) {
    const double cx = x + w / 2, cy = y + h / 2;
    const double qx = std::fabs(px - cx) - (w / 2 - r);
    const double qy = std::fabs(py - cy) - (h / 2 - r);
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

void panel(SDL_Surface* s, int x, int y, int w, int h, const panel_style& st) {
    const int g = st.glow;
    for (int j = y - g; j < y + h + g; ++j) {
        const double ty = h > 1 ? static_cast<double>(j - y) / (h - 1) : 0.0;
        const rgb fill = mix(st.fill_top, st.fill_bottom, ty);
        const rgb edge = mix(st.edge_top, st.edge_bottom, ty);
        for (int i = x - g; i < x + w + g; ++i) {
            const double d = rounded_dist(i + 0.5, j + 0.5, x, y, w, h, st.radius);
            if (d > 0) {
                if (g > 0 && d < g) {
                    const double k = 1.0 - d / g;
                    blend_px(s, i, j, st.glow_colour, 0.55 * k * k);
                }
                if (d >= 0.5) continue;
            }
            const double cover = std::clamp(0.5 - d, 0.0, 1.0);
            const double to_edge = std::clamp(d + st.edge + 0.5, 0.0, 1.0);
            rgb c = mix(fill, edge, st.edge > 0 ? to_edge : 0.0);
            // a faint sheen on the upper part of the interior
            if (st.sheen > 0 && to_edge < 1 && ty < 0.45)
                c = mix(c, rgb{255, 255, 255}, st.sheen * (1 - ty / 0.45));
            blend_px(s, i, j, c, cover);
        }
    }
}

panel_style theme_panel() {
    return {theme::PANEL_TOP,
            theme::PANEL_BOTTOM,
            theme::EDGE_TOP,
            theme::EDGE_BOTTOM,
            2,
            12,
            6,
            theme::GLOW,
            0.05};
}

panel_style flat_panel(int radius, int edge, rgb top, rgb bottom) {
    panel_style st = theme_panel();
    st.radius = radius;
    st.edge = edge;
    st.glow = 0;
    st.fill_top = top;
    st.fill_bottom = bottom;
    return st;
}

font_ptr open_font(const std::string& run_dir, int size, int style) {
    const std::string path = run_dir + "/font/comic.ttf";
    font_ptr f(TTF_OpenFont(path.c_str(), size));
    if (!f)
        std::fprintf(stderr, "datagen: font %s: %s\n", path.c_str(), TTF_GetError());
    else
        TTF_SetFontStyle(f.get(), style);
    return f;
}

int text_width(TTF_Font* f, const char* text) {
    int w = 0, h = 0;
    if (TTF_SizeText(f, text, &w, &h) != 0) return 0;
    return w;
}

// Puts the coverage of a rendered text onto the canvas in a gradient.
static void paint_mask(SDL_Surface* s, SDL_Surface* m, int x, int y, rgb top, rgb bottom) {
    SDL_LockSurface(m);
    for (int j = 0; j < m->h; ++j) {
        const rgb c = mix(top, bottom, m->h > 1 ? static_cast<double>(j) / (m->h - 1) : 0.0);
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<Uint8*>(m->pixels) +
                                                            static_cast<ptrdiff_t>(j) * m->pitch);
        for (int i = 0; i < m->w; ++i) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(row[i], m->format, &r, &g, &b, &a);
            blend_px(s, x + i, y + j, c, a / 255.0);
        }
    }
    SDL_UnlockSurface(m);
}

bool draw_text(SDL_Surface* s, TTF_Font* f, const char* text, int x, int y, rgb top, rgb bottom,
               int shadow) {
    surface_ptr m(TTF_RenderText_Blended(f, text, SDL_Color{255, 255, 255, 0}));
    if (!m) {
        std::fprintf(stderr, "datagen: text \"%s\": %s\n", text, TTF_GetError());
        return false;
    }
    if (shadow > 0) paint_mask(s, m.get(), x + shadow, y + shadow, {0, 0, 0}, {0, 0, 0});
    paint_mask(s, m.get(), x, y, top, bottom);
    return true;
}

bool draw_text_centred(SDL_Surface* s, TTF_Font* f, const char* text, int cx, int y, rgb top,
                       rgb bottom, int shadow) {
    return draw_text(s, f, text, cx - text_width(f, text) / 2, y, top, bottom, shadow);
}

surface_ptr downsample(SDL_Surface* big, int factor) {
    surface_ptr out = new_canvas(big->w / factor, big->h / factor);
    if (!out) return out;
    const int n = factor * factor;
    for (int y = 0; y < out->h; ++y)
        for (int x = 0; x < out->w; ++x) {
            int r = 0, g = 0, b = 0;
            for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i) {
                    const rgb c = get_px(big, x * factor + i, y * factor + j);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            put_px(out.get(), x, y,
                   {static_cast<Uint8>((r + n / 2) / n), static_cast<Uint8>((g + n / 2) / n),
                    static_cast<Uint8>((b + n / 2) / n)});
        }
    return out;
}

bool save_bmp(SDL_Surface* s, const std::string& path) {
    surface_ptr out(SDL_CreateRGBSurface(SDL_SWSURFACE, s->w, s->h, 24, 0xFF0000, 0xFF00, 0xFF, 0));
    if (!out || SDL_BlitSurface(s, nullptr, out.get(), nullptr) != 0 ||
        SDL_SaveBMP(out.get(), path.c_str()) != 0) {
        std::fprintf(stderr, "datagen: writing %s: %s\n", path.c_str(), SDL_GetError());
        return false;
    }
    return true;
}

namespace {

// Little- and big-endian fields of the file headers.
void put_le(std::vector<Uint8>& out, Uint32 v, int bytes) {
    for (int k = 0; k < bytes; ++k)
        out.push_back(static_cast<Uint8>(v >> (8 * k)));
}
void put_be(std::vector<Uint8>& out, Uint32 v) {
    for (int k = 3; k >= 0; --k)
        out.push_back(static_cast<Uint8>(v >> (8 * k)));
}

// One PNG chunk: length, type, data, and the CRC of type and data.
void png_chunk(std::vector<Uint8>& out, const char* type, const std::vector<Uint8>& data) {
    put_be(out, static_cast<Uint32>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be(out, static_cast<Uint32>(
                    crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

} // namespace

bool save_bmp_rgba(const rgba_image& img, const std::string& path) {
    constexpr Uint32 FILE_HEADER = 14, INFO_HEADER = 108; // the version 4 header has masks
    const Uint32 image = static_cast<Uint32>(img.w * img.h * 4);
    std::vector<Uint8> out;
    out.push_back('B');
    out.push_back('M');
    put_le(out, FILE_HEADER + INFO_HEADER + image, 4);
    put_le(out, 0, 4);
    put_le(out, FILE_HEADER + INFO_HEADER, 4);
    put_le(out, INFO_HEADER, 4);
    put_le(out, static_cast<Uint32>(img.w), 4);
    put_le(out, static_cast<Uint32>(img.h), 4); // positive: the bottom row comes first
    put_le(out, 1, 2);
    put_le(out, 32, 2);
    put_le(out, 3, 4); // bit fields
    put_le(out, image, 4);
    put_le(out, 2835, 4); // 72 dpi
    put_le(out, 2835, 4);
    put_le(out, 0, 4);
    put_le(out, 0, 4);
    put_le(out, 0x00FF0000, 4);
    put_le(out, 0x0000FF00, 4);
    put_le(out, 0x000000FF, 4);
    put_le(out, 0xFF000000, 4);
    put_le(out, 0x73524742, 4);          // sRGB
    out.resize(out.size() + 36 + 12, 0); // no end points, no gamma
    for (int y = img.h - 1; y >= 0; --y)
        for (int x = 0; x < img.w; ++x) {
            const Uint8* p = &img.px[static_cast<size_t>(y * img.w + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    return write_bytes(path, out);
}

bool save_png(const rgba_image& img, const std::string& path) {
    // every row with filter type 0 (none) in front
    const size_t row = static_cast<size_t>(img.w) * 4;
    std::vector<Uint8> raw;
    raw.reserve((row + 1) * static_cast<size_t>(img.h));
    for (int y = 0; y < img.h; ++y) {
        raw.push_back(0);
        const auto first = img.px.begin() + static_cast<std::ptrdiff_t>(row * y);
        raw.insert(raw.end(), first, first + static_cast<std::ptrdiff_t>(row));
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<Uint8> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK) {
        std::fprintf(stderr, "datagen: %s: compression failed\n", path.c_str());
        return false;
    }
    packed.resize(packed_size);

    std::vector<Uint8> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<Uint8> header;
    put_be(header, static_cast<Uint32>(img.w));
    put_be(header, static_cast<Uint32>(img.h));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    png_chunk(out, "IHDR", header);
    png_chunk(out, "IDAT", packed);
    png_chunk(out, "IEND", {});
    return write_bytes(path, out);
}

namespace {
struct jpeg_fail {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void jpeg_fail_exit(j_common_ptr cinfo) {
    char msg[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, msg);
    std::fprintf(stderr, "datagen: jpeg: %s\n", msg);
    std::longjmp(reinterpret_cast<jpeg_fail*>(cinfo->err)->jump, 1);
}
} // namespace

bool save_jpeg(SDL_Surface* s, const std::string& path, int quality) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        return false;
    }
    std::vector<JSAMPLE> row(static_cast<size_t>(s->w) * 3);
    jpeg_compress_struct cinfo;
    jpeg_fail err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail_exit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(out);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(s->w);
    cinfo.image_height = static_cast<JDIMENSION>(s->h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // Full-resolution chroma: every 8x8 block stands alone, so a black block stays black.
    for (int c = 0; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < s->w; ++x) {
            const rgb c = get_px(s, x, y);
            const size_t at = static_cast<size_t>(x) * 3;
            row[at] = c.r;
            row[at + 1] = c.g;
            row[at + 2] = c.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0;
}
