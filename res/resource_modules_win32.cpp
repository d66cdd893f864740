// On Windows each program's resources are linked into the program file
// (windres), so its resource module is the module of the process.
#include "resource_modules.h"

HINSTANCE TarnwickResources() { return GetModuleHandleW(nullptr); }
HINSTANCE QuellbyResources() { return GetModuleHandleW(nullptr); }
