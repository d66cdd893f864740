// Reading the image formats that resource scripts name: icon files (.ico)
// and device-independent bitmaps (.bmp). Shared by the resource converter,
// which checks them at build time, and the backends, which draw them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An image with 32-bit pixels 0xAARRGGBB, rows from the top.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// One image of an icon file: where its bitmap lies in the file and what the
// directory says about it.
struct IconFileEntry {
    int width = 0;   // pixels; a directory width of 0 means 256
    int height = 0;
    int colorCount = 0;  // 0: 256 colours or more
    int bitCount = 0;
    size_t offset = 0;
    size_t size = 0;
};

// Reads the directory of an icon file (ICONDIR followed by ICONDIRENTRY
// records). false with a reason when the data is no icon file or an entry
// lies outside the data.
bool ReadIconDirectory(const uint8_t* data, size_t size, std::vector<IconFileEntry>* entries, std::string* error);

// Decodes a bitmap that starts with a BITMAPINFOHEADER. withMask: the bitmap
// is an icon image (XOR bitmap over an AND mask, twice the height in the
// header); set mask bits make the pixel transparent. Uncompressed 1, 4, 8, 24
// and 32 bits per pixel are read.
bool DecodeDib(const uint8_t* data, size_t size, bool withMask, DecodedImage* image, std::string* error);

// Decodes a .bmp file (BITMAPFILEHEADER and a bitmap as DecodeDib reads it).
bool DecodeBmpFile(const uint8_t* data, size_t size, DecodedImage* image, std::string* error);

// Decodes image `index` of an icon file.
bool DecodeIconImage(const uint8_t* data, size_t size, const IconFileEntry& entry, DecodedImage* image,
                     std::string* error);

// The BITMAPINFOHEADER fields the checks need, read without decoding.
struct DibInfo {
    int width = 0;
    int height = 0;  // of the image, without an icon's mask
    int bitCount = 0;
};
bool ReadDibInfo(const uint8_t* data, size_t size, bool withMask, DibInfo* info, std::string* error);
