// Portable core: the one millisecond clock of the program.
#include "src/ClassRender/Clock.h"

#include <chrono>

static uint32_t SteadyClockMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

static ClockSource s_clockSource = SteadyClockMs;

uint32_t ClockReadMs()
{
    return s_clockSource();
}

void ClockSetSource(ClockSource source)
{
    s_clockSource = source ? source : SteadyClockMs;
}
