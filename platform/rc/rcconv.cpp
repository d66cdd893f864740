// Resource converter: reads a resource script and writes the C++ source of
// its resource table.
//   rcconv [-I DIR]... SCRIPT.rc OUTPUT.cpp [DEPFILE [MODULE]]
// -I adds a folder where #include looks after the including file's own
// (the build's generated headers, as windres -I). DEPFILE, if given, receives a make rule naming every file the table was
// made from (included scripts and headers, icons, bitmaps); MODULE names a
// function the output defines that gives the table as a resource module.
// On anything it cannot read it prints "file:line: error: ..." and fails.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rc_parser.h"

int main(int argc, char** argv) {
    const char* program = argc > 0 ? argv[0] : "rcconv";
    std::vector<std::string> includeDirs;
    int first = 1;
    while (first + 1 < argc && std::strcmp(argv[first], "-I") == 0) {
        includeDirs.push_back(argv[first + 1]);
        first += 2;
    }
    // What remains: SCRIPT OUTPUT [DEPFILE [MODULE]].
    argc -= first - 1;
    argv += first - 1;
    if (argc < 3 || argc > 5 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: %s [-I DIR]... SCRIPT.rc OUTPUT.cpp [DEPFILE [MODULE]]\n", program);
        return 2;
    }
    try {
        const ResourceScript script = ParseResourceFile(argv[1], includeDirs);
        const std::string source =
            GenerateResourceSource(script, std::filesystem::path(argv[1]).filename().string(), argc == 5 ? argv[4] : "");
        const std::string temp = std::string(argv[2]) + ".tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out << source;
            if (!out) {
                std::fprintf(stderr, "%s: error: cannot write\n", temp.c_str());
                return 1;
            }
        }
        std::filesystem::rename(temp, argv[2]);
        if (argc >= 4) {
            std::ofstream dep(argv[3], std::ios::binary | std::ios::trunc);
            dep << GenerateDependencyRule(script, argv[1], argv[2]);
            if (!dep) {
                std::fprintf(stderr, "%s: error: cannot write\n", argv[3]);
                return 1;
            }
        }
    } catch (const RcError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: error: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
