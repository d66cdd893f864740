#include "dib.h"

namespace {

uint32_t U16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;

// Bytes of one row of `bits`-per-pixel pixels, padded to 32 bits.
size_t Stride(int width, int bits) { return ((static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32) * 4; }

}  // namespace

bool ReadIconDirectory(const uint8_t* data, size_t size, std::vector<IconFileEntry>* entries, std::string* error) {
    if (size < 6) return Fail(error, "too short for an icon file");
    if (U16(data) != 0 || U16(data + 2) != 1) return Fail(error, "not an icon file (ICONDIR reserved 0, type 1)");
    const size_t count = U16(data + 4);
    if (count == 0) return Fail(error, "the icon file holds no image");
    if (size < 6 + 16 * count) return Fail(error, "the icon directory is cut short");
    entries->clear();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + 6 + 16 * i;
        IconFileEntry entry;
        entry.width = e[0] ? e[0] : 256;
        entry.height = e[1] ? e[1] : 256;
        entry.colorCount = e[2];
        entry.bitCount = static_cast<int>(U16(e + 6));
        entry.size = U32(e + 8);
        entry.offset = U32(e + 12);
        if (entry.offset > size || entry.size > size - entry.offset)
            return Fail(error, "an icon image lies outside the file");
        entries->push_back(entry);
    }
    return true;
}

bool ReadDibInfo(const uint8_t* data, size_t size, bool withMask, DibInfo* info, std::string* error) {
    if (size < kInfoHeaderSize || U32(data) < kInfoHeaderSize)
        return Fail(error, "no BITMAPINFOHEADER");
    const int32_t width = I32(data + 4);
    int32_t height = I32(data + 8);
    const uint32_t planes = U16(data + 12);
    const uint32_t bits = U16(data + 14);
    const uint32_t compression = U32(data + 16);
    if (planes != 1) return Fail(error, "a bitmap must have one plane");
    if (compression != kBiRgb) return Fail(error, "only uncompressed bitmaps are read");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Fail(error, "only 1, 4, 8, 24 and 32 bits per pixel are read");
    if (withMask) {
        if (height <= 0 || height % 2) return Fail(error, "an icon image has twice its height in the header");
        height /= 2;
    }
    if (height < 0) height = -height;  // rows from the top
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return Fail(error, "bad bitmap size");
    info->width = width;
    info->height = height;
    info->bitCount = static_cast<int>(bits);
    return true;
}

bool DecodeDib(const uint8_t* data, size_t size, bool withMask, DecodedImage* image, std::string* error) {
    DibInfo info;
    if (!ReadDibInfo(data, size, withMask, &info, error)) return false;
    const size_t headerSize = U32(data);
    const bool topDown = !withMask && I32(data + 8) < 0;
    const int bits = info.bitCount;
    size_t colors = 0;
    if (bits <= 8) {
        colors = U32(data + 32);
        if (colors == 0 || colors > (size_t{1} << bits)) colors = size_t{1} << bits;
    }
    if (headerSize > size || colors * 4 > size - headerSize) return Fail(error, "the colour table is cut short");
    const uint8_t* palette = data + headerSize;
    const uint8_t* pixels = palette + colors * 4;
    const size_t stride = Stride(info.width, bits);
    const size_t maskStride = Stride(info.width, 1);
    const size_t rest = size - headerSize - colors * 4;
    const size_t need = stride * static_cast<size_t>(info.height) +
                        (withMask ? maskStride * static_cast<size_t>(info.height) : 0);
    if (need > rest) return Fail(error, "the pixel data is cut short");
    const uint8_t* mask = pixels + stride * static_cast<size_t>(info.height);

    image->width = info.width;
    image->height = info.height;
    image->pixels.assign(static_cast<size_t>(info.width) * static_cast<size_t>(info.height), 0);
    for (int y = 0; y < info.height; ++y) {
        const size_t fileRow = topDown ? static_cast<size_t>(y) : static_cast<size_t>(info.height - 1 - y);
        const uint8_t* row = pixels + fileRow * stride;
        for (int x = 0; x < info.width; ++x) {
            uint32_t argb;
            if (bits <= 8) {
                const size_t bitPos = static_cast<size_t>(x) * static_cast<size_t>(bits);
                const unsigned shift = static_cast<unsigned>(8 - bits - static_cast<int>(bitPos % 8));
                const size_t index = (row[bitPos / 8] >> shift) & ((1u << bits) - 1);
                if (index >= colors) return Fail(error, "a pixel names a colour the table lacks");
                const uint8_t* q = palette + index * 4;
                argb = 0xFF000000u | (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
            } else if (bits == 24) {
                const uint8_t* q = row + x * 3;
                argb = 0xFF000000u | (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
            } else {
                const uint8_t* q = row + x * 4;
                // Plain 32-bit bitmaps leave the fourth byte zero: opaque then.
                argb = (uint32_t{q[3]} << 24) | (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
            }
            if (withMask) {
                const uint8_t* maskRow = mask + fileRow * maskStride;
                const bool transparent = (maskRow[x / 8] >> (7 - x % 8)) & 1;
                if (bits == 32) {
                    if (transparent) argb &= 0x00FFFFFFu;
                } else {
                    argb = transparent ? 0u : argb;
                }
            } else if (bits == 32) {
                argb |= 0xFF000000u;
            }
            image->pixels[static_cast<size_t>(y) * static_cast<size_t>(info.width) + static_cast<size_t>(x)] = argb;
        }
    }
    return true;
}

bool DecodeBmpFile(const uint8_t* data, size_t size, DecodedImage* image, std::string* error) {
    if (size < 14 || data[0] != 'B' || data[1] != 'M') return Fail(error, "not a bitmap file (no \"BM\" signature)");
    const size_t bitsOffset = U32(data + 10);
    DibInfo info;
    if (!ReadDibInfo(data + 14, size - 14, false, &info, error)) return false;
    // The header's offset to the pixels must agree with the colour table that follows the header.
    const size_t headerSize = U32(data + 14);
    size_t colors = 0;
    if (info.bitCount <= 8) {
        colors = U32(data + 14 + 32);
        if (colors == 0 || colors > (size_t{1} << info.bitCount)) colors = size_t{1} << info.bitCount;
    }
    if (bitsOffset != 14 + headerSize + colors * 4) return Fail(error, "the offset to the pixels is not where the colour table ends");
    return DecodeDib(data + 14, size - 14, false, image, error);
}

bool DecodeIconImage(const uint8_t* data, size_t size, const IconFileEntry& entry, DecodedImage* image,
                     std::string* error) {
    if (entry.offset > size || entry.size > size - entry.offset) return Fail(error, "an icon image lies outside the file");
    if (entry.size >= 8 && data[entry.offset] == 0x89 && data[entry.offset + 1] == 'P')
        return Fail(error, "icon images stored as PNG are not read");
    if (!DecodeDib(data + entry.offset, entry.size, true, image, error)) return false;
    if (image->width != entry.width || image->height != entry.height)
        return Fail(error, "an icon image's size differs from its directory entry");
    return true;
}
