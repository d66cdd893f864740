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

#include "atom_field_parts.h"
#include "node_hints.h"

namespace viewer::fields {
namespace {

using namespace atoms;

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

// The timescale and duration after the creation and modification times,
// which a movie and a media header (of version `v`) share; false, with the
// atom marked short, when they are not all there.
bool TimescaleAndDuration(const Payload& p, unsigned v, Out& o) {
    const size_t at = v ? 20 : 12;
    if (!p.Has(at, 4)) {
        o.TooShort();
        return false;
    }
    const uint32_t timescale = p.Be32(at);
    o.Integer("timescale", timescale);
    uint64_t duration;
    if (!Wide(p, at + 4, v, &duration)) {
        o.TooShort();
        return false;
    }
    Duration(o, "duration", duration, v, timescale);
    return true;
}

void Mvhd(const Payload& p, Out& o) {
    unsigned v;
    if (!FullBox(p, 1, o, &v)) return;
    if (!TimescaleAndDuration(p, v, o)) return;
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
    if (!TimescaleAndDuration(p, v, o)) return;
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
