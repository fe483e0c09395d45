// The control settings file "data/control.dat": one line of eight integers.
#pragma once

struct game_ctx;

// Reads the file into ctx.controls and the skin and tune of ctx.options.
// Returns 1 when the file opened (whatever it held; only its first 4 KiB are read), 0 when it
// did not or is no regular file (message printed at once; nothing changes).
int load_controls(game_ctx& ctx);
// Replaces the file whole with the current settings.
// Returns 1 when written, 0 (after its message) when it could not be written completely or may
// not be replaced (see replace_file_at).
int save_controls(const game_ctx& ctx);
