// Errors of writes through the C library (the dump tools' output) as the
// system tells them: on POSIX errno and strerror; on Windows the Win32 error
// that the C library met (its _doserrno) and the system's own message for
// it, rather than the library's errno mapping of it (which calls a closed
// pipe "Invalid argument").
#pragma once

#include <string>

namespace viewer {

// Forgets the last error, before the writes whose failure is to be told.
void ClearWriteError();

// The error of the stdio call that just failed; never 0.
int LastWriteError();

// Its text, as the system words it (UTF-8, no line break).
std::string WriteErrorText(int error);

}  // namespace viewer
