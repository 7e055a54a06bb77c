// Windows layer: the display devices of the desktop.
#include "shell/win/Monitors.h"

#include <cstdio>
#include <cstring>

#include "src/ClassRender/win/SaverCore.h"

MultiMonApi g_MultiMon;
BOOL(WINAPI* g_pfnEnumDisplaySettingsA)(LPCSTR, DWORD, DEVMODEA*) = EnumDisplaySettingsA;

template <typename Fn> static bool Lookup(HMODULE module, const char* name, Fn& out)
{
    out = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return out != nullptr;
}

int LoadMultiMonApi()
{
    if (g_MultiMon.bLookupDone)
        return g_MultiMon.pfnGetMonitorInfoA != nullptr ? 1 : 0;

    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    g_MultiMon.bPlatformNT = GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop

    HMODULE user32 = GetModuleHandleA("USER32");
    const bool found = user32 != nullptr && Lookup(user32, "GetSystemMetrics", g_MultiMon.pfnGetSystemMetrics) &&
                       Lookup(user32, "MonitorFromWindow", g_MultiMon.pfnMonitorFromWindow) &&
                       Lookup(user32, "MonitorFromRect", g_MultiMon.pfnMonitorFromRect) &&
                       Lookup(user32, "MonitorFromPoint", g_MultiMon.pfnMonitorFromPoint) &&
                       Lookup(user32, "EnumDisplayMonitors", g_MultiMon.pfnEnumDisplayMonitors) &&
                       Lookup(user32, "GetMonitorInfoA", g_MultiMon.pfnGetMonitorInfoA) &&
                       Lookup(user32, "EnumDisplayDevicesA", g_MultiMon.pfnEnumDisplayDevicesA);
    if (!found)
    {
        g_MultiMon.pfnGetSystemMetrics = nullptr;
        g_MultiMon.pfnMonitorFromWindow = nullptr;
        g_MultiMon.pfnMonitorFromRect = nullptr;
        g_MultiMon.pfnMonitorFromPoint = nullptr;
        g_MultiMon.pfnEnumDisplayMonitors = nullptr;
        g_MultiMon.pfnGetMonitorInfoA = nullptr;
        g_MultiMon.pfnEnumDisplayDevicesA = nullptr;
    }
    g_MultiMon.bLookupDone = TRUE;
    return found ? 1 : 0;
}

static void CopyText(char (&dest)[128], const char* source)
{
    std::snprintf(dest, sizeof(dest), "%s", source);
}

void ListMonitors(CSaverCore* app)
{
    const bool multiMon = LoadMultiMonApi() != 0;
    app->m_nMonitors = 0;

    for (DWORD n = 0; app->m_nMonitors < MAX_MONITORS; ++n)
    {
        DISPLAY_DEVICEA device = {};
        device.cb = sizeof(device);
        if (multiMon)
        {
            if (!g_MultiMon.pfnEnumDisplayDevicesA(nullptr, n, &device, 0))
                break;
        }
        else
        {
            if (n >= 1)
                break;
            std::strcpy(device.DeviceName, "DISPLAY");
            std::strcpy(device.DeviceString, "DISPLAY");
            device.StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;
        }
        if (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER)
            continue;

        DISPLAY_DEVICEA monitorDevice = {};
        monitorDevice.cb = sizeof(monitorDevice);
        if (multiMon)
            g_MultiMon.pfnEnumDisplayDevicesA(device.DeviceName, 0, &monitorDevice, 0);

        MonitorRecord& record = app->m_Monitors[app->m_nMonitors];
        std::memset(&record, 0, sizeof(record));
        CopyText(record.szDeviceDescription, device.DeviceString);
        CopyText(record.szMonitorDescription, monitorDevice.DeviceString);
        record.iAdapter = -1;

        if (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)
        {
            DEVMODEA settings = {};
            settings.dmSize = sizeof(settings);
            // without the multi-monitor set the one display is the primary
            g_pfnEnumDisplaySettingsA(multiMon ? device.DeviceName : nullptr, ENUM_CURRENT_SETTINGS, &settings);
            RECT& rect = record.rcScreen;
            if (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE)
            {
                rect.left = 0;
                rect.top = 0;
            }
            else
            {
                rect.left = settings.dmPosition.x;
                rect.top = settings.dmPosition.y;
            }
            rect.right = rect.left + static_cast<LONG>(settings.dmPelsWidth);
            rect.bottom = rect.top + static_cast<LONG>(settings.dmPelsHeight);

            if (multiMon)
            {
                record.hMonitor = g_MultiMon.pfnMonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
            }
            else if (rect.right > 0 && rect.bottom > 0 && rect.left < GetSystemMetrics(SM_CXSCREEN) &&
                     rect.top < GetSystemMetrics(SM_CYSCREEN))
            {
                record.hMonitor = PRIMARY_MONITOR_STANDIN;
            }
        }
        ++app->m_nMonitors;
    }
}
