// Analysis of files made of nested atoms (QuickTime, ISO base media: MOV,
// MP4, 3GP, 3G2, M4A): a synthetic root TOP stands for the whole file, and
// every atom whose payload looks like further atom headers is walked into.
#pragma once

#include <string>

#include "analysis.h"
#include "byte_source.h"

// Atoms nest at most this many levels below TOP; an atom at this depth is
// shown without children.
inline constexpr int kAtomMaxDepth = 256;

// The header test: the first three type characters lie in '0' to 'z'.
bool PlausibleAtomType(const unsigned char* type);

// Opens the file named by the UTF-8 path and analyses it.
Analysis AnalyzeAtomPath(const std::string& path);

// Analyses data that is already open, from its start. Any data succeeds.
Analysis AnalyzeAtomSource(ByteSource& source);
