// The large inputs of the benchmarks, built deterministically from the same
// pieces as the tests' files.
#pragma once

#include <random>
#include <string>

#include "byte_builder.h"

// An AVI whose LIST movi holds `chunks` chunks of 16 to 64 bytes (about half
// odd-sized, each followed by its pad byte) and whose idx1 indexes them all.
inline std::string BuildBigAvi(int chunks = 1000000) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<uint32_t> sizes(16, 64);
    Bytes movi, idx1;
    uint32_t offset = 4;
    for (int i = 0; i < chunks; ++i) {
        const uint32_t size = sizes(rng);
        const char* id = i % 3 ? "00dc" : "01wb";
        movi.code(id).le32(size).fill(size, static_cast<uint8_t>(i | 1)).fill(size & 1, 0);  // data, pad
        idx1.code(id).le32(0x10).le32(offset).le32(size);
        offset += 8 + size + (size & 1);
    }
    Bytes avih;
    avih.le32(40000).le32(0).le32(0).le32(0x10).le32(static_cast<uint32_t>(chunks)).le32(0).le32(2).le32(0)
        .le32(320).le32(240).fill(16);
    Bytes strl = Bytes::Chunk("strh", Bytes().code("vids").code("MJPG").fill(48))
                     .append(Bytes::Chunk("strf", Bytes().le32(40).le32(320).le32(240).fill(28)));
    Bytes hdrl = Bytes::Chunk("avih", avih).append(Bytes::List("strl", strl));
    Bytes body = Bytes::List("hdrl", hdrl).append(Bytes::List("movi", movi)).append(Bytes::Chunk("idx1", idx1));
    return Bytes::List("AVI ", body, "RIFF").str();
}

// A fragmented MP4: ftyp, moov, then `fragments` fragments of moof (mfhd,
// traf (tfhd, tfdt, trun)) and mdat: 7 boxes each.
inline std::string BuildBigFragmentedMp4(int fragments = 142857) {
    std::mt19937 rng(4711);
    std::uniform_int_distribution<uint32_t> samples(1, 4), sampleSize(16, 64);
    Bytes file = Bytes::Atom("ftyp", Bytes().code("isom").be32(512).code("isomiso6dash"));
    Bytes mdia = Bytes::Atom("mdhd", Bytes().fill(24)).append(Bytes::Atom("hdlr", Bytes().fill(25)));
    Bytes trak = Bytes::Atom("trak", Bytes::Atom("tkhd", Bytes().fill(84)).append(Bytes::Atom("mdia", mdia)));
    file.append(Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(100)).append(trak).append(
                                        Bytes::Atom("mvex", Bytes::Atom("trex", Bytes().fill(24))))));
    uint64_t time = 0;
    for (int i = 0; i < fragments; ++i) {
        const uint32_t count = samples(rng);
        Bytes trun;
        trun.be32(0x000201).be32(count).be32(0);  // flags: data offset, sample sizes
        uint32_t total = 0;
        for (uint32_t s = 0; s < count; ++s) {
            const uint32_t size = sampleSize(rng);
            trun.be32(size);
            total += size;
        }
        Bytes traf = Bytes::Atom("tfhd", Bytes().be32(0x020000).be32(1))
                         .append(Bytes::Atom("tfdt", Bytes().be32(0x01000000).be64(time)))
                         .append(Bytes::Atom("trun", trun));
        file.append(Bytes::Atom("moof", Bytes::Atom("mfhd", Bytes().be32(0).be32(static_cast<uint32_t>(i + 1)))
                                            .append(Bytes::Atom("traf", traf))));
        file.append(Bytes::Atom("mdat", Bytes().fill(total, 0x80)));
        time += 1024 * count;
    }
    return file.str();
}
