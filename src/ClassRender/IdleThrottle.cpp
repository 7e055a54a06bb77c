// Portable core: the idle throttle shared by the loop and the world's frame.
#include "src/ClassRender/IdleThrottle.h"

IdleThrottle g_IdleThrottle;
