#include "store/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace {

constexpr int REPLACE_MAX_LINKS = 40; // as the system's own limit on a chain of links

// Closes a descriptor on every way out.
struct fd_owner {
    int fd = -1;
    explicit fd_owner(int f) : fd(f) {}
    ~fd_owner() {
        if (fd >= 0) ::close(fd);
    }
    fd_owner(const fd_owner&) = delete;
    fd_owner& operator=(const fd_owner&) = delete;
    // Closes now and reports whether the close went well.
    bool close_checked() {
        const int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }
};

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at (the path itself when it is no link); empty for
// a chain too long or a link that cannot be read.
std::string link_target(std::string path) {
    for (int i = 0; i < REPLACE_MAX_LINKS; ++i) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string to(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n <= 0 || static_cast<size_t>(n) >= to.size()) return "";
        to.resize(static_cast<size_t>(n));
        path = to[0] == '/' ? to : folder_of(path) + "/" + to;
    }
    return "";
}

bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The data reaches the disk; a file system that cannot sync at all is no failure.
bool sync_file(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

// Writes text into fd, syncs and closes it; false on any failure.
bool fill_and_close(fd_owner& file, const std::string& text) {
    const bool written = write_all(file.fd, text) && sync_file(file.fd);
    return file.close_checked() && written;
}

// The plain write: the target is emptied and written where it stands.
bool write_in_place(const std::string& target, const std::string& text) {
    fd_owner file(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    return file.fd >= 0 && fill_and_close(file, text);
}

mode_t creation_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

int replace_file(const std::string& path, const std::string& text) {
    const std::string target = link_target(path);
    if (target.empty()) return 0;

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        // Refused when the player may not write it: it stays exactly as it is.
        // (Without blocking: a pipe with nobody reading it counts as not writable.)
        fd_owner probe(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (probe.fd < 0) return 0;
        if (!S_ISREG(old.st_mode)) return fill_and_close(probe, text) ? 1 : 0;
    }

    std::string temp = target + ".XXXXXX";
    fd_owner file(::mkstemp(temp.data()));
    if (file.fd < 0) {
        // A read-only folder with a writable file in it: written in place, as a plain write is.
        const bool no_room = errno == EACCES || errno == EPERM || errno == EROFS;
        return exists && no_room && write_in_place(target, text) ? 1 : 0;
    }
    if (exists) {
        // The old owner, where allowed (only root may hand a file to someone else); first, as
        // a change of owner clears set-id bits that the mode below then restores.
        const int kept_owner = ::fchown(file.fd, old.st_uid, old.st_gid);
        static_cast<void>(kept_owner);
    }
    bool ok = ::fchmod(file.fd, exists ? old.st_mode & 07777 : creation_mode()) == 0;
    ok = fill_and_close(file, text) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return 0;
    }
    // The new name reaches the disk too; a folder that cannot sync changes nothing.
    fd_owner folder(::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd >= 0) ::fsync(folder.fd);
    return 1;
}
