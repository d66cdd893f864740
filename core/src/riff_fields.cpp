// The fields of the well-known chunks of RIFF files: the AVI headers and
// stream formats, the WAVE format and data, INFO texts, the OpenDML header,
// the old AVI index, an animated cursor's header and a WebP image's.
//
// Each decoder lists its fields in file order, each one only when its bytes
// are in the payload. When the payload ends before a decoder's fixed part
// does (the fields every such chunk has), the fields before that point are
// given and the node is marked kTooShort; optional fields that are missing
// (strh's rcFrame, the bytes after WAVEFORMAT of a non-PCM format) are
// simply left out. The figures that count a whole chunk (a WAVE's data as
// time, idx1's entries) count the bytes the file holds within the chunk's
// declared size and its parent's; when those are fewer than it declares the
// node is marked kTooShort too. A payload that could not be read gives no
// fields and kUnreadable, as does a sibling that tells how to read this
// node (a stream's strh, a WAVE's fmt) when it cannot be read.
//
// A chunk is decoded only in the place its format gives it (avih in
// LIST_hdrl, fmt right in RIFF_WAVE, VP8X right in RIFF_WEBP, ...): the same
// code elsewhere belongs to some other format.
#include <algorithm>
#include <initializer_list>

#include "riff_field_parts.h"
#include "node_hints.h"

namespace viewer::fields {
namespace {

// Whether the node's label is `label` exactly: a comparison of a fixed
// number of bytes (the literal's, its NUL included), which costs a few
// instructions, as every node of a tree passes here.
template <size_t N>
bool Labelled(const ChunkNode* n, const char (&label)[N]) {
    static_assert(N <= sizeof n->label);
    return n && std::memcmp(n->label, label, N) == 0;
}

using namespace riff_parts;

// How many bytes of the node's payload the file holds, not bounded by
// kMaxFieldBytes: up to its declared end, its parent's span end and the end
// of the data. A streamed chunk (negative size) runs to its parent's end, as
// the walk reads it. `whole` tells whether that is all the node declares.
int64_t ContentBytes(const Context& c, bool& whole) {
    const ChunkNode& n = c.node;
    const int64_t start = n.offset + n.headerSize;
    const int64_t parentEnd = c.Parent() ? SpanEnd(*c.Parent(), c.tree) : c.file.KnownLength();
    const int64_t declared = n.size < 0 ? parentEnd : DeclaredEnd(n, c.tree);
    const int64_t end = std::min({declared, parentEnd, c.file.KnownLength()});
    whole = end >= declared;
    return end > start ? end - start : 0;
}

// The payload of the first sibling labelled `label`: null when there is none,
// else `p` (check p.readFailed).
const Payload* Sibling(const Context& c, const char* label, Payload& p) {
    const ChunkNode* s = c.Parent() ? ChildLabelled(*c.Parent(), label) : nullptr;
    if (!s) return nullptr;
    ReadPayload(c, *s, p);
    return &p;
}

// AVIMAINHEADER. Fixed part: up to dwHeight (40 bytes); dwReserved is not shown.
void MainHeader(const Payload& p, Out& o) {
    if (!Need(p, o, 0, 4)) return;
    const uint32_t us = p.Le32(0);
    o.Add("dwMicroSecPerFrame", FieldType::kMicroseconds, us);
    if (us) o.Add("1000000/dwMicroSecPerFrame", FieldType::kFrameRate, 1000000, us);
    if (!Dwords(p, o, 4,
                {{"dwMaxBytesPerSec", FieldType::kBytesPerSecond}, {"dwPaddingGranularity", FieldType::kBytes}}))
        return;
    if (!Need(p, o, 12, 4)) return;
    o.Hex("dwFlags", p.Le32(12),
          FlagNames(p.Le32(12), {{0x10, "HASINDEX"}, {0x20, "MUSTUSEINDEX"}, {0x100, "ISINTERLEAVED"},
                                 {0x800, "TRUSTCKTYPE"}, {0x10000, "WASCAPTUREFILE"}, {0x20000, "COPYRIGHTED"}})
              .c_str());
    if (!Dwords(p, o, 16,
                {{"dwTotalFrames", FieldType::kInteger},
                 {"dwInitialFrames", FieldType::kInteger},
                 {"dwStreams", FieldType::kInteger},
                 {"dwSuggestedBufferSize", FieldType::kBytes}}))
        return;
    if (!Need(p, o, 32, 8)) return;
    o.Add("dwWidth x dwHeight", FieldType::kDimensions, p.Le32(32), p.Le32(36));
}

// AVISTREAMHEADER. Fixed part: up to dwSampleSize (48 bytes); rcFrame when it is there.
void StreamHeader(const Payload& p, Out& o) {
    if (!Need(p, o, 0, 4)) return;
    o.Code("fccType", p.bytes);
    const bool video = std::memcmp(p.bytes, "vids", 4) == 0;
    if (!Need(p, o, 4, 4)) return;
    o.Code("fccHandler", p.bytes + 4);
    if (!Need(p, o, 8, 4)) return;
    o.Hex("dwFlags", p.Le32(8), FlagNames(p.Le32(8), {{0x1, "DISABLED"}, {0x10000, "VIDEO_PALCHANGES"}}).c_str());
    if (!Need(p, o, 12, 2)) return;
    o.Integer("wPriority", p.Le16(12));
    if (!Need(p, o, 14, 2)) return;
    o.Integer("wLanguage", p.Le16(14));
    if (!Dwords(p, o, 16, {{"dwInitialFrames", FieldType::kInteger}})) return;
    if (!Need(p, o, 20, 4)) return;
    const uint32_t scale = p.Le32(20);
    if (!p.Has(24, 4) || scale == 0) {
        // No rate to give: dwScale on its own (and dwRate, if it is there).
        o.Integer("dwScale", scale);
        if (!Dwords(p, o, 24, {{"dwRate", FieldType::kInteger}})) return;
    } else {
        o.Add("dwRate/dwScale", video ? FieldType::kFrameRate : FieldType::kRate, p.Le32(24), scale);
    }
    const uint32_t rate = p.Le32(24);
    if (!Dwords(p, o, 28, {{"dwStart", FieldType::kInteger}, {"dwLength", FieldType::kInteger}})) return;
    // dwLength in dwRate/dwScale units as ticks of 1/dwRate s; left out when
    // there is no rate or the product passes 63 bits (only hostile values do).
    const uint64_t ticks = uint64_t{p.Le32(32)} * scale;
    if (rate && scale && ticks <= uint64_t{INT64_MAX})
        o.Add("dwLength*dwScale/dwRate", FieldType::kDuration, static_cast<int64_t>(ticks), rate);
    if (!Dwords(p, o, 36, {{"dwSuggestedBufferSize", FieldType::kBytes}})) return;
    if (!Need(p, o, 40, 4)) return;
    o.Integer("dwQuality", Signed32(p.Le32(40)));  // -1: the default quality
    if (!Dwords(p, o, 44, {{"dwSampleSize", FieldType::kBytes}})) return;
    if (!p.Has(48, 8)) return;
    o.Integer("rcFrame.left", Signed16(p.Le16(48)));
    o.Integer("rcFrame.top", Signed16(p.Le16(50)));
    o.Integer("rcFrame.right", Signed16(p.Le16(52)));
    o.Integer("rcFrame.bottom", Signed16(p.Le16(54)));
}

// BITMAPINFOHEADER. Fixed part: 40 bytes; biXPelsPerMeter, biYPelsPerMeter
// and biClrImportant are not shown.
void BitmapInfo(const Payload& p, Out& o) {
    if (!Dwords(p, o, 0, {{"biSize", FieldType::kBytes}})) return;
    if (!Need(p, o, 4, 4)) return;
    o.Integer("biWidth", Signed32(p.Le32(4)));
    if (!Need(p, o, 8, 4)) return;
    o.Integer("biHeight", Signed32(p.Le32(8)));  // negative: the rows run top-down
    if (!Need(p, o, 12, 2)) return;
    o.Integer("biPlanes", p.Le16(12));
    if (!Need(p, o, 14, 2)) return;
    o.Integer("biBitCount", p.Le16(14));
    if (!Need(p, o, 16, 4)) return;
    // A codec's four-character code; the uncompressed kinds are small numbers.
    const unsigned char* c = p.bytes + 16;
    if (std::all_of(c, c + 4, [](unsigned char b) { return b >= 0x20 && b < 0x7F; })) {
        o.Code("biCompression", c);
    } else {
        static const char* const kNames[] = {"BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS", "BI_JPEG", "BI_PNG"};
        const uint32_t v = p.Le32(16);
        o.Hex("biCompression", v, v < 6 ? kNames[v] : nullptr);
    }
    if (!Dwords(p, o, 20, {{"biSizeImage", FieldType::kBytes}})) return;
    if (!Need(p, o, 24, 16)) return;
    o.Integer("biClrUsed", p.Le32(32));
}

// A ZSTR: the bytes up to the first NUL (all of them when there is none).
std::string ZeroEnded(const Payload& p) {
    const void* nul = std::memchr(p.bytes, 0, p.size);
    return p.Text(0, nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - p.bytes) : p.size);
}

// Whether the label is an identifier of four printable ASCII characters,
// fit to be a field's name.
bool PrintableId(const ChunkNode& n) {
    return std::strlen(n.label) == 4 &&
           std::all_of(n.label, n.label + 4, [](char ch) { return ch >= 0x20 && ch < 0x7F; });
}

// The old AVI index: how many 16-byte entries the chunk holds (from its
// size, as far as the file has it) and the first of them. A last entry cut
// off makes the node too short.
void OldIndex(const Context& c, const Payload& p, Out& o) {
    bool whole = false;
    const int64_t bytes = ContentBytes(c, whole);
    o.Integer("entries", bytes / 16);
    if (!whole || bytes % 16) o.TooShort();
    if (!p.Has(0, 16)) return;
    o.Code("aIndex[0].dwChunkId", p.bytes);
    o.Hex("aIndex[0].dwFlags", p.Le32(4),
          FlagNames(p.Le32(4), {{0x1, "LIST"}, {0x10, "KEYFRAME"}, {0x100, "NO_TIME"}}).c_str());
    o.Integer("aIndex[0].dwOffset", p.Le32(8));
    o.Add("aIndex[0].dwSize", FieldType::kBytes, p.Le32(12));
}

// ANIHEADER of an animated cursor. Fixed part: 36 bytes.
void AniHeader(const Payload& p, Out& o) {
    if (!Dwords(p, o, 0,
                {{"cbSizeof", FieldType::kBytes}, {"cFrames", FieldType::kInteger}, {"cSteps", FieldType::kInteger}}))
        return;
    if (!Need(p, o, 12, 8)) return;
    o.Add("cx x cy", FieldType::kDimensions, p.Le32(12), p.Le32(16));
    if (!Dwords(p, o, 20, {{"cBitCount", FieldType::kInteger}, {"cPlanes", FieldType::kInteger}})) return;
    if (!Need(p, o, 28, 4)) return;
    o.Add("jifRate", FieldType::kDuration, p.Le32(28), 60);  // in jiffies, 1/60 s
    if (!Need(p, o, 32, 4)) return;
    o.Hex("fl", p.Le32(32), FlagNames(p.Le32(32), {{0x1, "ICON"}, {0x2, "SEQUENCE"}}).c_str());
}

// WebP's extended header. Fixed part: 10 bytes.
void WebpExtended(const Payload& p, Out& o) {
    if (!Need(p, o, 0, 1)) return;
    o.Hex("flags", p.bytes[0],
          FlagNames(p.bytes[0], {{0x20, "ICC"}, {0x10, "alpha"}, {0x08, "EXIF"}, {0x04, "XMP"}, {0x02, "animation"}})
              .c_str());
    if (!Need(p, o, 4, 6)) return;
    o.Add("Canvas Width x Canvas Height", FieldType::kDimensions, int64_t{Le24(p, 4)} + 1, int64_t{Le24(p, 7)} + 1);
}

// A lossless WebP bitstream's header: its signature byte, then (when that
// is the one it must be) the image's size. Fixed part: 5 bytes.
void WebpLossless(const Payload& p, Out& o) {
    if (!Need(p, o, 0, 1)) return;
    o.Hex("signature", p.bytes[0]);
    if (p.bytes[0] != 0x2F) return;  // not such a bitstream: what follows means nothing
    if (!Need(p, o, 1, 4)) return;
    const uint32_t v = p.Le32(1);
    o.Add("image_width x image_height", FieldType::kDimensions, (v & 0x3FFF) + 1, (v >> 14 & 0x3FFF) + 1);
    o.Add("alpha_is_used", FieldType::kBool, v >> 28 & 1);
    o.Integer("version_number", v >> 29);
}

// A lossy WebP bitstream's frame tag and, for a key frame with its start
// code, the frame's size. Fixed part: 3 bytes, 10 for a key frame.
void WebpLossy(const Payload& p, Out& o) {
    if (!Need(p, o, 0, 3)) return;
    const bool key = (p.bytes[0] & 1) == 0;
    o.Add("key_frame", FieldType::kBool, key);
    if (!key || !Need(p, o, 3, 7)) return;
    if (p.bytes[3] != 0x9D || p.bytes[4] != 0x01 || p.bytes[5] != 0x2A) return;  // no start code: no size to read
    o.Add("width x height", FieldType::kDimensions, p.Le16(6) & 0x3FFF, p.Le16(8) & 0x3FFF);
    o.Integer("horizontal_scale", p.Le16(6) >> 14);
    o.Integer("vertical_scale", p.Le16(8) >> 14);
}

// What the payload of the node holds, by its label and its parent's.
enum class Kind { kNone, kMainHeader, kStreamHeader, kStreamFormat, kStreamName, kWaveFormat, kWaveData, kFact,
                  kInfoText, kOdmlHeader, kOldIndex, kAniHeader, kWebpExtended, kWebpLossy, kWebpLossless };

Kind KindOf(const Context& c) {
    const ChunkNode& n = c.node;
    const ChunkNode* parent = c.Parent();
    if (n.headerSize != 8 || !parent) return Kind::kNone;  // lists, and top-level chunks, have no fields
    if (Labelled(parent, "LIST_hdrl")) return Labelled(&n, "avih") ? Kind::kMainHeader : Kind::kNone;
    if (Labelled(parent, "LIST_strl")) {
        if (Labelled(&n, "strh")) return Kind::kStreamHeader;
        if (Labelled(&n, "strf")) return Kind::kStreamFormat;
        if (Labelled(&n, "strn")) return Kind::kStreamName;
        return Kind::kNone;
    }
    if (Labelled(parent, "LIST_INFO")) return PrintableId(n) ? Kind::kInfoText : Kind::kNone;
    if (Labelled(parent, "LIST_odml")) return Labelled(&n, "dmlh") ? Kind::kOdmlHeader : Kind::kNone;
    if (Labelled(parent, "RIFF_AVI ")) return Labelled(&n, "idx1") ? Kind::kOldIndex : Kind::kNone;
    if (Labelled(parent, "RIFF_WAVE")) {
        if (Labelled(&n, "fmt ")) return Kind::kWaveFormat;
        if (Labelled(&n, "data")) return Kind::kWaveData;
        if (Labelled(&n, "fact")) return Kind::kFact;
        return Kind::kNone;
    }
    if (Labelled(parent, "RIFF_ACON")) return Labelled(&n, "anih") ? Kind::kAniHeader : Kind::kNone;
    if (Labelled(parent, "RIFF_WEBP")) {
        if (Labelled(&n, "VP8X")) return Kind::kWebpExtended;
        if (Labelled(&n, "VP8 ")) return Kind::kWebpLossy;
        if (Labelled(&n, "VP8L")) return Kind::kWebpLossless;
    }
    return Kind::kNone;
}

}  // namespace

void DecodeRiff(const Context& c, NodeFields& out) {
    const Kind kind = KindOf(c);
    if (kind == Kind::kNone) return;
    Out o{out};
    Payload sibling;

    // The nodes read by a sibling: a stream's format by its header's type,
    // a WAVE's data and fact by its format's rates.
    if (kind == Kind::kStreamFormat || kind == Kind::kWaveData || kind == Kind::kFact) {
        const bool stream = kind == Kind::kStreamFormat;
        if (!Sibling(c, stream ? "strh" : "fmt ", sibling)) {
            if (kind != Kind::kFact) return;  // nothing to read this one by
        } else if (sibling.readFailed) {
            out.known = true;
            out.problem = FieldProblem::kUnreadable;
            return;
        }
        if (stream) {
            if (!sibling.Has(0, 4)) return;
            if (std::memcmp(sibling.bytes, "vids", 4) != 0 && std::memcmp(sibling.bytes, "auds", 4) != 0) return;
        }
        if (kind == Kind::kWaveData) {
            // The bytes there, as time at the format's byte rate (the data
            // itself is not read).
            if (!sibling.Has(8, 4) || sibling.Le32(8) == 0) return;
            out.known = true;
            bool whole = false;
            o.Add("bytes/nAvgBytesPerSec", FieldType::kDuration, ContentBytes(c, whole), sibling.Le32(8));
            if (!whole) o.TooShort();
            return;
        }
    }

    out.known = true;
    Payload p;
    ReadPayload(c, c.node, p);
    if (p.readFailed) {
        out.problem = FieldProblem::kUnreadable;
        return;
    }
    switch (kind) {
    case Kind::kMainHeader: MainHeader(p, o); break;
    case Kind::kStreamHeader: StreamHeader(p, o); break;
    case Kind::kStreamFormat:
        if (sibling.bytes[0] == 'v')
            BitmapInfo(p, o);
        else
            WaveFormat(p, o);
        break;
    case Kind::kStreamName: o.Text("strn", ZeroEnded(p)); break;
    case Kind::kWaveFormat: WaveFormat(p, o); break;
    case Kind::kFact:
        if (!Dwords(p, o, 0, {{"dwSampleLength", FieldType::kInteger}})) break;
        if (sibling.Has(4, 4) && sibling.Le32(4))
            o.Add("dwSampleLength/nSamplesPerSec", FieldType::kDuration, p.Le32(0), sibling.Le32(4));
        break;
    case Kind::kInfoText: o.Text(c.node.label, ZeroEnded(p)); break;
    case Kind::kOdmlHeader: Dwords(p, o, 0, {{"dwTotalFrames", FieldType::kInteger}}); break;
    case Kind::kOldIndex: OldIndex(c, p, o); break;
    case Kind::kAniHeader: AniHeader(p, o); break;
    case Kind::kWebpExtended: WebpExtended(p, o); break;
    case Kind::kWebpLossy: WebpLossy(p, o); break;
    case Kind::kWebpLossless: WebpLossless(p, o); break;
    case Kind::kWaveData:
    case Kind::kNone: break;
    }
}

}  // namespace viewer::fields
