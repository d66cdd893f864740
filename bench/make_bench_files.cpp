// make-bench-files: writes the comparison's large inputs into a folder.
//   riff-1m.avi    AVI with 1,000,000 chunks in LIST movi and an idx1 over them
//   mp4-1m.mp4     fragmented MP4 of about 1,000,000 boxes
//   sparse-6g.mp4  6 GiB MP4 (sparse): ftyp, mdat with a 64-bit size, moov last
//   opendml.avi    1.5 GiB OpenDML AVI (sparse): RIFF AVI then two RIFF AVIX,
//                  each with a few real chunks and a JUNK chunk over the rest
#include <cstdio>
#include <string>

#include "bench_inputs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bench-files FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = WriteFileBytes(dir + "/riff-1m.avi", BuildBigAvi()) &&
                    WriteFileBytes(dir + "/mp4-1m.mp4", BuildBigFragmentedMp4()) &&
                    WriteSparseMp4(dir + "/sparse-6g.mp4") && WriteOpenDml(dir + "/opendml.avi");
    if (!ok) {
        std::perror("make-bench-files");
        return 1;
    }
    return 0;
}
