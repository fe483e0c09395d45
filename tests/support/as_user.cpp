#include "support/as_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr uid_t AS_USER_FALLBACK_ID = 65534; // nobody, nogroup

} // namespace

uid_t unprivileged_uid() {
    if (geteuid() != 0) return geteuid();
    const passwd* pw = getpwnam("nobody");
    return pw ? pw->pw_uid : AS_USER_FALLBACK_ID;
}

gid_t unprivileged_gid() {
    if (geteuid() != 0) return getegid();
    const passwd* pw = getpwnam("nobody");
    return pw ? pw->pw_gid : AS_USER_FALLBACK_ID;
}

int run_unprivileged(const std::function<int()>& fn, gid_t extra_group) {
    std::fflush(stdout);
    const uid_t uid = unprivileged_uid();
    const gid_t gid = unprivileged_gid();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int groups = extra_group == static_cast<gid_t>(-1) ? 0 : 1;
        if (geteuid() == 0 && (setgroups(groups, &extra_group) != 0 ||
                               setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0))
            _exit(255);
        const int result = fn();
        std::fflush(stdout);
        _exit(result & 0xff);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code == 255 ? -1 : code;
}

void give_to_unprivileged(const char* path) {
    if (geteuid() != 0) return;
    if (lchown(path, unprivileged_uid(), unprivileged_gid()) != 0) std::perror(path);
}
