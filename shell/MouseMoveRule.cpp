// Portable core: when a mouse movement ends the saver.
#include "shell/MouseMoveRule.h"

#include <cstdlib>

bool MouseMoveEndsSaver(int& graceCount, MousePosition& previous, int x, int y)
{
    --graceCount;
    const int dx = x - previous.x;
    const int dy = y - previous.y;
    previous.x = x;
    previous.y = y;
    return graceCount < 0 && (std::abs(dx) > MOUSE_JUMP_PIXELS || std::abs(dy) > MOUSE_JUMP_PIXELS);
}
