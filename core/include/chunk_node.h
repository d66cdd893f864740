// The node tree every analysis produces: one ChunkNode per chunk or atom,
// children in file order through firstChild/next, nodes owned by their tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace viewer {

// What a walk noticed about a node, as bits of ChunkNode::anomalies: places
// where the file breaks its format or was cut short. The figures that go with
// them (by how many bytes) are derived when shown (node_hints.h).
enum Anomaly : uint16_t {
    kOverrunsParent = 1u << 0,   // its declared end lies past the end of the span that holds it
    kTruncated = 1u << 1,        // its declared end lies past the end of the file
    kNegativeSize = 1u << 2,     // negative (a streamed file's FF FF FF FF) size
    kSizeBelowHeader = 1u << 3,  // an atom whose size cannot even hold its own header
    kMissingPad = 1u << 4,       // odd size, and the byte after it is not a zero pad byte
    kDepthLimit = 1u << 5,       // its children were not read: the nesting bound
    kListTooSmall = 1u << 6,     // a LIST of size 0 to 3, too small for its own type
    kTailSkipped = 1u << 7,      // 1 to 7 bytes after its last child were skipped
    kZeroId = 1u << 8,           // a RIFF chunk id of four zero bytes whose size runs past its bounds
};
// Things legitimate but worth knowing, as bits of ChunkNode::notes.
enum Note : uint8_t {
    kSizeZeroToEnd = 1u << 0,  // an atom of size 0: it runs to the end of its parent (or the file)
    kLargeSize = 1u << 1,      // an atom whose size is the 64-bit one after its type
    kContentsNotAtoms = 1u << 2,  // its payload only looked like atoms: its children are phantoms
    kZeroTerminator = 1u << 3,    // a user data list closed by a 32-bit zero, as QuickTime allows
};
// What a node is, as bits of ChunkNode::flags.
enum NodeFlag : uint8_t {
    // Found only because data inside an atom that does not hold atoms passed
    // the header test, and the guess did not hold up (its parent or an
    // ancestor is marked kContentsNotAtoms): not an atom of the file, so its
    // anomalies are not the file's.
    kPhantom = 1u << 0,
};

struct ChunkNode {
    char label[11];         // NUL-terminated display name, at most 9 characters used
    uint8_t flags;          // NodeFlag bits
    uint16_t anomalies;     // Anomaly bits
    uint8_t notes;          // Note bits
    uint8_t headerSize;     // bytes of its header: 8, a RIFF LIST's 12, a largesize atom's 16 (0: TOP)
    int64_t size;           // size as declared in the file (root of an atom file: its length)
    int64_t offset;         // file offset of the element's header
    ChunkNode* firstChild;  // first child in file order, or null
    ChunkNode* next;        // next sibling in file order, or null
};
static_assert(sizeof(ChunkNode) == 48, "ChunkNode is meant to stay at 48 bytes");

// Copies a 4-byte code into dst the way strncpy(dst, src, 4) does: bytes are
// taken as they are until 4 are copied or a NUL byte is met; the rest of the
// 4 bytes is zero-filled. dst must have room for 4 bytes.
void CopyCode(char* dst, const unsigned char* src);

// Longest label text: 9 label characters, "[", a 64-bit decimal with sign, "Bytes]", NUL.
constexpr size_t kLabelTextCapacity = 48;

// Writes the label text of a node ("%s[%dBytes]" of label and size, the size
// as signed decimal without separators) into buf and returns its length.
size_t FormatLabelText(const ChunkNode& node, char* buf, size_t capacity);
std::string LabelText(const ChunkNode& node);

// Owns the nodes of one analysis. Nodes come from large blocks of address
// space whose pages the system provides only as nodes are written, so a tree
// costs 48 bytes per node plus at most one partly filled page (a huge page
// once the tree outgrows its first block), and is released in one go.
class ChunkTree {
public:
    ChunkTree() = default;
    ~ChunkTree();
    ChunkTree(const ChunkTree&) = delete;
    ChunkTree& operator=(const ChunkTree&) = delete;

    // A zero-filled node whose header sits at `offset`, or null when memory
    // ran out or the nodes would pass the memory budget (memory_budget.h).
    ChunkNode* NewNode(int64_t offset) noexcept;

    // First top-level node. A RIFF file with several top-level RIFF chunks
    // links the further ones through root->next.
    ChunkNode* root = nullptr;

    // What the walk knew of the file as a whole, for the figures of the
    // anomalies (node_hints.h): its length, and whether a size field counts
    // the 8 header bytes before it (atoms) or only what follows them (RIFF).
    int64_t fileLength = 0;
    bool sizeCountsHeader = false;

    size_t NodeCount() const { return count_; }
    // Memory the nodes occupy: the pages of node storage written so far
    // (huge pages beyond the first block).
    size_t BytesInUse() const;

    static constexpr size_t kNodesPerBlock = 87381;  // 4 MiB of address space

private:
    // Maps the next block; false when the budget or the system refuses it.
    bool NewBlock() noexcept;

    std::vector<ChunkNode*> blocks_;
    size_t used_ = 0;        // nodes used in the last block
    size_t blockLimit_ = 0;  // nodes the last block may hold (fewer than it has room for at the budget)
    size_t count_ = 0;
};

}  // namespace viewer
