// The control settings file "data/control.dat": one line of eight integers.
#pragma once

#include "app/game_ctx.h"

// Reads the file into the controls and the skin and tune of the options.
// Returns 1 when the file opened (whatever it held; only its first 4 KiB are read), 0 when it
// did not or is no regular file (message printed at once; nothing changes).
int load_controls(controls_cfg& controls, options_cfg& options);
// Replaces the file whole with the current settings.
// Returns 1 when written, 0 (after its message) when it could not be written completely or may
// not be replaced (see replace_file_at).
int save_controls(const controls_cfg& controls, const options_cfg& options);
