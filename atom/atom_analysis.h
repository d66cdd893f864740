// Analysis of files made of nested atoms (QuickTime, ISO base media: MOV,
// MP4, 3GP, 3G2, M4A): a synthetic root TOP stands for the whole file, and
// every atom whose payload looks like further atom headers is walked into.
#pragma once

#include "analysis.h"

namespace atom {

// Atoms nest at most this many levels below TOP; an atom at this depth is
// shown without children.
inline constexpr int kMaxDepth = 256;

// The header test: the first three type characters lie in '0' to 'z'.
bool PlausibleType(const unsigned char* type);

// Analyses data that is already open, from its start (a viewer::Walk). Any
// data succeeds.
viewer::Analysis Analyze(viewer::ByteSource& source);

}  // namespace atom
