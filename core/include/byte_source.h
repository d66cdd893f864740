// One reader for files and memory alike. The walks read headers and move
// relative to the current position; both stay inside an in-process buffer
// whenever they can, so a walk over a million small chunks costs a few
// hundred read calls and no seek calls at all. A read that comes up short
// says so through its return value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace viewer {

class ByteSource {
public:
    // Reads `size` bytes of memory owned by the caller, which must outlive the source.
    ByteSource(const void* data, size_t size) noexcept;
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Opens a regular, readable file by its UTF-8 path without reading from it.
    // Anything else (a directory, FIFO, device, socket, a dangling link, a file
    // nobody may read) gives null and never blocks.
    static std::unique_ptr<ByteSource> OpenFile(const std::string& path);

    // Length of the data, judged once when the source was opened.
    int64_t Length() const { return length_; }

    int64_t Tell() const { return pos_; }

    // Copies up to n bytes from the current position and moves past them.
    // Returns how many arrived: fewer than n at the end of the data or on a read error.
    size_t Read(void* dst, size_t n) {
        const int64_t off = pos_ - bufStart_;
        if (off >= 0 && static_cast<uint64_t>(off) <= bufLen_ && n <= bufLen_ - static_cast<size_t>(off)) {
            std::memcpy(dst, buf_ + off, n);
            pos_ += static_cast<int64_t>(n);
            return n;
        }
        return ReadSlow(dst, n);
    }

    // Moves the position by delta bytes. A target before the start of the data
    // is refused and leaves the position where it was (as fseek does); a target
    // past the end is allowed and later reads there come up short.
    void Skip(int64_t delta);

    // Moves to an absolute position (negative targets are refused).
    void Seek(int64_t position);

    // Read calls made to the operating system so far (files only).
    uint64_t SystemReads() const { return systemReads_; }

private:
    ByteSource() = default;
    size_t ReadSlow(void* dst, size_t n);
    bool Fill(int64_t position, size_t want);

    const unsigned char* buf_ = nullptr;  // bytes of the data from bufStart_ on
    size_t bufLen_ = 0;
    int64_t bufStart_ = 0;
    int64_t pos_ = 0;
    int64_t length_ = 0;
    intptr_t file_ = -1;  // the open file (a descriptor or handle), -1 for memory
    std::unique_ptr<unsigned char[]> storage_;  // file buffer
    size_t storageSize_ = 0;
    int64_t lastFillEnd_ = -1;
    uint64_t systemReads_ = 0;
};

}  // namespace viewer
