// The tick count the 32-bit saver uses where Windows has no GetTickCount64:
// it moves with real time, never backwards, and the import slot answers.
#include <gtest/gtest.h>

#include "shell/win/OldWindowsImports.h"

TEST(OldWindowsImports, TickCountFromThePerformanceCounterFollowsRealTime)
{
    const ULONGLONG start = TickCountFromPerformanceCounter();
    const DWORD startTicks = GetTickCount();
    ULONGLONG last = start;
    for (int i = 0; i < 10000; ++i)
    {
        const ULONGLONG now = TickCountFromPerformanceCounter();
        ASSERT_GE(now, last);
        last = now;
    }
    Sleep(200);
    const ULONGLONG elapsed = TickCountFromPerformanceCounter() - start;
    const DWORD elapsedTicks = GetTickCount() - startTicks;
    EXPECT_GE(elapsed, 190u);
    // within a scheduler tick or two of the system's own count
    EXPECT_LE(elapsed > elapsedTicks ? elapsed - elapsedTicks : elapsedTicks - elapsed, 40u);
    // through the import slot (ours on x86, Windows' own on x64)
    const ULONGLONG viaSlot = GetTickCount64();
    Sleep(50);
    EXPECT_GE(GetTickCount64() - viaSlot, 40u);
}
