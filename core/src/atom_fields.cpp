// The fields of well-known atoms: the file type, the movie, track and media
// headers, the handler, the sample table, edit lists, movie fragments and
// segment indexes, iTunes-style metadata and uuid types. Field names are
// those of ISO/IEC 14496-12 and Apple's QuickTime File Format.
//
// What a short or odd atom gives:
//  - kTooShort: the atom's bytes (its declared size, bounded by its parent
//    and the end of the file) end before a field the decoder reads, or
//    before the entries its own count or size declares. The fields that fit
//    come first; a count is shown as declared, entries only from bytes that
//    are there. The kMaxFieldBytes read limit is no fault: lists stop there
//    without a problem.
//  - kUnknownVersion: a full box of a version not decoded here: no fields.
//  - kUnreadable: the file could not be read; the fields of the bytes that
//    came before the failure are given.
// A duration of all ones (the formats' "unknown") is a kHex field named
// "unknown"; one without a timescale to go with it is an integer of ticks.
#include <algorithm>
#include <cstring>
#include <string>

#include "field_decoding.h"
#include "node_hints.h"

namespace viewer::fields {
namespace {

constexpr uint32_t Code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

// The type of a node, from its label (the type's bytes up to a NUL).
uint32_t TypeOf(const ChunkNode& n) { return ReadBe32(reinterpret_cast<const unsigned char*>(n.label)); }
bool Is(const ChunkNode* n, const char (&type)[5]) { return n && TypeOf(*n) == Code(type); }

std::string Indexed(const char* list, size_t i, const char* name) {
    return std::string(list) + "[" + std::to_string(i + 1) + "]." + name;
}

// The payload of the node being decoded, and how far it reaches beyond the
// bytes read.
struct Atom {
    Payload p;
    size_t available = 0;  // payload bytes the node has within its parent and the file, past the read limit too

    // Whether the read limit, not the node's end, cut the payload short.
    bool Capped() const { return available > p.size && !p.readFailed; }
    // Whether `n` bytes from `at` lie within the node, read or not.
    bool Within(size_t at, uint64_t n) const { return at <= available && n <= available - at; }
};

size_t Available(const Context& c, const ChunkNode& n, const ChunkNode* holder) {
    const int64_t start = n.offset + n.headerSize;
    int64_t end = DeclaredEnd(n, c.tree);
    if (holder) end = std::min(end, SpanEnd(*holder, c.tree));
    end = std::min(end, c.file.KnownLength());
    return end > start ? static_cast<size_t>(end - start) : 0;
}

// Reads a relative whose holder is not among the node's ancestors (a sibling
// of an ancestor, or a child of one), bounded by that holder.
void ReadWithin(const Context& c, const ChunkNode& n, const ChunkNode& holder, Payload& out) {
    const size_t want = std::min(Available(c, n, &holder), kMaxFieldBytes);
    c.file.Seek(n.offset + n.headerSize);
    out.size = want ? c.file.Read(out.bytes, want) : 0;
    out.readFailed = out.size < want;
}

// Signed or unsigned big-endian integers of 1 to 8 bytes.
uint64_t BeN(const unsigned char* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}
int64_t SignedBeN(const unsigned char* p, size_t n) {
    const uint64_t v = BeN(p, n);
    if (n < 8 && (v >> (8 * n - 1)) & 1) return static_cast<int64_t>(v | ~uint64_t{0} << (8 * n));
    return static_cast<int64_t>(v);
}

// A 64-bit unsigned field as a value of `type`; past what an int64_t
// holds, its bits in hex.
void Unsigned(Out& o, const std::string& name, uint64_t v, FieldType type) {
    if (v > static_cast<uint64_t>(INT64_MAX))
        o.Add(name, FieldType::kHex, static_cast<int64_t>(v));
    else
        o.Add(name, type, static_cast<int64_t>(v));
}

// A time of `ticks`, `scale` of which make a second (0: not known, an
// integer of ticks).
void Time(Out& o, const std::string& name, uint64_t ticks, uint32_t scale) {
    if (scale && ticks <= static_cast<uint64_t>(INT64_MAX))
        o.Add(name, FieldType::kDuration, static_cast<int64_t>(ticks), scale);
    else
        Unsigned(o, name, ticks, FieldType::kInteger);
}
// A duration: a time, but all ones (of a 32-bit field, or of a 64-bit one
// when `wide`) is "unknown".
void Duration(Out& o, const std::string& name, uint64_t ticks, bool wide, uint32_t scale) {
    if (ticks == (wide ? ~uint64_t{0} : 0xFFFFFFFFu))
        o.Add(name, FieldType::kHex, static_cast<int64_t>(ticks)).text = "unknown";
    else
        Time(o, name, ticks, scale);
}

// Reads the version and flags of a full box that this decoder knows up to
// `maxVersion`; false, with the problem set, when it cannot go on.
bool FullBox(const Payload& p, unsigned maxVersion, Out& o, unsigned* version = nullptr, uint32_t* flags = nullptr) {
    if (!p.Has(0, 4)) {
        o.TooShort();
        return false;
    }
    if (p.bytes[0] > maxVersion) {
        o.f.problem = FieldProblem::kUnknownVersion;
        o.f.problemValue = p.bytes[0];
        return false;
    }
    if (version) *version = p.bytes[0];
    if (flags) *flags = p.Be32(0) & 0xFFFFFF;
    return true;
}

// Marks the atom short when a table of `count` entries of `entrySize` bytes
// from `at` does not fit in it.
void CheckTable(const Atom& a, size_t at, uint64_t count, uint64_t entrySize, Out& o) {
    if (!a.Within(at, count * entrySize)) o.TooShort();  // count < 2^32, entrySize < 2^8: no overflow
}

// The version-dependent 32- or 64-bit field at `at`; false (short) when absent.
bool Wide(const Payload& p, size_t at, bool wide, uint64_t* v) {
    if (!p.Has(at, wide ? 8 : 4)) return false;
    *v = wide ? p.Be64(at) : p.Be32(at);
    return true;
}

// The timescale of a movie or media header (mvhd and mdhd share their
// first fields), or 0 when there is none to read.
uint32_t HeaderTimescale(const Payload& p) {
    if (!p.Has(0, 4) || p.bytes[0] > 1) return 0;
    const size_t at = p.bytes[0] ? 20 : 12;
    return p.Has(at, 4) ? p.Be32(at) : 0;
}
uint32_t TimescaleOf(const Context& c, const ChunkNode* header, const ChunkNode* holder) {
    if (!header || (header->flags & kPhantom)) return 0;
    Payload p;
    if (holder)
        ReadWithin(c, *header, *holder, p);
    else
        ReadPayload(c, *header, p);
    return HeaderTimescale(p);
}
// The movie's timescale: mvhd under the nearest moov.
uint32_t MovieTimescale(const Context& c) {
    const ChunkNode* moov = c.Ancestor("moov");
    return moov ? TimescaleOf(c, ChildLabelled(*moov, "mvhd"), nullptr) : 0;
}
// The track's media timescale: mdhd under the nearest mdia, or under the
// mdia of the nearest trak (from its edit list).
uint32_t MediaTimescale(const Context& c) {
    if (const ChunkNode* mdia = c.Ancestor("mdia")) return TimescaleOf(c, ChildLabelled(*mdia, "mdhd"), nullptr);
    const ChunkNode* trak = c.Ancestor("trak");
    const ChunkNode* mdia = trak ? ChildLabelled(*trak, "mdia") : nullptr;
    if (!mdia || (mdia->flags & kPhantom)) return 0;
    return TimescaleOf(c, ChildLabelled(*mdia, "mdhd"), mdia);
}
// The track's handler_type ('vide', 'soun', ...) from hdlr under the
// nearest mdia, or 0.
uint32_t TrackHandler(const Context& c) {
    const ChunkNode* mdia = c.Ancestor("mdia");
    const ChunkNode* hdlr = mdia ? ChildLabelled(*mdia, "hdlr") : nullptr;
    if (!hdlr || (hdlr->flags & kPhantom)) return 0;
    Payload p;
    ReadPayload(c, *hdlr, p);
    return p.Has(8, 4) ? p.Be32(8) : 0;
}

// ---- file type, movie, track and media headers

void Ftyp(const Atom& a, Out& o) {
    const Payload& p = a.p;
    if (!p.Has(0, 8)) return o.TooShort();
    o.Code("major_brand", p.bytes);
    o.Integer("minor_version", p.Be32(4));
    const size_t brands = (p.size - 8) / 4;
    o.Add("compatible_brands", FieldType::kCodes).text = p.Text(8, brands * 4);
    if (a.Capped())
        o.Integer("compatible_brands_count", static_cast<int64_t>((a.available - 8) / 4));
    else if ((p.size - 8) % 4)
        o.TooShort();  // a brand cut off by the end of the atom
}

void Mvhd(const Payload& p, Out& o) {
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    const size_t at = v ? 20 : 12;  // past the creation and modification times
    if (!p.Has(at, 4)) return o.TooShort();
    const uint32_t timescale = p.Be32(at);
    o.Integer("timescale", timescale);
    uint64_t duration;
    if (!Wide(p, at + 4, v, &duration)) return o.TooShort();
    Duration(o, "duration", duration, v, timescale);
    const size_t next = v ? 108 : 96;  // past the rate, volume, matrix and reserved fields
    if (!p.Has(next, 4)) return o.TooShort();
    o.Integer("next_track_ID", p.Be32(next));
}

void Tkhd(const Context& c, const Payload& p, Out& o) {
    unsigned v;
    uint32_t flags;
    if (!FullBox(p, 1, o, &v, &flags)) return;
    o.Hex("flags", flags);
    o.Add("track_enabled", FieldType::kBool, flags & 1);
    o.Add("track_in_movie", FieldType::kBool, flags >> 1 & 1);
    o.Add("track_in_preview", FieldType::kBool, flags >> 2 & 1);
    const size_t id = v ? 20 : 12;
    if (!p.Has(id, 4)) return o.TooShort();
    o.Integer("track_ID", p.Be32(id));
    uint64_t duration;
    if (!Wide(p, id + 8, v, &duration)) return o.TooShort();
    Duration(o, "duration", duration, v, MovieTimescale(c));
    const size_t width = v ? 88 : 76;
    if (!p.Has(width, 8)) return o.TooShort();
    // 16.16 fixed-point: the whole pixels.
    o.Add("width x height", FieldType::kDimensions, p.Be32(width) >> 16, p.Be32(width + 4) >> 16);
}

void Mdhd(const Payload& p, Out& o) {
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    const size_t at = v ? 20 : 12;
    if (!p.Has(at, 4)) return o.TooShort();
    const uint32_t timescale = p.Be32(at);
    o.Integer("timescale", timescale);
    uint64_t duration;
    if (!Wide(p, at + 4, v, &duration)) return o.TooShort();
    Duration(o, "duration", duration, v, timescale);
    const size_t lang = v ? 32 : 20;
    if (!p.Has(lang, 2)) return o.TooShort();
    // Three letters of 5 bits each, 'a' being 1 (ISO 639-2/T); below 0x400
    // QuickTime's Macintosh language codes, given as numbers, as is
    // anything else that spells no letters (0x7FFF: no language given).
    const uint32_t code = p.Be16(lang);
    std::string letters;
    for (int shift = 10; shift >= 0; shift -= 5) {
        const uint32_t l = code >> shift & 0x1F;
        if (l >= 1 && l <= 26) letters += static_cast<char>('a' + l - 1);
    }
    if (code >= 0x400 && letters.size() == 3)
        o.Text("language", letters);
    else
        o.Integer("language", code);
}

void Hdlr(const Atom& a, Out& o) {
    const Payload& p = a.p;
    if (!FullBox(p, 0, o)) return;
    if (!p.Has(4, 8)) return o.TooShort();
    // QuickTime's component type ('mhlr', 'dhlr'); zero in ISO files.
    if (p.Be32(4)) o.Code("component_type", p.bytes + 4);
    o.Code("handler_type", p.bytes + 8);
    if (!p.Has(24, 0)) return o.TooShort();
    const size_t rest = p.size - 24;
    if (!rest) return;  // no name at all: some writers leave it out
    // QuickTime counts the name (a Pascal string), ISO ends it with a NUL.
    // A first byte is a count where it fits in what follows and the atom
    // is QuickTime's or the byte is no character (a control code).
    const unsigned count = p.bytes[24];
    if (count < rest && (p.Be32(4) || count < 0x20)) return o.Text("name", p.Text(25, count));
    const void* nul = std::memchr(p.bytes + 24, 0, rest);
    o.Text("name", p.Text(24, nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - (p.bytes + 24)) : rest));
}

// ---- sample descriptions

enum class Media { kOther, kVideo, kSound };

Media MediaOfFormat(uint32_t format) {
    static constexpr uint32_t kVideo[] = {
        Code("avc1"), Code("avc2"), Code("avc3"), Code("avc4"), Code("hvc1"), Code("hev1"), Code("av01"),
        Code("vp08"), Code("vp09"), Code("mp4v"), Code("jpeg"), Code("mjpa"), Code("mjpb"), Code("mjp2"),
        Code("png "), Code("apch"), Code("apcn"), Code("apcs"), Code("apco"), Code("ap4h"), Code("ap4x"),
        Code("s263"), Code("h263"), Code("SVQ1"), Code("SVQ3"), Code("cvid"), Code("dvc "), Code("dvcp"),
        Code("dvh5"), Code("dvh6"), Code("encv"), Code("dvhe"), Code("dvh1"),
    };
    static constexpr uint32_t kSound[] = {
        Code("mp4a"), Code("ac-3"), Code("ec-3"), Code("ac-4"), Code("Opus"), Code("fLaC"), Code("alac"),
        Code("lpcm"), Code("sowt"), Code("twos"), Code("in24"), Code("in32"), Code("fl32"), Code("fl64"),
        Code("ulaw"), Code("alaw"), Code("ima4"), Code(".mp3"), Code("samr"), Code("sawb"), Code("enca"),
        Code("mha1"), Code("mhm1"), Code("dtsc"), Code("dtsh"), Code("dtsl"), Code("ipcm"), Code("fpcm"),
    };
    for (uint32_t c : kVideo)
        if (c == format) return Media::kVideo;
    for (uint32_t c : kSound)
        if (c == format) return Media::kSound;
    return Media::kOther;
}

const char* ObjectTypeName(unsigned oti) {
    switch (oti) {
    case 0x20: return "MPEG-4 Visual";
    case 0x21: return "AVC";
    case 0x23: return "HEVC";
    case 0x40: return "MPEG-4 Audio";
    case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65: return "MPEG-2 Visual";
    case 0x66: case 0x67: case 0x68: return "MPEG-2 AAC";
    case 0x69: return "MPEG-2 Audio";
    case 0x6A: return "MPEG-1 Visual";
    case 0x6B: return "MPEG-1 Audio";
    case 0x6C: return "JPEG";
    case 0xA5: return "AC-3";
    case 0xA6: return "E-AC-3";
    case 0xDD: return "Vorbis";
    default: return nullptr;
    }
}

// What an esds payload (`n` bytes, version and flags first) tells: the
// objectTypeIndication of the decoder configuration in its ES descriptor
// (-1 when there is none), and where the decoder's specific information
// follows it (size 0 when it does not).
struct Esds {
    int objectType = -1;
    const unsigned char* specific = nullptr;
    size_t specificSize = 0;
};
Esds ReadEsds(const unsigned char* d, size_t n) {
    Esds e;
    size_t at = 4;
    // A descriptor's tag and its size, 7 bits a byte in up to 4 bytes.
    auto header = [&](unsigned tag, size_t* size) {
        if (at >= n || d[at] != tag) return false;
        ++at;
        *size = 0;
        for (int i = 0; i < 4; ++i) {
            if (at >= n) return false;
            *size = *size << 7 | (d[at] & 0x7F);
            if (!(d[at++] & 0x80)) return true;
        }
        return true;
    };
    size_t size = 0;
    if (!header(0x03, &size) || at + 3 > n) return e;
    const unsigned flags = d[at + 2];
    at += 3;                        // ES_ID and flags
    if (flags & 0x80) at += 2;      // dependsOn_ES_ID
    if (flags & 0x40) {             // URL
        if (at >= n) return e;
        at += 1u + d[at];
    }
    if (flags & 0x20) at += 2;      // OCR_ES_Id
    if (!header(0x04, &size) || at >= n) return e;
    e.objectType = d[at];
    // objectTypeIndication, streamType, bufferSizeDB, maxBitrate, avgBitrate.
    at += 13;
    if (at < n && header(0x05, &size) && at < n) {
        e.specific = d + at;
        e.specificSize = std::min(size, n - at);
    }
    return e;
}

// The start of an AudioSpecificConfig (ISO/IEC 14496-3): the object type,
// the sampling frequency and the channel configuration, when its bits are
// there.
void AudioSpecificConfig(const unsigned char* d, size_t n, size_t i, Out& o) {
    size_t bit = 0;
    auto bits = [&](unsigned count, uint32_t* v) {
        if (bit + count > n * 8) return false;
        *v = 0;
        for (unsigned k = 0; k < count; ++k, ++bit) *v = *v << 1 | ((d[bit / 8] >> (7 - bit % 8)) & 1u);
        return true;
    };
    static const uint32_t kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                      22050, 16000, 12000, 11025, 8000,  7350};
    uint32_t type = 0, index = 0, rate = 0, channels = 0;
    if (!bits(5, &type)) return;
    if (type == 31) {
        uint32_t more = 0;
        if (!bits(6, &more)) return;
        type = 32 + more;
    }
    o.Integer(Indexed("entry", i, "audioObjectType").c_str(), type);
    if (!bits(4, &index)) return;
    if (index == 15) {
        if (!bits(24, &rate)) return;
    } else if (index < sizeof kRates / sizeof kRates[0]) {
        rate = kRates[index];
    }
    if (rate) o.Add(Indexed("entry", i, "samplingFrequency"), FieldType::kHertz, rate);
    if (bits(4, &channels)) o.Integer(Indexed("entry", i, "channelConfiguration").c_str(), channels);
}

// The atoms that follow the fixed fields of a sample entry, from `at` to
// `end` (both within the bytes read): the codec's configuration, the shape
// of its pixels and its colour. QuickTime's sound descriptions keep theirs
// in a 'wave' atom, looked into once.
void EntryExtensions(const Payload& p, size_t at, size_t end, size_t i, Out& o, bool inWave = false) {
    while (at + 8 <= end) {
        const uint32_t size = p.Be32(at);
        if (size < 8) return;
        const size_t boxEnd = size <= end - at ? at + size : end;
        const unsigned char* d = p.bytes + at + 8;
        const size_t n = boxEnd - at - 8;
        switch (p.Be32(at + 4)) {
        case Code("avcC"):
            if (n >= 4) {
                o.Integer(Indexed("entry", i, "AVCProfileIndication").c_str(), d[1]);
                o.Integer(Indexed("entry", i, "AVCLevelIndication").c_str(), d[3]);
            }
            break;
        case Code("pasp"):
            if (n >= 8) {
                o.Integer(Indexed("entry", i, "hSpacing").c_str(), ReadBe32(d));
                o.Integer(Indexed("entry", i, "vSpacing").c_str(), ReadBe32(d + 4));
            }
            break;
        case Code("colr"):
            if (n >= 4) o.Code(Indexed("entry", i, "colour_type").c_str(), d);
            break;
        case Code("esds"):
            if (const Esds esds = ReadEsds(d, n); esds.objectType >= 0) {
                o.Hex(Indexed("entry", i, "objectTypeIndication").c_str(), esds.objectType,
                      ObjectTypeName(static_cast<unsigned>(esds.objectType)));
                // MPEG-4 Audio: its own configuration tells the true channels
                // and rate (a sample entry's may be a fixed 2 and the rate of
                // the core only).
                if (esds.objectType == 0x40 && esds.specific) AudioSpecificConfig(esds.specific, esds.specificSize, i, o);
            }
            break;
        case Code("wave"):
            if (!inWave) EntryExtensions(p, at + 8, boxEnd, i, o, true);
            break;
        default: break;
        }
        if (size > end - at) return;
        at += size;
    }
}

// The fields of one sample entry, whose bytes in `p` run from `e` to
// `end` (its declared end, or where the bytes read end, whichever is
// first); `declared` is its size. `stsdVersion` 1 is ISO's, whose sound
// entries of version 1 add no fields (QuickTime's add four).
void SampleEntry(const Payload& p, size_t e, size_t end, uint32_t declared, size_t i, Media media,
                 unsigned stsdVersion, Out& o) {
    // Whether the entry's bytes up to `to` are there: where they are not
    // and the entry is too small for them, the atom is short (had the atom
    // ended, that was marked already; the read limit is no fault).
    auto has = [&](size_t to) {
        if (e + to <= end) return true;
        if (to > declared) o.TooShort();
        return false;
    };
    if (media == Media::kVideo && has(86)) {
        o.Add(Indexed("entry", i, "width x height"), FieldType::kDimensions, p.Be16(e + 32), p.Be16(e + 34));
        // 32 bytes: a count and up to 31 characters.
        o.Text(Indexed("entry", i, "compressorname").c_str(), p.Text(e + 51, std::min<size_t>(p.bytes[e + 50], 31)));
        o.Integer(Indexed("entry", i, "depth").c_str(), p.Be16(e + 82));
        EntryExtensions(p, e + 86, end, i, o);
    } else if (media == Media::kSound && has(18)) {
        // QuickTime's sound description version (ISO's entry_version): 1
        // adds four fields in QuickTime, 2 moves the rate and the channels
        // to new ones. A later one's layout is not known: no fields guessed.
        const uint32_t version = p.Be16(e + 16);
        if (version) o.Integer(Indexed("entry", i, "version").c_str(), version);
        if (version <= 1 && has(36)) {
            o.Integer(Indexed("entry", i, "channelcount").c_str(), p.Be16(e + 24));
            o.Integer(Indexed("entry", i, "samplesize").c_str(), p.Be16(e + 26));
            // 16.16 fixed-point: the whole hertz.
            o.Add(Indexed("entry", i, "samplerate"), FieldType::kHertz, p.Be32(e + 32) >> 16);
            const size_t extensions = e + (version == 1 && stsdVersion == 0 ? 52 : 36);
            if (extensions <= end) EntryExtensions(p, extensions, end, i, o);
        } else if (version == 2 && has(72)) {
            double rate;
            const uint64_t bits = p.Be64(e + 40);
            static_assert(sizeof rate == sizeof bits);
            std::memcpy(&rate, &bits, sizeof rate);
            // A 64-bit float: its whole hertz, where it is a rate at all
            // (not a NaN, negative, nor past what an integer holds).
            if (rate >= 0 && rate < 9.0e15)
                o.Add(Indexed("entry", i, "audioSampleRate"), FieldType::kHertz, static_cast<int64_t>(rate));
            o.Integer(Indexed("entry", i, "numAudioChannels").c_str(), p.Be32(e + 48));
            o.Integer(Indexed("entry", i, "constBitsPerChannel").c_str(), p.Be32(e + 56));
            EntryExtensions(p, e + 72, end, i, o);
        }
    }
}

void Stsd(const Context& c, const Atom& a, Out& o) {
    const Payload& p = a.p;
    unsigned version;
    if (!FullBox(p, 1, o, &version)) return;
    if (!p.Has(4, 4)) return o.TooShort();
    const uint32_t count = p.Be32(4);
    o.Integer("entry_count", count);
    const uint32_t handler = TrackHandler(c);
    size_t at = 8;
    for (uint32_t i = 0; i < count; ++i) {
        if (!p.Has(at, 8)) {
            // Fewer entries than counted: short, unless the read limit came first.
            if (!a.Within(at, 8)) o.TooShort();
            return;
        }
        const uint32_t size = p.Be32(at);
        const uint32_t format = p.Be32(at + 4);
        o.Code(Indexed("entry", i, "format").c_str(), p.bytes + at + 4);
        o.Add(Indexed("entry", i, "size"), FieldType::kBytes, size);
        if (size < 8) return o.TooShort();  // an entry smaller than its header: the list cannot go on
        if (!a.Within(at, size)) o.TooShort();
        const bool whole = size <= p.size - at;
        // The track's handler tells the kind, the format where there is no
        // handler; a format known to be of the other kind is neither.
        const Media known = MediaOfFormat(format);
        Media media = handler == Code("vide")   ? Media::kVideo
                      : handler == Code("soun") ? Media::kSound
                      : handler                 ? Media::kOther
                                                : known;
        if (known != Media::kOther && known != media) media = Media::kOther;
        SampleEntry(p, at, whole ? at + size : p.size, size, i, media, version, o);
        if (!whole) return;
        at += size;
    }
}

// ---- sample tables

void Stts(const Context& c, const Atom& a, Out& o) {
    const Payload& p = a.p;
    if (!FullBox(p, 0, o)) return;
    if (!p.Has(4, 4)) return o.TooShort();
    const uint32_t count = p.Be32(4);
    o.Integer("entry_count", count);
    CheckTable(a, 8, count, 8, o);
    if (!count || !p.Has(8, 8)) return;
    const uint32_t delta = p.Be32(12);
    o.Integer("entry[1].sample_count", p.Be32(8));
    o.Integer("entry[1].sample_delta", delta);
    // One delta for every sample of a video track: its frame rate.
    if (count == 1 && delta && TrackHandler(c) == Code("vide"))
        if (const uint32_t timescale = MediaTimescale(c))
            o.Add("frame_rate", FieldType::kFrameRate, timescale, delta);
}

void Stsz(const Atom& a, Out& o) {
    const Payload& p = a.p;
    if (!FullBox(p, 0, o)) return;
    if (!p.Has(4, 8)) return o.TooShort();
    const uint32_t size = p.Be32(4), count = p.Be32(8);
    o.Add("sample_size", FieldType::kBytes, size);  // 0: each sample's size is in the table
    o.Integer("sample_count", count);
    if (!size) CheckTable(a, 12, count, 4, o);
}

void Stz2(const Atom& a, Out& o) {
    const Payload& p = a.p;
    if (!FullBox(p, 0, o)) return;
    if (!p.Has(4, 8)) return o.TooShort();
    const unsigned fieldSize = p.bytes[7];
    const uint32_t count = p.Be32(8);
    o.Integer("field_size", fieldSize);
    o.Integer("sample_count", count);
    if (fieldSize == 4 || fieldSize == 8 || fieldSize == 16)
        if (!a.Within(12, (uint64_t{count} * fieldSize + 7) / 8)) o.TooShort();
}

// stco, co64, stss, stsc, ctts: a count and its entries.
void Table(const Atom& a, unsigned maxVersion, unsigned entrySize, Out& o) {
    const Payload& p = a.p;
    if (!FullBox(p, maxVersion, o)) return;
    if (!p.Has(4, 4)) return o.TooShort();
    o.Integer("entry_count", p.Be32(4));
    CheckTable(a, 8, p.Be32(4), entrySize, o);
}

void Elst(const Context& c, const Atom& a, Out& o) {
    const Payload& p = a.p;
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    if (!p.Has(4, 4)) return o.TooShort();
    const uint32_t count = p.Be32(4);
    o.Integer("entry_count", count);
    const size_t entry = v ? 20 : 12;
    CheckTable(a, 8, count, entry, o);
    const uint32_t movie = count ? MovieTimescale(c) : 0;
    const uint32_t media = count ? MediaTimescale(c) : 0;
    // The first few edits.
    for (uint32_t i = 0; i < count && i < 4 && p.Has(8 + i * entry, entry); ++i) {
        const size_t at = 8 + i * entry;
        Duration(o, Indexed("entry", i, "segment_duration"), v ? p.Be64(at) : p.Be32(at), v, movie);
        // -1: an empty edit, shown as the number.
        const int64_t time = v ? static_cast<int64_t>(p.Be64(at + 8)) : static_cast<int32_t>(p.Be32(at + 4));
        if (time < 0)
            o.Integer(Indexed("entry", i, "media_time").c_str(), time);
        else
            Time(o, Indexed("entry", i, "media_time"), static_cast<uint64_t>(time), media);
        o.Integer(Indexed("entry", i, "media_rate").c_str(), static_cast<int16_t>(p.Be16(at + entry - 4)));
    }
}

// ---- movie fragments and segment indexes

void Mehd(const Context& c, const Payload& p, Out& o) {
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    uint64_t duration;
    if (!Wide(p, 4, v, &duration)) return o.TooShort();
    Duration(o, "fragment_duration", duration, v, MovieTimescale(c));
}

void Trex(const Payload& p, Out& o) {
    if (!FullBox(p, 0, o)) return;
    if (!p.Has(4, 20)) return o.TooShort();
    o.Integer("track_ID", p.Be32(4));
    o.Integer("default_sample_description_index", p.Be32(8));
    o.Integer("default_sample_duration", p.Be32(12));
    o.Add("default_sample_size", FieldType::kBytes, p.Be32(16));
    o.Hex("default_sample_flags", p.Be32(20));
}

void Mfhd(const Payload& p, Out& o) {
    if (!FullBox(p, 0, o)) return;
    if (!p.Has(4, 4)) return o.TooShort();
    o.Integer("sequence_number", p.Be32(4));
}

void Tfhd(const Payload& p, Out& o) {
    uint32_t flags;
    if (!FullBox(p, 0, o, nullptr, &flags)) return;
    o.Hex("flags", flags);
    if (!p.Has(4, 4)) return o.TooShort();
    o.Integer("track_ID", p.Be32(4));
    size_t at = 8;
    if (flags & 0x01) {
        if (!p.Has(at, 8)) return o.TooShort();
        Unsigned(o, "base_data_offset", p.Be64(at), FieldType::kInteger);
        at += 8;
    }
    struct Optional {
        uint32_t flag;
        const char* name;
        FieldType type;
    };
    static constexpr Optional kOptional[] = {
        {0x02, "sample_description_index", FieldType::kInteger},
        {0x08, "default_sample_duration", FieldType::kInteger},
        {0x10, "default_sample_size", FieldType::kBytes},
        {0x20, "default_sample_flags", FieldType::kHex},
    };
    for (const Optional& f : kOptional) {
        if (!(flags & f.flag)) continue;
        if (!p.Has(at, 4)) return o.TooShort();
        o.Add(f.name, f.type, p.Be32(at));
        at += 4;
    }
    o.Add("duration_is_empty", FieldType::kBool, flags >> 16 & 1);
    o.Add("default_base_is_moof", FieldType::kBool, flags >> 17 & 1);
}

void Tfdt(const Payload& p, Out& o) {
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    uint64_t time;
    if (!Wide(p, 4, v, &time)) return o.TooShort();
    Unsigned(o, "baseMediaDecodeTime", time, FieldType::kInteger);
}

void Trun(const Atom& a, Out& o) {
    const Payload& p = a.p;
    uint32_t flags;
    if (!FullBox(p, 1, o, nullptr, &flags)) return;
    o.Hex("flags", flags);
    if (!p.Has(4, 4)) return o.TooShort();
    const uint32_t count = p.Be32(4);
    o.Integer("sample_count", count);
    size_t at = 8;
    if (flags & 0x01) {
        if (!p.Has(at, 4)) return o.TooShort();
        o.Integer("data_offset", static_cast<int32_t>(p.Be32(at)));
        at += 4;
    }
    if (flags & 0x04) {
        if (!p.Has(at, 4)) return o.TooShort();
        o.Hex("first_sample_flags", p.Be32(at));
        at += 4;
    }
    // Each sample's duration, size, flags and composition offset, where flagged.
    unsigned perSample = 0;
    for (uint32_t bit = 0x100; bit <= 0x800; bit <<= 1)
        if (flags & bit) perSample += 4;
    CheckTable(a, at, count, perSample, o);
}

void Sidx(const Atom& a, Out& o) {
    const Payload& p = a.p;
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    if (!p.Has(4, 8)) return o.TooShort();
    const uint32_t timescale = p.Be32(8);
    o.Integer("reference_ID", p.Be32(4));
    o.Integer("timescale", timescale);
    uint64_t time, offset;
    if (!Wide(p, 12, v, &time)) return o.TooShort();
    Time(o, "earliest_presentation_time", time, timescale);
    const size_t off = v ? 20 : 16;
    if (!Wide(p, off, v, &offset)) return o.TooShort();
    Unsigned(o, "first_offset", offset, FieldType::kBytes);
    const size_t count = v ? 30 : 22;
    if (!p.Has(count, 2)) return o.TooShort();
    o.Integer("reference_count", p.Be16(count));
    CheckTable(a, count + 2, p.Be16(count), 12, o);
}

// ---- metadata

const char* DataTypeName(uint32_t type) {
    switch (type) {
    case 0: return "implicit";
    case 1: return "UTF-8";
    case 2: return "UTF-16";
    case 3: return "S/JIS";
    case 4: return "UTF-8 sort";
    case 5: return "UTF-16 sort";
    case 13: return "JPEG";
    case 14: return "PNG";
    case 21: return "BE Signed Integer";
    case 22: return "BE Unsigned Integer";
    case 23: return "BE Float32";
    case 24: return "BE Float64";
    case 27: return "BMP";
    case 28: return "QuickTime Metadata atom";
    default: return nullptr;
    }
}

// The value of a data atom whose payload (type indicator, locale, value)
// is the `n` bytes at `d`, as the field `name`: the text of UTF-8 text, the
// number of a big-endian integer; nothing for other types.
void DataValue(const unsigned char* d, size_t n, const std::string& name, Out& o) {
    if (n < 8 || d[0]) return;  // a type set other than the well-known types
    const uint32_t type = ReadBe32(d);
    const unsigned char* value = d + 8;
    const size_t len = n - 8;
    if (type == 1)
        o.Text(name.c_str(), std::string(reinterpret_cast<const char*>(value), len));
    else if (type == 21 && (len == 1 || len == 2 || len == 3 || len == 4 || len == 8))
        o.Integer(name.c_str(), SignedBeN(value, len));
    else if (type == 22 && len >= 1 && len <= 8 && (len < 8 || !(value[0] & 0x80)))
        o.Integer(name.c_str(), static_cast<int64_t>(BeN(value, len)));
}

void Data(const Atom& a, Out& o) {
    const Payload& p = a.p;
    if (!p.Has(0, 8)) return o.TooShort();
    o.Hex("type_indicator", p.Be32(0), p.bytes[0] ? nullptr : DataTypeName(p.Be32(0)));
    o.Hex("locale_indicator", p.Be32(4));
    DataValue(p.bytes, p.size, "value", o);
}

// An ilst item: the value of its first data atom.
void IlstItem(const Context& c, Out& o) {
    const ChunkNode* data = ChildLabelled(c.node, "data");
    if (!data || (data->flags & kPhantom)) return;
    Payload p;
    ReadPayload(c, *data, p);
    if (p.readFailed) o.f.problem = FieldProblem::kUnreadable;
    DataValue(p.bytes, p.size, "value", o);
}

// The items of an ilst whose payload is the bytes [at, end) of `p`: each
// one's type, and the value of its first data atom ("item[1]",
// "item[1].value"). Items hold atoms of types the walk cannot tell from
// data ('©nam' begins with 0xA9, QuickTime's keyed items with zeros), so
// they are read here.
void IlstItems(const Atom& a, size_t at, size_t end, Out& o) {
    const Payload& p = a.p;
    for (size_t i = 0; at + 8 <= end; ++i) {
        const uint32_t size = p.Be32(at);
        if (size < 8) return;  // no item: what follows cannot be told apart
        std::string name = "item[" + std::to_string(i + 1) + "]";
        o.Code(name.c_str(), p.bytes + at + 4);
        const size_t itemEnd = size <= end - at ? at + size : end;
        if (size > end - at && !a.Capped()) o.TooShort();
        for (size_t in = at + 8; in + 8 <= itemEnd;) {
            const uint32_t box = p.Be32(in);
            if (box < 8) break;
            const size_t boxEnd = box <= itemEnd - in ? in + box : itemEnd;
            if (p.Be32(in + 4) == Code("data")) {
                DataValue(p.bytes + in + 8, boxEnd - in - 8, name + ".value", o);
                break;
            }
            in = boxEnd;
        }
        if (size > end - at) return;
        at += size;
    }
}

bool PlausibleType(const unsigned char* t) {
    for (int i = 0; i < 3; ++i)
        if (t[i] < 0x30 || t[i] > 0x7A) return false;
    return true;
}

void Meta(const Atom& a, Out& o) {
    const Payload& p = a.p;
    // QuickTime's meta holds atoms from its first byte: its own children
    // say what it holds. ISO's is a full box, whose atoms the walk does not
    // see: its handler and item list are read here.
    if (p.Has(0, 8) && p.Be32(0) >= 8 && PlausibleType(p.bytes + 4)) return;
    if (!FullBox(p, 0, o)) return;
    for (size_t at = 4; p.Has(at, 8);) {
        const uint32_t size = p.Be32(at);
        if (size < 8) return;
        const size_t end = size <= p.size - at ? at + size : p.size;
        if (size > p.size - at && !a.Capped()) o.TooShort();
        switch (p.Be32(at + 4)) {
        case Code("hdlr"):
            if (end - at >= 20) o.Code("handler_type", p.bytes + at + 16);
            break;
        case Code("ilst"): IlstItems(a, at + 8, end, o); break;
        default: break;
        }
        at = end;
    }
}

void Uuid(const Context& c, Out& o) {
    // The 16 bytes after the size and type (and the large size): where a
    // payload that holds them begins, the header counts them.
    const ChunkNode& n = c.node;
    const int basic = n.headerSize >= 24 ? n.headerSize - 16 : n.headerSize;
    const int64_t start = n.offset + basic;
    int64_t end = DeclaredEnd(n, c.tree);
    if (const ChunkNode* parent = c.Parent()) end = std::min(end, SpanEnd(*parent, c.tree));
    end = std::min(end, c.file.KnownLength());
    const size_t want = end > start ? static_cast<size_t>(std::min<int64_t>(end - start, 16)) : 0;
    unsigned char u[16];
    c.file.Seek(start);
    const size_t got = want ? c.file.Read(u, want) : 0;
    if (got < want) {
        o.f.problem = FieldProblem::kUnreadable;
        return;
    }
    if (got < 16) return o.TooShort();
    static const char kHexDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHexDigits[u[i] >> 4];
        text += kHexDigits[u[i] & 15];
    }
    o.Text("usertype", text);
}

}  // namespace

void DecodeAtom(const Context& c, NodeFields& out) {
    Out o{out};
    const ChunkNode& n = c.node;
    const ChunkNode* parent = c.Parent();
    const uint32_t type = TypeOf(n);

    // An item of an ilst, whatever its type, and the data atom of one.
    if (Is(parent, "ilst")) {
        out.known = true;
        return IlstItem(c, o);
    }
    const bool itemData = type == Code("data") && c.depth >= 2 && Is(c.ancestors[c.depth - 2], "ilst");
    if (type == Code("uuid")) {
        out.known = true;
        return Uuid(c, o);
    }

    switch (type) {
    case Code("ftyp"): case Code("styp"): case Code("mvhd"): case Code("tkhd"): case Code("mdhd"):
    case Code("hdlr"): case Code("stsd"): case Code("stts"): case Code("stsz"): case Code("stz2"):
    case Code("stco"): case Code("co64"): case Code("stss"): case Code("stsc"): case Code("ctts"):
    case Code("elst"): case Code("mehd"): case Code("trex"): case Code("mfhd"): case Code("tfhd"):
    case Code("tfdt"): case Code("trun"): case Code("sidx"): case Code("meta"): case Code("ilst"):
        break;
    default:
        if (!itemData) return;
    }
    out.known = true;
    Atom a;
    ReadPayload(c, n, a.p);
    a.available = Available(c, n, parent);
    const Payload& p = a.p;
    switch (type) {
    case Code("ftyp"): case Code("styp"): Ftyp(a, o); break;
    case Code("mvhd"): Mvhd(p, o); break;
    case Code("tkhd"): Tkhd(c, p, o); break;
    case Code("mdhd"): Mdhd(p, o); break;
    case Code("hdlr"): Hdlr(a, o); break;
    case Code("stsd"): Stsd(c, a, o); break;
    case Code("stts"): Stts(c, a, o); break;
    case Code("stsz"): Stsz(a, o); break;
    case Code("stz2"): Stz2(a, o); break;
    case Code("stco"): case Code("stss"): Table(a, 0, 4, o); break;
    case Code("co64"): Table(a, 0, 8, o); break;
    case Code("stsc"): Table(a, 0, 12, o); break;
    case Code("ctts"): Table(a, 1, 8, o); break;
    case Code("elst"): Elst(c, a, o); break;
    case Code("mehd"): Mehd(c, p, o); break;
    case Code("trex"): Trex(p, o); break;
    case Code("mfhd"): Mfhd(p, o); break;
    case Code("tfhd"): Tfhd(p, o); break;
    case Code("tfdt"): Tfdt(p, o); break;
    case Code("trun"): Trun(a, o); break;
    case Code("sidx"): Sidx(a, o); break;
    case Code("meta"): Meta(a, o); break;
    case Code("ilst"): IlstItems(a, 0, p.size, o); break;
    case Code("data"): Data(a, o); break;
    default: break;
    }
    // The bytes that did not come explain any shortness.
    if (p.readFailed && out.problem != FieldProblem::kUnknownVersion) out.problem = FieldProblem::kUnreadable;
}

}  // namespace viewer::fields
