// Files on POSIX systems: stat before open, so that a FIFO or a device is
// refused without being opened, and positioned reads with pread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "../system.h"

namespace viewer::sys {
namespace {

bool IsReadableRegular(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return false;
    // The superuser may open anything; a file that grants reading to nobody
    // is still treated as unreadable.
    return (st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) != 0;
}

}  // namespace

FileHandle OpenRegularFile(const std::string& path, int64_t* length) {
    if (path.empty() || path.find('\0') != std::string::npos) return kNoFile;
    // Look before opening: opening a FIFO or a device may block or act on it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !IsReadableRegular(st)) return kNoFile;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kNoFile;
    // The path may have been replaced between the look and the open.
    if (::fstat(fd, &st) != 0 || !IsReadableRegular(st)) {
        ::close(fd);
        return kNoFile;
    }
    *length = st.st_size;
    return fd;
}

int64_t ReadAt(FileHandle file, void* buffer, size_t n, int64_t offset) {
    for (;;) {
        const ssize_t r = ::pread(static_cast<int>(file), buffer, n, static_cast<off_t>(offset));
        if (r >= 0) return r;
        if (errno != EINTR) return -1;
    }
}

void CloseFile(FileHandle file) {
    if (file != kNoFile) ::close(static_cast<int>(file));
}

}  // namespace viewer::sys
