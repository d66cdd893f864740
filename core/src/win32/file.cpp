// Files on Windows: opened by their UTF-16 name with read and write shared,
// so a file a player still writes opens, and read at an offset with ReadFile.
// Only files on a disk are taken; directories, devices (CON, NUL, COM1 and
// the like, anything under \\.\), pipes and consoles are refused before
// anything is read from them.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "../system.h"
#include "device_names.h"
#include "utf16.h"
#include "write_error.h"

namespace viewer::sys {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A name in the device namespace: \\.\X or \\?\X, save \\?\C:\... and
// \\?\UNC\..., which are ordinary long paths; and anything in the NT
// object namespace, \??\X.
bool IsDeviceNamespace(const std::u16string& path) {
    if (path.size() < 4 || !IsSeparator(path[0]) || !IsSeparator(path[3])) return false;
    if (path[1] == u'?' && path[2] == u'?') return true;
    if (!IsSeparator(path[1])) return false;
    if (path[2] == u'.') return true;
    if (path[2] != u'?') return false;
    const std::u16string rest = path.substr(4);
    const bool drive = rest.size() >= 3 && std::iswalpha(rest[0]) && rest[1] == u':' && IsSeparator(rest[2]);
    const bool unc = rest.size() >= 4 && (rest[0] | 0x20) == u'u' && (rest[1] | 0x20) == u'n' &&
                     (rest[2] | 0x20) == u'c' && IsSeparator(rest[3]);
    return !drive && !unc;
}

// A last component that names a DOS device wherever it stands, as
// Microsoft's "Naming Files, Paths, and Namespaces" lists them: CON, PRN,
// AUX, NUL, COM0-COM9, LPT0-LPT9 and COM and LPT with the superscript
// digits ¹ ² ³ (which Windows takes for digits there), and CONIN$ and
// CONOUT$; in any case, with any extension, trailing spaces or a colon
// after it (NUL:, COM1:stream), and after a drive (C:NUL).
bool IsReservedName(const std::u16string& path) {
    size_t start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1])) --start;
    if (start == 0 && path.size() >= 2 && path[1] == u':') start = 2;
    std::u16string stem = path.substr(start);
    stem.resize(std::min(stem.size(), stem.find_first_of(u".:")));
    while (!stem.empty() && stem.back() == u' ') stem.pop_back();
    for (char16_t& c : stem)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL" || stem == u"CONIN$" ||
        stem == u"CONOUT$")
        return true;
    if (stem.size() != 4 || (stem.compare(0, 3, u"COM") != 0 && stem.compare(0, 3, u"LPT") != 0)) return false;
    const char16_t digit = stem[3];
    return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

}  // namespace

FileHandle OpenRegularFile(const std::string& path, int64_t* length, int64_t* modified) {
    std::u16string wide;
    if (path.empty() || path.find('\0') != std::string::npos || !Utf8ToUtf16(path, &wide)) return kNoFile;
    if (IsDeviceNamespace(wide) || IsReservedName(wide)) return kNoFile;
    const auto* name = reinterpret_cast<const wchar_t*>(wide.c_str());
    // Look before opening: a directory or a device is not to be opened.
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return kNoFile;
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kNoFile;
    // The name may have been replaced between the look and the open.
    LARGE_INTEGER size;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return kNoFile;
    }
    *length = size.QuadPart;
    *modified = static_cast<int64_t>(uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime);
    return reinterpret_cast<FileHandle>(file);
}

int64_t ReadAt(FileHandle file, void* buffer, size_t n, int64_t offset, int* error) {
    // One call reads at most what a DWORD counts; the caller asks again.
    const DWORD want = n > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(n);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, want, &got, &at)) {
        const DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF) return 0;
        *error = static_cast<int>(code);
        return -1;
    }
    return got;
}

std::string ErrorText(int error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string wide(reinterpret_cast<const char16_t*>(text), n);
    if (text) LocalFree(text);
    while (!wide.empty() && (wide.back() == u'\r' || wide.back() == u'\n' || wide.back() == u' ')) wide.pop_back();
    if (wide.empty()) return "Windows error " + std::to_string(error);
    return Utf16ToUtf8(wide);
}

void CloseFile(FileHandle file) {
    if (file != kNoFile) CloseHandle(reinterpret_cast<HANDLE>(file));
}

}  // namespace viewer::sys

namespace viewer {

bool IsWindowsDeviceName(const std::string& path) {
    std::u16string wide;
    if (!Utf8ToUtf16(path, &wide)) return false;
    return sys::IsDeviceNamespace(wide) || sys::IsReservedName(wide);
}

// A Win32 error number as it is, the C library's own errno (where no system
// call failed) as its negative.
void ClearWriteError() {
    errno = 0;
    _doserrno = 0;
}

int LastWriteError() {
    if (_doserrno != 0) return static_cast<int>(_doserrno);
    return errno != 0 ? -errno : -EIO;
}

std::string WriteErrorText(int error) { return error < 0 ? std::strerror(-error) : sys::ErrorText(error); }

}  // namespace viewer
