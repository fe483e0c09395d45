#include "screens/options.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <array>
#include <cstdio>
#include <memory>

#include "app/audio.h"
#include "app/clock.h"
#include "app/game_ctx.h"
#include "app/sdl_owner.h"
#include "input/capture.h"
#include "input/input.h"

namespace {

constexpr int OPT_FONT_SIZE = 20;
constexpr uint32_t OPT_PASS_MS = 50;
constexpr int OPT_ITEM_LAST = 5;
constexpr int OPT_SKIN_LAST = 2;
constexpr int OPT_TUNE_LAST = 5;
constexpr int OPT_TUNE_WRAP_LEFT = 4; // Left on "no music" goes to tune 4
constexpr size_t OPT_NAME_SIZE = 32;  // device name and tune title, terminator included
constexpr size_t OPT_KEYS_SIZE = 16;  // controls text, terminator included
constexpr size_t OPT_PATH_SIZE = 32;

constexpr const char* OPT_KEYBOARD_NAME = "clavier";
constexpr const char* OPT_NO_TUNE_NAME = "Aucune";

constexpr std::array<SDL_Rect, OPT_ITEM_LAST + 1> OPT_CURSOR_AT{{
    {5, 205, 0, 0},   // input device
    {5, 255, 0, 0},   // controls
    {5, 305, 0, 0},   // skin
    {5, 355, 0, 0},   // music
    {150, 455, 0, 0}, // leave without keeping
    {90, 505, 0, 0},  // keep and leave
}};
constexpr SDL_Rect OPT_DEVICE_PIC_AT{150, 205, 0, 0};
constexpr SDL_Rect OPT_PAD_NAME_AT{200, 202, 0, 0};
constexpr SDL_Rect OPT_KEYS_AT{160, 250, 0, 0};
constexpr SDL_Rect OPT_PREVIEW_AT{150, 300, 0, 0};
constexpr SDL_Rect OPT_MUSIC_NAME_AT{155, 352, 0, 0};

using name_buf = std::array<char, OPT_NAME_SIZE>;

const char* audio_text() {
    const char* text = audio_error_text(FSOUND_GetError());
    return text ? text : "";
}

void blit_at(SDL_Surface* src, SDL_Surface* dst, SDL_Rect at) {
    if (src) SDL_BlitSurface(src, nullptr, dst, &at);
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
    out.reset(TTF_RenderText_Solid(font, text, SDL_Color{255, 255, 255, 0}));
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

void controls_text(const edit_cfg& cfg, std::array<char, OPT_KEYS_SIZE>& buf) {
    if (cfg.device == CTX_DEVICE_KEYBOARD)
        std::snprintf(buf.data(), buf.size(), "%c et %c", key_char(cfg.key_right),
                      key_char(cfg.key_left));
    else
        std::snprintf(buf.data(), buf.size(), "%d et %d", cfg.button_right, cfg.button_left);
}

surface_ptr load_skin(int skin) {
    std::array<char, OPT_PATH_SIZE> path{};
    std::snprintf(path.data(), path.size(), "pics/skin%d.bmp", skin);
    surface_ptr s = load_bmp(path.data());
    if (!s) std::printf("Err de chargement du skinset :%s\n", SDL_GetError());
    return s;
}

song_ptr load_song(int tune) {
    std::array<char, OPT_PATH_SIZE> path{};
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

int wrap(int value, int low_to, int last) {
    if (value < 0) return low_to;
    if (value > last) return 0;
    return value;
}

} // namespace

int options_screen(SDL_Surface*& screen, game_ctx& ctx) {
    input_state& in = *ctx.input;
    controls_cfg& ctl = *ctx.controls;
    options_cfg& opt = *ctx.options;
    auto& keys = in.keys;

    int cursor = 0;
    int direction = 0;
    bool done = false;
    int result = 1;

    reset_input(in);
    edit_cfg cfg{ctl.joystick_index, opt.skin,        opt.tune,      ctl.device,
                 ctl.button_right,   ctl.button_left, ctl.key_right, ctl.key_left};

    name_buf pad_name{};
    device_name(cfg, pad_name);

    name_buf music_name{};
    song_ptr song;
    if (cfg.tune != 0) {
        song = load_song(cfg.tune);
        if (!song) {
            std::printf("Err / chargement musique : %s\n", audio_text());
            done = true; // the menu comes back: result stays 1
        } else {
            FMUSIC_SetLooping(song.get(), 1);
            FMUSIC_PlaySong(song.get());
            set_name(music_name, FMUSIC_GetName(song.get()));
        }
    } else {
        set_name(music_name, OPT_NO_TUNE_NAME);
    }

    surface_ptr surf_padName;
    surface_ptr surf_musicName;
    font_ptr font(TTF_OpenFont("font/comic.ttf", OPT_FONT_SIZE));
    if (!font) {
        std::printf("Err chargement de la police de characteres : %s\n", SDL_GetError());
        done = true;
        result = 0;
    } else {
        TTF_SetFontStyle(font.get(), TTF_STYLE_NORMAL);
        if (!render_text(font.get(), pad_name.data(), surf_padName, "surf_padName")) {
            done = true;
            result = 0;
        }
        if (!render_text(font.get(), music_name.data(), surf_musicName, "surf_musicName")) {
            done = true;
            result = 0;
        }
    }

    surface_ptr background = load_bmp("pics/options.bmp");
    if (!background) {
        std::printf("Err de chargement de options.bmp :%s\n", SDL_GetError());
        done = true;
        result = 0;
    }
    surface_ptr cursor_pic = load_bmp("pics/select.bmp");
    if (!cursor_pic) {
        std::printf("Err de chargement de select bmp :%s\n", SDL_GetError());
        done = true;
        result = 0;
    } else {
        SDL_SetColorKey(cursor_pic.get(), SDL_SRCCOLORKEY,
                        SDL_MapRGB(cursor_pic->format, 125, 125, 125));
    }
    surface_ptr joystick_pic = load_jpeg("pics/joystick.jpeg");
    if (!joystick_pic) {
        std::printf("Err de chargement de joystick.jpeg :%s\n", SDL_GetError());
        done = true;
        result = 0;
    }
    surface_ptr keyboard_pic = load_jpeg("pics/clavier.jpeg");
    if (!keyboard_pic) {
        std::printf("Err de chargement de clavier.jpeg :%s\n", SDL_GetError());
        done = true;
        result = 0;
    }
    surface_ptr preview = load_skin(cfg.skin);
    if (!preview) {
        done = true;
        result = 0;
    }

    while (!done) {
        poll_input(ctx);

        if (in.quit) {
            done = true;
            result = 0;
        }
        if (keys[SDLK_F1]) {
            if (!toggle_fullscreen(screen, ctx)) {
                done = true;
                result = 0;
            }
            keys[SDLK_F1] = 0;
        }
        if (keys[SDLK_ESCAPE] || in.button_right_cmd) {
            keys[SDLK_ESCAPE] = 0;
            in.button_right_cmd = 0;
            in.button_right_held = 0;
            done = true;
        }

        if ((keys[SDLK_DOWN] || in.hat_cmd[INPUT_HAT_DOWN]) && cursor < OPT_ITEM_LAST) {
            ++cursor;
            keys[SDLK_DOWN] = 0;
            in.hat_cmd[INPUT_HAT_DOWN] = 0;
        } else if ((keys[SDLK_UP] || in.hat_cmd[INPUT_HAT_UP]) && cursor > 0) {
            --cursor;
            keys[SDLK_UP] = 0;
            in.hat_cmd[INPUT_HAT_UP] = 0;
        } else {
            keys[SDLK_UP] = 0;
            keys[SDLK_DOWN] = 0;
            in.hat_cmd[INPUT_HAT_UP] = 0;
            in.hat_cmd[INPUT_HAT_DOWN] = 0;
            // Return means nothing on these items; dropped so it cannot fire on 4 or 5 later.
            if (cursor == 0 || cursor == 2 || cursor == 3) keys[SDLK_RETURN] = 0;
        }

        if (keys[SDLK_LEFT] || in.hat_cmd[INPUT_HAT_LEFT]) {
            direction = -1;
            keys[SDLK_LEFT] = 0;
            in.hat_cmd[INPUT_HAT_LEFT] = 0;
        }
        if (keys[SDLK_RIGHT] || in.hat_cmd[INPUT_HAT_RIGHT]) {
            direction = 1;
            keys[SDLK_RIGHT] = 0;
            in.hat_cmd[INPUT_HAT_RIGHT] = 0;
        }

        if (cfg.device != CTX_DEVICE_KEYBOARD && cfg.device != CTX_DEVICE_JOYSTICK)
            cfg.device = CTX_DEVICE_KEYBOARD;
        std::array<char, OPT_KEYS_SIZE> touches{};
        controls_text(cfg, touches);
        surface_ptr surf_touches;
        if (!render_text(font.get(), touches.data(), surf_touches, "surf_touches")) {
            done = true;
            result = 0;
        }

        switch (cursor) {
        case 0:
            if (direction != 0) {
                step_device(cfg, direction);
                device_name(cfg, pad_name);
                if (!render_text(font.get(), pad_name.data(), surf_padName, "surf_padName")) {
                    done = true;
                    result = 0;
                }
            }
            break;
        case 1: {
            int captured = 1;
            if (cfg.device == CTX_DEVICE_KEYBOARD) {
                if (keys[SDLK_RETURN]) {
                    captured = saisie_cfg(screen, cfg);
                    keys[SDLK_RETURN] = 0;
                }
            } else if (in.button_left_cmd) {
                captured = saisie_cfg(screen, cfg);
                in.button_left_cmd = 0;
                in.button_left_held = 0;
            }
            if (!captured) {
                done = true;
                result = 0;
            }
            break;
        }
        case 2:
            if (direction != 0) {
                preview.reset();
                cfg.skin = wrap(cfg.skin + direction, OPT_SKIN_LAST, OPT_SKIN_LAST);
                preview = load_skin(cfg.skin);
                if (!preview) {
                    done = true;
                    result = 0;
                }
            }
            break;
        case 3:
            if (direction != 0) {
                song.reset(); // stopped and freed
                cfg.tune = wrap(cfg.tune + direction, OPT_TUNE_WRAP_LEFT, OPT_TUNE_LAST);
                if (cfg.tune == 0) {
                    set_name(music_name, OPT_NO_TUNE_NAME);
                } else {
                    song = load_song(cfg.tune);
                    if (!song) {
                        std::printf("Err de chargement du tune :%s\n", audio_text());
                        set_name(music_name, "");
                        done = true;
                        result = 0;
                    } else {
                        // A tune picked here plays once.
                        FMUSIC_SetLooping(song.get(), 0);
                        FMUSIC_PlaySong(song.get());
                        set_name(music_name, FMUSIC_GetName(song.get()));
                    }
                }
                if (!render_text(font.get(), music_name.data(), surf_musicName, "surf_musicName")) {
                    done = true;
                    result = 0;
                }
            }
            break;
        case 4:
            if (keys[SDLK_RETURN] || in.button_left_cmd) done = true;
            break;
        case 5:
            if (keys[SDLK_RETURN] || in.button_left_cmd) {
                ctl.joystick_index = cfg.joystick_index;
                ctl.device = cfg.device;
                ctl.button_right = cfg.button_right;
                ctl.button_left = cfg.button_left;
                ctl.key_right = cfg.key_right;
                ctl.key_left = cfg.key_left;
                opt.skin = cfg.skin;
                opt.tune = cfg.tune;
                done = true;
            }
            break;
        default:
            break;
        }

        blit_at(background.get(), screen, SDL_Rect{0, 0, 0, 0});
        blit_at(cursor_pic.get(), screen, OPT_CURSOR_AT[cursor]);
        blit_at(cfg.device == CTX_DEVICE_JOYSTICK ? joystick_pic.get() : keyboard_pic.get(), screen,
                OPT_DEVICE_PIC_AT);
        blit_at(surf_padName.get(), screen, OPT_PAD_NAME_AT);
        blit_at(preview.get(), screen, OPT_PREVIEW_AT);
        blit_at(surf_musicName.get(), screen, OPT_MUSIC_NAME_AT);
        blit_at(surf_touches.get(), screen, OPT_KEYS_AT);
        SDL_Flip(screen);
        clock_delay(OPT_PASS_MS);
        direction = 0;
    }

    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    SDL_Flip(screen);
    if (song) FMUSIC_StopSong(song.get());
    keyboard_pic.reset();
    joystick_pic.reset();
    surf_musicName.reset();
    surf_padName.reset();
    background.reset();
    cursor_pic.reset();
    preview.reset();
    font.reset();
    song.reset();
    return result;
}
