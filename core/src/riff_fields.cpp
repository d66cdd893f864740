#include "field_decoding.h"

namespace viewer::fields {

void DecodeRiff(const Context&, NodeFields&) {}

}  // namespace viewer::fields
