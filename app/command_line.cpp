#include "app/command_line.h"

#include <cstdio>
#include <cstring>

namespace {

// A whole decimal number in 1..CMD_SCALE_MAX; CMD_SCALE_AUTO otherwise.
int scale_value(const char* text) {
    if (!text || std::strlen(text) != 1 || text[0] < '1' || text[0] > '0' + CMD_SCALE_MAX)
        return CMD_SCALE_AUTO;
    return text[0] - '0';
}

} // namespace

command_line parse_command_line(int argc, const char* const* argv) {
    command_line cmd{CMD_PLAY, CMD_SCALE_AUTO, false};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--version") == 0) {
            cmd.action = CMD_VERSION;
            return cmd;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            cmd.action = CMD_HELP;
            return cmd;
        }
        if (std::strcmp(arg, "--low-cpu") == 0) {
            cmd.low_cpu = true;
            continue;
        }
        const char* value = nullptr;
        if (std::strcmp(arg, "--scale") == 0)
            value = i + 1 < argc ? argv[++i] : nullptr;
        else if (std::strncmp(arg, "--scale=", 8) == 0)
            value = arg + 8;
        else
            return command_line{CMD_BAD, CMD_SCALE_AUTO, false};
        cmd.scale = scale_value(value);
        if (cmd.scale == CMD_SCALE_AUTO) return command_line{CMD_BAD, CMD_SCALE_AUTO, false};
    }
    return cmd;
}

void print_usage(std::FILE* out, const char* save_folder) {
    // Plain ASCII, like the program's other messages, so it reads the same on any terminal.
    std::fprintf(out,
                 "Usage : quelbo-kv [--scale N] [--low-cpu] [--version] [--help]\n"
                 "\n"
                 "Jeu de blocs qui tombent : completez des rangees dans un puits de 10 sur 20.\n"
                 "\n"
                 "Options :\n"
                 "  --scale N   agrandit la fenetre N fois (1 a 8 ; 1 : taille reelle).\n"
                 "              Sans elle : SDL12COMPAT_WINDOW_SCALING s'il est defini, sinon\n"
                 "              le plus grand facteur qui tient dans les deux tiers de l'ecran.\n"
                 "  --low-cpu   economise le processeur : attend 1 ms quand rien ne se passe.\n"
                 "  --version   affiche la version et quitte.\n"
                 "  --help      affiche cette aide et quitte.\n"
                 "\n"
                 "Commandes : fleches gauche et droite pour deplacer, bas pour descendre,\n"
                 "w et q pour tourner (a changer dans Options), Echap pour abandonner,\n"
                 "F1 pour le plein ecran. Menu : fleches et Entree, ou les touches 1 a 4.\n"
                 "Une manette marche aussi : sa croix deplace, deux boutons tournent.\n"
                 "\n"
                 "Reglages et meilleurs scores : %s\n",
                 save_folder);
}
