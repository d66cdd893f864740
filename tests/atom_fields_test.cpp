// The decoders of well-known atoms, on files built byte by byte: the exact
// fields of each, and what a short or odd one gives.
#include <gtest/gtest.h>

#include "atom_analysis.h"
#include "fields_support.h"

namespace {

}  // namespace
