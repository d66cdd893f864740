#include "chunk_node.h"

#include <cstring>

#include "decimal.h"

namespace viewer {

void CopyCode(char* dst, const unsigned char* src) {
    size_t i = 0;
    for (; i < 4 && src[i] != 0; ++i) dst[i] = static_cast<char>(src[i]);
    for (; i < 4; ++i) dst[i] = 0;
}

size_t FormatLabelText(const ChunkNode& node, char* buf, size_t capacity) {
    // "%s[%lldBytes]", written by hand: the display and the dump tools format
    // millions of these.
    char text[kLabelTextCapacity];
    // The label is always terminated within its bytes; bound it anyway so a
    // node filled by hand cannot make us read past it.
    size_t n = strnlen(node.label, sizeof node.label);
    std::memcpy(text, node.label, n);
    text[n++] = '[';
    n += FormatDecimal(node.size, text + n);
    std::memcpy(text + n, "Bytes]", 6);
    n += 6;
    if (capacity == 0) return 0;
    if (n >= capacity) n = capacity - 1;
    std::memcpy(buf, text, n);
    buf[n] = 0;
    return n;
}

std::string LabelText(const ChunkNode& node) {
    char buf[kLabelTextCapacity];
    const size_t n = FormatLabelText(node, buf, sizeof buf);
    return std::string(buf, n);
}

}  // namespace viewer
