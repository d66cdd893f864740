// The large inputs of the benchmarks, built deterministically from the same
// pieces as the tests' files.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

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

// Writes pieces at offsets and sets the length; the gaps stay holes.
inline bool WriteSparse(const std::string& path, long long length, const std::vector<std::pair<long long, std::string>>& pieces) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, length) == 0;
    for (const auto& [offset, bytes] : pieces)
        ok = ok && pwrite(fd, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(bytes.size());
    return close(fd) == 0 && ok;
}

inline Bytes Moov() {
    Bytes stbl = Bytes::Atom("stsd", Bytes().be32(0).be32(1).append(Bytes::Atom("avc1", Bytes().fill(78))))
                     .append(Bytes::Atom("stts", Bytes().be32(0).be32(1).be32(150000).be32(1)))
                     .append(Bytes::Atom("stsc", Bytes().be32(0).be32(1).be32(1).be32(150000).be32(1)))
                     .append(Bytes::Atom("stsz", Bytes().be32(0).be32(40000).be32(150000)))
                     .append(Bytes::Atom("co64", Bytes().be32(0).be32(1).be64(32)));
    Bytes minf = Bytes::Atom("vmhd", Bytes().be32(1).fill(8))
                     .append(Bytes::Atom("dinf", Bytes::Atom("dref", Bytes().be32(0).be32(1).append(Bytes::Atom("url ", Bytes().be32(1))))))
                     .append(Bytes::Atom("stbl", stbl));
    Bytes mdia = Bytes::Atom("mdhd", Bytes().fill(24))
                     .append(Bytes::Atom("hdlr", Bytes().fill(8).code("vide").fill(12).code("Video").raw({0})))
                     .append(Bytes::Atom("minf", minf));
    Bytes trak = Bytes::Atom("trak", Bytes::Atom("tkhd", Bytes().fill(84)).append(Bytes::Atom("mdia", mdia)));
    return Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(100)).append(trak));
}

inline bool WriteSparseMp4(const std::string& path) {
    const long long length = 6LL << 30;
    const std::string ftyp = Bytes::Atom("ftyp", Bytes().code("isom").be32(512).code("isomavc1")).str();
    const std::string moov = Moov().str();
    const long long mdatSize = length - static_cast<long long>(ftyp.size() + moov.size());
    const std::string mdatHeader = Bytes().be32(1).code("mdat").be64(static_cast<uint64_t>(mdatSize)).str();
    return WriteSparse(path, length,
                       {{0, ftyp}, {static_cast<long long>(ftyp.size()), mdatHeader}, {length - static_cast<long long>(moov.size()), moov}});
}

// One RIFF of the OpenDML file: a LIST movi with a few frames and a JUNK
// chunk that fills the RIFF to `riffSize` bytes in all.
inline std::pair<std::string, long long> OpenDmlRiff(const char* form, long long riffSize, bool first) {
    Bytes head;
    if (first) {
        Bytes avih;
        avih.le32(40000).fill(12).le32(0x10).fill(36);
        head.append(Bytes::List("hdrl", Bytes::Chunk("avih", avih).append(Bytes::List(
                                            "strl", Bytes::Chunk("strh", Bytes().code("vids").fill(52))
                                                        .append(Bytes::Chunk("strf", Bytes().le32(40).fill(36)))))));
    }
    Bytes frames;
    for (int i = 0; i < 4; ++i) frames.append(Bytes::Chunk(i % 2 ? "01wb" : "00dc", Bytes().fill(1001 + i, 0x5A)));
    // RIFF header 12 + head + LIST movi header 12 + frames + JUNK header 8 + JUNK data = riffSize
    const long long junkData = riffSize - 12 - static_cast<long long>(head.size()) - 12 - static_cast<long long>(frames.size()) - 8;
    const long long moviSize = 4 + static_cast<long long>(frames.size()) + 8 + junkData;
    Bytes riff;
    riff.code("RIFF").le32(static_cast<uint32_t>(riffSize - 8)).code(form).append(head);
    riff.code("LIST").le32(static_cast<uint32_t>(moviSize)).code("movi").append(frames);
    riff.code("JUNK").le32(static_cast<uint32_t>(junkData));
    return {riff.str(), riffSize};
}

inline bool WriteOpenDml(const std::string& path) {
    const long long riffSize = 512LL << 20;
    std::vector<std::pair<long long, std::string>> pieces;
    long long at = 0;
    for (int i = 0; i < 3; ++i) {
        auto [bytes, size] = OpenDmlRiff(i == 0 ? "AVI " : "AVIX", riffSize, i == 0);
        pieces.emplace_back(at, bytes);
        at += size;
    }
    return WriteSparse(path, at, pieces);
}

