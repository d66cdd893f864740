// The text of a node's tree item, shared by the display and by the count of
// the room the items need.
#pragma once

#include <cstddef>

#include "chunk_node.h"

// Room for a label text whose every byte became two.
constexpr size_t kItemTextCapacity = 2 * viewer::kLabelTextCapacity;

// A node's label text as the tree shows it: the label's bytes one character
// each, 0x80 to 0xFF as U+0080 to U+00FF (as the JSON dump writes them), so
// that different bytes never look alike; the control takes UTF-8. Returns
// the text's length in bytes.
inline size_t ItemText(const viewer::ChunkNode& node, char (&out)[kItemTextCapacity]) {
    char text[viewer::kLabelTextCapacity];
    const size_t n = viewer::FormatLabelText(node, text, sizeof text);
    size_t o = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out[o++] = static_cast<char>(byte);
        } else {
            out[o++] = static_cast<char>(0xC0 | (byte >> 6));
            out[o++] = static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    out[o] = '\0';
    return o;
}
