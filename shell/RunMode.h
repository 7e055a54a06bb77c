// Portable core: the screensaver switches of the command line.
#pragma once
#include <cstdint>

#include "src/ClassRender/SaverState.h"

// Parses the whole process command line (program name first). Returns the run
// mode and stores the window number given after /a, /c or /p in parentWindow
// (0 when none).
RunMode ReadRunMode(const char* commandLine, intptr_t& parentWindow);
