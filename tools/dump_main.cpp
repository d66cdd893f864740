// The entry of both dump programs. On Windows the arguments arrive as
// UTF-16, so that any file name reaches the program, and the output is
// written as bytes, the same as elsewhere (no CR before each LF).
#include "dump_common.h"

#include <new>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "utf16.h"

int wmain(int argc, wchar_t** argv) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    try {
        std::vector<std::string> args;
        for (int i = 0; i < argc; ++i) args.push_back(viewer::Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
        return RunDump(args, kDumpProgram);
    } catch (const std::bad_alloc&) {
        return DumpOutOfMemory();
    }
}
#else
int main(int argc, char** argv) {
    try {
        return RunDump(std::vector<std::string>(argv, argv + argc), kDumpProgram);
    } catch (const std::bad_alloc&) {
        return DumpOutOfMemory();
    }
}
#endif
