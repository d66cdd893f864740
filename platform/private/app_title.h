// The backend's part of the application's name: the program file's name
// without its extension.
#pragma once

#include <string>

std::string AfxProgramTitle();
