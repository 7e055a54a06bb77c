// Portable core: values of the saver's state that the framework holds and
// the shell acts on.
#pragma once
#include <cstdint>

// How the system started the program (the command-line switch).
enum RunMode : int32_t
{
    rmConfigure = 0,
    rmPreview = 1,
    rmFullScreen = 2,
    rmTestWindow = 3,
    rmPasswordChange = 4,
};

// Mouse-move messages ignored after start (the system sends a few).
constexpr int MOUSE_GRACE_MOVES = 10;
