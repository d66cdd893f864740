// quellby-dump: prints the atom tree of a QuickTime / ISO base media file.
#include "atom_analysis.h"
#include "dump_common.h"

int main(int argc, char** argv) { return RunDump(argc, argv, "quellby-dump", atom::Analyze); }
