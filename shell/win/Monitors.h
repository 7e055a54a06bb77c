// Windows layer: the display devices of the desktop.
#pragma once
#include <windows.h>

#include "src/ClassRender/win/MonitorRecord.h"

// Monitor handle used when the system has no multi-monitor functions.
#define PRIMARY_MONITOR_STANDIN ((HMONITOR)0x12340042)

// The multi-monitor functions, looked up at run time so the program also
// starts where they are missing. Tests may fill the table themselves.
struct MultiMonApi
{
    int(WINAPI* pfnGetSystemMetrics)(int);
    HMONITOR(WINAPI* pfnMonitorFromWindow)(HWND, DWORD);
    HMONITOR(WINAPI* pfnMonitorFromRect)(LPCRECT, DWORD);
    HMONITOR(WINAPI* pfnMonitorFromPoint)(POINT, DWORD);
    BOOL(WINAPI* pfnEnumDisplayMonitors)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
    BOOL(WINAPI* pfnGetMonitorInfoA)(HMONITOR, LPMONITORINFO);
    BOOL(WINAPI* pfnEnumDisplayDevicesA)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);
    BOOL bLookupDone;
    BOOL bPlatformNT;
};
extern MultiMonApi g_MultiMon;

// Does the lookup once; returns 1 when GetMonitorInfoA (and so the set) exists.
int LoadMultiMonApi();

class CSaverCore;
// Fills the application's monitor array and count (at most 9 entries).
void ListMonitors(CSaverCore* app);

// Reads a display device's current settings; tests may replace it.
extern BOOL(WINAPI* g_pfnEnumDisplaySettingsA)(LPCSTR, DWORD, DEVMODEA*);
