// tarnwick-dump: prints the chunk tree of a RIFF file (AVI, WAVE, ...).
#include "dump_common.h"
#include "riff_analysis.h"

int main(int argc, char** argv) { return RunDump(argc, argv, "tarnwick-dump", riff::Analyze); }
