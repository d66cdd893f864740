// Fuzz target for the atom walk: analyses the input from memory through the
// same byte source files use, twice, then once more as a file, and checks
// the trees and the fields decoded from every node (fuzz_check.h).
#include <cstring>

#include "atom_analysis.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const viewer::Analysis a = fuzz::AnalyzeEveryWay(atom::Analyze, data, size);

    // Any bytes make a tree: TOP, the length of the data, alone at the top.
    if (!a.ok()) fuzz::Fail("atom analysis failed", nullptr);
    const viewer::ChunkNode* top = a.tree->root;
    if (std::strcmp(top->label, "TOP") != 0 || top->size != static_cast<int64_t>(size) || top->offset != 0 || top->next)
        fuzz::Fail("root is not TOP over the whole data", top);
    fuzz::CheckTree(*a.tree, static_cast<int64_t>(size), atom::kMaxDepth, true, data);
    fuzz::CheckFields(*a.tree, data, size);
    return 0;
}
