// Fuzz target for the RIFF walk: analyses the input from memory through the
// same byte source files use, twice, then once more as a file, and checks
// the trees and the fields decoded from every node (fuzz_check.h).
#include <cstring>

#include "fuzz_check.h"
#include "riff_analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const viewer::Analysis a = fuzz::AnalyzeEveryWay(riff::Analyze, data, size);

    // The only ways to fail: too short for a header, or not a RIFF file.
    if (size < 12) {
        if (a.reason != viewer::Reason::kTooSmall) fuzz::Fail("short input not refused as too small", nullptr);
        return 0;
    }
    if (std::memcmp(data, "RIFF", 4) != 0) {
        if (a.reason != viewer::Reason::kNotRiff) fuzz::Fail("input without RIFF not refused", nullptr);
        return 0;
    }
    if (!a.ok()) fuzz::Fail("a RIFF input failed", nullptr);
    if (a.tree->root->offset != 0 || a.tree->root->label[4] != '_') fuzz::Fail("root is not the RIFF header", a.tree->root);
    fuzz::CheckTree(*a.tree, static_cast<int64_t>(size), riff::kMaxDepth, false, data);
    fuzz::CheckFields(*a.tree, data, size);
    return 0;
}
