// make-sample: writes the small sample files the project shows off with: an
// AVI (one video stream of eight frames, odd-sized frames with their pad
// bytes, an index) and a WAVE (a short 440 Hz tone with an INFO list).
//   make-sample OUTPUT-DIRECTORY
#include <cmath>
#include <cstdio>
#include <string>

#include "byte_builder.h"

namespace {

Bytes MakeAvi() {
    const uint32_t width = 32, height = 24, frames = 8;
    Bytes avih;  // main AVI header
    avih.le32(40000).le32(100000).le32(0).le32(0x10 /*AVIF_HASINDEX*/).le32(frames).le32(0).le32(1).le32(0)
        .le32(width).le32(height).fill(16);
    Bytes strh;  // stream header of a video stream
    strh.code("vids").code("MJPG").le32(0).le16(0).le16(0).le32(0).le32(1).le32(25).le32(0).le32(frames)
        .le32(0).le32(0xFFFFFFFF).le32(0).le16(0).le16(0).le16(uint16_t(width)).le16(uint16_t(height));
    Bytes strf;  // BITMAPINFOHEADER
    strf.le32(40).le32(width).le32(height).le16(1).le16(24).code("MJPG").le32(width * height * 3).le32(0).le32(0)
        .le32(0).le32(0);
    Bytes strl = Bytes::Chunk("strh", strh).append(Bytes::Chunk("strf", strf));
    Bytes hdrl = Bytes::Chunk("avih", avih).append(Bytes::List("strl", strl));

    Bytes movi, idx1;
    uint32_t offset = 4;
    for (uint32_t i = 0; i < frames; ++i) {
        Bytes frame;
        const uint32_t size = 40 + i * 3;  // every other frame odd-sized
        for (uint32_t j = 0; j < size; ++j) frame.raw({uint8_t(i * 31 + j)});
        movi.append(Bytes::Chunk("00dc", frame));
        idx1.code("00dc").le32(0x10 /*AVIIF_KEYFRAME*/).le32(offset).le32(size);
        offset += 8 + size + (size & 1);
    }
    Bytes info = Bytes::Chunk("ISFT", Bytes().code("make-sample").raw({0}));
    Bytes body = Bytes::List("hdrl", hdrl)
                     .append(Bytes::List("INFO", info))
                     .append(Bytes::List("movi", movi))
                     .append(Bytes::Chunk("idx1", idx1));
    return Bytes::List("AVI ", body, "RIFF");
}

Bytes MakeWave() {
    const uint32_t rate = 8000, samples = 800;
    Bytes fmt;
    fmt.le16(1).le16(1).le32(rate).le32(rate * 2).le16(2).le16(16);
    Bytes data;
    for (uint32_t i = 0; i < samples; ++i) {
        const double v = std::sin(2.0 * 3.14159265358979 * 440.0 * i / rate) * 12000.0;
        data.le16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    Bytes info = Bytes::Chunk("INAM", Bytes().code("A4 tone").raw({0})).append(
        Bytes::Chunk("ISFT", Bytes().code("make-sample").raw({0})));
    Bytes body = Bytes::Chunk("fmt ", fmt).append(Bytes::List("INFO", info)).append(Bytes::Chunk("data", data));
    return Bytes::List("WAVE", body, "RIFF");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUTPUT-DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!MakeAvi().WriteTo(dir + "/sample.avi") || !MakeWave().WriteTo(dir + "/sample.wav")) {
        std::perror("make-sample");
        return 1;
    }
    return 0;
}
