// The saver's run modes from the outside: windows, pictures, the input that
// ends a run (or does not), exit codes and the log.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SaverHarness.h"

using namespace e2e;

namespace {

// The whole scene loads before the first frame.
constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 2000;

// The valley is on screen: a blank or merely cleared screen is one colour at
// every sample point, the loading picture stands still, and a drawn scene
// keeps moving with its camera: three looks 400 ms apart, each different from
// the one before (one change alone may be the loading picture appearing).
bool ScreenShowsMovingScene()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const POINT points[] = {{width / 2, height / 2},
                            {2, 2},
                            {width - 3, height - 3},
                            {width - 3, 2},
                            {2, height - 3},
                            {width / 2, height / 5},
                            {width / 2, height * 4 / 5}};
    long last[7];
    bool varied = false;
    for (int i = 0; i < 7; i++)
    {
        last[i] = ScreenPixel(points[i].x, points[i].y);
        varied = varied || last[i] != last[0];
    }
    if (!varied)
        return false;
    for (int look = 0; look < 2; ++look)
    {
        Sleep(400);
        bool changed = false;
        for (int i = 0; i < 7; i++)
        {
            const long now = ScreenPixel(points[i].x, points[i].y);
            changed = changed || now != last[i];
            last[i] = now;
        }
        if (!changed)
            return false;
    }
    return true;
}

std::string Hex(long colour)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%06lx", colour);
    return text;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

// Start-up and device records of a full-screen run, in the order written.
void ExpectStartRecordsInOrder(const std::vector<std::string>& log, const std::string& switches)
{
    const std::string expected[] = {"COstrel::Init()",
                                    "command line",
                                    "EE_Core_CreateD3Device",
                                    "hal hardware",
                                    "COstrel::EE_Core_InitD3Device()",
                                    "RenderInit() - ok",
                                    "sound load - ok"};
    int at = -1;
    for (const std::string& line : expected)
    {
        int found = -1;
        for (int i = at + 1; i < static_cast<int>(log.size()) && found < 0; ++i)
            if (log[i] == line || (line == "command line" && log[i].rfind("command line\t", 0) == 0))
                found = i;
        ASSERT_GE(found, 0) << "missing or out of order: " << line << "\nlog:\n" << Joined(log);
        at = found;
    }
    for (const std::string& line : log)
    {
        EXPECT_NE(line.rfind("error", 0), 0u) << Joined(log);
        EXPECT_NE(line, "no device, saver ends") << Joined(log);
    }
    for (const std::string& line : log)
    {
        if (line.rfind("command line\t", 0) == 0)
        {
            EXPECT_NE(line.find("QuenmoorLogged.scr"), std::string::npos) << line;
            EXPECT_NE(line.find(switches), std::string::npos) << line;
        }
    }
}

enum class Ender
{
    Key,
    MouseButton,
    Deactivation,
    CloseCommand
};

struct EndCase
{
    const char* name;
    Ender ender;
};

class FullScreenRun : public testing::TestWithParam<EndCase>
{};

TEST_P(FullScreenRun, DrawsFramesAndEndsOnInputWithExitCodeZero)
{
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/s")) << "cannot start " << g_SaverPath;
    const HWND window = saver.WaitForTopLevelWindow(kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no saver window";
    // Input during the load ends the saver there; these runs end a drawn scene.
    // (The screen alone may still show a scene of the run before.)
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [&] { return saver.LogHas("sound load - ok") || !saver.IsRunning(); }));
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [] { return ScreenShowsMovingScene(); }))
        << "the full-screen picture never showed a moving scene; centre pixel "
        << Hex(ScreenPixel(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2));
    ASSERT_TRUE(saver.IsRunning());

    const ULONGLONG sent = GetTickCount64();
    switch (GetParam().ender)
    {
    case Ender::Key:
        SendKeyPress(VK_SPACE);
        break;
    case Ender::MouseButton:
        SendLeftClick();
        break;
    case Ender::Deactivation:
        SetForegroundWindow(ActivationTaker());
        break;
    case Ender::CloseCommand:
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    DWORD exitCode = 1234;
    const bool ended = saver.WaitForExit(kExitTimeoutMs + 500, &exitCode);
    const ULONGLONG tookMs = GetTickCount64() - sent;
    std::printf("ended %llu ms after the input\n", tookMs);
    ASSERT_TRUE(ended) << "still running 2.5 s after the input";
    EXPECT_LT(tookMs, kExitTimeoutMs);
    EXPECT_EQ(exitCode, 0u);

    const std::vector<std::string> log = saver.LogLines();
    ExpectStartRecordsInOrder(log, "/s");
    const bool pressLogged = saver.LogHas("detected pressed any key");
    const bool pressed = GetParam().ender == Ender::Key || GetParam().ender == Ender::MouseButton;
    EXPECT_EQ(pressLogged, pressed) << Joined(log);
}

INSTANTIATE_TEST_SUITE_P(Enders, FullScreenRun,
                         testing::Values(EndCase{"Key", Ender::Key}, EndCase{"MouseButton", Ender::MouseButton},
                                         EndCase{"Deactivation", Ender::Deactivation},
                                         EndCase{"CloseCommand", Ender::CloseCommand}),
                         [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Client size and caption of a window as the driver sees it.
struct WindowShape
{
    LONG style = 0;
    int clientWidth = 0;
    int clientHeight = 0;
};

WindowShape ShapeOf(HWND window)
{
    WindowShape shape;
    shape.style = GetWindowLongA(window, GWL_STYLE);
    RECT client = {};
    GetClientRect(window, &client);
    shape.clientWidth = client.right - client.left;
    shape.clientHeight = client.bottom - client.top;
    return shape;
}

// Samples the test window from the moment it exists until `untilMs` has
// passed; the device soon restyles it to cover the screen.
std::vector<WindowShape> SampleNewWindow(SaverRun& saver, DWORD untilMs, HWND* window)
{
    std::vector<WindowShape> samples;
    *window = nullptr;
    const ULONGLONG end = GetTickCount64() + untilMs;
    while (saver.IsRunning() && GetTickCount64() < end)
    {
        if (*window == nullptr)
        {
            const std::vector<HWND> windows = saver.TopLevelWindows();
            if (!windows.empty())
                *window = windows.front();
        }
        if (*window)
        {
            samples.push_back(ShapeOf(*window));
            if (samples.size() > 200)
                break;
        }
        Sleep(1);
    }
    return samples;
}

bool IsCaptionedTestShape(const WindowShape& shape)
{
    // WS_VISIBLE is left out: it is set last while the window is made
    const LONG wanted = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    return (shape.style & wanted) == wanted && (shape.style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_POPUP)) == 0 &&
           shape.clientWidth == 600 && shape.clientHeight == 400;
}

TEST(TestWindowRun, CaptionedWindowIgnoresInputAndEndsWhenClosed)
{
    // The window is looked at in the few milliseconds before the device takes
    // it over; a run in which the driver came too late is repeated.
    for (int attempt = 1; attempt <= 3; ++attempt)
    {
        SaverRun saver;
        ASSERT_TRUE(saver.Start("/t"));
        HWND window = nullptr;
        const std::vector<WindowShape> samples = SampleNewWindow(saver, kStartTimeoutMs, &window);
        ASSERT_NE(window, nullptr) << "no test window";
        bool captioned = false;
        for (const WindowShape& shape : samples)
            captioned = captioned || IsCaptionedTestShape(shape);
        // the driver may have looked only while the window was being made or
        // after the device took it; a wrong window fails all three runs
        if (!captioned && attempt < 3)
            continue;
        EXPECT_TRUE(captioned) << "first look: style 0x" << std::hex << samples.front().style << std::dec << ", client "
                               << samples.front().clientWidth << " x " << samples.front().clientHeight;

        ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [] { return ScreenShowsMovingScene(); }))
            << "the device never showed a moving scene";
        EXPECT_TRUE(IsWindowVisible(window));

        // Keys, buttons and losing the activation do not end a test run.
        ASSERT_EQ(GetForegroundWindow(), window) << "the input would not reach the test window";
        SendKeyPress(VK_SPACE);
        SendLeftClick();
        PumpFor(300);
        SetForegroundWindow(ActivationTaker());
        PumpFor(700);
        EXPECT_EQ(GetForegroundWindow(), ActivationTaker()) << "the test window kept the activation";
        EXPECT_TRUE(saver.IsRunning()) << "input ended the test run";
        EXPECT_FALSE(saver.LogHas("detected pressed any key"));

        // Closing the window does. Under Wine, destroying the window of a live
        // full-screen device takes about 2 s by itself, hence the longer wait.
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD exitCode = 1234;
        const ULONGLONG closed = GetTickCount64();
        ASSERT_TRUE(saver.WaitForExit(6000, &exitCode)) << "still running after the window was closed";
        std::printf("ended %llu ms after the close\n", GetTickCount64() - closed);
        EXPECT_EQ(exitCode, 0u);
        ExpectStartRecordsInOrder(saver.LogLines(), "/t");
        return;
    }
}

} // namespace

namespace {

constexpr COLORREF kParentColour = RGB(255, 0, 255);

HWND FindPreviewChild(HWND parent)
{
    return FindWindowExA(parent, nullptr, "Screensaver", nullptr);
}

// A child of the driver's window, as in the display-properties dialog.
TEST(PreviewRun, ChildOfTheGivenWindowEndsWithItsParent)
{
    DriverWindow parent(320, 240, kParentColour);
    ASSERT_NE(parent.Handle(), nullptr);
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/p " + std::to_string(reinterpret_cast<uintptr_t>(parent.Handle()))));

    HWND child = nullptr;
    // the child is listed as soon as it exists, and shown once it is made
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [&] {
        child = FindPreviewChild(parent.Handle());
        return child != nullptr && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0;
    })) << "no visible preview child";
    DWORD owner = 0;
    GetWindowThreadProcessId(child, &owner);
    EXPECT_EQ(owner, saver.ProcessId());
    EXPECT_EQ(GetAncestor(child, GA_PARENT), parent.Handle());
    EXPECT_NE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD, 0);
    RECT parentClient = {}, childRect = {};
    GetClientRect(parent.Handle(), &parentClient);
    GetWindowRect(child, &childRect);
    MapWindowPoints(nullptr, parent.Handle(), reinterpret_cast<POINT*>(&childRect), 2);
    EXPECT_EQ(childRect.left, parentClient.left);
    EXPECT_EQ(childRect.top, parentClient.top);
    EXPECT_EQ(childRect.right, parentClient.right);
    EXPECT_EQ(childRect.bottom, parentClient.bottom);
    EXPECT_TRUE(saver.TopLevelWindows().empty()) << "the preview opened a window of its own";

    // Keys and clicks mean nothing to the preview.
    PostMessageA(child, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PumpFor(1000);
    EXPECT_TRUE(saver.IsRunning());

    // Under Wine, destroying a parent whose child lives in another process
    // takes about 2 s itself; the saver's own end is timed from its return.
    parent.Destroy();
    const ULONGLONG destroyed = GetTickCount64();
    DWORD exitCode = 1234;
    ASSERT_TRUE(saver.WaitForExit(kExitTimeoutMs, &exitCode)) << "the preview outlived its parent";
    std::printf("ended %llu ms after the parent\n", GetTickCount64() - destroyed);
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> log = saver.LogLines();
    EXPECT_GE(FindLine(log, "COstrel::Init()"), 0) << Joined(log);
    EXPECT_LT(FindLine(log, "EE_Core_CreateD3Device"), 0) << "the preview made a device\n" << Joined(log);
}

} // namespace

namespace {

// Wine shows nothing that a child draws into a parent window of another
// process, so the picture is checked with the desktop as the parent: the
// preview then covers the screen and its drawing is visible.
TEST(PreviewRun, PaintsItsPictureAtTheTopLeft)
{
    int width = 0, height = 0;
    const std::vector<DWORD> picture = SaverBitmapPixels(432, &width, &height);
    ASSERT_EQ(width, 155);
    ASSERT_EQ(height, 115);

    SaverRun saver;
    ASSERT_TRUE(saver.Start("/p " + std::to_string(reinterpret_cast<uintptr_t>(GetDesktopWindow()))));
    HWND child = nullptr;
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [&] {
        const std::vector<HWND> windows = saver.TopLevelWindows();
        child = windows.empty() ? nullptr : windows.front();
        return child != nullptr && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0;
    })) << "no visible preview window";
    POINT origin = {0, 0};
    ClientToScreen(child, &origin);

    // Points of the picture, and beyond its size the class's black background.
    struct Probe
    {
        int x, y;
        long colour;
    };
    std::vector<Probe> probes;
    for (int i = 0; i < 6; ++i)
    {
        const int x = i * (width - 1) / 5, y = (5 - i) * (height - 1) / 5;
        probes.push_back({x, y, static_cast<long>(picture[y * width + x])});
    }
    probes.push_back({width + 20, 10, 0});
    probes.push_back({10, height + 20, 0});
    const bool shown = WaitUntil(kStartTimeoutMs, [&] {
        for (const Probe& probe : probes)
            if (ScreenPixel(origin.x + probe.x, origin.y + probe.y) != probe.colour)
                return false;
        return true;
    });
    for (const Probe& probe : probes)
        EXPECT_EQ(Hex(ScreenPixel(origin.x + probe.x, origin.y + probe.y)), Hex(probe.colour))
            << "at " << probe.x << ", " << probe.y;
    EXPECT_TRUE(shown);

    PostMessageA(child, WM_CLOSE, 0, 0);
    DWORD exitCode = 1234;
    ASSERT_TRUE(saver.WaitForExit(kExitTimeoutMs, &exitCode)) << "the preview outlived its window";
    EXPECT_EQ(exitCode, 0u);
}

// Runs that end by themselves: nothing to show, or only a system dialog.
struct ShortRunCase
{
    const char* name;
    std::string arguments;
    const char* expectedRecord; // a log line the run must write, or null
};

class ShortRun : public testing::TestWithParam<ShortRunCase>
{};

TEST_P(ShortRun, EndsCleanlyWithoutDevice)
{
    SaverRun saver;
    ASSERT_TRUE(saver.Start(GetParam().arguments));
    DWORD exitCode = 1234;
    ASSERT_TRUE(saver.WaitForExit(kStartTimeoutMs, &exitCode)) << "did not end by itself";
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> log = saver.LogLines();
    EXPECT_EQ(FindLine(log, "COstrel::Init()"), 0) << Joined(log);
    ASSERT_GE(log.size(), 2u) << Joined(log);
    EXPECT_EQ(log[1].rfind("command line\t", 0), 0u) << Joined(log);
    EXPECT_NE(log[1].find(GetParam().arguments), std::string::npos) << log[1];
    EXPECT_LT(FindLine(log, "EE_Core_CreateD3Device"), 0) << Joined(log);
    if (GetParam().expectedRecord)
        EXPECT_GE(FindLine(log, GetParam().expectedRecord), 0) << Joined(log);
}

// A window number that names no window: one that existed and is gone.
std::string GoneWindowNumber()
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(window);
    return std::to_string(reinterpret_cast<uintptr_t>(window));
}

INSTANTIATE_TEST_SUITE_P(Modes, ShortRun,
                         testing::Values(ShortRunCase{"PreviewOfNoWindow", "/p " + GoneWindowNumber(),
                                                      "error create window (m_hWnd)"},
                                         ShortRunCase{"PasswordChange", "/a", nullptr},
                                         ShortRunCase{"PasswordChangeForWindow", "/a 77", nullptr}),
                         [](const testing::TestParamInfo<ShortRunCase>& info) { return std::string(info.param.name); });

} // namespace
