#include "screens/options.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <array>
#include <cstdio>
#include <memory>
#include <utility>

#include "app/audio.h"
#include "app/game_ctx.h"
#include "input/capture.h"
#include "input/input.h"
#include "toolkit/clock.h"
#include "toolkit/draw.h"
#include "toolkit/layout.h"

namespace {

constexpr int OPT_FONT_SIZE = 20;
constexpr uint32_t OPT_PASS_MS = 50;
constexpr int OPT_ITEM_LAST = 5;

// A setting stepped with Left and Right: past the last value it comes back to 0, and below 0
// it goes to below_first.
struct step_range {
    int last;
    int below_first;
};
constexpr step_range OPT_SKINS{2, 2};
constexpr step_range OPT_TUNES{5, 4}; // Left on "no music" goes to tune 4

// Texts, terminator included: a device name or tune title, the controls, a file path.
using name_buf = std::array<char, 32>;
using keys_buf = std::array<char, 16>;
using path_buf = std::array<char, 32>;

constexpr const char* OPT_KEYBOARD_NAME = "clavier";
constexpr const char* OPT_NO_TUNE_NAME = "Aucune";

const char* audio_text() {
    const char* text = audio_error_text(FSOUND_GetError());
    return text ? text : "";
}

// Copies text into a name buffer, cutting what does not fit.
void set_name(name_buf& buf, const char* text) {
    std::snprintf(buf.data(), buf.size(), "%s", text ? text : "");
}

void device_name(const edit_cfg& cfg, name_buf& buf) {
    if (cfg.device == CTX_DEVICE_JOYSTICK)
        set_name(buf, SDL_JoystickName(cfg.joystick_index));
    else
        set_name(buf, OPT_KEYBOARD_NAME);
}

// Renders text solid white into out. An empty text (a song without a title) gives no
// surface and is no failure. Returns false, after the message naming the surface, when the
// text could not be rendered.
bool render_text(TTF_Font* font, const char* text, surface_ptr& out, const char* name) {
    out.reset();
    if (text[0] == '\0') return true;
    out = render_white(font, text);
    if (out) return true;
    std::printf("option / Err de cr\xe9"
                "ation de %s :%s\n",
                name, SDL_GetError());
    return false;
}

// The character shown for a key: the low eight bits of its symbol. A low byte of 0
// (the unknown key, keypad 0) would end the text early, so it shows as '?'.
char key_char(int32_t sym) {
    const auto c = static_cast<unsigned char>(sym & 0xff);
    return c == 0 ? '?' : static_cast<char>(c);
}

void controls_text(const edit_cfg& cfg, keys_buf& buf) {
    if (cfg.device == CTX_DEVICE_KEYBOARD)
        std::snprintf(buf.data(), buf.size(), "%c et %c", key_char(cfg.key_right),
                      key_char(cfg.key_left));
    else
        std::snprintf(buf.data(), buf.size(), "%d et %d", cfg.button_right, cfg.button_left);
}

surface_ptr load_skin(int skin) {
    path_buf path{};
    std::snprintf(path.data(), path.size(), "pics/skin%d.bmp", skin);
    surface_ptr s = load_bmp(path.data());
    if (!s) std::printf("Err de chargement du skinset :%s\n", SDL_GetError());
    return s;
}

song_ptr load_song(int tune) {
    path_buf path{};
    std::snprintf(path.data(), path.size(), "sounds/tune%d.mod", tune);
    return song_ptr(FMUSIC_LoadSong(path.data()));
}

// Steps the device through the ring keyboard, joystick 0, ..., last joystick, keyboard.
void step_device(edit_cfg& cfg, int direction) {
    const int count = SDL_NumJoysticks();
    if (cfg.device == CTX_DEVICE_KEYBOARD) {
        if (count <= 0) return;
        cfg.device = CTX_DEVICE_JOYSTICK;
        cfg.joystick_index = direction > 0 ? 0 : count - 1;
        return;
    }
    const int next = cfg.joystick_index + direction;
    if (next >= 0 && next < count) {
        cfg.joystick_index = next;
    } else {
        cfg.device = CTX_DEVICE_KEYBOARD;
        cfg.joystick_index = 0;
    }
}

int wrap(int value, step_range range) {
    if (value < 0) return range.below_first;
    if (value > range.last) return 0;
    return value;
}

// Everything the screen loaded, the working copy of the settings and where the screen stands.
struct options_state {
    edit_cfg cfg{};
    int cursor = 0;
    int direction = 0; // -1 Left, 1 Right, 0 neither, for this pass
    bool done = false;
    int result = 1;
    name_buf pad_name{};
    name_buf music_name{};
    song_ptr song;
    font_ptr font;
    surface_ptr surf_padName;
    surface_ptr surf_musicName;
    surface_ptr background;
    surface_ptr cursor_pic;
    surface_ptr joystick_pic;
    surface_ptr keyboard_pic;
    surface_ptr preview;
};

// The screen ends after this pass, with the result it has so far, or with 0 (the program
// ends) after a failure or a closed window.
void finish(options_state& st) {
    st.done = true;
}
void fail(options_state& st) {
    st.done = true;
    st.result = 0;
}

// Redraws a text into its surface; a failure ends the screen.
void render_or_fail(options_state& st, const char* text, surface_ptr& out, const char* name) {
    if (!render_text(st.font.get(), text, out, name)) fail(st);
}

// A picture of the screen, reported (with its message) and ending the screen when it is missing.
surface_ptr picture_or_fail(options_state& st, surface_ptr pic, const char* message) {
    pic = say_if_missing(std::move(pic), message);
    if (!pic) fail(st);
    return pic;
}

// Everything in the order the screen takes it: the entry tune first, the font and the two
// names, then the pictures. Every missing file is reported.
void load_options(options_state& st, const game_ctx& ctx) {
    const controls_cfg& ctl = *ctx.controls;
    const options_cfg& opt = *ctx.options;
    st.cfg = edit_cfg{ctl.joystick_index, opt.skin,        opt.tune,      ctl.device,
                      ctl.button_right,   ctl.button_left, ctl.key_right, ctl.key_left};
    device_name(st.cfg, st.pad_name);

    if (st.cfg.tune != 0) {
        st.song = load_song(st.cfg.tune);
        if (!st.song) {
            std::printf("Err / chargement musique : %s\n", audio_text());
            finish(st); // the menu comes back: the result stays 1
        } else {
            FMUSIC_SetLooping(st.song.get(), 1);
            FMUSIC_PlaySong(st.song.get());
            set_name(st.music_name, FMUSIC_GetName(st.song.get()));
        }
    } else {
        set_name(st.music_name, OPT_NO_TUNE_NAME);
    }

    st.font = open_game_font(OPT_FONT_SIZE);
    if (!st.font) {
        std::printf("Err chargement de la police de characteres : %s\n", SDL_GetError());
        fail(st);
    } else {
        render_or_fail(st, st.pad_name.data(), st.surf_padName, "surf_padName");
        render_or_fail(st, st.music_name.data(), st.surf_musicName, "surf_musicName");
    }

    st.background =
        picture_or_fail(st, load_bmp("pics/options.bmp"), "Err de chargement de options.bmp :%s\n");
    st.cursor_pic =
        picture_or_fail(st, load_bmp("pics/select.bmp"), "Err de chargement de select bmp :%s\n");
    if (st.cursor_pic) key_marker(st.cursor_pic.get());
    st.joystick_pic = picture_or_fail(st, load_jpeg("pics/joystick.jpeg"),
                                      "Err de chargement de joystick.jpeg :%s\n");
    st.keyboard_pic = picture_or_fail(st, load_jpeg("pics/clavier.jpeg"),
                                      "Err de chargement de clavier.jpeg :%s\n");
    st.preview = load_skin(st.cfg.skin);
    if (!st.preview) fail(st);
}

// The commands every item shares: close, F1, back, the cursor, and Left or Right.
void take_commands(options_state& st, SDL_Surface*& screen, game_ctx& ctx) {
    input_state& in = *ctx.input;
    if (in.quit) fail(st);
    if (in.keys[SDLK_F1]) {
        if (!toggle_fullscreen(screen, ctx)) fail(st);
        in.keys[SDLK_F1] = 0;
    }
    if (take_back(in)) finish(st);

    if (nav_set(in, INPUT_NAV_DOWN) && st.cursor < OPT_ITEM_LAST) {
        ++st.cursor;
        nav_clear(in, INPUT_NAV_DOWN);
    } else if (nav_set(in, INPUT_NAV_UP) && st.cursor > 0) {
        --st.cursor;
        nav_clear(in, INPUT_NAV_UP);
    } else {
        nav_clear(in, INPUT_NAV_UP);
        nav_clear(in, INPUT_NAV_DOWN);
        // A choice (Return or the choose button) means nothing on these items; dropped so it
        // cannot fire on 4 or 5 later.
        if (st.cursor == 0 || st.cursor == 2 || st.cursor == 3) {
            in.keys[SDLK_RETURN] = 0;
            in.button_left_cmd = 0;
            in.button_left_held = 0;
        }
    }
    if (nav_take(in, INPUT_NAV_LEFT)) st.direction = -1;
    if (nav_take(in, INPUT_NAV_RIGHT)) st.direction = 1;
}

// The capture of the turning controls: Return on the keyboard, the choose button on the
// joystick (as the settings in use say which device is read).
void capture_item(options_state& st, SDL_Surface* screen, input_state& in) {
    int captured = 1;
    if (st.cfg.device == CTX_DEVICE_KEYBOARD) {
        if (in.keys[SDLK_RETURN]) {
            captured = saisie_cfg(screen, st.cfg);
            in.keys[SDLK_RETURN] = 0;
        }
    } else if (in.button_left_cmd) {
        captured = saisie_cfg(screen, st.cfg);
        in.button_left_cmd = 0;
        in.button_left_held = 0;
    }
    if (!captured) fail(st);
}

// Another tune: the old one stopped and freed, the new one played once, and its title.
void tune_item(options_state& st) {
    st.song.reset();
    st.cfg.tune = wrap(st.cfg.tune + st.direction, OPT_TUNES);
    if (st.cfg.tune == 0) {
        set_name(st.music_name, OPT_NO_TUNE_NAME);
    } else {
        st.song = load_song(st.cfg.tune);
        if (!st.song) {
            std::printf("Err de chargement du tune :%s\n", audio_text());
            set_name(st.music_name, "");
            fail(st);
        } else {
            FMUSIC_SetLooping(st.song.get(), 0);
            FMUSIC_PlaySong(st.song.get());
            set_name(st.music_name, FMUSIC_GetName(st.song.get()));
        }
    }
    render_or_fail(st, st.music_name.data(), st.surf_musicName, "surf_musicName");
}

// Writes the working copy back: the only place the settings change.
void keep_settings(const edit_cfg& cfg, game_ctx& ctx) {
    controls_cfg& ctl = *ctx.controls;
    options_cfg& opt = *ctx.options;
    ctl.joystick_index = cfg.joystick_index;
    ctl.device = cfg.device;
    ctl.button_right = cfg.button_right;
    ctl.button_left = cfg.button_left;
    ctl.key_right = cfg.key_right;
    ctl.key_left = cfg.key_left;
    opt.skin = cfg.skin;
    opt.tune = cfg.tune;
}

// What the item under the cursor does with this pass's commands.
void act_on_item(options_state& st, SDL_Surface* screen, game_ctx& ctx) {
    input_state& in = *ctx.input;
    const bool chosen = in.keys[SDLK_RETURN] || in.button_left_cmd;
    switch (st.cursor) {
    case 0:
        if (st.direction == 0) break;
        step_device(st.cfg, st.direction);
        device_name(st.cfg, st.pad_name);
        render_or_fail(st, st.pad_name.data(), st.surf_padName, "surf_padName");
        break;
    case 1:
        capture_item(st, screen, in);
        break;
    case 2:
        if (st.direction == 0) break;
        st.preview.reset();
        st.cfg.skin = wrap(st.cfg.skin + st.direction, OPT_SKINS);
        st.preview = load_skin(st.cfg.skin);
        if (!st.preview) fail(st);
        break;
    case 3:
        if (st.direction != 0) tune_item(st);
        break;
    case 4:
        if (chosen) finish(st);
        break;
    case 5:
        if (chosen) {
            keep_settings(st.cfg, ctx);
            finish(st);
        }
        break;
    default:
        break;
    }
}

void draw_options(const options_state& st, SDL_Surface* screen, SDL_Surface* touches) {
    blit_at(st.background.get(), screen, 0, 0);
    blit_at(st.cursor_pic.get(), screen, LAYOUT_OPT_CURSOR_AT[static_cast<size_t>(st.cursor)]);
    const bool joystick = st.cfg.device == CTX_DEVICE_JOYSTICK;
    blit_at(joystick ? st.joystick_pic.get() : st.keyboard_pic.get(), screen,
            LAYOUT_OPT_DEVICE_PIC_AT);
    blit_at(st.surf_padName.get(), screen, LAYOUT_OPT_PAD_NAME_AT);
    blit_at(st.preview.get(), screen, LAYOUT_OPT_PREVIEW_AT);
    blit_at(st.surf_musicName.get(), screen, LAYOUT_OPT_MUSIC_NAME_AT);
    blit_at(touches, screen, LAYOUT_OPT_KEYS_AT);
    SDL_Flip(screen);
}

// One pass: commands, the controls text (made for this frame only), the item's action, the
// frame.
void options_pass(options_state& st, SDL_Surface*& screen, game_ctx& ctx) {
    poll_input(ctx);
    take_commands(st, screen, ctx);
    if (st.cfg.device != CTX_DEVICE_KEYBOARD && st.cfg.device != CTX_DEVICE_JOYSTICK)
        st.cfg.device = CTX_DEVICE_KEYBOARD;
    keys_buf touches{};
    controls_text(st.cfg, touches);
    surface_ptr surf_touches;
    render_or_fail(st, touches.data(), surf_touches, "surf_touches");
    act_on_item(st, screen, ctx);
    draw_options(st, screen, surf_touches.get());
    clock_delay(OPT_PASS_MS);
    st.direction = 0;
}

} // namespace

int options_screen(SDL_Surface*& screen, game_ctx& ctx) {
    reset_input(*ctx.input);
    options_state st;
    load_options(st, ctx);
    while (!st.done)
        options_pass(st, screen, ctx);

    clear_black(screen);
    SDL_Flip(screen);
    if (st.song) FMUSIC_StopSong(st.song.get());
    return st.result;
}
