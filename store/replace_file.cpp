#include "store/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <utility>

#include "toolkit/fd_owner.h"

namespace {

constexpr int REPLACE_MAX_LINKS = 40; // as the system's own limit on a chain of links
constexpr const char* REPLACE_TEMP_MARK = ".quelbo-";
constexpr std::size_t REPLACE_TEMP_RANDOM = 6;
constexpr int REPLACE_TEMP_TRIES = 100;
constexpr const char* REPLACE_LOCK_ERR = "Err verrouillage du dossier %s : %s\n";

// The names of a path in order; empty names and "." are left out.
std::deque<std::string> names_of(const std::string& path) {
    std::deque<std::string> out;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        std::string name = path.substr(at, end - at);
        if (!name.empty() && name != ".") out.push_back(std::move(name));
        at = end + 1;
    }
    return out;
}

// The system's rule for links in a sticky folder that everybody may write: only the follower's
// own links and the folder owner's are followed (so nobody plants one for another user).
bool may_follow(const struct stat& folder, const struct stat& link) {
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

// Where a path ends: the open folder that holds its last name, that name, and what stands
// there without following a link (st_mode 0: nothing yet).
struct path_end {
    fd_owner folder{-1};
    std::string name;
    struct stat st = {};
};

// Walks path from the folder at (from the root when it is absolute), one name at a time, and
// follows links only by may_follow. False when a name cannot be looked at, a link is refused,
// the chain of links is too long, or the path ends on a folder.
bool walk(int at, const std::string& path, path_end& out) {
    fd_owner cur(::openat(at, !path.empty() && path[0] == '/' ? "/" : ".",
                          O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::deque<std::string> todo = names_of(path);
    int links = 0;
    while (cur.fd >= 0 && !todo.empty()) {
        const std::string name = todo.front();
        todo.pop_front();
        struct stat here = {};
        if (::fstatat(cur.fd, name.c_str(), &here, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !todo.empty() || name == "..") return false;
            here = {};
        } else if (S_ISLNK(here.st_mode)) {
            struct stat folder = {};
            if (++links > REPLACE_MAX_LINKS || ::fstat(cur.fd, &folder) != 0 ||
                !may_follow(folder, here))
                return false;
            std::string to(PATH_MAX, '\0');
            const ssize_t n = ::readlinkat(cur.fd, name.c_str(), to.data(), to.size());
            if (n <= 0 || static_cast<std::size_t>(n) >= to.size()) return false;
            to.resize(static_cast<std::size_t>(n));
            const std::deque<std::string> more = names_of(to);
            todo.insert(todo.begin(), more.begin(), more.end());
            if (to[0] == '/') cur = fd_owner(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
            continue;
        }
        if (todo.empty() && name != "..") {
            out.folder = std::move(cur);
            out.name = name;
            out.st = here;
            return !S_ISDIR(here.st_mode);
        }
        if (!S_ISDIR(here.st_mode)) return false;
        cur =
            fd_owner(::openat(cur.fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return false;
}

bool same_file(int a, int b) {
    struct stat sa = {};
    struct stat sb = {};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Is entry a temporary file that a save of name makes: "<name>.quelbo-" and six letters or
// digits?
bool is_temp_of(const std::string& entry, const std::string& name) {
    const std::string head = name + REPLACE_TEMP_MARK;
    if (entry.size() != head.size() + REPLACE_TEMP_RANDOM || entry.compare(0, head.size(), head))
        return false;
    for (std::size_t i = head.size(); i < entry.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
    return true;
}

// Removes the temporary files of name in the folder: under the lock, nobody is writing them.
void remove_stale(int folder, const std::string& name) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(dir))
        if (is_temp_of(entry->d_name, name)) ::unlinkat(folder, entry->d_name, 0);
    ::closedir(dir);
}

// A new file "<name>.quelbo-XXXXXX" in the folder, made only by this call; -1 with errno set.
int make_temp(int folder, const std::string& name, std::string& temp) {
    static constexpr std::string_view letters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int tries = 0; tries < REPLACE_TEMP_TRIES; ++tries) {
        std::array<unsigned char, REPLACE_TEMP_RANDOM> noise{};
        if (::getrandom(noise.data(), noise.size(), 0) != static_cast<ssize_t>(noise.size()))
            for (std::size_t i = 0; i < noise.size(); ++i) // no random source: still unique here
                noise[i] = static_cast<unsigned char>((::getpid() >> (4 * i)) + tries * 7 + i);
        temp = name + REPLACE_TEMP_MARK;
        for (const unsigned char c : noise)
            temp += letters[c % letters.size()];
        const int fd = ::openat(folder, temp.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The data reaches the disk; a file system that cannot sync at all is no failure.
bool sync_file(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

// Writes text into a new file, syncs and closes it; false on any failure.
bool fill_and_close(fd_owner& file, const std::string& text) {
    const bool written = write_all(file.fd, text) && sync_file(file.fd);
    return file.close_checked() && written;
}

// Writes text over the file from its start in one call, then cuts it to that length, syncs and
// closes it. Never empties it first: until the cut, the old text's tail follows the new text.
bool write_in_place(fd_owner& file, const std::string& text) {
    ssize_t n = 0;
    do {
        n = ::pwrite(file.fd, text.data(), text.size(), 0);
    } while (n < 0 && errno == EINTR);
    const bool written = n == static_cast<ssize_t>(text.size()) &&
                         ::ftruncate(file.fd, static_cast<off_t>(text.size())) == 0 &&
                         sync_file(file.fd);
    return file.close_checked() && written;
}

// No new file can be made beside the target, though the target itself may be written.
bool no_room_for_temp(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG;
}

mode_t creation_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The old file's owner and group on the new one, each where allowed (only root may give a
// file away; a member of the group may keep the group). First, as a change of owner clears
// set-id bits that the mode set afterwards restores.
void keep_owner(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) == 0) return;
    const int kept_group = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    static_cast<void>(kept_group);
}

} // namespace

void open_save_folder(save_folder& out, const std::string& folder) {
    out.folder = fd_owner(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int why = errno;
    if (out.folder.fd >= 0) {
        int r = 0;
        do {
            r = ::flock(out.folder.fd, LOCK_EX);
        } while (r != 0 && errno == EINTR);
        out.locked = r == 0;
        why = errno;
    } else {
        // A folder that may not be listed can still be written in: saved without the lock.
        out.folder = fd_owner(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (out.folder.fd < 0) return; // no folder: the save reports its own failure
    }
    if (!out.locked) std::printf(REPLACE_LOCK_ERR, folder.c_str(), std::strerror(why));
}

int replace_file_at(const save_folder& folder, const std::string& name, const std::string& text) {
    path_end end;
    if (folder.folder.fd < 0 || !walk(folder.folder.fd, name, end)) return 0;
    const bool exists = end.st.st_mode != 0;
    if (exists && !S_ISREG(end.st.st_mode)) return 0;
    const int at = end.folder.fd;
    const char* leaf = end.name.c_str();
    if (folder.locked && same_file(folder.folder.fd, at)) remove_stale(at, end.name);

    // The file itself, opened without following a link and checked once open: the one that
    // was looked at is the one written. Refused when the player may not write it.
    fd_owner file(-1);
    struct stat old = {};
    if (exists) {
        file = fd_owner(::openat(at, leaf, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.fd < 0 || ::fstat(file.fd, &old) != 0 || !S_ISREG(old.st_mode)) return 0;
    }

    std::string temp;
    fd_owner fresh(make_temp(at, end.name, temp));
    if (fresh.fd < 0) {
        if (!no_room_for_temp(errno)) return 0;
        if (!exists)
            file = fd_owner(
                ::openat(at, leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        return file.fd >= 0 && write_in_place(file, text) ? 1 : 0;
    }
    if (exists) keep_owner(fresh.fd, old);
    bool ok = ::fchmod(fresh.fd, exists ? old.st_mode & 07777 : creation_mode()) == 0;
    ok = fill_and_close(fresh, text) && ok;
    bool refused = false;
    if (ok && ::renameat(at, temp.c_str(), at, leaf) != 0) {
        ok = false;
        refused = errno == EPERM || errno == EACCES;
    }
    if (!ok) {
        ::unlinkat(at, temp.c_str(), 0);
        return refused && exists && write_in_place(file, text) ? 1 : 0;
    }
    // The new name reaches the disk too; a folder that cannot sync changes nothing.
    const fd_owner listing(::openat(at, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing.fd >= 0) ::fsync(listing.fd);
    return 1;
}

int replace_file(const std::string& path, const std::string& text) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    save_folder folder;
    open_save_folder(folder, dir);
    return replace_file_at(folder, slash == std::string::npos ? path : path.substr(slash + 1),
                           text);
}

bool read_file_prefix(const std::string& path, std::size_t limit, std::string& text,
                      struct stat& st) {
    text.clear();
    const fd_owner file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    text.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(file.fd, text.data() + got, limit - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return true;
}
