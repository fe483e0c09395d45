// The one owner of a file descriptor: whatever way a routine leaves, what it opened is closed.
#pragma once
#include <unistd.h>

#include <utility>

struct fd_owner {
    int fd = -1; // -1: nothing open
    fd_owner() = default;
    explicit fd_owner(int f) : fd(f) {}
    fd_owner(fd_owner&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    fd_owner& operator=(fd_owner&& other) noexcept {
        if (fd >= 0) ::close(fd);
        fd = std::exchange(other.fd, -1);
        return *this;
    }
    ~fd_owner() {
        if (fd >= 0) ::close(fd);
    }
    fd_owner(const fd_owner&) = delete;
    fd_owner& operator=(const fd_owner&) = delete;
    // Closes now; false when the close failed (or nothing was open).
    bool close_checked() { return ::close(std::exchange(fd, -1)) == 0; }
};
