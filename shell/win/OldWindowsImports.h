// Windows layer: what the saver puts in place of imports that older Windows
// versions lack (see OldWindowsImports.cpp).
#pragma once
#include <windows.h>

// Milliseconds from the performance counter, 64 bits wide (no 49-day wrap):
// GetTickCount64 where Windows has none.
ULONGLONG WINAPI TickCountFromPerformanceCounter();
