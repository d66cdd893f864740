// Names that Windows takes for a device rather than a file: they are refused
// before anything is asked of the system about them, so that no device is
// ever opened (a serial port opens on CreateFileW, before any handle check).
#pragma once

#include <string>

namespace viewer {

#ifdef _WIN32
// Whether the UTF-8 path names a device: the device and NT namespaces
// (\\.\X, \\?\X but \\?\C:\ and \\?\UNC\, \??\X) or a DOS device name as its
// last component (CON, PRN, AUX, NUL, COM0-9, LPT0-9, COM and LPT with ¹ ² ³,
// CONIN$, CONOUT$; any case, any extension, trailing spaces or a colon).
bool IsWindowsDeviceName(const std::string& path);

// The path without one pair of double quotes around all of it, as Explorer's
// 复制为路径 (copy as path) puts there. A Windows file name cannot hold `"`,
// so no real path loses anything.
inline std::string WithoutSurroundingQuotes(const std::string& path) {
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') return path.substr(1, path.size() - 2);
    return path;
}
#endif

}  // namespace viewer
