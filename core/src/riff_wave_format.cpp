// The wave format of a WAVE file's fmt and an AVI audio stream's strf:
// the format tag with its name, channels, rates, and the extensible
// format's valid bits, channel mask and sub-format.
#include <cstdio>
#include <string>

#include "riff_field_parts.h"

namespace viewer::fields::riff_parts {
namespace {

const char* FormatTagName(uint32_t tag) {
    switch (tag) {
    case 0x0001: return "PCM";
    case 0x0002: return "ADPCM";
    case 0x0003: return "IEEE float";
    case 0x0006: return "A-law";
    case 0x0007: return "mu-law";
    case 0x0008: return "DTS";
    case 0x0011: return "IMA ADPCM";
    case 0x0031: return "GSM 6.10";
    case 0x0050: return "MPEG";
    case 0x0055: return "MPEG Layer-3";
    case 0x0092: return "AC-3 over S/PDIF";
    case 0x00FF: return "AAC";
    case 0x0160: return "WMA 1";
    case 0x0161: return "WMA 2";
    case 0x0162: return "WMA Pro";
    case 0x0163: return "WMA Lossless";
    case 0x1600: return "AAC ADTS";
    case 0x1602: return "AAC LATM";
    case 0x1610: return "HE-AAC";
    case 0x2000: return "AC-3";
    case 0x2001: return "DTS";
    case 0x674F:
    case 0x6750:
    case 0x6751:
    case 0x676F:
    case 0x6770:
    case 0x6771: return "Vorbis";
    case 0xF1AC: return "FLAC";
    case 0xFFFE: return "Extensible";
    }
    return nullptr;
}

constexpr uint32_t kExtensible = 0xFFFE;

// The 16 bytes of a GUID as text: 00000001-0000-0010-8000-00aa00389b71.
std::string GuidText(const unsigned char* g) {
    static const char kDigits[] = "0123456789abcdef";
    // Data1, Data2 and Data3 are stored little-endian, Data4 as bytes.
    static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kDigits[g[kOrder[i]] >> 4];
        text += kDigits[g[kOrder[i]] & 15];
    }
    return text;
}

}  // namespace

// WAVEFORMAT, PCMWAVEFORMAT, WAVEFORMATEX and WAVEFORMATEXTENSIBLE, as far
// as the chunk goes. Fixed part: the 14 bytes every format has, 16 for PCM
// (wBitsPerSample), 40 for the extensible one.
void WaveFormat(const Payload& p, Out& o) {
    if (!Need(p, o, 0, 2)) return;
    const uint32_t tag = p.Le16(0);
    o.Hex("wFormatTag", tag, FormatTagName(tag));
    if (!Need(p, o, 2, 2)) return;
    o.Integer("nChannels", p.Le16(2));
    if (!Dwords(p, o, 4, {{"nSamplesPerSec", FieldType::kHertz}, {"nAvgBytesPerSec", FieldType::kBytesPerSecond}}))
        return;
    if (!Need(p, o, 12, 2)) return;
    o.Add("nBlockAlign", FieldType::kBytes, p.Le16(12));
    if (!p.Has(14, 2)) {
        if (tag == 0x0001 || tag == kExtensible) o.TooShort();
        return;
    }
    const uint32_t bits = p.Le16(14);
    o.Integer("wBitsPerSample", bits);
    if (!p.Has(16, 2)) {
        if (tag == kExtensible) o.TooShort();
        return;
    }
    o.Add("cbSize", FieldType::kBytes, p.Le16(16));
    if (tag != kExtensible) return;
    if (!Need(p, o, 18, 2)) return;
    // A union: the samples in a block for a compressed format of no fixed sample size.
    o.Integer(bits ? "wValidBitsPerSample" : "wSamplesPerBlock", p.Le16(18));
    if (!Need(p, o, 20, 4)) return;
    const uint32_t mask = p.Le32(20);
    o.Hex("dwChannelMask", mask,
          FlagNames(mask, {{0x1, "FL"},      {0x2, "FR"},      {0x4, "FC"},      {0x8, "LFE"},     {0x10, "BL"},
                           {0x20, "BR"},     {0x40, "FLC"},    {0x80, "FRC"},    {0x100, "BC"},    {0x200, "SL"},
                           {0x400, "SR"},    {0x800, "TC"},    {0x1000, "TFL"},  {0x2000, "TFC"},  {0x4000, "TFR"},
                           {0x8000, "TBL"},  {0x10000, "TBC"}, {0x20000, "TBR"}})
              .c_str());
    if (!Need(p, o, 24, 16)) return;
    const unsigned char* guid = p.bytes + 24;
    o.Text("SubFormat", GuidText(guid));
    // The format tags' own GUIDs: the tag, then the same 14 bytes for all.
    static const unsigned char kBase[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (std::memcmp(guid + 2, kBase, sizeof kBase) == 0) {
        const uint32_t sub = p.Le16(24);
        o.Hex("SubFormat tag", sub, FormatTagName(sub));
    }
}

}  // namespace viewer::fields::riff_parts
