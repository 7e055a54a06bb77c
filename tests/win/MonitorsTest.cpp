// The monitor list, with the multi-monitor functions replaced by a table of
// display devices the test describes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/win/Monitors.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

struct FakeDisplay
{
    std::string name;
    std::string description;
    DWORD flags;
    std::string monitor; // description of monitor 0; empty: none
    LONG x, y;           // desktop position
    DWORD width, height;
};

std::vector<FakeDisplay> s_displays;
std::vector<RECT> s_monitorRects; // the rectangles MonitorFromRect was asked about

const FakeDisplay* FindDisplay(LPCSTR name)
{
    for (const FakeDisplay& display : s_displays)
        if (name && display.name == name)
            return &display;
    return nullptr;
}

BOOL WINAPI FakeEnumDisplayDevicesA(LPCSTR device, DWORD index, PDISPLAY_DEVICEA out, DWORD)
{
    if (device == nullptr)
    {
        if (index >= s_displays.size())
            return FALSE;
        const FakeDisplay& display = s_displays[index];
        std::snprintf(out->DeviceName, sizeof(out->DeviceName), "%s", display.name.c_str());
        std::snprintf(out->DeviceString, sizeof(out->DeviceString), "%s", display.description.c_str());
        out->StateFlags = display.flags;
        return TRUE;
    }
    const FakeDisplay* display = FindDisplay(device);
    if (display == nullptr || index > 0 || display->monitor.empty())
        return FALSE;
    std::snprintf(out->DeviceName, sizeof(out->DeviceName), "%s\\Monitor0", device);
    std::snprintf(out->DeviceString, sizeof(out->DeviceString), "%s", display->monitor.c_str());
    return TRUE;
}

BOOL WINAPI FakeEnumDisplaySettingsA(LPCSTR device, DWORD mode, DEVMODEA* out)
{
    if (mode != ENUM_CURRENT_SETTINGS)
        return FALSE;
    // without the multi-monitor functions the primary display is asked for by null
    const FakeDisplay* display = device ? FindDisplay(device) : (s_displays.empty() ? nullptr : &s_displays[0]);
    if (display == nullptr)
        return FALSE;
    out->dmPelsWidth = display->width;
    out->dmPelsHeight = display->height;
    out->dmPosition.x = display->x;
    out->dmPosition.y = display->y;
    return TRUE;
}

// A handle per rectangle that some attached display covers exactly; null otherwise.
HMONITOR WINAPI FakeMonitorFromRect(LPCRECT rect, DWORD flags)
{
    s_monitorRects.push_back(*rect);
    EXPECT_EQ(flags, static_cast<DWORD>(MONITOR_DEFAULTTONULL));
    for (size_t i = 0; i < s_displays.size(); ++i)
    {
        const FakeDisplay& d = s_displays[i];
        const bool primary = (d.flags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        const LONG left = primary ? 0 : d.x, top = primary ? 0 : d.y;
        if (rect->left == left && rect->top == top && rect->right == left + static_cast<LONG>(d.width) &&
            rect->bottom == top + static_cast<LONG>(d.height))
            return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x7000 + i));
    }
    return nullptr;
}

BOOL WINAPI FakeGetMonitorInfoA(HMONITOR, LPMONITORINFO)
{
    return FALSE;
}

class MonitorsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_savedApi = g_MultiMon;
        m_savedSettings = g_pfnEnumDisplaySettingsA;
        m_savedApp = g_pSaverApp;
        g_pfnEnumDisplaySettingsA = FakeEnumDisplaySettingsA;
        s_displays.clear();
        s_monitorRects.clear();
    }
    void TearDown() override
    {
        g_MultiMon = m_savedApi;
        g_pfnEnumDisplaySettingsA = m_savedSettings;
        g_pSaverApp = m_savedApp;
    }

    static void InstallMultiMonTable()
    {
        g_MultiMon = MultiMonApi();
        g_MultiMon.pfnGetSystemMetrics = GetSystemMetrics;
        g_MultiMon.pfnMonitorFromRect = FakeMonitorFromRect;
        g_MultiMon.pfnGetMonitorInfoA = FakeGetMonitorInfoA;
        g_MultiMon.pfnEnumDisplayDevicesA = FakeEnumDisplayDevicesA;
        g_MultiMon.bLookupDone = TRUE;
        g_MultiMon.bPlatformNT = TRUE;
    }

    static void RemoveMultiMonTable()
    {
        g_MultiMon = MultiMonApi();
        g_MultiMon.bLookupDone = TRUE;
    }

    CSaverCore app;

private:
    MultiMonApi m_savedApi = {};
    BOOL(WINAPI* m_savedSettings)(LPCSTR, DWORD, DEVMODEA*) = nullptr;
    CSaverCore* m_savedApp = nullptr;
};

const DWORD kAttached = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
const DWORD kPrimary = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;

TEST_F(MonitorsTest, MirrorsAreSkippedAndUnattachedDevicesGetNoHandle)
{
    s_displays = {
        // the primary sits at the origin whatever position it reports
        {"\\\\.\\DISPLAY1", "Primary adapter", kPrimary, "Wide monitor", 50, 60, 1280, 1024},
        {"\\\\.\\DISPLAYV1", "Mirror driver", kAttached | DISPLAY_DEVICE_MIRRORING_DRIVER, "", 0, 0, 1280, 1024},
        {"\\\\.\\DISPLAY2", "Second adapter", kAttached, "Side monitor", -800, 100, 800, 600},
        {"\\\\.\\DISPLAY3", "Idle adapter", 0, "", 0, 0, 1024, 768},
    };
    InstallMultiMonTable();
    // leftovers of an earlier run must not show through
    std::memset(app.m_Monitors, 0x5A, sizeof(app.m_Monitors));

    ListMonitors(&app);

    ASSERT_EQ(app.m_nMonitors, 3);
    struct Expected
    {
        const char* device;
        const char* monitor;
        RECT rect;
        uintptr_t handle;
    };
    const Expected expected[] = {
        {"Primary adapter", "Wide monitor", {0, 0, 1280, 1024}, 0x7000},
        {"Second adapter", "Side monitor", {-800, 100, 0, 700}, 0x7002},
        {"Idle adapter", "", {0, 0, 0, 0}, 0},
    };
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        const MonitorRecord& record = app.m_Monitors[i];
        EXPECT_STREQ(record.szDeviceDescription, expected[i].device);
        EXPECT_STREQ(record.szMonitorDescription, expected[i].monitor);
        EXPECT_EQ(record.rcScreen.left, expected[i].rect.left);
        EXPECT_EQ(record.rcScreen.top, expected[i].rect.top);
        EXPECT_EQ(record.rcScreen.right, expected[i].rect.right);
        EXPECT_EQ(record.rcScreen.bottom, expected[i].rect.bottom);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(record.hMonitor), expected[i].handle);
        EXPECT_EQ(record.iAdapter, -1);
        EXPECT_EQ(record.hWnd, nullptr);
        for (DWORD reserved : record.dwReserved)
            EXPECT_EQ(reserved, 0u);
    }
    // the unattached device is not looked up at all
    EXPECT_EQ(s_monitorRects.size(), 2u);
}

TEST_F(MonitorsTest, AtMostNineDevicesAreListed)
{
    for (int i = 0; i < 12; ++i)
        s_displays.push_back({"\\\\.\\DISPLAY" + std::to_string(i + 1), "Adapter " + std::to_string(i),
                              i == 0 ? kPrimary : kAttached, "", 1024 * i, 0, 1024, 768});
    InstallMultiMonTable();

    ListMonitors(&app);

    ASSERT_EQ(app.m_nMonitors, MAX_MONITORS);
    for (int i = 0; i < MAX_MONITORS; ++i)
    {
        EXPECT_EQ(app.m_Monitors[i].szDeviceDescription, "Adapter " + std::to_string(i));
        EXPECT_EQ(app.m_Monitors[i].rcScreen.left, 1024 * i);
        EXPECT_NE(app.m_Monitors[i].hMonitor, nullptr);
    }
}

TEST_F(MonitorsTest, WithoutMultiMonitorFunctionsOneDisplayStandsIn)
{
    struct Case
    {
        const char* name;
        DWORD width, height;
        HMONITOR handle;
    };
    const Case cases[] = {
        {"a visible primary", 800, 600, PRIMARY_MONITOR_STANDIN},
        // an empty rectangle is on no screen
        {"no size reported", 0, 0, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        s_displays = {{"unused", "unused", 0, "", 70, 80, c.width, c.height}};
        RemoveMultiMonTable();
        ASSERT_EQ(LoadMultiMonApi(), 0);

        ListMonitors(&app);

        ASSERT_EQ(app.m_nMonitors, 1);
        const MonitorRecord& record = app.m_Monitors[0];
        EXPECT_STREQ(record.szDeviceDescription, "DISPLAY");
        EXPECT_EQ(record.rcScreen.left, 0);
        EXPECT_EQ(record.rcScreen.top, 0);
        EXPECT_EQ(record.rcScreen.right, static_cast<LONG>(c.width));
        EXPECT_EQ(record.rcScreen.bottom, static_cast<LONG>(c.height));
        EXPECT_EQ(record.hMonitor, c.handle);
        EXPECT_EQ(record.iAdapter, -1);
    }
}

TEST_F(MonitorsTest, LookupIsDoneOnceAndAnswersFromItsResult)
{
    g_MultiMon = MultiMonApi();
    EXPECT_EQ(LoadMultiMonApi(), 1);
    EXPECT_TRUE(g_MultiMon.bLookupDone);
    EXPECT_TRUE(g_MultiMon.bPlatformNT);
    EXPECT_NE(g_MultiMon.pfnGetSystemMetrics, nullptr);
    EXPECT_NE(g_MultiMon.pfnMonitorFromWindow, nullptr);
    EXPECT_NE(g_MultiMon.pfnMonitorFromRect, nullptr);
    EXPECT_NE(g_MultiMon.pfnMonitorFromPoint, nullptr);
    EXPECT_NE(g_MultiMon.pfnEnumDisplayMonitors, nullptr);
    EXPECT_NE(g_MultiMon.pfnGetMonitorInfoA, nullptr);
    EXPECT_NE(g_MultiMon.pfnEnumDisplayDevicesA, nullptr);

    // a second call does not look again: it answers from what it stored
    g_MultiMon.pfnGetMonitorInfoA = nullptr;
    EXPECT_EQ(LoadMultiMonApi(), 0);
}

} // namespace
