#include "atom_analysis.h"

#include <cstring>
#include <new>

#include "atom_containers.h"
#include "byte_order.h"

namespace atom {
namespace {

using viewer::Analysis;
using viewer::ByteSource;
using viewer::ChunkNode;
using viewer::ChunkTree;
using viewer::Reason;

// Files under 2 GiB read the 32-bit size field signed, larger ones unsigned.
constexpr int64_t kWideFileLength = int64_t{1} << 31;

constexpr int64_t kHeader = 8;
constexpr int64_t kLargeHeader = 16;
constexpr int64_t kUuidExtension = 16;

class AtomWalker {
public:
    AtomWalker(ByteSource& source, ChunkTree& tree)
        : src_(source), tree_(tree), wide_(source.Length() >= kWideFileLength) {}

    bool outOfMemory() const { return outOfMemory_; }

    // Walks the atoms of one span, `remaining` bytes of which lie ahead of the
    // current position, and leaves the position at the span's end (unless the
    // data ends first). Returns the first atom, or null. `depth` is the depth
    // of the atoms found here (TOP is depth 0); `parent` is the node they
    // belong to, marked when a tail too short for a header is skipped.
    ChunkNode* ParseAtomList(int64_t remaining, int depth, ChunkNode* parent);

private:
    // The size of the atom whose 8-byte header has been read into `header`
    // (room for 16 bytes): a 64-bit size that follows the type is read too
    // and counted in *headerSize; size 0 runs to the end of the enclosing
    // span (*note says which of the two it was). False when the data ends
    // within the header. Part of the walk's inner loop, once per atom:
    // inlined into it.
    [[gnu::always_inline]] inline bool ReadSize(unsigned char* header, int64_t remaining, int64_t* size,
                                                int64_t* headerSize, uint8_t* note);

    ByteSource& src_;
    ChunkTree& tree_;
    const bool wide_;
    bool outOfMemory_ = false;
};

bool AtomWalker::ReadSize(unsigned char* header, int64_t remaining, int64_t* size, int64_t* headerSize,
                          uint8_t* note) {
    const uint32_t field = viewer::ReadBe32(header);
    *headerSize = kHeader;
    *note = 0;
    if (field == 1) {
        if (src_.Read(header + kHeader, 8) != 8) return false;
        *headerSize = kLargeHeader;
        *size = static_cast<int64_t>(viewer::ReadBe64(header + 8));
        *note = viewer::kLargeSize;
    } else if (field == 0) {
        *size = remaining;
        *note = viewer::kSizeZeroToEnd;
    } else {
        *size = wide_ ? static_cast<int64_t>(field) : static_cast<int64_t>(static_cast<int32_t>(field));
    }
    return true;
}

ChunkNode* AtomWalker::ParseAtomList(int64_t remaining, int depth, ChunkNode* parent) {
    ChunkNode* first = nullptr;
    ChunkNode* last = nullptr;

    while (remaining >= kHeader && !outOfMemory_) {
        const int64_t offset = src_.Tell();
        unsigned char header[kLargeHeader];
        if (src_.Read(header, kHeader) != kHeader) break;
        if (!PlausibleType(header + 4)) {
            // Not an atom header: the rest of the span is payload of the parent.
            src_.Skip(remaining - kHeader);
            remaining = 0;
            break;
        }
        int64_t size, headerSize;
        uint8_t note;
        if (!ReadSize(header, remaining, &size, &headerSize, &note)) break;

        ChunkNode* node = tree_.NewNode(offset);
        if (!node) {
            outOfMemory_ = true;
            break;
        }
        viewer::CopyCode(node->label, header + 4);
        node->size = size;
        node->headerSize = static_cast<uint8_t>(headerSize);
        node->notes = note;
        if (last)
            last->next = node;
        else
            first = node;
        last = node;

        if (size < headerSize || size > remaining) {
            // Every span walked lies inside the file, so only an atom past
            // its span can be past the end of the file.
            if (size < 0)
                node->anomalies = viewer::kNegativeSize;
            else if (size < headerSize)
                node->anomalies = viewer::kSizeBelowHeader;
            // `remaining` runs from this atom to the end of its span. Even a
            // size below its header can lie past it: a 16-byte header whose
            // 64-bit size was read from beyond the span. An atom past a span
            // that ends where the file does is marked truncated alone: the
            // two figures would be the same.
            if (size > remaining) {
                if (size > src_.Length() - offset) node->anomalies |= viewer::kTruncated;
                if (offset + remaining != src_.Length()) node->anomalies |= viewer::kOverrunsParent;
            }
            // Smaller than its own header, negative, or past the end of its
            // parent: shown as declared, childless, and the last of its list.
            src_.Skip(remaining - headerSize);
            remaining = 0;
            break;
        }

        int64_t payload = size - headerSize;
        if (std::memcmp(header + 4, "uuid", 4) == 0) {
            // The 16-byte extended type comes before any children.
            if (payload < kUuidExtension) {
                src_.Skip(payload);
                remaining -= size;
                continue;
            }
            src_.Skip(kUuidExtension);
            payload -= kUuidExtension;
            node->headerSize = static_cast<uint8_t>(headerSize + kUuidExtension);
        }
        if (depth < kMaxDepth) {
            node->firstChild = ParseAtomList(payload, depth + 1, node);
            // Atoms found in a payload that the formats do not define as
            // atoms, and that do not fit it, were data.
            if (node->firstChild) viewer::JudgeAtomContents(*node, *parent, tree_);
        } else {
            // At the nesting bound the children are not read: marked only
            // where the payload starts with what would have been read as an
            // atom.
            int64_t looked = 0;
            if (payload >= kHeader) {
                unsigned char next[kHeader];
                looked = static_cast<int64_t>(src_.Read(next, kHeader));
                if (looked == kHeader && PlausibleType(next + 4)) node->anomalies |= viewer::kDepthLimit;
            }
            src_.Skip(payload - looked);
        }
        remaining -= size;
    }
    // Fewer bytes than a header are left: they belong to the span, step over
    // them. After atoms, that is a tail the list could not read, unless it
    // is the 32-bit zero with which QuickTime lets a user data list end.
    if (remaining > 0 && remaining < kHeader) {
        if (remaining == 4 && last && std::memcmp(parent->label, "udta", 4) == 0) {
            unsigned char tail[4];
            if (src_.Read(tail, 4) == 4 && viewer::ReadBe32(tail) == 0) {
                parent->notes |= viewer::kZeroTerminator;
            } else {
                parent->anomalies |= viewer::kTailSkipped;
            }
        } else {
            src_.Skip(remaining);
            if (last) parent->anomalies |= viewer::kTailSkipped;
        }
    }
    if (last) last->next = nullptr;
    return first;
}

}  // namespace

bool PlausibleType(const unsigned char* type) {
    for (int i = 0; i < 3; ++i)
        if (type[i] < 0x30 || type[i] > 0x7A) return false;
    return true;
}

Analysis Analyze(ByteSource& source) {
    Analysis result;
    result.tree.reset(new (std::nothrow) ChunkTree());
    if (!result.tree) return Analysis::Failure(Reason::kOutOfMemory);
    ChunkNode* root = result.tree->NewNode(0);
    if (!root) return Analysis::Failure(Reason::kOutOfMemory);
    std::memcpy(root->label, "TOP", 3);
    root->size = source.Length();
    result.tree->fileLength = source.Length();
    result.tree->sizeCountsHeader = true;
    source.Seek(0);
    AtomWalker walker(source, *result.tree);
    root->firstChild = walker.ParseAtomList(root->size, 1, root);
    if (walker.outOfMemory()) return Analysis::Failure(Reason::kOutOfMemory);
    result.tree->root = root;
    result.TakeReadFailure(source);
    return result;
}

}  // namespace atom
