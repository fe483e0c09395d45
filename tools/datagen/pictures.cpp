// The full-window pictures (menu, play screen, options) and the entry point of the pictures.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "datagen.h"
#include "pic_parts.h"

namespace {

constexpr int PIC_W = LAYOUT_SCREEN_W, PIC_H = LAYOUT_SCREEN_H;
constexpr rgb PIC_MUTED_TOP{150, 166, 210};
constexpr rgb PIC_MUTED_BOTTOM{110, 124, 170};

// JPEG codes 8 by 8 blocks (no chroma subsampling here), each on its own: an area widened to
// whole blocks stays exactly black.
int align_down(int v) {
    return v / 8 * 8;
}
int align_up(int v) {
    return (v + 7) / 8 * 8;
}
void black_blocks(SDL_Surface* s, int x, int y, int w, int h) {
    black_box(s, align_down(x), align_down(y), align_up(x + w) - align_down(x),
              align_up(y + h) - align_down(y));
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

// A panel with a black body and a small gradient plate that carries a label. The body runs
// from y + LABEL_PLATE to the panel's inner bottom edge.
constexpr int LABEL_PLATE = 42;
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
    static constexpr std::array<const char*, LAYOUT_MENU_ENTRIES> ENTRIES{
        "Jouer", "Options", "Meilleurs scores", "Quitter"};
    constexpr int LABEL_X = LAYOUT_MENU_MARKER_X + LAYOUT_MARKER_W + 14;
    // the board is as wide on both sides of the screen's middle, wide enough for the marker
    // column and the longest label
    constexpr int mid = PIC_W / 2;
    int half = mid - (LAYOUT_MENU_MARKER_X - 30);
    for (const char* e : ENTRIES)
        half = std::max(half, LABEL_X + text_width(entry.get(), e) + 28 - mid);
    const int left = mid - half, right = mid + half;

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
    // each entry's label centred on the marker's tip beside it
    constexpr int FIRST_TIP = LAYOUT_MENU_FIRST_Y + LAYOUT_MARKER_TIP_Y;
    constexpr int LAST_TIP = FIRST_TIP + LAYOUT_MENU_STEP * (LAYOUT_MENU_ENTRIES - 1);
    panel(c, left, FIRST_TIP - 38, right - left, LAST_TIP - FIRST_TIP + 76, mp);
    const int fh = TTF_FontHeight(entry.get());
    for (int k = 0; k < LAYOUT_MENU_ENTRIES; ++k) {
        const int cy = FIRST_TIP + LAYOUT_MENU_STEP * k;
        ok = draw_text(c, entry.get(), ENTRIES[static_cast<size_t>(k)], LABEL_X, cy - fh / 2,
                       theme::TEXT_TOP, theme::TEXT_BOTTOM, 2) &&
             ok;
    }
    black_box(c, LAYOUT_MENU_MARKER_X, LAYOUT_MENU_FIRST_Y, LAYOUT_MARKER_W,
              LAST_TIP - FIRST_TIP + LAYOUT_MARKER_H);

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
    static_assert(WALL >= LAYOUT_WELL_W && WALL % 8 == 0);
    for (int x = WALL; x < WALL + 18; ++x) {
        const double a = x < WALL + 3 ? 1.0 : 0.5 * (1 - (x - WALL - 3) / 15.0);
        for (int y = 0; y < PIC_H; ++y) {
            const rgb e = mix(theme::EDGE_TOP, theme::EDGE_BOTTOM, y / double(PIC_H));
            blend_px(c, x, y, x < WALL + 3 ? e : theme::GLOW, a * a);
        }
    }

    // One column of panels centred on the preview box; each panel's body is centred on what
    // the program draws in it, with MARGIN around the preview box and the numbers.
    constexpr int PW = 196, PX = LAYOUT_PREVIEW_X + LAYOUT_PREVIEW_W / 2 - PW / 2;
    constexpr int MARGIN = 14, EDGE = 2;
    static_assert(PX + 2 * EDGE + 8 <= LAYOUT_LEVEL_AT.x &&
                  LAYOUT_LEVEL_AT.x + LAYOUT_NUMBER_W <= PX + PW - EDGE);
    auto body_panel = [&](const char* text, int top, int height) {
        const int y = top - MARGIN - LABEL_PLATE;
        return label_panel(c, label.get(), text, PX, y, PW,
                           LABEL_PLATE + MARGIN + height + MARGIN + EDGE);
    };
    bool ok = body_panel("Suivant", LAYOUT_PREVIEW_Y, LAYOUT_PREVIEW_H);
    ok = body_panel("Niveau", LAYOUT_LEVEL_AT.y, LAYOUT_NUMBER_H) && ok;
    ok = body_panel("Lignes", LAYOUT_LINES_AT.y, LAYOUT_NUMBER_H) && ok;
    ok = body_panel("Score", LAYOUT_SCORE_AT.y, LAYOUT_NUMBER_H) && ok;
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

    // the areas the program erases with black
    black_blocks(c, 0, 0, LAYOUT_WELL_W, PIC_H);
    black_blocks(c, LAYOUT_PREVIEW_X, LAYOUT_PREVIEW_Y, LAYOUT_PREVIEW_W, LAYOUT_PREVIEW_H);
    for (const layout_at& n : {LAYOUT_LEVEL_AT, LAYOUT_LINES_AT, LAYOUT_SCORE_AT})
        black_blocks(c, n.x, n.y, LAYOUT_NUMBER_W, LAYOUT_NUMBER_H);
    return ok && save_jpeg(c, dir + "/board.jpg", 95);
}

bool write_options(const std::string& dir, const std::string& run_dir) {
    surface_ptr s = new_canvas(PIC_W, PIC_H);
    font_ptr title = open_font(run_dir, 56, TTF_STYLE_BOLD);
    font_ptr label = open_font(run_dir, 20, TTF_STYLE_BOLD);
    font_ptr button = open_font(run_dir, 24, TTF_STYLE_BOLD);
    font_ptr small = open_font(run_dir, 16);
    font_ptr hint = open_font(run_dir, 14);
    if (!s || !title || !label || !button || !small || !hint) return false;
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

    // the four settings: a label cell on the left, a dark value area on the right, one row
    // per setting between the row edges
    const auto& edges = LAYOUT_OPT_ROW_EDGES;
    constexpr int RX = LAYOUT_OPT_PANEL_LEFT, SPLIT = LAYOUT_OPT_LABEL_RIGHT;
    constexpr int RY = LAYOUT_OPT_ROW_EDGES.front();
    constexpr int RW = LAYOUT_OPT_PANEL_RIGHT - RX, RH = LAYOUT_OPT_ROW_EDGES.back() - RY;
    panel_style rp = theme_panel();
    // the value area is black like the boxes the program draws on it (capture prompt, skins)
    rp.fill_top = rp.fill_bottom = {0, 0, 0};
    rp.sheen = 0;
    panel(c, RX, RY, RW, RH, rp);
    static constexpr std::array<const char*, 4> LABELS{"Appareil", "Touches", "Blocs", "Musique"};
    // Each label stands on the baseline of the text the program draws in its row (at 20 points,
    // regular); the skin row has no text, so its label is centred in the row.
    font_ptr drawn = open_font(run_dir, 20);
    if (!drawn) return false;
    const int lift = TTF_FontAscent(drawn.get()) - TTF_FontAscent(label.get());
    const std::array<int, 4> label_y{LAYOUT_OPT_PAD_NAME_AT.y + lift, LAYOUT_OPT_KEYS_AT.y + lift,
                                     (edges[2] + edges[3]) / 2 - TTF_FontHeight(label.get()) / 2,
                                     LAYOUT_OPT_MUSIC_NAME_AT.y + lift};
    for (size_t k = 0; k < LABELS.size(); ++k) {
        const int top = k == 0 ? RY + rp.edge : edges[k] + 1;
        const int bottom = k + 1 == LABELS.size() ? RY + RH - rp.edge : edges[k + 1];
        for (int y = top; y < bottom; ++y) {
            const rgb g = mix(theme::PANEL_TOP, theme::PANEL_BOTTOM,
                              static_cast<double>(y - top) / (bottom - top));
            for (int x = RX + rp.edge; x < SPLIT; ++x) {
                const double d = rounded_dist(x + 0.5, y + 0.5, RX, RY, RW, RH, rp.radius);
                blend_px(c, x, y, g, std::clamp(-d - rp.edge, 0.0, 1.0));
            }
        }
        if (k > 0)
            for (int x = RX + rp.edge; x < RX + RW - rp.edge; ++x)
                put_px(c, x, edges[k], mix(theme::EDGE_BOTTOM, {0, 0, 0}, 0.3));
        ok = draw_text_centred(c, label.get(), LABELS[k], (RX + SPLIT) / 2, label_y[k],
                               theme::GOLD_TOP, theme::GOLD_BOTTOM, 2) &&
             ok;
    }
    for (int y = RY + rp.edge; y < RY + RH - rp.edge; ++y)
        put_px(c, SPLIT, y, theme::EDGE_BOTTOM);
    // a hint in two short lines at the right end of the controls' row, clear of the capture's
    // prompt, which starts left in the row
    static constexpr std::array<const char*, 2> HINT{"tourner \xe0 droite", "et \xe0 gauche"};
    const int hh = TTF_FontHeight(hint.get());
    for (size_t k = 0; k < HINT.size(); ++k)
        ok = draw_text(c, hint.get(), HINT[k], RX + RW - 12 - text_width(hint.get(), HINT[k]),
                       (edges[1] + edges[2]) / 2 - hh + static_cast<int>(k) * hh, PIC_MUTED_TOP,
                       PIC_MUTED_BOTTOM) &&
             ok;

    // the two ways out, each on the cursor's tip beside it and centred on the screen's middle
    panel_style bp = theme_panel();
    bp.radius = 10;
    bp.glow = 4;
    const int bh = TTF_FontHeight(button.get());
    auto way_out = [&](const layout_at& cursor, const char* text) {
        const int x = cursor.x + LAYOUT_MARKER_W + 8, mid = cursor.y + LAYOUT_MARKER_TIP_Y;
        panel(c, x, mid - 20, 2 * (PIC_W / 2 - x), 40, bp);
        return draw_text_centred(c, button.get(), text, PIC_W / 2, mid - bh / 2, theme::TEXT_TOP,
                                 theme::TEXT_BOTTOM, 2);
    };
    ok = way_out(LAYOUT_OPT_CURSOR_AT[4], "Annuler") && ok;
    ok = way_out(LAYOUT_OPT_CURSOR_AT[5], "Valider et quitter") && ok;
    return ok && save_bmp(c, dir + "/options.bmp");
}

bool write_pictures(const std::string& run_dir) {
    const std::string dir = run_dir + "/pics";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec); // a failure shows at the first write
    return write_icon(dir) && write_marker(dir) && write_skins(dir) && write_devices(dir) &&
           write_cup(dir, run_dir) && write_menu(dir, run_dir) && write_board(dir, run_dir) &&
           write_options(dir, run_dir);
}
