// Windows layer: what the framework keeps of each display device of the
// desktop (the shell's monitor enumeration fills it).
#pragma once
#include <windows.h>

constexpr int MAX_MONITORS = 9;

struct MonitorRecord
{
    char szDeviceDescription[128];
    char szMonitorDescription[128];
    HMONITOR hMonitor;
    RECT rcScreen;
    int iAdapter;
    HWND hWnd;
    DWORD dwReserved[6];
};
