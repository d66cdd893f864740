// Files on POSIX systems: a path is looked at before anything behind it is
// opened, so that a FIFO or a device is refused without being opened, and
// files are read with pread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "../system.h"
#include "write_error.h"

namespace viewer::sys {
namespace {

bool IsReadableRegular(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return false;
    // The superuser may open anything; a file that grants reading to nobody
    // is still treated as unreadable.
    return (st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) != 0;
}

// Opens for reading with flags that never block (O_NONBLOCK only matters
// for a lease another process holds: the open fails instead of waiting).
int OpenForReading(const char* path) {
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

FileHandle OpenRegularFile(const std::string& path, int64_t* length, int64_t* modified) {
    if (path.empty() || path.find('\0') != std::string::npos) return kNoFile;
    struct stat st {};
    int fd = -1;
#ifdef O_PATH
    // Linux: an O_PATH descriptor names the file without opening it, so a
    // FIFO or a device behind the path is never opened, whatever the path
    // is swapped for meanwhile. What it names is looked at, and only a
    // regular file is then opened for reading, through /proc/self/fd: that
    // reopens the very file the descriptor holds, not whatever the path
    // names by then.
    int pathFd;
    do {
        pathFd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    } while (pathFd < 0 && errno == EINTR);
    if (pathFd < 0) return kNoFile;
    if (::fstat(pathFd, &st) != 0 || !IsReadableRegular(st)) {
        ::close(pathFd);
        return kNoFile;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(pathFd);
    fd = OpenForReading(self.c_str());
    const bool noProc = fd < 0 && errno == ENOENT;
    ::close(pathFd);
    if (fd < 0 && !noProc) return kNoFile;
    if (fd < 0) {
        // Without /proc, the path is opened again: it must still be the
        // regular file looked at (checked below), though a swap in between
        // could have opened something else first.
        fd = OpenForReading(path.c_str());
        if (fd < 0) return kNoFile;
    }
#else
    // Elsewhere: look before opening, so that a FIFO or a device is not
    // opened; a swap between the look and the open is caught only after.
    if (::stat(path.c_str(), &st) != 0 || !IsReadableRegular(st)) return kNoFile;
    fd = OpenForReading(path.c_str());
    if (fd < 0) return kNoFile;
#endif
    // What was opened must be the regular file that was looked at.
    const struct stat looked = st;
    if (::fstat(fd, &st) != 0 || !IsReadableRegular(st) || !SameFile(st, looked)) {
        ::close(fd);
        return kNoFile;
    }
    *length = st.st_size;
    *modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return fd;
}

int64_t ReadAt(FileHandle file, void* buffer, size_t n, int64_t offset, int* error) {
    for (;;) {
        const ssize_t r = ::pread(static_cast<int>(file), buffer, n, static_cast<off_t>(offset));
        if (r >= 0) return r;
        if (errno != EINTR) {
            *error = errno;
            return -1;
        }
    }
}

std::string ErrorText(int error) { return std::strerror(error); }

void CloseFile(FileHandle file) {
    if (file != kNoFile) ::close(static_cast<int>(file));
}

}  // namespace viewer::sys

namespace viewer {

void ClearWriteError() { errno = 0; }

int LastWriteError() { return errno != 0 ? errno : EIO; }

std::string WriteErrorText(int error) { return std::strerror(error); }

}  // namespace viewer
