// The console dump programs share everything but the analysis they run.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "analysis.h"
#include "node_fields.h"

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

// The exit statuses of the dump programs.
enum DumpStatus {
    kDumpOk = 0,             // the whole tree was printed
    kDumpCannotAnalyse = 1,  // the file cannot be analysed: the dialog's message on standard error
    kDumpUsage = 2,          // the arguments (or VIEWER_MEMORY_BUDGET) are wrong: the usage on standard error
    kDumpAnomalies = 3,      // --check found at least one anomaly (and printed it)
    kDumpReadError = 4,    // the file could not be read to its end: the tree read so far, then the error
    kDumpCannotWrite = 5,  // the output could not be written: the reason on standard error
};

// Runs a dump program on its arguments (UTF-8, the program's name first):
// `PROGRAM [--fields | --json | --check] FILE`. Prints the tree on `out`, messages on `err`, and
// returns one of the statuses above. `--help` and `--version` print on `out`
// and return 0 (5 when that cannot be written).
// Memory that runs out at any point, the walk's or the output's, ends in
// status 1 with the out-of-memory message.
int RunDump(const std::vector<std::string>& args, const DumpProgram& dump, FILE* out = stdout, FILE* err = stderr);

// Says on `err` that memory ran out, as an analysis does, and returns
// status 1: for the entry points, whose own argument lists may not fit.
int DumpOutOfMemory(FILE* err = stderr);

// The tree as text: one item per line in the order the tree control is
// filled, two spaces of indentation per level. Label bytes 0x20 to 0x7E are
// written as they are, the backslash as \\, any other byte as \xNN (two
// lowercase hex digits).
std::string DumpText(const viewer::ChunkTree& tree);

// The tree as JSON: an array of the top-level items, each an object with
// label, size, offset, header, children and, when there are any, anomalies
// and notes ({"kind": NAME, "bytes": N}, the figure where the kind has one;
// node_hints.h); a phantom (chunk_node.h) also has "phantom": true. Label bytes outside printable ASCII are
// escaped as \u00XX, so the output is valid JSON and keeps every byte.
// With `file` (the file the tree was read from), a node the decoder knows
// (node_fields.h) also has "fields" (AppendFieldsJson).
std::string DumpJson(const viewer::ChunkTree& tree, viewer::ByteSource* file = nullptr);

// The text form with each known node's fields on lines below it (--fields):
// AppendFieldLines at the node's indentation plus four spaces.
std::string DumpFields(const viewer::ChunkTree& tree, viewer::ByteSource& file);

// A node's fields as lines of `indent` spaces and "NAME = VALUE", in ASCII
// with bytes escaped as labels are: numbers in decimal, flags and tags in
// hex with their meaning in parentheses, codes in single quotes, texts in
// double quotes, times as 00:01:23.456 (ticks/timescale), rates as
// 25/s (25/1), sizes as 320 x 240, units after the number (Hz, bytes,
// bytes/s, us). A last line "! ..." says why fields are missing.
void AppendFieldLines(std::string& out, const viewer::NodeFields& fields, size_t indent);

// A known node's fields as JSON members to append to its object:
// ,"fields":{NAME: VALUE, ...} with numbers as numbers, codes and texts as
// strings, a list of codes as an array of strings, flags or tags with a
// meaning as {"value": N, "meaning": TEXT}, yes/no as true/false, times as
// {"ticks": N, "timescale": N}, rates as {"num": N, "den": N} (per second),
// sizes as {"width": N, "height": N}; then ,"fields_problem":{"kind":
// "too-short" | "unknown-version" | "unreadable"} ("version": N with the
// second). Nothing for a node the decoder does not know.
void AppendFieldsJson(std::string& out, const viewer::NodeFields& fields);

// The file's anomalies only (--check), a phantom's never: one line each,
// "OFFSET PATH: KIND: what", PATH being the labels from the top joined by
// '/', escaped as the text form escapes them, '/' itself as \x2f and ':'
// as \x3a (so a line splits at its first ": " after the offset).
// Empty for a sound file.
std::string DumpCheck(const viewer::ChunkTree& tree);

enum class DumpForm { kText, kJson, kCheck, kFields };

// Writes a form to a file in large pieces and flushes it, and counts the
// anomalies that --check printed into *anomalies (when given). Returns 0,
// or the error of the write that failed (viewer::LastWriteError, write_error.h).
// `source` is the file the tree was read from, for the fields of kFields
// and kJson (none: JSON without fields; kFields needs it).
int WriteDump(const viewer::ChunkTree& tree, DumpForm form, FILE* file, size_t* anomalies = nullptr,
              viewer::ByteSource* source = nullptr);
