// tarnwick-dump: prints the chunk tree of a RIFF file (AVI, WAVE, ...).
#include "dump_common.h"
#include "riff_analysis.h"

const DumpProgram kDumpProgram{"tarnwick-dump", riff::Analyze, "the chunk tree of a RIFF file (AVI, WAVE)", "clip.avi"};
