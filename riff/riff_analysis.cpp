#include "riff_analysis.h"

#include <cstring>
#include <new>

#include "byte_order.h"
#include "node_hints.h"

namespace riff {
namespace {

using viewer::Analysis;
using viewer::ByteSource;
using viewer::ChunkNode;
using viewer::ChunkTree;
using viewer::CopyCode;
using viewer::Reason;

// Files under 2 GiB are walked as the format's writers intended with signed
// 32-bit sizes and a 32-bit span count that wraps around; larger files need
// 64-bit spans and read sizes unsigned.
constexpr int64_t kWideFileLength = int64_t{1} << 31;

class RiffWalker {
public:
    RiffWalker(ByteSource& source, ChunkTree& tree)
        : src_(source), tree_(tree), wide_(source.Length() >= kWideFileLength) {}

    ChunkNode* WalkFile();
    bool outOfMemory() const { return outOfMemory_; }

    // Walks the chunks of one span, `remaining` bytes of which lie ahead of
    // the current position, and returns the first of them (null if none).
    // `depth` is the depth of the chunks found here (the root is depth 0).
    ChunkNode* ParseChunkList(int64_t remaining, int depth);

private:
    // A size field as this file's width reads it.
    int64_t SizeField(const unsigned char* p) const {
        const uint32_t raw = viewer::ReadLe32(p);
        return wide_ ? static_cast<int64_t>(raw) : static_cast<int64_t>(static_cast<int32_t>(raw));
    }

    // remaining - amount, wrapping to 32 bits in a narrow file.
    int64_t Reduce(int64_t remaining, int64_t amount) const {
        if (wide_) return remaining - amount;
        return static_cast<int32_t>(static_cast<uint32_t>(remaining) - static_cast<uint32_t>(amount));
    }

    // After a chunk of odd size comes a pad byte, if the writer put one
    // there: the byte at the chunk's declared end. A zero one counts to the
    // span and, where the walk stands there, is stepped over; a chunk whose
    // writer left it out is marked. After a LIST whose children ran past
    // it, the walk goes on from where they ended: the byte at the LIST's
    // end is only looked at.
    void SkipPad(ChunkNode* node, int64_t& remaining) {
        const int64_t end = node->offset + 8 + node->size;
        const int64_t at = src_.Tell();
        if (at != end) src_.Seek(end);
        unsigned char pad;
        const bool read = src_.Read(&pad, 1) == 1;
        if (at != end) src_.Seek(at);
        if (!read) return;
        if (pad == 0) {
            remaining = Reduce(remaining, 1);
        } else {
            if (at == end) src_.Skip(-1);
            node->anomalies |= viewer::kMissingPad;
        }
    }

    // A node for the chunk whose header (12 bytes for a list: with its type)
    // sits at `offset`: labelled with its identifier, a list's also with its
    // type, and sized as its size field says. Null when memory ran out.
    ChunkNode* NewNode(int64_t offset, const unsigned char* header, bool isList) {
        ChunkNode* node = tree_.NewNode(offset);
        if (!node) {
            outOfMemory_ = true;
            return nullptr;
        }
        CopyCode(node->label, header);
        if (isList) {
            node->label[4] = '_';
            CopyCode(node->label + 5, header + 8);
        }
        node->size = SizeField(header + 4);
        node->headerSize = isList ? 12 : 8;
        // The size checked against the end of the file; against the span
        // that holds it, by the caller.
        if (node->size < 0)
            node->anomalies = viewer::kNegativeSize;
        else if (node->size > src_.Length() - offset - 8)
            node->anomalies = static_cast<uint16_t>(viewer::kTruncated | ZeroId(header));
        return node;
    }

    // kZeroId for a chunk whose id is four zero bytes, to go with a size
    // past its bounds: most likely 4 bytes of zero padding, so that the next
    // chunk's id was read as this one's size.
    static uint16_t ZeroId(const unsigned char* header) {
        return viewer::ReadLe32(header) == 0 ? viewer::kZeroId : 0;
    }

    ChunkNode* WalkRoot(int64_t offset, const unsigned char* header);

    ByteSource& src_;
    ChunkTree& tree_;
    const bool wide_;
    bool outOfMemory_ = false;
};

ChunkNode* RiffWalker::ParseChunkList(int64_t remaining, int depth) {
    ChunkNode* first = nullptr;
    ChunkNode* last = nullptr;
    auto append = [&](ChunkNode* node) {
        if (last)
            last->next = node;
        else
            first = node;
        last = node;
    };

    // Where the chunks of this list must end.
    const int64_t spanEnd = src_.Tell() + remaining;
    while (remaining > 0 && !outOfMemory_) {
        const int64_t offset = src_.Tell();
        unsigned char header[12];
        if (src_.Read(header, 8) != 8) break;
        const bool isList = std::memcmp(header, "LIST", 4) == 0;
        // A LIST whose type cannot be read whole ends the list like a short header.
        if (isList && src_.Read(header + 8, 4) != 4) break;
        const int64_t headerRead = isList ? 12 : 8;

        ChunkNode* node = NewNode(offset, header, isList);
        if (!node) break;
        const int64_t size = node->size;
        append(node);

        if (size < 0) {
            // A streamed file (written to a pipe) does not know its sizes and
            // writes FF FF FF FF: the chunk runs to the end of what encloses it.
            src_.Skip(remaining - headerRead);
            break;
        }

        // Past a span that ends where the file does, the chunk is marked
        // truncated alone: the two figures would be the same.
        if (size > spanEnd - offset - 8 && spanEnd != src_.Length())
            node->anomalies = static_cast<uint16_t>(node->anomalies | viewer::kOverrunsParent | ZeroId(header));
        const int64_t oldRemaining = remaining;
        remaining = Reduce(remaining, size + 8);

        if (isList && size < 4) {
            // Too small to hold its own type: no children, and the walk goes
            // on from the chunk's declared end, which lies behind the type.
            node->anomalies |= viewer::kListTooSmall;
            src_.Skip(size + 8 - headerRead);
            if ((size & 1) != 0 && remaining > 0) SkipPad(node, remaining);
            continue;
        }
        if (isList && depth < kMaxDepth) {
            // Children are read with the LIST's own declared size, also when
            // that runs past the enclosing span.
            node->firstChild = ParseChunkList(size - 4, depth + 1);
            if ((size & 1) != 0 && remaining > 0) SkipPad(node, remaining);
            continue;
        }
        // At the nesting bound: marked where there would have been a child.
        if (isList && size - 4 >= 8) node->anomalies |= viewer::kDepthLimit;

        // A leaf, or a LIST too deep to open, which is passed like a leaf.
        if (remaining < 0) {
            src_.Skip(oldRemaining - headerRead);  // to the end of the enclosing span
            break;
        }
        src_.Skip(size + 8 - headerRead);  // to the chunk's declared end
        if ((size & 1) != 0 && remaining > 0) SkipPad(node, remaining);
    }
    if (last) last->next = nullptr;
    return first;
}

ChunkNode* RiffWalker::WalkRoot(int64_t offset, const unsigned char* header) {
    ChunkNode* root = NewNode(offset, header, true);
    if (!root) return nullptr;
    const int64_t size = root->size;
    // A root of negative size (a streamed file) spans the rest of the file.
    const int64_t span = size < 0 ? src_.Length() - (offset + 12) : size - 4;
    if (size >= 0 && size < 4) root->anomalies |= viewer::kListTooSmall;
    root->firstChild = ParseChunkList(span, 1);
    return root;
}

ChunkNode* RiffWalker::WalkFile() {
    unsigned char header[12];
    if (src_.Read(header, 12) != 12) return nullptr;
    ChunkNode* first = WalkRoot(0, header);
    ChunkNode* last = first;
    // An OpenDML AVI goes on after its first RIFF chunk with RIFF AVIX chunks:
    // each further RIFF chunk that follows right after is another top-level item.
    // Only where the walk before has not been yet: a LIST that claims more than
    // its RIFF chunk holds has already shown what follows as its children, and
    // reading it again from each further RIFF chunk would make a small crafted
    // file's tree grow with the square of its size.
    while (last && !outOfMemory_ && last->size >= 0) {
        const int64_t reached = src_.Tell();
        int64_t next = last->offset + 8 + last->size;
        if (next < reached) break;
        if ((last->size & 1) != 0) {
            unsigned char pad;
            src_.Seek(next);
            if (src_.Read(&pad, 1) == 1) {
                if (pad == 0)
                    ++next;
                else
                    last->anomalies |= viewer::kMissingPad;
            }
        }
        src_.Seek(next);
        if (src_.Read(header, 12) != 12 || std::memcmp(header, "RIFF", 4) != 0) break;
        ChunkNode* root = WalkRoot(next, header);
        last->next = root;
        last = root;
    }
    return first;
}

}  // namespace

Analysis Analyze(ByteSource& source) {
    unsigned char header[12];
    if (source.Read(header, 12) != 12) {
        // Too small (also when it got shorter still), unless a file long
        // enough could not be read: then no tree, and where and why reading
        // stopped.
        if (source.Length() < 12 || !source.Failure()) return Analysis::Failure(Reason::kTooSmall);
        Analysis failed = Analysis::Failure(Reason::kReadError);
        failed.readFailure = source.Failure();
        return failed;
    }
    if (std::memcmp(header, "RIFF", 4) != 0) return Analysis::Failure(Reason::kNotRiff);
    source.Seek(0);

    Analysis result;
    result.tree.reset(new (std::nothrow) ChunkTree());
    if (!result.tree) return Analysis::Failure(Reason::kOutOfMemory);
    result.tree->fileLength = source.Length();
    result.tree->sizeCountsHeader = false;
    RiffWalker walker(source, *result.tree);
    result.tree->root = walker.WalkFile();
    if (walker.outOfMemory() || !result.tree->root) return Analysis::Failure(Reason::kOutOfMemory);
    // A recording still being written: what was read past the length the
    // file had at the start is there, and not cut off.
    viewer::TakeGrownLength(*result.tree, source.KnownLength());
    result.TakeReadFailure(source);
    return result;
}

}  // namespace riff
