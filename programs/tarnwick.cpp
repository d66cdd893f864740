#include "programs.h"
#include "resource_modules.h"
#include "riff_analysis.h"

const ViewerProgram& TarnwickProgram() {
    static const ViewerProgram program{"C:\\WINDOWS\\clock.avi", riff::Analyze, TarnwickResources()};
    return program;
}
