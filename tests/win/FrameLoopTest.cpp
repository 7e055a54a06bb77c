// The message and frame loop from device start to the quit message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "TestSupport.h"
#include "shell/win/SaverWindow.h"
#include "src/ClassBase/win/Ostrel.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

using testsupport::ScopedHostWindow;
using testsupport::ScopedLogCapture;

// Notes the order of the framework's calls; asks to end after a few frames.
class ScriptedSaver : public CSaverCore
{
public:
    void OnDeviceCreated() override { events.push_back("OnDeviceCreated"); }
    HRESULT InitScene(IDirect3DDevice9* device) override
    {
        events.push_back(device == m_pDevice ? "InitScene" : "InitScene on another device");
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
        if (frames == framesBeforeExit)
            RequestExit(this);
        return S_OK;
    }
    void OnShutdown() override { events.push_back("OnShutdown"); }

    std::vector<std::string> events;
    int frames = 0;
    int framesBeforeExit = 5;
};

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

    EXPECT_EQ(app.events, (std::vector<std::string>{"OnDeviceCreated", "InitScene", "OnSceneReady", "OnShutdown"}));
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

TEST_F(FrameLoopTest, WithoutADeviceTheSaverEndsBeforeSceneOrFrame)
{
    ScopedLogCapture log;
    app.m_Mode = rmFullScreen;
    d3d.SetResult("CreateDevice", D3DERR_NOTAVAILABLE);

    EXPECT_EQ(RunSaver(&app), 0);

    EXPECT_EQ(app.events, std::vector<std::string>{"OnShutdown"});
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
