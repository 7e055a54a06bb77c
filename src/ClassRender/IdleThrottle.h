// Portable core: the idle throttle that gives time back to the system.
#pragma once
#include <cstdint>

// Three chained counters. After every loop pass A counts up; B counts when A
// turns odd, C when B turns odd. C odd means "sleep 1 ms": passes 1-4 sleep,
// 5-8 do not, 9-12 sleep, and so on. The world's frame reads C too.
struct IdleThrottle
{
    uint32_t a = 0;
    uint32_t b = 0;
    uint32_t c = 0;

    // One loop pass; returns true when the pass should sleep 1 ms.
    bool Advance()
    {
        if (++a & 1u)
            if (++b & 1u)
                ++c;
        return ShouldSleep();
    }

    bool ShouldSleep() const { return (c & 1u) != 0; }
};

extern IdleThrottle g_IdleThrottle;
