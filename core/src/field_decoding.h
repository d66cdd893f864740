// What the decoders of riff_fields.cpp and atom_fields.cpp share: the node
// in its place in the tree, bounded reads of its bytes, and the lists of
// fields they fill.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "byte_order.h"
#include "node_fields.h"

namespace viewer::fields {

struct Context {
    ByteSource& file;
    const ChunkTree& tree;
    const ChunkNode& node;
    const ChunkNode* const* ancestors;  // from the top level down to the parent
    size_t depth;

    const ChunkNode* Parent() const { return depth ? ancestors[depth - 1] : nullptr; }
    // The nearest ancestor whose label is `label`, or null.
    const ChunkNode* Ancestor(const char* label) const;
    // How many bytes of `n`'s payload (after its header) may be read: up to
    // kMaxFieldBytes, its declared end, its parent's span end and the end of
    // the data. Works for the node itself and its relatives alike.
    size_t PayloadLimit(const ChunkNode& n) const;
};

// The first child of `parent` labelled `label`, or null.
const ChunkNode* ChildLabelled(const ChunkNode& parent, const char* label);

// Up to kMaxFieldBytes of a node's payload, read once; `size` is how many
// came (fewer than the payload when it is cut at the limit, the declared
// end, the parent's end or the end of the file).
struct Payload {
    unsigned char bytes[kMaxFieldBytes];
    size_t size = 0;
    bool readFailed = false;  // the file could not be read where it should have been

    // Whether `n` bytes from `at` are there.
    bool Has(size_t at, size_t n) const { return at <= size && n <= size - at; }
    uint32_t Le16(size_t at) const { return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8; }
    uint32_t Le32(size_t at) const { return ReadLe32(bytes + at); }
    uint32_t Be16(size_t at) const { return uint32_t(bytes[at]) << 8 | bytes[at + 1]; }
    uint32_t Be32(size_t at) const { return ReadBe32(bytes + at); }
    uint64_t Be64(size_t at) const { return ReadBe64(bytes + at); }
    std::string Text(size_t at, size_t n) const { return std::string(reinterpret_cast<const char*>(bytes + at), n); }
};

// Reads the payload of `n` (the node being decoded or a relative of it).
void ReadPayload(const Context& c, const ChunkNode& n, Payload& out);

// Appenders, so that a decoder reads as a list of its fields.
struct Out {
    NodeFields& f;
    void Integer(const char* name, int64_t v) { Add(name, FieldType::kInteger, v); }
    void Hex(const char* name, int64_t v, const char* meaning = nullptr) {
        Add(name, FieldType::kHex, v).text = meaning ? meaning : "";
    }
    void Code(const char* name, const unsigned char* p) { Add(name, FieldType::kCode).text.assign(reinterpret_cast<const char*>(p), 4); }
    void Text(const char* name, std::string t) { Add(name, FieldType::kText).text = std::move(t); }
    Field& Add(std::string name, FieldType type, int64_t value = 0, int64_t scale = 0) {
        // Room for a typical node's fields at once, not grown one by one.
        if (f.fields.empty()) f.fields.reserve(16);
        f.fields.push_back(Field{std::move(name), type, value, scale, {}});
        return f.fields.back();
    }
    void TooShort() { f.problem = FieldProblem::kTooShort; }
};

// The decoders of each family: fill `out` (known already set) or leave it
// unknown for a node they do not decode.
void DecodeRiff(const Context& c, NodeFields& out);
void DecodeAtom(const Context& c, NodeFields& out);

}  // namespace viewer::fields
