#include "atom_analysis.h"
#include "programs.h"
#include "resource_modules.h"

const ViewerProgram& QuellbyProgram() {
    static const ViewerProgram program{"d:\\test\\demo.3g2", atom::Analyze, QuellbyResources()};
    return program;
}
