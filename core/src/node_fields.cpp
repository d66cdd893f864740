#include "node_fields.h"

#include <algorithm>
#include <limits>

#include "field_decoding.h"
#include "node_hints.h"

namespace viewer {
namespace fields {

const ChunkNode* Context::Ancestor(const char* label) const {
    for (size_t i = depth; i-- > 0;)
        if (std::strncmp(ancestors[i]->label, label, sizeof ancestors[i]->label) == 0) return ancestors[i];
    return nullptr;
}

const ChunkNode* ChildLabelled(const ChunkNode& parent, const char* label) {
    for (const ChunkNode* n = parent.firstChild; n; n = n->next)
        if (std::strncmp(n->label, label, sizeof n->label) == 0) return n;
    return nullptr;
}

size_t Context::PayloadLimit(const ChunkNode& n) const {
    // The parent of `n`: the node's own parent for the node and its
    // siblings; for a child of the node, the node; otherwise the nearest
    // ancestor that holds it.
    const ChunkNode* holder = nullptr;
    if (&n != &node) {
        for (size_t i = depth + 1; i-- > 0 && !holder;) {
            const ChunkNode* a = i == depth ? &node : ancestors[i];
            for (const ChunkNode* k = a->firstChild; k; k = k->next)
                if (k == &n) {
                    holder = a;
                    break;
                }
        }
    } else {
        holder = Parent();
    }
    const int64_t start = n.offset + n.headerSize;
    // A negative size (a streamed RIFF chunk's) says nothing of its end: it
    // runs as far as what holds it.
    int64_t end = n.size < 0 ? std::numeric_limits<int64_t>::max() : DeclaredEnd(n, tree);
    if (holder) end = std::min(end, SpanEnd(*holder, tree));
    end = std::min(end, file.KnownLength());
    if (end <= start) return 0;
    return static_cast<size_t>(std::min<int64_t>(end - start, static_cast<int64_t>(kMaxFieldBytes)));
}

void ReadPayload(const Context& c, const ChunkNode& n, Payload& out) {
    const size_t want = c.PayloadLimit(n);
    c.file.Seek(n.offset + n.headerSize);
    out.size = want ? c.file.Read(out.bytes, want) : 0;
    out.readFailed = out.size < want;
}

}  // namespace fields

NodeFields DecodeFields(ByteSource& file, const ChunkTree& tree, const ChunkNode& node,
                        const ChunkNode* const* ancestors, size_t depth) {
    NodeFields out;
    if (node.flags & kPhantom) return out;
    const fields::Context c{file, tree, node, ancestors, depth};
    if (tree.sizeCountsHeader)
        fields::DecodeAtom(c, out);
    else
        fields::DecodeRiff(c, out);
    return out;
}

}  // namespace viewer
