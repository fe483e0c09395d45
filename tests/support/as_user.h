// Running a piece of a test as an ordinary user, where file permissions hold (root ignores
// them): in a child process that drops to the user "nobody" when the test runs as root.
#pragma once
#include <sys/types.h>

#include <functional>

// The user and group the child runs as (the current ones when not root).
uid_t unprivileged_uid();
gid_t unprivileged_gid();
// Runs fn in a child process as that user (also a member of extra_group when it is not -1, as
// root) and returns fn's result (0..255); -1 when the child could not be started, could not
// drop its privileges or did not end normally.
int run_unprivileged(const std::function<int()>& fn, gid_t extra_group = static_cast<gid_t>(-1));
// Gives path (not following a link) to that user.
void give_to_unprivileged(const char* path);
