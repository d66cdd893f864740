// The two programs built on the dialog shell, each a value: Tarnwick shows
// RIFF files, Quellby files made of atoms.
#pragma once

#include "viewer_program.h"

const ViewerProgram& TarnwickProgram();
const ViewerProgram& QuellbyProgram();
