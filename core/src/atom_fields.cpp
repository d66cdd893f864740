#include "field_decoding.h"

namespace viewer::fields {

void DecodeAtom(const Context&, NodeFields&) {}

}  // namespace viewer::fields
