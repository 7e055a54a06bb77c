// Windows layer: puts the multimedia timer behind the program's clock.
#include "src/ClassRender/win/SystemClock.h"

#include <windows.h>
#include <mmsystem.h>

#include "src/ClassRender/Clock.h"

static uint32_t MultimediaTimeMs()
{
    return timeGetTime();
}

void InstallSystemClock()
{
    static bool s_installed = false;
    if (s_installed)
        return;
    s_installed = true;
    // Sleep(1) in the idle throttle means 1 ms, not a scheduler tick
    timeBeginPeriod(1);
    ClockSetSource(MultimediaTimeMs);
}

namespace {
// Before any other static constructor reads the clock.
struct SystemClockInstaller
{
    SystemClockInstaller() { InstallSystemClock(); }
} s_installer __attribute__((init_priority(101)));
} // namespace
