// What an analysis hands back to whoever asked for it (dialog, dump tool,
// tests, fuzzers): either a finished tree or the reason there is none.
#pragma once

#include <memory>
#include <string>

#include "byte_source.h"
#include "chunk_node.h"

namespace viewer {

// Why an analysis gave no tree, or gave only part of one.
enum class Reason {
    kNone,         // it gave the whole tree
    kEmptyPath,    // no file was named
    kCannotOpen,   // the file cannot be opened as a readable regular file
    kTooSmall,     // fewer bytes than the format's header
    kNotRiff,      // the header is not a RIFF header
    kOutOfMemory,  // the tree did not fit into memory (or into the memory budget)
    kReadError,    // the file could not be read to its end: the tree is what was read before
};

// The text that tells the user about a reason (UTF-8, Chinese as every text
// the programs show); empty for kNone.
const char* ReasonText(Reason reason);

struct Analysis {
    std::unique_ptr<ChunkTree> tree;  // set when the analysis succeeded
    Reason reason = Reason::kNone;    // why not, when it failed; kReadError comes with the tree read
                                      // so far, or none when the header itself could not be read
    ReadFailure readFailure;          // with kReadError: where and why reading stopped
    // For an analysis of a file by AnalyzePath: the path it opened (on
    // Windows without the quotes around it) and the file's stamp then, so
    // that the file can be read again later (a node's fields) and be told
    // apart from a file changed meanwhile.
    std::string path;
    FileStamp stamp;

    bool ok() const { return tree != nullptr; }

    // For a walk that has built its tree: marks the tree as partial when the
    // source could not be read to its end.
    void TakeReadFailure(const ByteSource& source) {
        if (!source.Failure()) return;
        reason = Reason::kReadError;
        readFailure = source.Failure();
    }

    static Analysis Failure(Reason why) {
        Analysis a;
        a.reason = why;
        return a;
    }
};

// A walk: analyses data that is already open, from its start.
using Walk = Analysis (*)(ByteSource& source);

// Opens the file named by the UTF-8 path and runs the walk over it; the
// file is closed again before this returns.
Analysis AnalyzePath(const std::string& path, Walk walk);

// Opens the file an analysis read again, for reading more of it: null when
// it cannot be opened, or when its stamp is no longer `stamp` (it changed
// since; *changed is then set).
std::unique_ptr<ByteSource> ReopenUnchanged(const std::string& path, const FileStamp& stamp, bool* changed = nullptr);

}  // namespace viewer
