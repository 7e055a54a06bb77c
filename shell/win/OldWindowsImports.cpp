// Windows layer: the thread runtime linked into the saver (winpthreads)
// imports GetTickCount64, which the kernel32 of Windows XP and older lacks;
// the loader would refuse the whole .scr there. The 32-bit build fills that
// import slot itself, with the real function where it exists and a count
// from the performance counter elsewhere. This file is linked as an object
// of the saver, ahead of the import libraries, so its slot is the one used.
#include "shell/win/OldWindowsImports.h"

ULONGLONG WINAPI TickCountFromPerformanceCounter()
{
    LARGE_INTEGER frequency, count;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !QueryPerformanceCounter(&count))
        return GetTickCount();
    const ULONGLONG f = static_cast<ULONGLONG>(frequency.QuadPart);
    const ULONGLONG c = static_cast<ULONGLONG>(count.QuadPart);
    return c / f * 1000 + c % f * 1000 / f;
}

#if defined(__i386__)

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI TickCount64OnAnyWindows()
{
    // Resolved once; a race only resolves it twice to the same answer.
    static volatile LONG resolved = 0;
    static TickCount64Function function = nullptr;
    if (resolved == 0)
    {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "GetTickCount64") : nullptr;
        function = found != nullptr ? reinterpret_cast<TickCount64Function>(reinterpret_cast<void*>(found))
                                    : TickCountFromPerformanceCounter;
        InterlockedExchange(&resolved, 1);
    }
    return function();
}

} // namespace

// The import slot the runtime calls through (i686 names carry the stdcall
// suffix).
extern "C" {
TickCount64Function qm_GetTickCount64Slot __asm__("__imp__GetTickCount64@0") = TickCount64OnAnyWindows;
}

#endif
