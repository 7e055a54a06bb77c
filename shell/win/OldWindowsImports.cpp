// Windows layer: the thread runtime linked into the saver (winpthreads)
// imports functions that older kernel32s lack: GetTickCount64 (before
// Vista), AddVectoredExceptionHandler and RemoveVectoredExceptionHandler
// (before XP), TryEnterCriticalSection and GetHandleInformation (Windows 9x).
// The loader would refuse the whole .scr there. The 32-bit build fills
// those import slots itself, with the real function where it exists and a
// stand-in elsewhere. This file is linked as an object of the saver, ahead
// of the import libraries, so its slots are the ones used.
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

// Stand-ins for Windows 9x, which has none of these.
BOOL WINAPI EnterCriticalSectionAndSucceed(LPCRITICAL_SECTION section)
{
    // A wait instead of a refusal: a caller that tries in a loop gets the
    // section all the same.
    EnterCriticalSection(section);
    return TRUE;
}

BOOL WINAPI HandleInformationUnknown(HANDLE, LPDWORD flags)
{
    if (flags != nullptr)
        *flags = 0; // neither inherited nor protected
    return TRUE;
}

PVOID WINAPI NoVectoredExceptionHandler(ULONG, PVECTORED_EXCEPTION_HANDLER)
{
    return nullptr; // as when Windows cannot add one
}

ULONG WINAPI NoVectoredExceptionHandlerToRemove(PVOID)
{
    return 0;
}

#if defined(__i386__)

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();
using TryEnterFunction = BOOL(WINAPI*)(LPCRITICAL_SECTION);
using HandleInformationFunction = BOOL(WINAPI*)(HANDLE, LPDWORD);
using AddHandlerFunction = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveHandlerFunction = ULONG(WINAPI*)(PVOID);

struct KernelFunctions
{
    TickCount64Function tickCount64;
    TryEnterFunction tryEnter;
    HandleInformationFunction handleInformation;
    AddHandlerFunction addHandler;
    RemoveHandlerFunction removeHandler;
};

template <typename Function> Function KernelFunctionOr(HMODULE kernel, const char* name, Function standIn)
{
    FARPROC found = kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
    return found != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : standIn;
}

// Resolved on the first call through any slot, without C++ statics: the
// thread runtime calls in before and while it sets itself up. A race only
// resolves them twice to the same answers.
const KernelFunctions& Kernel()
{
    static volatile LONG resolved = 0;
    static KernelFunctions functions;
    if (resolved == 0)
    {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        functions.tickCount64 = KernelFunctionOr(kernel, "GetTickCount64", TickCountFromPerformanceCounter);
        functions.tryEnter = KernelFunctionOr(kernel, "TryEnterCriticalSection", EnterCriticalSectionAndSucceed);
        functions.handleInformation = KernelFunctionOr(kernel, "GetHandleInformation", HandleInformationUnknown);
        functions.addHandler = KernelFunctionOr(kernel, "AddVectoredExceptionHandler", NoVectoredExceptionHandler);
        functions.removeHandler =
            KernelFunctionOr(kernel, "RemoveVectoredExceptionHandler", NoVectoredExceptionHandlerToRemove);
        InterlockedExchange(&resolved, 1);
    }
    return functions;
}

ULONGLONG WINAPI TickCount64OnAnyWindows()
{
    return Kernel().tickCount64();
}

BOOL WINAPI TryEnterOnAnyWindows(LPCRITICAL_SECTION section)
{
    return Kernel().tryEnter(section);
}

BOOL WINAPI HandleInformationOnAnyWindows(HANDLE handle, LPDWORD flags)
{
    return Kernel().handleInformation(handle, flags);
}

PVOID WINAPI AddHandlerOnAnyWindows(ULONG first, PVECTORED_EXCEPTION_HANDLER handler)
{
    return Kernel().addHandler(first, handler);
}

ULONG WINAPI RemoveHandlerOnAnyWindows(PVOID handle)
{
    return Kernel().removeHandler(handle);
}

} // namespace

// The import slots the runtime calls through (i686 names carry the stdcall
// suffix).
extern "C" {
TickCount64Function qm_GetTickCount64Slot __asm__("__imp__GetTickCount64@0") = TickCount64OnAnyWindows;
TryEnterFunction qm_TryEnterCriticalSectionSlot __asm__("__imp__TryEnterCriticalSection@4") = TryEnterOnAnyWindows;
HandleInformationFunction qm_GetHandleInformationSlot __asm__("__imp__GetHandleInformation@8") =
    HandleInformationOnAnyWindows;
AddHandlerFunction qm_AddVectoredExceptionHandlerSlot __asm__("__imp__AddVectoredExceptionHandler@8") =
    AddHandlerOnAnyWindows;
RemoveHandlerFunction qm_RemoveVectoredExceptionHandlerSlot __asm__("__imp__RemoveVectoredExceptionHandler@4") =
    RemoveHandlerOnAnyWindows;
}

#endif
