// quellby-dump: prints the atom tree of a QuickTime / ISO base media file.
#include "atom_analysis.h"
#include "dump_common.h"

const DumpProgram kDumpProgram{"quellby-dump", atom::Analyze,
                                "the atom tree of a QuickTime or MP4 file (MOV, MP4, 3GP, 3G2, M4A)", "movie.mp4"};
