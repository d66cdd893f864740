#include "byte_source.h"

#include <atomic>
#include <limits>
#include <new>

#include "read_failure_test_hooks.h"
#include "system.h"

namespace viewer {
namespace {

// Test hook (read_failure_test_hooks.h): reads at or past this offset fail.
std::atomic<int64_t> failReadsAt{-1};
std::atomic<int> failReadsWith{0};

// sys::ReadAt, unless a test wants reads from some offset on to fail.
int64_t ReadFromFile(sys::FileHandle file, unsigned char* buffer, size_t n, int64_t offset, int* error) {
    const int64_t failAt = failReadsAt.load(std::memory_order_relaxed);
    if (failAt >= 0) {
        if (offset >= failAt) {
            *error = failReadsWith.load(std::memory_order_relaxed);
            return -1;
        }
        if (static_cast<uint64_t>(failAt - offset) < n) n = static_cast<size_t>(failAt - offset);
    }
    return sys::ReadAt(file, buffer, n, offset, error);
}

// Large enough that a walk over small chunks reads a file in few calls; a
// walk that jumps over big payloads asks for less at each landing place.
constexpr size_t kBufferSize = 256 * 1024;
constexpr size_t kLandingSize = 4096;

}  // namespace

void SetReadFailureForTesting(int64_t offset, int error) {
    failReadsWith.store(error, std::memory_order_relaxed);
    failReadsAt.store(offset, std::memory_order_relaxed);
}

ByteSource::ByteSource(const void* data, size_t size) noexcept
    : buf_(static_cast<const unsigned char*>(data)),
      bufLen_(size),
      bufStart_(0),
      pos_(0),
      length_(static_cast<int64_t>(size)) {}

ByteSource::~ByteSource() { sys::CloseFile(file_); }

std::unique_ptr<ByteSource> ByteSource::OpenFile(const std::string& path, bool* outOfMemory) {
    if (outOfMemory) *outOfMemory = false;
    int64_t length = 0, modified = 0;
    const sys::FileHandle file = sys::OpenRegularFile(path, &length, &modified);
    if (file == sys::kNoFile) return nullptr;
    std::unique_ptr<ByteSource> src(new (std::nothrow) ByteSource());
    if (!src) {
        sys::CloseFile(file);
        if (outOfMemory) *outOfMemory = true;
        return nullptr;
    }
    src->file_ = file;
    src->length_ = length;
    src->stamp_ = FileStamp{length, modified};
    src->storage_.reset(new (std::nothrow) unsigned char[kBufferSize]);
    if (!src->storage_) {
        if (outOfMemory) *outOfMemory = true;
        return nullptr;
    }
    src->storageSize_ = kBufferSize;
    src->buf_ = src->storage_.get();
    return src;
}

void ByteSource::Skip(int64_t delta) {
    if (delta < 0) {
        // pos_ is never negative, so pos_ + delta cannot overflow here.
        if (pos_ + delta < 0) return;
        pos_ += delta;
        return;
    }
    // A position past every possible file end behaves like any other
    // position past the end; saturate instead of overflowing.
    if (delta > std::numeric_limits<int64_t>::max() - pos_)
        pos_ = std::numeric_limits<int64_t>::max();
    else
        pos_ += delta;
}

void ByteSource::Seek(int64_t position) {
    if (position >= 0) pos_ = position;
}

bool ByteSource::Fill(int64_t position, size_t want) {
    // Reading right where the last fill ended means a sequential walk: take a
    // whole buffer. A landing after a jump reads a small piece first.
    size_t amount = (position == lastFillEnd_ || want > kLandingSize) ? storageSize_ : kLandingSize;
    if (amount < want) amount = want;
    if (amount > storageSize_) amount = storageSize_;
    size_t got = 0;
    fillError_ = 0;
    while (got < amount) {
        int error = 0;
        const int64_t r =
            ReadFromFile(file_, storage_.get() + got, amount - got, position + static_cast<int64_t>(got), &error);
        ++systemReads_;
        if (r < 0) fillError_ = error != 0 ? error : -1;
        if (r <= 0) break;  // the end of the file, or an error
        got += static_cast<size_t>(r);
        if (got >= want) break;  // a short read from the system: use what came
    }
    buf_ = storage_.get();
    bufStart_ = position;
    bufLen_ = got;
    lastFillEnd_ = position + static_cast<int64_t>(got);
    if (got > 0 && lastFillEnd_ > furthestFill_) furthestFill_ = lastFillEnd_;
    return got > 0;
}

size_t ByteSource::ReadSlow(void* dst, size_t n) {
    auto* out = static_cast<unsigned char*>(dst);
    size_t done = 0;
    while (done < n) {
        const int64_t off = pos_ - bufStart_;
        if (off >= 0 && static_cast<uint64_t>(off) < bufLen_) {
            size_t take = bufLen_ - static_cast<size_t>(off);
            if (take > n - done) take = n - done;
            std::memcpy(out + done, buf_ + off, take);
            done += take;
            pos_ += static_cast<int64_t>(take);
            continue;
        }
        // Memory holds all it has in its one buffer; a file refills at the
        // position (it may have grown since its length was judged).
        if (file_ == sys::kNoFile || failure_ ||
            pos_ > std::numeric_limits<int64_t>::max() - static_cast<int64_t>(kBufferSize))
            break;
        if (!Fill(pos_, n - done)) {
            NoteShortRead();
            break;
        }
    }
    return done;
}

void ByteSource::NoteShortRead() {
    if (fillError_ != 0) {
        failure_.kind = ReadFailure::Kind::kError;
        failure_.systemError = fillError_ > 0 ? fillError_ : 0;
    } else if (pos_ < length_) {
        failure_.kind = ReadFailure::Kind::kCutShort;
    } else {
        return;  // the end of the file: a normal end
    }
    failure_.offset = pos_;
    failure_.length = length_;
    // Nothing more is read, not even what the buffer still holds: the walk
    // ends here, with the tree read so far.
    bufLen_ = 0;
}

std::string DescribeReadFailure(const ReadFailure& failure) {
    std::string text = "at offset " + std::to_string(failure.offset) + ": ";
    switch (failure.kind) {
    case ReadFailure::Kind::kNone:
        return {};
    case ReadFailure::Kind::kError:
        return text + (failure.systemError != 0 ? sys::ErrorText(failure.systemError) : std::string("read error"));
    case ReadFailure::Kind::kCutShort:
        return text + "the file ends there, though it was " + std::to_string(failure.length) +
               " bytes long when the analysis started";
    }
    return {};
}

}  // namespace viewer
