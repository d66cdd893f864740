// make-bench-files: writes the comparison's large inputs into a folder.
//   riff-1m.avi    AVI with 1,000,000 chunks in LIST movi and an idx1 over them
//   mp4-1m.mp4     fragmented MP4 of about 1,000,000 boxes
//   sparse-6g.mp4  6 GiB MP4 (sparse): ftyp, mdat with a 64-bit size, moov last
//   opendml.avi    1.5 GiB OpenDML AVI (sparse): RIFF AVI then two RIFF AVIX,
//                  each with a few real chunks and a JUNK chunk over the rest
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_inputs.h"

namespace {

bool Write(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Writes pieces at offsets and sets the length; the gaps stay holes.
bool WriteSparse(const std::string& path, long long length, const std::vector<std::pair<long long, std::string>>& pieces) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, length) == 0;
    for (const auto& [offset, bytes] : pieces)
        ok = ok && pwrite(fd, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(bytes.size());
    return close(fd) == 0 && ok;
}

Bytes Moov() {
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

bool WriteSparseMp4(const std::string& path) {
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
std::pair<std::string, long long> OpenDmlRiff(const char* form, long long riffSize, bool first) {
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

bool WriteOpenDml(const std::string& path) {
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bench-files FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = Write(dir + "/riff-1m.avi", BuildBigAvi()) && Write(dir + "/mp4-1m.mp4", BuildBigFragmentedMp4()) &&
                    WriteSparseMp4(dir + "/sparse-6g.mp4") && WriteOpenDml(dir + "/opendml.avi");
    if (!ok) {
        std::perror("make-bench-files");
        return 1;
    }
    return 0;
}
