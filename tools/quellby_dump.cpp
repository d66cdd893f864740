// quellby-dump: prints the atom tree of a QuickTime / ISO base media file.
#include "atom_analysis.h"
#include "dump_common.h"

const DumpProgram kDumpProgram{"quellby-dump", atom::Analyze};
