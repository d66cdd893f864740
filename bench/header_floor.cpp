// header-floor: the least work a structure viewer can do. Walks the chunk or
// atom headers of a file with one buffered pass and stores each one's code,
// size and offset into a preallocated array; no tree, no labels, no output
// but a count. The comparison script times the dump tools against it.
//   header-floor riff|atom FILE
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Header {
    uint32_t code;
    uint32_t depth;
    int64_t size;
    int64_t offset;
};

class Reader {
public:
    explicit Reader(int fd) : fd_(fd), buf_(1 << 18) {}
    // Copies n bytes at an absolute offset; false past the end.
    bool At(int64_t offset, void* dst, size_t n) {
        if (offset < start_ || offset + static_cast<int64_t>(n) > start_ + static_cast<int64_t>(len_)) {
            const ssize_t got = pread(fd_, buf_.data(), buf_.size(), offset);
            if (got < static_cast<ssize_t>(n)) return false;
            start_ = offset;
            len_ = static_cast<size_t>(got);
        }
        std::memcpy(dst, buf_.data() + (offset - start_), n);
        return true;
    }

private:
    int fd_;
    std::vector<unsigned char> buf_;
    int64_t start_ = 0;
    size_t len_ = 0;
};

Header* out;
size_t count;

void WalkRiff(Reader& r, int64_t pos, int64_t end, uint32_t depth) {
    unsigned char h[12];
    while (pos < end && depth <= 256 && r.At(pos, h, 8)) {
        uint32_t code, size;
        std::memcpy(&code, h, 4);
        std::memcpy(&size, h + 4, 4);
        out[count++] = Header{code, depth, size, pos};
        if (std::memcmp(h, "LIST", 4) == 0 && size >= 4) WalkRiff(r, pos + 12, pos + 8 + size, depth + 1);
        pos += 8 + static_cast<int64_t>(size) + (size & 1);
    }
}

void WalkAtoms(Reader& r, int64_t pos, int64_t end, uint32_t depth) {
    unsigned char h[8];
    while (end - pos >= 8 && depth <= 256 && r.At(pos, h, 8)) {
        if (h[4] < '0' || h[4] > 'z' || h[5] < '0' || h[5] > 'z' || h[6] < '0' || h[6] > 'z') return;
        int64_t size = static_cast<int64_t>(h[0]) << 24 | h[1] << 16 | h[2] << 8 | h[3];
        int64_t header = 8;
        if (size == 1) {
            unsigned char l[8];
            if (!r.At(pos + 8, l, 8)) return;
            size = 0;
            for (unsigned char b : l) size = size << 8 | b;
            header = 16;
        } else if (size == 0) {
            size = end - pos;
        }
        uint32_t code;
        std::memcpy(&code, h + 4, 4);
        out[count++] = Header{code, depth, size, pos};
        if (size < header || size > end - pos) return;
        WalkAtoms(r, pos + header, pos + size, depth + 1);
        pos += size;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: header-floor riff|atom FILE\n");
        return 2;
    }
    const int fd = open(argv[2], O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) return 1;
    // One entry per 8 bytes of file is the most any walk can find.
    const size_t capacity = static_cast<size_t>(st.st_size) / 8 + 2;
    out = static_cast<Header*>(
        mmap(nullptr, capacity * sizeof(Header), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (out == MAP_FAILED) return 1;
    Reader r(fd);
    if (std::strcmp(argv[1], "riff") == 0) {
        unsigned char h[12];
        if (!r.At(0, h, 12)) return 1;
        uint32_t size;
        std::memcpy(&size, h + 4, 4);
        WalkRiff(r, 12, 8 + static_cast<int64_t>(size), 1);
    } else {
        WalkAtoms(r, 0, st.st_size, 1);
    }
    std::printf("%zu headers\n", count);
    return 0;
}
