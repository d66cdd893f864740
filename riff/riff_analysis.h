// Analysis of RIFF files (AVI, WAVE, ...): checks the 12-byte RIFF header and
// walks the chunk hierarchy, descending into LIST chunks.
#pragma once

#include <string>

#include "analysis.h"
#include "byte_source.h"

// Chunks nest at most this many levels below the root; a LIST at this depth
// is shown with its type but without children.
inline constexpr int kRiffMaxDepth = 256;

// Opens the file named by the UTF-8 path and analyses it.
Analysis AnalyzeRiffPath(const std::string& path);

// Analyses data that is already open, from its start.
Analysis AnalyzeRiffSource(ByteSource& source);
