// make-sample: writes the small sample files the project shows off with
// (sample_files.h): an AVI and a WAVE.
//   make-sample OUTPUT-DIRECTORY
#include <cstdio>
#include <string>

#include "sample_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUTPUT-DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!SampleAvi().WriteTo(dir + "/sample.avi") || !SampleWave().WriteTo(dir + "/sample.wav")) {
        std::perror("make-sample");
        return 1;
    }
    return 0;
}
