// Replacing a small data file whole, so that a crash or a full disk never leaves it half
// written, while the player's own arrangements of the file are respected.
#pragma once
#include <string>

// Writes text as the new content of the file at path and returns 1, or returns 0 and leaves
// the file as it was:
// - a symbolic link is followed, and its target is replaced in the target's own folder;
// - a file that exists but cannot be opened for writing is refused and never replaced;
// - the text goes to a new file beside the target, reaches the disk, and is renamed over it;
//   the new file takes the old one's mode (a new one gets the mode that creating it gives);
// - when no file can be made beside a writable target (its folder is read-only), or the target
//   is not a regular file, the target is written in place, as a plain write would;
// - any failed write, flush or close fails the save; a file system that cannot sync
//   (fsync: EINVAL or ENOTSUP) is no failure, any other sync error is.
int replace_file(const std::string& path, const std::string& text);
