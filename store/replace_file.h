// Reading and replacing the small data files: a kill, a crash or a full disk never leaves one
// empty or half written, nothing of a save is left behind, odd files never block the game, and
// links that someone else planted in a shared folder never turn a save against the player.
#pragma once
#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "toolkit/fd_owner.h"

// A folder of data files opened for saving. Saves in it run under its exclusive lock, so two
// copies of the game never write at once and a temporary file of this game seen there belongs
// to a save that was killed.
// Closing the folder releases the lock.
struct save_folder {
    fd_owner folder;     // the folder; nothing open when it cannot be opened at all
    bool locked = false; // the lock is held
};

// Opens folder and takes its lock, waiting while another copy saves. When the lock cannot be
// taken, prints one line saying why and leaves locked false: the saves still go on.
void open_save_folder(save_folder& out, const std::string& folder);

// Writes text as the new content of the file name (a path relative to the folder) and returns
// 1, or returns 0 and leaves the file as it was:
// - a symbolic link is followed only where the system itself would follow it for this process:
//   in a sticky folder that everybody may write, only a link owned by the process's user or by
//   the folder's owner; a refused link and its target stay untouched;
// - only a regular file is written: a pipe, a device or a folder is refused at once;
// - a file that exists but cannot be opened for writing is refused and never replaced;
// - the text goes to a new file "<name>.quelbo-XXXXXX" beside the target, reaches the disk and
//   is renamed over it; the new file keeps the old one's mode, owner where allowed, and group
//   where allowed (a new one gets the mode that creating it gives). Under the lock, such files
//   of the same name left by a killed save are removed first;
// - when no new file can be made beside it (read-only folder, name too long) or the rename is
//   refused (someone else's file in a sticky folder), an existing file is written in place:
//   the new text over the old from its start in one write, then cut to its length, so a kill
//   leaves the old text, the new one, or the new one followed by the rest of the old;
// - any failed write, flush or close fails the save; a file system that cannot sync
//   (fsync: EINVAL or ENOTSUP) is no failure, any other sync error is.
int replace_file_at(const save_folder& folder, const std::string& name, const std::string& text);
// replace_file_at on the folder of path (opened and locked here) and the last name of path.
int replace_file(const std::string& path, const std::string& text);

// Reads at most limit bytes from the start of the regular file at path, without blocking, into
// text, and its status into st. Returns false (text empty) when path cannot be opened or is no
// regular file (a pipe, a device, a folder, or a link to one).
bool read_file_prefix(const std::string& path, std::size_t limit, std::string& text,
                      struct stat& st);
