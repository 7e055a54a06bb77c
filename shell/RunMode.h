// Portable core: the screensaver switches of the command line.
#pragma once
#include <cstdint>

enum RunMode : int32_t
{
    rmConfigure = 0,
    rmPreview = 1,
    rmFullScreen = 2,
    rmTestWindow = 3,
    rmPasswordChange = 4,
};

// Parses the whole process command line (program name first). Returns the run
// mode and stores the window number given after /a, /c or /p in parentWindow
// (0 when none).
RunMode ReadRunMode(const char* commandLine, intptr_t& parentWindow);
