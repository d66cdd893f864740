// What the core asks of the operating system: opening and reading files,
// and the large zero-filled blocks that nodes live in. One implementation
// per system sits in a folder of its own (posix/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace viewer::sys {

// An open file: a descriptor or a handle, whatever the system uses.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

// Opens a regular file that may be read, by its UTF-8 path, without reading
// from it, and tells its length and when it was last written (in the
// system's own units: nanoseconds or 100-nanosecond ticks since its epoch;
// only ever compared). Anything else (a directory, FIFO, device,
// socket, a dangling link, a file nobody may read) gives kNoFile and never
// blocks.
FileHandle OpenRegularFile(const std::string& path, int64_t* length, int64_t* modified);

// Reads up to n bytes at `offset`. Returns the number read (0 at the end of
// the file) or -1 on an error, whose number (errno, GetLastError) goes to
// *error; an interrupted call is repeated.
int64_t ReadAt(FileHandle file, void* buffer, size_t n, int64_t offset, int* error);

// The system's text for an error number of ReadAt (UTF-8).
std::string ErrorText(int error);

void CloseFile(FileHandle file);

// A block of `bytes` bytes of address space (a multiple of the page size)
// that reads as zero and is backed only where written; null when there is
// none. `large`: the caller expects to fill it and many more, so the system
// may back it with huge pages.
void* MapBlock(size_t bytes, bool large);
void UnmapBlock(void* block, size_t bytes);

// The machine's physical memory in bytes, 0 if the system does not tell.
uint64_t PhysicalMemory();

}  // namespace viewer::sys
