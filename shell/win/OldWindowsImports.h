// Windows layer: what the saver puts in place of imports that older Windows
// versions lack (see OldWindowsImports.cpp).
#pragma once
#include <windows.h>

// Milliseconds from the performance counter, 64 bits wide (no 49-day wrap):
// GetTickCount64 where Windows has none.
ULONGLONG WINAPI TickCountFromPerformanceCounter();

// Stand-ins for Windows 9x, which lacks TryEnterCriticalSection,
// GetHandleInformation and the vectored exception handlers.
BOOL WINAPI EnterCriticalSectionAndSucceed(LPCRITICAL_SECTION section);
BOOL WINAPI HandleInformationUnknown(HANDLE handle, LPDWORD flags);
PVOID WINAPI NoVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler);
ULONG WINAPI NoVectoredExceptionHandlerToRemove(PVOID handle);
