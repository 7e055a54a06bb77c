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

namespace {

DWORD WINAPI TryFromAnotherThread(LPVOID section)
{
    const BOOL got = TryEnterCriticalSection(static_cast<LPCRITICAL_SECTION>(section));
    if (got)
        LeaveCriticalSection(static_cast<LPCRITICAL_SECTION>(section));
    return got ? 1 : 0;
}

LONG WINAPI PassEveryException(PEXCEPTION_POINTERS)
{
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD TryOnAnotherThread(CRITICAL_SECTION& section)
{
    HANDLE thread = CreateThread(nullptr, 0, TryFromAnotherThread, &section, 0, nullptr);
    if (thread == nullptr)
        return 2;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 2;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

} // namespace

// Through the slots the thread runtime calls (ours on x86): a held section
// refuses another thread, a free one is taken; handles and handlers answer.
// The stand-ins for Windows 9x keep the callers going.
TEST(OldWindowsImports, SlotsAnswerAsWindowsAndTheStandInsKeepCallersGoing)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_EQ(TryOnAnotherThread(section), 0u);
    LeaveCriticalSection(&section);
    EXPECT_EQ(TryOnAnotherThread(section), 1u);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    DWORD flags = 0xFFFF;
    EXPECT_TRUE(GetHandleInformation(event, &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
    flags = 0xFFFF;
    EXPECT_TRUE(HandleInformationUnknown(event, &flags));
    EXPECT_EQ(flags, 0u);
    CloseHandle(event);

    PVOID handler = AddVectoredExceptionHandler(0, PassEveryException);
    EXPECT_NE(handler, nullptr);
    EXPECT_NE(RemoveVectoredExceptionHandler(handler), 0u);
    EXPECT_EQ(NoVectoredExceptionHandler(0, nullptr), nullptr);
    EXPECT_EQ(NoVectoredExceptionHandlerToRemove(nullptr), 0u);

    // The stand-in waits for the section rather than refuse it.
    EXPECT_TRUE(EnterCriticalSectionAndSucceed(&section));
    LeaveCriticalSection(&section);
    DeleteCriticalSection(&section);
}
