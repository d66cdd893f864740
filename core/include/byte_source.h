// One reader for files and memory alike. The walks read headers and move
// relative to the current position; both stay inside an in-process buffer
// whenever they can, so a walk over a million small chunks costs a few
// hundred read calls and no seek calls at all. A read that comes up short
// says so through its return value; whether it met the end of the file or a
// fault (an I/O error, a file cut shorter than it was when opened) the
// source keeps in Failure().
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace viewer {

// Why a file could not be read to its end.
struct ReadFailure {
    enum class Kind {
        kNone,      // every read ended where the data does
        kError,     // the system reported an error
        kCutShort,  // the file ended before the length it had when it was opened
    };
    Kind kind = Kind::kNone;
    int64_t offset = 0;   // where reading stopped
    int64_t length = 0;   // the file's length when it was opened
    int systemError = 0;  // kError: the system's error number (errno, GetLastError)

    explicit operator bool() const { return kind != Kind::kNone; }
};

// The failure in words (English, for the console): where and why, for
// example "at offset 65536: Input/output error".
std::string DescribeReadFailure(const ReadFailure& failure);

// What a file was when it was opened: its length and when it was last
// written. A file whose stamp differs later has changed in between.
struct FileStamp {
    int64_t length = 0;
    int64_t modified = 0;  // in the system's units, only ever compared
    bool operator==(const FileStamp& o) const { return length == o.length && modified == o.modified; }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

class ByteSource {
public:
    // Reads `size` bytes of memory owned by the caller, which must outlive the source.
    ByteSource(const void* data, size_t size) noexcept;
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Opens a regular, readable file by its UTF-8 path without reading from it.
    // Anything else (a directory, FIFO, device, socket, a dangling link, a file
    // nobody may read) gives null and never blocks. So does a file that opens
    // when memory for its buffer runs out: then *outOfMemory is set.
    static std::unique_ptr<ByteSource> OpenFile(const std::string& path, bool* outOfMemory = nullptr);

    // Length of the data, judged once when the source was opened.
    int64_t Length() const { return length_; }
    // Where the data is known to reach: its length, or further where a file
    // that grew since it was opened was read past it.
    int64_t KnownLength() const { return furthestFill_ > length_ ? furthestFill_ : length_; }

    // The file's stamp when it was opened (all zero for memory).
    const FileStamp& Stamp() const { return stamp_; }

    int64_t Tell() const { return pos_; }

    // Copies up to n bytes from the current position and moves past them.
    // Returns how many arrived: fewer than n at the end of the data or on a
    // read failure. After a failure nothing more is read: every later read
    // comes up short at once, so a walk ends with the tree read so far.
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

    // The first read of a file that came up short for any other reason than
    // the end of the file; kNone while there was none. Memory never fails.
    const ReadFailure& Failure() const { return failure_; }

private:
    ByteSource() = default;
    size_t ReadSlow(void* dst, size_t n);
    bool Fill(int64_t position, size_t want);
    // Called when a read of a file came up short: notes a failure unless
    // the position is at or past the file's length.
    void NoteShortRead();

    const unsigned char* buf_ = nullptr;  // bytes of the data from bufStart_ on
    size_t bufLen_ = 0;
    int64_t bufStart_ = 0;
    int64_t pos_ = 0;
    int64_t length_ = 0;
    FileStamp stamp_;
    intptr_t file_ = -1;  // the open file (a descriptor or handle), -1 for memory
    std::unique_ptr<unsigned char[]> storage_;  // file buffer
    size_t storageSize_ = 0;
    int64_t lastFillEnd_ = -1;
    int64_t furthestFill_ = 0;  // the furthest end of the data any fill of the buffer reached
    uint64_t systemReads_ = 0;
    int fillError_ = 0;  // the system's error of the last fill that met one, else 0
    ReadFailure failure_;
};

}  // namespace viewer
