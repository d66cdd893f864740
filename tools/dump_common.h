// The console dump programs share everything but the analysis they run.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "analysis.h"

// What one dump program is: its name, the analysis it runs, and for --help
// what it prints and a file to show in the example.
struct DumpProgram {
    const char* name;
    viewer::Walk walk;
    const char* what;         // "the chunk tree of a RIFF file (AVI, WAVE)"
    const char* exampleFile;  // "clip.avi"
};
// Defined by each dump program; dump_main.cpp starts it.
extern const DumpProgram kDumpProgram;

// Runs a dump program on its arguments (UTF-8, the program's name first):
// `PROGRAM [--json] FILE`. Prints the tree on standard output and returns 0;
// on a failed analysis prints its message on standard error and returns 1;
// on a usage error prints the usage on standard error and returns 2.
// `--help` and `--version` print on standard output and return 0.
int RunDump(const std::vector<std::string>& args, const DumpProgram& dump);

// The tree as text: one item per line in the order the tree control is
// filled, two spaces of indentation per level, label bytes as they are.
std::string DumpText(const viewer::ChunkTree& tree);

// The tree as JSON: an array of the top-level items, each an object with
// label, size, offset and children. Label bytes outside printable ASCII are
// escaped as \u00XX, so the output is valid JSON and keeps every byte.
std::string DumpJson(const viewer::ChunkTree& tree);

// Writes the text or JSON form to a file in large pieces. False on a write error.
bool WriteDump(const viewer::ChunkTree& tree, bool json, FILE* file);
