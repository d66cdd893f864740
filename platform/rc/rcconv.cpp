// Resource converter: reads a resource script and writes the C++ source of
// its resource table. Usage: rcconv SCRIPT.rc OUTPUT.cpp [DEPFILE [MODULE]]
// DEPFILE, if given, receives a make rule naming every file the table was
// made from (included scripts and headers, icons, bitmaps); MODULE names a
// function the output defines that gives the table as a resource module.
// On anything it cannot read it prints "file:line: error: ..." and fails.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "rc_parser.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: %s SCRIPT.rc OUTPUT.cpp [DEPFILE [MODULE]]\n", argc > 0 ? argv[0] : "rcconv");
        return 2;
    }
    try {
        const ResourceScript script = ParseResourceFile(argv[1]);
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
