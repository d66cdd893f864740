// Analysis of RIFF files (AVI, WAVE, ...): checks the 12-byte RIFF header and
// walks the chunk hierarchy, descending into LIST chunks.
#pragma once

#include "analysis.h"

namespace riff {

// Chunks nest at most this many levels below the root; a LIST at this depth
// is shown with its type but without children.
inline constexpr int kMaxDepth = 256;

// Analyses data that is already open, from its start (a viewer::Walk).
viewer::Analysis Analyze(viewer::ByteSource& source);

}  // namespace riff
