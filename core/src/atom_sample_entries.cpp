// The fields of sample descriptions (stsd): each entry's format and size,
// a picture's size and depth, a sound's channels and rate in each layout
// QuickTime and ISO give them, and what the entry's own atoms add (avcC,
// pasp, colr, esds with AAC's configuration).
#include <algorithm>
#include <cstring>
#include <string>

#include "atom_field_parts.h"

namespace viewer::fields::atoms {
namespace {

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

}  // namespace

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

}  // namespace viewer::fields::atoms
