// A hook for tests of what ordinary files cannot show: a file system that
// fails part way through a file. Process-wide; it costs one check per read
// call made to the system, never one per header.
#pragma once

#include <cstdint>

namespace viewer {

// Makes every read of a file at or past `offset` fail with the system error
// number `error` (a read that starts before it delivers the bytes up to it).
// A negative offset turns the failure off.
void SetReadFailureForTesting(int64_t offset, int error);

}  // namespace viewer
