// The message and frame loop from device start to the quit message.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "FakeDirect3D.h"
#include "TestSupport.h"
#include "shell/win/SaverWindow.h"
#include "src/ClassBase/win/Ostrel.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

using testsupport::ScopedHostWindow;
using testsupport::ScopedLogCapture;

// Notes the order of the framework's calls; asks to end after a few frames.
// Its scene is one render target, in the default pool as the world's are.
class ScriptedSaver : public CSaverCore
{
public:
    void OnDeviceCreated() override { events.push_back("OnDeviceCreated"); }
    HRESULT InitScene(IDirect3DDevice9* device) override
    {
        events.push_back(device == m_pDevice ? "InitScene" : "InitScene on another device");
        device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr);
        if (duringInitScene)
            duringInitScene();
        return S_OK;
    }
    HRESULT ReleaseScene() override
    {
        events.push_back("ReleaseScene");
        ReleaseNull(target);
        return S_OK;
    }
    HRESULT OnSceneReady(IDirect3DDevice9*) override
    {
        events.push_back("OnSceneReady");
        return S_OK;
    }
    HRESULT DrawFrame(IDirect3DDevice9* device) override
    {
        ++frames;
        CSaverCore::DrawFrame(device);
        if (duringFrame)
            duringFrame();
        if (frames == framesBeforeExit)
            RequestExit(this);
        return S_OK;
    }
    void OnShutdown() override { events.push_back("OnShutdown"); }

    std::vector<std::string> events;
    int frames = 0;
    int framesBeforeExit = 5;
    IDirect3DTexture9* target = nullptr;
    std::function<void()> duringInitScene;
    std::function<void()> duringFrame;
};

// `method` of the device answers script[i] on its i-th call (from 0), S_OK
// after the script.
void ScriptResults(fake3d::FakeDirect3DDevice9& device, const char* method, const std::vector<HRESULT>& script)
{
    for (const HRESULT hr : script)
    {
        if (SUCCEEDED(hr))
            continue;
        const std::string name = method;
        device.SetResultWhen(
            method,
            [&device, script, hr, name](const fake3d::FakeCall&) {
                const size_t i = static_cast<size_t>(device.CountCalls(name));
                return i < script.size() && script[i] == hr;
            },
            hr);
    }
}

class FrameLoopTest : public testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::DiscardPendingMessages();
        m_savedApp = g_pSaverApp;
        app.Reset();
        app.Init();
        app.m_hWnd = host.Handle();
        app.m_pD3D = &d3d;
        ClearTextureStageCache();
    }
    void TearDown() override
    {
        testsupport::DiscardPendingMessages();
        g_pd3dDevice = nullptr;
        g_pSaverApp = m_savedApp;
    }

    ScopedHostWindow host;
    fake3d::FakeDirect3D9 d3d;
    ScriptedSaver app;

private:
    CSaverCore* m_savedApp = nullptr;
};

TEST_F(FrameLoopTest, FullScreenRunsFramesUntilAnExitRequestThenReleasesAll)
{
    app.m_Mode = rmFullScreen;
    EXPECT_EQ(RunSaver(&app), 0);

    EXPECT_EQ(app.events,
              (std::vector<std::string>{"OnDeviceCreated", "InitScene", "OnSceneReady", "OnShutdown", "ReleaseScene"}));
    EXPECT_EQ(app.frames, 5);
    EXPECT_GE(app.m_nFrameCounter, 5);
    // the loading picture, then one present per frame
    EXPECT_EQ(d3d.device.CountCalls("Present"), 1 + 5);
    EXPECT_EQ(d3d.device.RefCount(), 0u);
    EXPECT_EQ(d3d.RefCount(), 0u);
    EXPECT_EQ(g_pd3dDevice, nullptr);
    // the quit message ended the loop: nothing is left in the queue for it
    EXPECT_FALSE(testsupport::PullQuitMessage());
    EXPECT_FALSE(KillTimer(app.m_hWnd, TIMER_FPS_LATCH));
}

// A device that still draws the last frame gets no other: the loop waits for
// it and takes input meanwhile, so a key ends the saver without a frame more.
TEST_F(FrameLoopTest, NoFrameStartsWhileTheDeviceDrawsTheLastAndInputIsTakenMeanwhile)
{
    app.m_Mode = rmFullScreen;
    d3d.device.eventQueryBusyPolls = 3;
    EXPECT_EQ(RunSaver(&app), 0);
    EXPECT_EQ(app.frames, 5);
    EXPECT_EQ(d3d.device.CountCalls("Present"), 1 + 5);
    ASSERT_EQ(d3d.device.createdQueries.size(), 1u);
    // frames 2 to 5 each waited out the three busy answers of the one before
    EXPECT_EQ(d3d.device.createdQueries[0]->busyAnswers, 4 * 3);
    EXPECT_EQ(d3d.device.OutstandingReferences(), 0u);
    EXPECT_EQ(d3d.device.RefCount(), 0u);

    ScopedLogCapture log;
    fake3d::FakeDirect3D9 direct3d;
    ScriptedSaver saver;
    saver.Reset();
    saver.Init();
    const HWND window = host.Handle();
    saver.m_hWnd = window;
    saver.m_pD3D = &direct3d;
    saver.m_Mode = rmFullScreen;
    saver.framesBeforeExit = -1;
    direct3d.device.eventQueryBusyPolls = 1 << 30; // the frame is never done
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SaverWindowProc));
    // the key comes while the loop waits for the device
    std::thread key;
    saver.duringFrame = [&] {
        key = std::thread([window] {
            Sleep(30);
            PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        });
    };
    EXPECT_EQ(RunSaver(&saver), 0);
    key.join();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    EXPECT_EQ(saver.frames, 1);
    ASSERT_EQ(direct3d.device.createdQueries.size(), 1u);
    EXPECT_GE(direct3d.device.createdQueries[0]->busyAnswers, 1);
    EXPECT_EQ(direct3d.device.OutstandingReferences(), 0u);
    EXPECT_NE(log.Text().find("detected pressed any key"), std::string::npos);
}

// A device lost and then ready to be reset: the world released (the fake's
// Reset, like the runtime's, fails while a default-pool object lives), the
// device reset, its states set again, the scene rebuilt behind the loading
// picture, and the frames go on; a failed Reset ends the saver.
TEST_F(FrameLoopTest, ALostDeviceIsResetAndTheSceneRebuiltOrTheSaverEnds)
{
    const HRESULT ok = S_OK, lost = D3DERR_DEVICELOST, notReset = D3DERR_DEVICENOTRESET;
    const std::vector<std::string> rebuilt = {"OnDeviceCreated", "InitScene",    "OnSceneReady", "ReleaseScene",
                                              "InitScene",       "OnSceneReady", "OnShutdown",   "ReleaseScene"};
    struct Case
    {
        const char* name;
        std::vector<HRESULT> levels; // TestCooperativeLevel, pass by pass
        std::vector<HRESULT> resets;
        std::vector<std::string> events;
        int frames;
        int framesBeforeReset;
        int resetCalls;
        const char* lastLog; // null: the saver ran on to its exit request
    };
    const Case cases[] = {
        {"lost, then not reset, then ready", {ok, ok, lost, lost, notReset}, {ok}, rebuilt, 5, 2, 1, nullptr},
        {"lost again while resetting",
         {ok, lost, notReset, lost, notReset},
         {lost, ok},
         {"OnDeviceCreated", "InitScene", "OnSceneReady", "ReleaseScene", "ReleaseScene", "InitScene", "OnSceneReady",
          "OnShutdown", "ReleaseScene"},
         5,
         1,
         2,
         nullptr},
        {"the reset fails",
         {ok, ok, notReset},
         {D3DERR_NOTAVAILABLE},
         {"OnDeviceCreated", "InitScene", "OnSceneReady", "ReleaseScene", "OnShutdown", "ReleaseScene"},
         2,
         2,
         1,
         "device reset failed, saver ends\t0x8876086a"},
        {"the driver fails",
         {ok, D3DERR_DRIVERINTERNALERROR},
         {},
         {"OnDeviceCreated", "InitScene", "OnSceneReady", "OnShutdown", "ReleaseScene"},
         1,
         1,
         0,
         "driver internal error, saver ends"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log;
        fake3d::FakeDirect3D9 direct3d;
        ScriptedSaver saver;
        saver.Reset();
        saver.Init();
        saver.m_hWnd = host.Handle();
        saver.m_pD3D = &direct3d;
        saver.m_Mode = rmFullScreen;
        ClearTextureStageCache();
        fake3d::FakeDirect3DDevice9& device = direct3d.device;
        device.eventQueryBusyPolls = 1; // the frame fence is given up and made again around the reset
        ScriptResults(device, "TestCooperativeLevel", c.levels);
        ScriptResults(device, "Reset", c.resets);
        // what the device holds after the restore, before the first frame on it
        DWORD lighting = 0, colourOp = 0;
        int presentsAtRestore = -1;
        saver.duringInitScene = [&] {
            lighting = device.state.RenderState(D3DRS_LIGHTING);
            colourOp = device.state.TextureStageState(0, D3DTSS_COLOROP);
            presentsAtRestore = device.presents;
        };

        EXPECT_EQ(RunSaver(&saver), 0);

        EXPECT_EQ(saver.events, c.events);
        EXPECT_EQ(saver.frames, c.frames);
        EXPECT_EQ(device.CountCalls("Reset"), c.resetCalls);
        for (const fake3d::FakeCall& call : device.Calls())
            if (call.method == "Reset")
                EXPECT_EQ(call.args[0], reinterpret_cast<uint64_t>(&g_d3dpp));
        // whatever happened, everything is released at the end
        EXPECT_EQ(device.OutstandingReferences(), 0u);
        EXPECT_EQ(device.RefCount(), 0u);
        EXPECT_EQ(direct3d.RefCount(), 0u);
        const std::vector<std::string> lines = log.Lines();
        int firstPictures = 0;
        for (const std::string& line : lines)
            firstPictures += line.rfind("first picture\t", 0) == 0 ? 1 : 0;
        EXPECT_EQ(firstPictures, 1);
        if (c.lastLog != nullptr)
        {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), c.lastLog);
            continue;
        }
        // the rebuilt scene found the device's states set again and the
        // loading picture presented, with the last frame's one behind it
        EXPECT_EQ(lighting, static_cast<DWORD>(FALSE));
        EXPECT_EQ(colourOp, static_cast<DWORD>(D3DTOP_MODULATE));
        EXPECT_EQ(presentsAtRestore, 2 + c.framesBeforeReset);
        EXPECT_EQ(device.presents, 2 + c.frames);
    }
}

// A key during the load ends the saver at the load's next pump: no frame,
// the rest of the load skipped, everything released. Outside the load the
// pump leaves the queue alone.
TEST_F(FrameLoopTest, AKeyDuringTheLoadEndsTheSaverAtTheNextPump)
{
    ScopedLogCapture log;
    app.m_Mode = rmFullScreen;
    const HWND window = host.Handle();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SaverWindowProc));
    PostMessageA(window, WM_USER + 5, 0, 0);
    EXPECT_TRUE(PumpLoadMessages());
    MSG waiting;
    EXPECT_TRUE(PeekMessageA(&waiting, window, WM_USER + 5, WM_USER + 5, PM_REMOVE));

    bool pumped = true;
    app.duringInitScene = [&] {
        PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        pumped = PumpLoadMessages();
    };
    EXPECT_EQ(RunSaver(&app), 0);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));

    EXPECT_FALSE(pumped);
    EXPECT_EQ(app.events, (std::vector<std::string>{"OnDeviceCreated", "InitScene", "OnShutdown", "ReleaseScene"}));
    EXPECT_EQ(app.frames, 0);
    EXPECT_EQ(d3d.device.OutstandingReferences(), 0u);
    EXPECT_EQ(d3d.device.RefCount(), 0u);
    EXPECT_EQ(d3d.RefCount(), 0u);
    EXPECT_FALSE(testsupport::PullQuitMessage());
    const std::string text = log.Text();
    EXPECT_NE(text.find("detected pressed any key"), std::string::npos) << text;
    EXPECT_NE(text.find("exit during the load"), std::string::npos) << text;
}

TEST_F(FrameLoopTest, WithoutADeviceTheSaverEndsBeforeSceneOrFrame)
{
    ScopedLogCapture log;
    app.m_Mode = rmFullScreen;
    d3d.SetResult("CreateDevice", D3DERR_NOTAVAILABLE);

    EXPECT_EQ(RunSaver(&app), 0);

    EXPECT_EQ(app.events, (std::vector<std::string>{"OnShutdown", "ReleaseScene"}));
    EXPECT_EQ(app.frames, 0);
    EXPECT_EQ(app.m_nFrameCounter, 0);
    EXPECT_EQ(d3d.CountCalls("CreateDevice"), 3);
    EXPECT_EQ(d3d.RefCount(), 0u);
    const std::vector<std::string> lines = log.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "no device, saver ends");
}

TEST_F(FrameLoopTest, PreviewMakesNoDeviceAndNoFrames)
{
    app.m_Mode = rmPreview;
    PostQuitMessage(0); // the system closing the preview at once
    EXPECT_EQ(RunSaver(&app), 0);
    EXPECT_TRUE(app.events.empty());
    EXPECT_EQ(d3d.CountCalls("CreateDevice"), 0);
    EXPECT_EQ(app.m_nFrameCounter, 0);
    KillTimer(app.m_hWnd, TIMER_FPS_LATCH);
}

TEST(FrameworkStart, ResetThenInitPrepareTheSceneApplication)
{
    CSaverCore* saved = g_pSaverApp;
    ScopedLogCapture log;
    COstrel app;
    // leftovers of an earlier run
    app.m_nMouseGrace = -3;
    app.m_nFrameParity = 0;
    app.m_OverlayColor[0] = 9;
    app.m_pDevice = reinterpret_cast<IDirect3DDevice9*>(static_cast<uintptr_t>(0x1234));
    app.m_Settings.ExitOnMouseMove = !app.m_DefaultSettings.ExitOnMouseMove;
    g_TextureStageCache[5 * TEXTURE_STAGE_CACHE_TYPES + D3DTSS_COLOROP] = D3DTOP_MODULATE;
    g_pSaverApp = nullptr;

    app.Reset();
    EXPECT_EQ(g_pSaverApp, &app);
    EXPECT_EQ(app.m_nMouseGrace, 10);
    EXPECT_EQ(app.m_nFrameParity, 1);
    EXPECT_EQ(app.m_pDevice, nullptr);
    EXPECT_EQ(app.m_Settings.ExitOnMouseMove, app.m_DefaultSettings.ExitOnMouseMove);
    EXPECT_EQ(app.m_OverlayColor[0], 255);

    app.Init();
    EXPECT_STREQ(app.m_szClassName, "Screensaver");
    EXPECT_EQ(app.m_OverlayColor[0], 0);
    EXPECT_EQ(app.m_OverlayColor[1], 255);
    EXPECT_EQ(app.m_OverlayColor[2], 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"COstrel::Init()"});
    // every texture-stage state reaches the device once more
    for (DWORD entry : g_TextureStageCache)
        ASSERT_EQ(entry, TEXTURE_STAGE_UNKNOWN);
    g_pSaverApp = saved;
}

} // namespace
