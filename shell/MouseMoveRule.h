// Portable core: when a mouse movement ends the saver.
#pragma once

#include "src/ClassRender/SaverState.h"

// Jumps of more than this many pixels on either axis count.
constexpr int MOUSE_JUMP_PIXELS = 20;

// The previous cursor position of the mouse-move messages.
struct MousePosition
{
    int x = 0;
    int y = 0;
};

// Applies one mouse-move message at (x, y): counts the grace down, records
// the position, and returns true when the move should end the saver (the
// grace is used up and the jump exceeds 20 pixels on an axis).
bool MouseMoveEndsSaver(int& graceCount, MousePosition& previous, int x, int y);
