// Entry point: start-up, the main loop over the menu and the screens, orderly shutdown.
#include <SDL.h>
#include <SDL_ttf.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/audio.h"
#include "app/command_line.h"
#include "app/game_ctx.h"
#include "app/startup.h"
#include "game/game_loop.h"
#include "screens/best_scores.h"
#include "screens/main_menu.h"
#include "screens/options.h"
#include "store/settings.h"
#include "toolkit/display.h"
#include "toolkit/draw.h"
#include "toolkit/paths.h"
#include "toolkit/sdl_owner.h"

namespace {

void quit_ttf() {
    TTF_Quit();
}

// A hang-up (the terminal the game was started from closed) ends the run as closing the window
// does: it becomes the SIGTERM that the multimedia layer turns into a quit request.
void hang_up(int) {
    ::kill(::getpid(), SIGTERM);
}

// After the multimedia layer has set its own handlers: SIGHUP as above, and a closed pipe or
// terminal on standard output no longer ends the run.
void set_signals() {
    struct sigaction hup = {};
    hup.sa_handler = hang_up;
    sigemptyset(&hup.sa_mask);
    hup.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &hup, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Runs the chosen screens until the menu or a screen asks to leave.
void main_loop(SDL_Surface*& screen, game_ctx& ctx) {
    for (;;) {
        int r = 0;
        switch (main_menu(screen, ctx)) {
        case 1:
            r = game_loop(screen, ctx);
            break;
        case 2:
            r = options_screen(screen, ctx);
            break;
        case 3:
            r = best_scores_screen(screen, ctx);
            break;
        default:
            return;
        }
        if (r == 0) return;
    }
}

// The folder the saves go to, as the player would look for it.
std::string save_folder(const paths_roots& roots) {
    if (roots.installed) return roots.data.empty() ? "?" : roots.data;
    return (std::filesystem::path(roots.assets) / roots.data).lexically_normal().string();
}

} // namespace

int main(int argc, char** argv) {
    const command_line cmd = parse_command_line(argc, argv);
    if (cmd.action == CMD_VERSION) {
        std::printf("quelbo-kv %s\n", QUELBO_VERSION);
        return 0;
    }
    paths_roots roots{};
    const bool found = paths_resolve(paths_current_env(), roots);
    if (cmd.action != CMD_PLAY) {
        const std::string saves = found ? save_folder(roots) : "?";
        print_usage(cmd.action == CMD_HELP ? stdout : stderr, saves.c_str());
        return cmd.action == CMD_HELP ? 0 : 2;
    }
    if (!found) {
        std::puts("MAIN / Err donnees du jeu introuvables : ni pics/ pres du programme, ni "
                  "../share/games/quelbo-kv/pics/");
        return 1;
    }
    if (!paths_apply(roots)) return 1;

    display_prefer_sharp();
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        // Without a display, newer compatibility layers refuse to start the video instead of
        // falling back to a driver without a window: the player is told why all the same.
        const char* reason = SDL_WasInit(SDL_INIT_VIDEO) ? nullptr : display_missing_reason();
        if (reason)
            std::printf("MAIN / Err init fenetre %s\n", reason);
        else
            std::printf("MAIN / Err init SDL: %s\n", SDL_GetError());
        return 1;
    }
    std::atexit(SDL_Quit);
    set_signals();
    if (surface_ptr icon = load_bmp("pics/icone.bmp")) SDL_WM_SetIcon(icon.get(), nullptr);
    if (TTF_Init() < 0) {
        std::printf("JEU / Err init TTF:%s\n", SDL_GetError());
        return 1;
    }
    std::atexit(quit_ttf);
    if (!FSOUND_Init(44100, 32, 0)) {
        const char* text = audio_error_text(FSOUND_GetError());
        std::printf("Err init FSOUND :%s\n", text ? text : "");
        return 1;
    }
    // No window where nobody can see it: the library would fall back to a driver without one.
    if (const char* reason = display_missing_reason()) {
        // A text-mode driver gives the terminal back first, so the message can be read.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        std::printf("MAIN / Err init fenetre %s\n", reason);
        FSOUND_Close();
        return 1;
    }
    display_set_scale(cmd.scale);
    SDL_Surface* screen =
        SDL_SetVideoMode(CTX_SCREEN_W, CTX_SCREEN_H, CTX_SCREEN_BPP, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!screen) {
        std::printf("MAIN / Err init fenetre %s\n", SDL_GetError());
        FSOUND_Close();
        return 1;
    }
    clear_black(screen);
    SDL_WM_SetCaption("Quelbo_KV", nullptr);
    display_end_with_server();

    game_ctx ctx;
    setup_game_ctx(ctx);
    ctx.options->low_cpu = cmd.low_cpu ? 1 : 0;
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    main_loop(screen, ctx);

    save_controls(*ctx.controls, *ctx.options);
    if (ctx.controls->joysticks) close_joysticks(*ctx.controls);
    free_game_ctx(ctx);
    // The display surface belongs to the video layer and is not freed here.
    FSOUND_Close();
    TTF_Quit();
    SDL_Quit();
    std::fflush(stdout);
    return 0;
}
