// The fields of iTunes-style metadata (meta, ilst, its items and their
// data atoms) and of uuid atoms.
#include <algorithm>
#include <cstring>
#include <string>

#include "atom_field_parts.h"
#include "node_hints.h"

namespace viewer::fields::atoms {
namespace {

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

bool PlausibleType(const unsigned char* t) {
    for (int i = 0; i < 3; ++i)
        if (t[i] < 0x30 || t[i] > 0x7A) return false;
    return true;
}

}  // namespace

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

}  // namespace viewer::fields::atoms
