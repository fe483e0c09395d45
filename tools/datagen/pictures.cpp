// The full-window pictures (menu, play screen, options) and the entry point of the pictures.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "datagen.h"
#include "pic_parts.h"

namespace {

constexpr int PIC_W = 540, PIC_H = 600;
constexpr rgb PIC_MUTED_TOP{150, 166, 210};
constexpr rgb PIC_MUTED_BOTTOM{110, 124, 170};

int align_down(int v) {
    return v / 16 * 16;
}
int align_up(int v) {
    return (v + 15) / 16 * 16;
}

// The common backdrop: a navy to black gradient with faint horizontal scan bands.
void backdrop(SDL_Surface* s) {
    vgradient(s, 0, 0, s->w, s->h, theme::BG_TOP, theme::BG_BOTTOM);
    for (int y = 0; y < s->h; y += 4)
        for (int x = 0; x < s->w; ++x)
            blend_px(s, x, y, {0, 0, 0}, 0.18);
}

// Faint ghost pieces in the backdrop, at fixed places.
void ghost_pieces(SDL_Surface* s, const std::vector<std::array<int, 4>>& pieces) {
    // each entry: type, x, y, rotation (0: as spawned, 1: upright)
    static constexpr std::array<std::array<std::pair<int, int>, 4>, 7> SHAPES{{
        {{{1, 0}, {0, 1}, {1, 1}, {2, 1}}},
        {{{0, 0}, {1, 0}, {2, 0}, {0, 1}}},
        {{{0, 0}, {1, 0}, {2, 0}, {2, 1}}},
        {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
        {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
        {{{1, 0}, {2, 0}, {0, 1}, {1, 1}}},
        {{{0, 0}, {1, 0}, {1, 1}, {2, 1}}},
    }};
    surface_ptr tile = new_canvas(30, 30);
    if (!tile) return;
    for (const auto& p : pieces) {
        draw_tile(tile.get(), 1, p[0], 0, 0);
        for (auto [cx, cy] : SHAPES[static_cast<size_t>(p[0])]) {
            const int ox = p[1] + 30 * (p[3] ? cy : cx), oy = p[2] + 30 * (p[3] ? cx : cy);
            for (int j = 0; j < 30; ++j)
                for (int i = 0; i < 30; ++i)
                    blend_px(s, ox + i, oy + j, get_px(tile.get(), i, j), 0.16);
        }
    }
}

// A panel with a black body and a small gradient plate that carries a label.
bool label_panel(SDL_Surface* s, TTF_Font* f, const char* label, int x, int y, int w, int h) {
    panel_style st = theme_panel();
    st.fill_top = st.fill_bottom = {0, 0, 0};
    st.sheen = 0;
    panel(s, x, y, w, h, st);
    panel_style plate = theme_panel();
    plate.radius = 8;
    plate.edge = 1;
    plate.glow = 0;
    plate.sheen = 0.1;
    panel(s, x + 8, y + 8, w - 16, 34, plate);
    return draw_text_centred(s, f, label, x + w / 2, y + 8 + (34 - TTF_FontHeight(f)) / 2,
                             theme::GOLD_TOP, theme::GOLD_BOTTOM, 2);
}

} // namespace

bool write_menu(const std::string& dir, const std::string& run_dir) {
    surface_ptr s = new_canvas(PIC_W, PIC_H);
    font_ptr title = open_font(run_dir, 76, TTF_STYLE_BOLD);
    font_ptr entry = open_font(run_dir, 28, TTF_STYLE_BOLD);
    font_ptr small = open_font(run_dir, 18);
    if (!s || !title || !entry || !small) return false;
    SDL_Surface* c = s.get();
    backdrop(c);
    ghost_pieces(c, {{0, 20, 440, 0},
                     {4, 494, 200, 1},
                     {5, 30, 520, 0},
                     {3, 474, 470, 0},
                     {2, 10, 130, 1},
                     {6, 420, 540, 0}});

    // the entries on a black board, labels right of the marker column, which stays black
    static constexpr std::array<const char*, 4> ENTRIES{"Jouer", "Options", "Meilleurs scores",
                                                        "Quitter"};
    constexpr int LABEL_X = 160 + PIC_MARKER_SIZE + 14;
    int right = 0;
    for (const char* e : ENTRIES)
        right = std::max(right, LABEL_X + text_width(entry.get(), e));
    const int left = 130;
    right += 28;
    const int mid = (left + right) / 2;

    // title
    panel_style tp = theme_panel();
    tp.radius = 20;
    panel(c, mid - 200, 48, 400, 134, tp);
    bool ok = draw_text_centred(c, title.get(), "Quelbo", mid, 56, theme::GOLD_TOP,
                                theme::GOLD_BOTTOM, 4);
    const int sub_y = 146, sub_h = TTF_FontHeight(small.get());
    ok = draw_text_centred(c, small.get(), "K  V", mid, sub_y, theme::GOLD_TOP,
                           theme::GOLD_BOTTOM) &&
         ok;
    for (int x = 0; x < 90; ++x) {
        const double a = 1 - x / 90.0;
        blend_px(c, mid - 26 - x, sub_y + sub_h / 2, theme::GOLD_BOTTOM, a);
        blend_px(c, mid + 26 + x, sub_y + sub_h / 2, theme::GOLD_BOTTOM, a);
    }

    panel_style mp = theme_panel();
    mp.fill_top = mp.fill_bottom = {0, 0, 0};
    mp.sheen = 0;
    panel(c, left, 262, right - left, 248, mp);
    const int fh = TTF_FontHeight(entry.get());
    for (int k = 0; k < 4; ++k) {
        const int cy = 285 + 50 * k + PIC_MARKER_SIZE / 2;
        ok = draw_text(c, entry.get(), ENTRIES[static_cast<size_t>(k)], LABEL_X, cy - fh / 2,
                       theme::TEXT_TOP, theme::TEXT_BOTTOM, 2) &&
             ok;
    }
    black_box(c, 160, 285, PIC_MARKER_SIZE, 150 + PIC_MARKER_SIZE);

    ok = draw_text_centred(c, small.get(),
                           "F1 : plein \xe9"
                           "cran",
                           mid, 556, PIC_MUTED_TOP, PIC_MUTED_BOTTOM) &&
         ok;
    return ok && save_bmp(c, dir + "/menu.bmp");
}

bool write_board(const std::string& dir, const std::string& run_dir) {
    surface_ptr s = new_canvas(PIC_W, PIC_H);
    font_ptr label = open_font(run_dir, 24, TTF_STYLE_BOLD);
    font_ptr small = open_font(run_dir, 16);
    if (!s || !label || !small) return false;
    SDL_Surface* c = s.get();
    backdrop(c);

    // the well's right wall: a bright bar with a glow into the side panel
    constexpr int WALL = 304; // first pixel column past the last all-black block of the well
    for (int x = WALL; x < WALL + 18; ++x) {
        const double a = x < WALL + 3 ? 1.0 : 0.5 * (1 - (x - WALL - 3) / 15.0);
        for (int y = 0; y < PIC_H; ++y) {
            const rgb e = mix(theme::EDGE_TOP, theme::EDGE_BOTTOM, y / double(PIC_H));
            blend_px(c, x, y, x < WALL + 3 ? e : theme::GLOW, a * a);
        }
    }

    constexpr int PX = 340, PW = 196;
    bool ok = label_panel(c, label.get(), "Suivant", PX, 24, PW, 146);
    // each number panel: the label plate above the number's place
    ok = label_panel(c, label.get(), "Niveau", PX, 230 - 52, PW, 110) && ok;
    ok = label_panel(c, label.get(), "Lignes", PX, 352 - 52, PW, 110) && ok;
    ok = label_panel(c, label.get(), "Score", PX, 472 - 52, PW, 110) && ok;
    ok = draw_text_centred(c, small.get(),
                           "\xc9"
                           "chap : abandonner",
                           PX + PW / 2, 540, PIC_MUTED_TOP, PIC_MUTED_BOTTOM) &&
         ok;
    ok = draw_text_centred(c, small.get(),
                           "F1 : plein \xe9"
                           "cran",
                           PX + PW / 2, 564, PIC_MUTED_TOP, PIC_MUTED_BOTTOM) &&
         ok;

    // Erased areas, widened to whole 16-pixel blocks so that JPEG keeps them exactly black.
    black_box(c, 0, 0, align_up(300), PIC_H);
    black_box(c, align_down(365), align_down(90), align_up(365 + 120) - align_down(365),
              align_up(90 + 60) - align_down(90));
    for (int y : {230, 352, 472})
        black_box(c, align_down(370 - 12), align_down(y), align_up(370 + 150) - align_down(358),
                  align_up(y + 40) - align_down(y));
    return ok && save_jpeg(c, dir + "/board.jpg", 95);
}

bool write_options(const std::string& dir, const std::string& run_dir) {
    surface_ptr s = new_canvas(PIC_W, PIC_H);
    font_ptr title = open_font(run_dir, 56, TTF_STYLE_BOLD);
    font_ptr label = open_font(run_dir, 22, TTF_STYLE_BOLD);
    font_ptr button = open_font(run_dir, 24, TTF_STYLE_BOLD);
    font_ptr small = open_font(run_dir, 16);
    if (!s || !title || !label || !button || !small) return false;
    SDL_Surface* c = s.get();
    backdrop(c);

    panel_style tp = theme_panel();
    tp.radius = 18;
    panel(c, 120, 26, 300, 90, tp);
    bool ok = draw_text_centred(c, title.get(), "Options", PIC_W / 2, 36, theme::GOLD_TOP,
                                theme::GOLD_BOTTOM, 3);
    ok = draw_text_centred(c, small.get(), "Haut / Bas : choisir      Gauche / Droite : changer",
                           PIC_W / 2, 134, PIC_MUTED_TOP, PIC_MUTED_BOTTOM) &&
         ok;
    ok = draw_text_centred(c, small.get(),
                           "Entr\xe9"
                           "e : valider      \xc9"
                           "chap : annuler",
                           PIC_W / 2, 156, PIC_MUTED_TOP, PIC_MUTED_BOTTOM) &&
         ok;

    // the four settings: a label cell on the left, a dark value area on the right
    constexpr int RX = 44, RY = 196, RW = 492, RH = 202, SPLIT = 146;
    panel_style rp = theme_panel();
    rp.fill_top = {8, 11, 28};
    rp.fill_bottom = {4, 5, 16};
    rp.sheen = 0;
    panel(c, RX, RY, RW, RH, rp);
    static constexpr std::array<const char*, 4> LABELS{"Appareil", "Touches", "Blocs", "Musique"};
    const int lh = TTF_FontHeight(label.get());
    for (int k = 0; k < 4; ++k) {
        const int top = k == 0 ? RY + 2 : 197 + 50 * k + 1;
        const int bottom = k == 3 ? RY + RH - 2 : 197 + 50 * (k + 1);
        for (int y = top; y < bottom; ++y) {
            const rgb g = mix(theme::PANEL_TOP, theme::PANEL_BOTTOM,
                              static_cast<double>(y - top) / (bottom - top));
            for (int x = RX + 2; x < SPLIT; ++x) {
                const double d = rounded_dist(x + 0.5, y + 0.5, RX, RY, RW, RH, rp.radius);
                blend_px(c, x, y, g, std::clamp(-d - rp.edge, 0.0, 1.0));
            }
        }
        if (k > 0)
            for (int x = RX + 2; x < RX + RW - 2; ++x)
                put_px(c, x, 197 + 50 * k, mix(theme::EDGE_BOTTOM, {0, 0, 0}, 0.3));
        ok = draw_text_centred(c, label.get(), LABELS[static_cast<size_t>(k)], (RX + SPLIT) / 2,
                               205 + 50 * k + PIC_MARKER_SIZE / 2 - lh / 2, theme::GOLD_TOP,
                               theme::GOLD_BOTTOM, 2) &&
             ok;
    }
    for (int y = RY + 2; y < RY + RH - 2; ++y)
        put_px(c, SPLIT, y, theme::EDGE_BOTTOM);
    ok = draw_text(c, small.get(), "tourner \xe0 droite et \xe0 gauche", 330, 272, PIC_MUTED_TOP,
                   PIC_MUTED_BOTTOM) &&
         ok;

    // the two ways out
    panel_style bp = theme_panel();
    bp.radius = 10;
    bp.glow = 4;
    panel(c, 190, 453, 120, 40, bp);
    ok = draw_text_centred(c, button.get(), "Annuler", 250, 473 - TTF_FontHeight(button.get()) / 2,
                           theme::TEXT_TOP, theme::TEXT_BOTTOM, 2) &&
         ok;
    panel(c, 130, 503, 230, 40, bp);
    ok = draw_text_centred(c, button.get(), "Valider et quitter", 245,
                           523 - TTF_FontHeight(button.get()) / 2, theme::TEXT_TOP,
                           theme::TEXT_BOTTOM, 2) &&
         ok;
    return ok && save_bmp(c, dir + "/options.bmp");
}

bool write_pictures(const std::string& run_dir) {
    const std::string dir = run_dir + "/pics";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec); // a failure shows at the first write
    return write_icon(dir) && write_marker(dir) && write_skins(dir) && write_devices(dir) &&
           write_cup(dir) && write_menu(dir, run_dir) && write_board(dir, run_dir) &&
           write_options(dir, run_dir);
}
