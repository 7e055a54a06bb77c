// The saver window procedure: which input ends the saver in which mode, the
// password check, the timers, shutdown, and the frame tick.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "TestSupport.h"
#include "shell/win/Password.h"
#include "shell/win/SaverWindow.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

using testsupport::PullQuitMessage;
using testsupport::ScopedHostWindow;
using testsupport::ScopedLogCapture;
using testsupport::ScopedTestClock;

// The framework with its hooks counted.
class RecordingSaver : public CSaverCore
{
public:
    HRESULT UpdateFrame(IDirect3DDevice9* device, float elapsedMs) override
    {
        ++updates;
        lastElapsedMs = elapsedMs;
        return CSaverCore::UpdateFrame(device, elapsedMs);
    }
    // With passes: a frame of two passes that stops between them for input,
    // as the world's frames do.
    HRESULT DrawFrame(IDirect3DDevice9* device) override
    {
        if (!passes)
            return CSaverCore::DrawFrame(device);
        device->BeginScene();
        const bool whole = AwaitFramePass(this);
        device->EndScene();
        if (whole)
            device->Present(nullptr, nullptr, nullptr, nullptr);
        return S_OK;
    }
    void OnShutdown() override { ++shutdowns; }
    HRESULT ReleaseScene() override
    {
        ++sceneReleases;
        return S_OK;
    }

    bool passes = false;
    int updates = 0;
    float lastElapsedMs = -1.0f;
    int shutdowns = 0;
    int sceneReleases = 0;
};

// The password dialog of the test: answers as told and counts its calls.
BOOL s_passwordAnswer = FALSE;
int s_passwordCalls = 0;
HWND s_passwordWindow = nullptr;

BOOL WINAPI TestPasswordCheck(HWND window)
{
    ++s_passwordCalls;
    s_passwordWindow = window;
    return s_passwordAnswer;
}

// A saver of the given mode on a hidden window, with a fake Direct3D object
// and device that CloseSaver can release.
class SaverWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::DiscardPendingMessages();
        m_savedApp = g_pSaverApp;
        app.Reset();
        app.m_hWnd = host.Handle();
        d3d.device.AddRef(); // as if created
        app.m_pD3D = &d3d;
        app.m_pDevice = &d3d.device;
        g_pd3dDevice = &d3d.device;
        g_PreviousMousePosition = MousePosition();
        s_passwordAnswer = FALSE;
        s_passwordCalls = 0;
        s_passwordWindow = nullptr;
    }
    void TearDown() override
    {
        testsupport::DiscardPendingMessages();
        g_pd3dDevice = nullptr;
        g_pSaverApp = m_savedApp;
    }

    void UsePassword()
    {
        app.m_bCheckPassword = 1;
        app.m_pfnPasswordCheck = TestPasswordCheck;
    }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SaverWindowProc(app.m_hWnd, msg, wParam, lParam);
    }

    bool SaverClosed() const { return app.m_pD3D == nullptr && app.m_pDevice == nullptr && app.shutdowns > 0; }

    ScopedHostWindow host;
    fake3d::FakeDirect3D9 d3d;
    RecordingSaver app;

private:
    CSaverCore* m_savedApp = nullptr;
};

struct InputCase
{
    const char* name;
    UINT msg;
    WPARAM wParam;
    bool endsPreview;
    bool endsFullScreen;
    bool endsTestWindow;
};

TEST_F(SaverWindowTest, InputThatEndsTheSaverInEachMode)
{
    const InputCase cases[] = {
        {"key", WM_KEYDOWN, VK_SPACE, false, true, false},
        {"left button", WM_LBUTTONDOWN, MK_LBUTTON, false, true, false},
        {"right button", WM_RBUTTONDOWN, MK_RBUTTON, false, true, false},
        {"middle button", WM_MBUTTONDOWN, MK_MBUTTON, false, true, false},
        {"deactivation", WM_ACTIVATEAPP, 0, false, true, false},
        {"activation", WM_ACTIVATEAPP, 1, false, false, false},
        {"suspend", WM_POWERBROADCAST, PBT_APMSUSPEND, false, true, true},
        {"resume", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, false, false, false},
        {"close command", WM_SYSCOMMAND, SC_CLOSE, false, true, false},
        {"next window command", WM_SYSCOMMAND, SC_NEXTWINDOW, false, true, false},
        {"previous window command", WM_SYSCOMMAND, SC_PREVWINDOW, false, true, false},
        // the whole wParam is compared: a close with extra bits is not ours
        {"close command with extra bits", WM_SYSCOMMAND, SC_CLOSE | 2, false, false, false},
        {"window destroyed", WM_DESTROY, 0, true, true, true},
    };
    const RunMode modes[] = {rmPreview, rmFullScreen, rmTestWindow};

    for (const InputCase& c : cases)
    {
        for (RunMode mode : modes)
        {
            SCOPED_TRACE(std::string(c.name) + " in mode " + std::to_string(mode));
            // the default procedure may act on a message: give it a window of its own
            ScopedHostWindow window;
            RecordingSaver saver;
            fake3d::FakeDirect3D9 direct3D;
            saver.m_Mode = mode;
            saver.m_hWnd = window.Handle();
            saver.m_pD3D = &direct3D;
            const bool ends = mode == rmPreview      ? c.endsPreview
                              : mode == rmFullScreen ? c.endsFullScreen
                                                     : c.endsTestWindow;
            const LRESULT result = SaverWindowProc(window.Handle(), c.msg, c.wParam, 0);

            int exitCode = -1;
            EXPECT_EQ(PullQuitMessage(&exitCode), ends);
            EXPECT_EQ(saver.shutdowns, ends ? 1 : 0);
            EXPECT_EQ(saver.m_pD3D == nullptr, ends);
            EXPECT_EQ(direct3D.RefCount(), ends ? 0u : 1u);
            if (ends)
            {
                EXPECT_EQ(exitCode, 0);
            }
            if (c.msg == WM_SYSCOMMAND && mode == rmFullScreen && ends)
            {
                EXPECT_EQ(result, 0);
            }
            testsupport::DiscardPendingMessages();
        }
    }
    g_pSaverApp = &app;
}

TEST_F(SaverWindowTest, ConfigureAndPasswordChangeModesIgnoreExitRequests)
{
    for (RunMode mode : {rmConfigure, rmPasswordChange})
    {
        app.m_Mode = mode;
        RequestExit(&app);
        EXPECT_FALSE(PullQuitMessage());
        EXPECT_EQ(app.m_pD3D, &d3d);
    }
}

TEST_F(SaverWindowTest, MouseJumpEndsOnlyWhenAskedForAndNotInPreview)
{
    struct Case
    {
        RunMode mode;
        int exitOnMouseMove;
        bool ends;
    };
    const Case cases[] = {
        {rmFullScreen, 1, true},
        {rmTestWindow, 1, true},
        {rmPreview, 1, false},
        {rmFullScreen, 0, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.mode) + (c.exitOnMouseMove ? " with" : " without") + " exit on mouse move");
        RecordingSaver saver;
        saver.m_Mode = c.mode;
        saver.m_hWnd = host.Handle();
        saver.m_Settings.ExitOnMouseMove = c.exitOnMouseMove;
        g_PreviousMousePosition = MousePosition();
        ScopedLogCapture log;

        // the first ten messages only record the position, whatever the jump
        for (int i = 0; i < MOUSE_GRACE_MOVES; ++i)
            SaverWindowProc(host.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(((i + 1) % 2) * 500, 0));
        EXPECT_FALSE(PullQuitMessage());
        // 20 pixels on each axis is not a jump
        SaverWindowProc(host.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
        EXPECT_FALSE(PullQuitMessage());
        const LRESULT result = SaverWindowProc(host.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(41, 20));
        EXPECT_EQ(PullQuitMessage(), c.ends);
        if (c.exitOnMouseMove && c.mode != rmPreview)
        {
            EXPECT_EQ(result, 0);
        }
        EXPECT_EQ(log.Lines(), c.ends ? std::vector<std::string>{"detected mouse move"} : std::vector<std::string>{});
    }
    g_pSaverApp = &app;
}

TEST_F(SaverWindowTest, RefusedPasswordKeepsTheSaverRunning)
{
    ScopedTestClock clock(5000);
    app.m_Mode = rmFullScreen;
    UsePassword();
    app.m_nFrameParity = 0; // the last frame sits in the back buffer
    app.m_nMouseGrace = 7;
    app.m_fLastFrameTime = 10.0f;
    clock.Set(123456);

    Send(WM_KEYDOWN, 'A');

    EXPECT_EQ(s_passwordCalls, 1);
    EXPECT_EQ(s_passwordWindow, app.m_hWnd);
    EXPECT_FALSE(PullQuitMessage());
    EXPECT_EQ(app.shutdowns, 0);
    EXPECT_EQ(app.m_pDevice, &d3d.device);
    EXPECT_EQ(app.m_nMouseGrace, 0);
    EXPECT_EQ(app.m_nFrameParity, 1);
    EXPECT_EQ(app.m_fLastFrameTime, 123456.0f);
    // shown once more behind the dialog
    EXPECT_EQ(d3d.device.CountCalls("Present"), 1);

    // with the grace used up, the next jump asks again; now the password is right
    app.m_Settings.ExitOnMouseMove = 1;
    s_passwordAnswer = TRUE;
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
    EXPECT_EQ(s_passwordCalls, 2);
    EXPECT_TRUE(PullQuitMessage());
    EXPECT_TRUE(SaverClosed());
    // parity 1: no extra present before the second dialog
    EXPECT_EQ(d3d.device.CountCalls("Present"), 1);
}

TEST_F(SaverWindowTest, PasswordIsAskedOnlyInFullScreenOnWindows9x)
{
    struct Case
    {
        const char* name;
        RunMode mode;
        int checkFlag;
        bool asked;
    };
    const Case cases[] = {
        {"full screen, Windows 9x", rmFullScreen, 1, true},
        {"full screen, Windows NT", rmFullScreen, 0, false},
        {"test window, Windows 9x", rmTestWindow, 1, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordingSaver saver;
        fake3d::FakeDirect3D9 direct3D;
        saver.m_Mode = c.mode;
        saver.m_hWnd = host.Handle();
        saver.m_pD3D = &direct3D;
        saver.m_bCheckPassword = c.checkFlag;
        saver.m_pfnPasswordCheck = TestPasswordCheck;
        s_passwordCalls = 0;
        s_passwordAnswer = TRUE;

        RequestExit(&saver);
        EXPECT_EQ(s_passwordCalls, c.asked ? 1 : 0);
        EXPECT_TRUE(PullQuitMessage());
        EXPECT_EQ(saver.m_pD3D, nullptr);
    }
    g_pSaverApp = &app;
}

TEST_F(SaverWindowTest, WindowsNtLoadsNoPasswordCheck)
{
    app.m_Mode = rmFullScreen;
    app.m_bCheckPassword = 1;
    SetupPasswordCheck(&app);
    EXPECT_EQ(app.m_bCheckPassword, 0);
    EXPECT_EQ(app.m_hPasswordDll, nullptr);
    EXPECT_EQ(app.m_pfnPasswordCheck, nullptr);
}

TEST_F(SaverWindowTest, SuspendNoticeIsIgnoredWhileAPasswordFunctionIsLoaded)
{
    app.m_Mode = rmFullScreen;
    UsePassword();
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    EXPECT_EQ(s_passwordCalls, 0);
    EXPECT_FALSE(PullQuitMessage());
    EXPECT_EQ(app.shutdowns, 0);

    app.m_pfnPasswordCheck = nullptr;
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    EXPECT_TRUE(PullQuitMessage());
    EXPECT_TRUE(SaverClosed());
}

// Releasing the device waits for the frame it still draws, spinning; the
// closing saver waits for it first, sleeping, and gives up on a frame that
// never finishes rather than hang.
TEST_F(SaverWindowTest, CloseSaverLetsTheDeviceFinishItsFrameFirst)
{
    for (const int busyPolls : {3, 1 << 30})
    {
        SCOPED_TRACE(busyPolls);
        fake3d::FakeDirect3D9 direct3d;
        direct3d.device.AddRef();
        direct3d.device.eventQueryBusyPolls = busyPolls;
        app.m_pD3D = &direct3d;
        app.m_pDevice = &direct3d.device;
        FrameFenceOpen(app.m_FrameFence, app.m_pDevice);
        FrameFenceMark(app.m_FrameFence);

        CloseSaver(&app);

        ASSERT_EQ(direct3d.device.createdQueries.size(), 1u);
        const int answers = direct3d.device.createdQueries[0]->busyAnswers;
        if (busyPolls == 3)
            EXPECT_EQ(answers, 3);
        else
            EXPECT_GT(answers, 3);
        EXPECT_EQ(direct3d.device.RefCount(), 0u);
        EXPECT_EQ(direct3d.device.OutstandingReferences(), 0u);
        EXPECT_TRUE(PullQuitMessage());
    }
}

// A slow frame stopped between its passes by a key is never shown; the
// password dialog the key brings up comes over the last whole frame, still
// on screen, without presenting the part of this one in the back buffer.
TEST_F(SaverWindowTest, AFrameStoppedForAKeyIsNotShownBehindThePasswordDialog)
{
    ScopedTestClock clock(1000);
    app.m_Mode = rmFullScreen;
    UsePassword();
    app.passes = true;
    app.m_fLastFrameTime = 1000.0f;
    d3d.device.eventQueryBusyPolls = 1 << 30; // the first pass is still drawn when the key comes
    FrameFenceOpen(app.m_FrameFence, app.m_pDevice);
    clock.Advance(static_cast<uint32_t>(FRAME_PASS_PACING_MS) + 70);
    PostMessageA(app.m_hWnd, WM_KEYDOWN, 'A', 0);

    FrameTick(&app);
    EXPECT_TRUE(app.m_bPaceFramePasses);
    EXPECT_TRUE(app.m_bFrameStopped);
    EXPECT_EQ(app.m_nFrameParity, 1);
    EXPECT_EQ(d3d.device.CountCalls("Present"), 0);

    MSG key;
    ASSERT_TRUE(PeekMessageA(&key, app.m_hWnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    Send(key.message, key.wParam, key.lParam);
    EXPECT_EQ(s_passwordCalls, 1);
    EXPECT_EQ(d3d.device.CountCalls("Present"), 0);
    FrameFenceClose(app.m_FrameFence);
}

TEST_F(SaverWindowTest, CloseSaverReleasesEverythingOnceEvenWhenRunTwice)
{
    app.m_Mode = rmFullScreen;
    // a real library stands in for the password library
    app.m_hPasswordDll = LoadLibraryA("mpr.dll");
    ASSERT_NE(app.m_hPasswordDll, nullptr);
    app.m_pfnPasswordCheck = TestPasswordCheck;
    ASSERT_NE(SetTimer(app.m_hWnd, TIMER_FPS_LATCH, FPS_LATCH_MS, nullptr), 0u);

    CloseSaver(&app);
    CloseSaver(&app); // the window's destruction after an exit request

    EXPECT_EQ(app.shutdowns, 2);
    EXPECT_EQ(app.sceneReleases, 2);
    EXPECT_EQ(d3d.RefCount(), 0u);
    EXPECT_EQ(d3d.device.RefCount(), 0u);
    EXPECT_EQ(d3d.OverReleases(), 0);
    EXPECT_EQ(d3d.device.OverReleases(), 0);
    EXPECT_EQ(g_pd3dDevice, nullptr);
    EXPECT_EQ(app.m_hPasswordDll, nullptr);
    EXPECT_EQ(app.m_pfnPasswordCheck, nullptr);
    // timer 7 is gone
    EXPECT_FALSE(KillTimer(app.m_hWnd, TIMER_FPS_LATCH));
    int exitCode = -1;
    EXPECT_TRUE(PullQuitMessage(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

TEST_F(SaverWindowTest, TimersLatchFramesAndEndThePreviewWait)
{
    app.m_Mode = rmPreview;
    // WM_USER arms timer 1; its tick clears the flag and kills it
    Send(WM_USER);
    EXPECT_TRUE(KillTimer(app.m_hWnd, TIMER_PREVIEW_WAIT));
    Send(WM_USER);
    app.m_bPreviewWait = 1;
    Send(WM_TIMER, TIMER_PREVIEW_WAIT);
    EXPECT_EQ(app.m_bPreviewWait, 0);
    EXPECT_FALSE(KillTimer(app.m_hWnd, TIMER_PREVIEW_WAIT));

    app.m_nFrameCounter = 57;
    Send(WM_TIMER, TIMER_FPS_LATCH);
    EXPECT_EQ(app.m_nFramesPerSecond, 57);
    EXPECT_EQ(app.m_nFrameCounter, 0);
    // the id is the low word of wParam
    app.m_nFrameCounter = 3;
    Send(WM_TIMER, 0x10000 | TIMER_FPS_LATCH);
    EXPECT_EQ(app.m_nFramesPerSecond, 3);

    // the cursor stays hidden over the full-screen window
    app.m_Mode = rmFullScreen;
    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(app.m_hWnd), HTCLIENT), 1);
    EXPECT_FALSE(PullQuitMessage());
}

TEST_F(SaverWindowTest, FrameTickCountsPassesWhileTheDeviceIsLost)
{
    ScopedTestClock clock(1000);
    app.m_Mode = rmFullScreen;
    app.m_fLastFrameTime = 1000.0f;
    fake3d::FakeDirect3DDevice9& device = d3d.device;
    device.SetResult("TestCooperativeLevel", D3DERR_DEVICELOST);

    for (int i = 0; i < 3; ++i)
    {
        clock.Advance(16);
        FrameTick(&app);
    }
    EXPECT_EQ(app.m_nFrameCounter, 3);
    EXPECT_EQ(app.updates, 0);
    EXPECT_EQ(device.CountCalls("Present"), 0);
    EXPECT_EQ(device.CountCalls("Clear"), 0);
    EXPECT_EQ(app.m_nFrameParity, 1);
    EXPECT_EQ(app.m_fLastFrameTime, 1048.0f);
    EXPECT_EQ(device.CountCalls("Reset"), 0); // waits for the device, never resets it

    // the device is back: one frame, timed from the last pass
    device.ClearResults();
    device.ClearCalls();
    clock.Advance(25);
    FrameTick(&app);
    EXPECT_EQ(app.m_nFrameCounter, 4);
    EXPECT_EQ(app.updates, 1);
    EXPECT_EQ(app.lastElapsedMs, 25.0f);
    EXPECT_EQ(app.m_nFrameParity, 0);
    EXPECT_EQ(device.CallTexts({"Clear", "BeginScene", "EndScene", "Present"}),
              (std::vector<std::string>{"Clear(0, null, 3, 0, 1, 0)", "BeginScene()", "EndScene()",
                                        "Present(null, null, null, null)"}));
    // the default view looks down -Z from the origin
    const D3DMATRIX* view = device.state.Transform(D3DTS_VIEW);
    ASSERT_NE(view, nullptr);
    EXPECT_FLOAT_EQ(view->_11, -1.0f);
    EXPECT_FLOAT_EQ(view->_33, -1.0f);

    // the latch shows the passes, drawn or not
    Send(WM_TIMER, TIMER_FPS_LATCH);
    EXPECT_EQ(app.m_nFramesPerSecond, 4);

    // no device at all: still counted
    app.m_pDevice = nullptr;
    FrameTick(&app);
    EXPECT_EQ(app.m_nFrameCounter, 1);
    app.m_pDevice = &device;
}

// Real windows of each mode, on the module's own class and resources.
class OpenWindowsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::DiscardPendingMessages();
        m_savedApp = g_pSaverApp;
        app.Reset();
        app.Init();
        app.m_hInstance = GetModuleHandleA(nullptr);
    }
    void TearDown() override
    {
        for (int i = 0; i < app.m_nMonitors; ++i)
            if (IsWindow(app.m_Monitors[i].hWnd))
                DestroyWindow(app.m_Monitors[i].hWnd);
        if (IsWindow(app.m_hWnd))
            DestroyWindow(app.m_hWnd);
        testsupport::DiscardPendingMessages();
        g_pSaverApp = m_savedApp;
    }

    static MonitorRecord Monitor(LONG left, LONG top, LONG right, LONG bottom, uintptr_t handle)
    {
        MonitorRecord record = {};
        record.rcScreen = {left, top, right, bottom};
        record.hMonitor = reinterpret_cast<HMONITOR>(handle);
        record.iAdapter = -1;
        return record;
    }

    RecordingSaver app;

private:
    CSaverCore* m_savedApp = nullptr;
};

TEST_F(OpenWindowsTest, FullScreenOpensOneOwnedWindowPerMonitorWithAHandle)
{
    app.m_Mode = rmFullScreen;
    app.m_nMonitors = 3;
    app.m_Monitors[0] = Monitor(0, 0, 1024, 768, 0x7001);
    app.m_Monitors[1] = Monitor(1024, 0, 1824, 600, 0); // not attached: no window
    app.m_Monitors[2] = Monitor(-640, 0, 0, 480, 0x7003);

    ASSERT_EQ(OpenSaverWindows(&app), S_OK);

    HWND first = app.m_Monitors[0].hWnd;
    HWND third = app.m_Monitors[2].hWnd;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(app.m_hWnd, first);
    EXPECT_EQ(app.m_Monitors[1].hWnd, nullptr);
    EXPECT_EQ(GetWindow(first, GW_OWNER), nullptr);
    EXPECT_EQ(GetWindow(third, GW_OWNER), first);

    // 806 x 626, centred by the monitor's size only: its position is not added
    struct Expected
    {
        HWND window;
        LONG x, y;
    };
    for (const Expected& e : {Expected{first, 112, 84}, Expected{third, -80, -60}})
    {
        RECT rect = {};
        GetWindowRect(e.window, &rect);
        EXPECT_EQ(rect.left, e.x);
        EXPECT_EQ(rect.top, e.y);
        EXPECT_EQ(rect.right - rect.left, 806);
        EXPECT_EQ(rect.bottom - rect.top, 626);
        char className[64] = {};
        GetClassNameA(e.window, className, sizeof(className));
        EXPECT_STREQ(className, "Screensaver");
        EXPECT_EQ(GetWindowTextLengthA(e.window), 0);
    }
}

TEST_F(OpenWindowsTest, NoMonitorWithAHandleMeansNoSaverWindow)
{
    ScopedLogCapture log;
    app.m_Mode = rmFullScreen;
    app.m_nMonitors = 1;
    app.m_Monitors[0] = Monitor(0, 0, 0, 0, 0);
    EXPECT_EQ(OpenSaverWindows(&app), E_FAIL);
    EXPECT_EQ(app.m_hWnd, nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"error create window (m_hWnd)"});
}

TEST_F(OpenWindowsTest, TestWindowHasA600By400ClientAreaAt50And50)
{
    app.m_Mode = rmTestWindow;
    ASSERT_EQ(OpenSaverWindows(&app), S_OK);
    RECT client = {};
    GetClientRect(app.m_hWnd, &client);
    EXPECT_EQ(client.right, TEST_WINDOW_WIDTH);
    EXPECT_EQ(client.bottom, TEST_WINDOW_HEIGHT);
    POINT origin = {0, 0};
    ClientToScreen(app.m_hWnd, &origin);
    EXPECT_EQ(origin.x, 50);
    EXPECT_EQ(origin.y, 50);
    const LONG style = GetWindowLongA(app.m_hWnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
}

TEST_F(OpenWindowsTest, PreviewIsAChildThatFillsItsParentAndEndsWithIt)
{
    ScopedHostWindow parent;
    app.m_Mode = rmPreview;
    app.m_hWndParent = parent.Handle();
    ASSERT_EQ(OpenSaverWindows(&app), S_OK);

    EXPECT_EQ(GetParent(app.m_hWnd), parent.Handle());
    EXPECT_NE(GetWindowLongA(app.m_hWnd, GWL_STYLE) & WS_CHILD, 0);
    RECT parentClient = {}, client = {};
    GetClientRect(parent.Handle(), &parentClient);
    GetClientRect(app.m_hWnd, &client);
    EXPECT_EQ(client.right, parentClient.right);
    EXPECT_EQ(client.bottom, parentClient.bottom);
    // the picture is loaded when the window is made
    ASSERT_NE(app.m_hPreviewBitmap, nullptr);
    BITMAP bitmap = {};
    GetObjectA(app.m_hPreviewBitmap, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, PREVIEW_BITMAP_WIDTH);
    EXPECT_EQ(bitmap.bmHeight, PREVIEW_BITMAP_HEIGHT);

    // the system destroys the parent: the saver shuts down
    EXPECT_FALSE(PullQuitMessage());
    DestroyWindow(parent.Handle());
    EXPECT_TRUE(PullQuitMessage());
    EXPECT_EQ(app.shutdowns, 1);
}

TEST_F(OpenWindowsTest, PreviewParentThatIsNotAWindowOpensNothing)
{
    ScopedLogCapture log;
    app.m_Mode = rmPreview;
    app.m_hWndParent = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0)); // no such window
    EXPECT_EQ(OpenSaverWindows(&app), E_FAIL);
    EXPECT_EQ(app.m_hWnd, nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"error create window (m_hWnd)"});
}

} // namespace
