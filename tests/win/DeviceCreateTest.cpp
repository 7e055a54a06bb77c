// Device creation with its fallbacks, the fixed render states of both
// device set-ups, and the texture-stage state cache.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "TestSupport.h"
#include "src/ClassBase/win/Ostrel.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

using fake3d::FakeDirect3D9;
using testsupport::ScopedLogCapture;
using Lines = std::vector<std::string>;

// Keeps the globals the device code writes from leaking between tests.
class DeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_savedApp = g_pSaverApp;
        ClearTextureStageCache();
    }
    void TearDown() override
    {
        g_pd3dDevice = nullptr;
        g_pSaverApp = m_savedApp;
        ClearTextureStageCache();
    }

private:
    CSaverCore* m_savedApp = nullptr;
};

// The records with the time of the first picture cut off (it varies).
Lines WithoutTimes(Lines lines)
{
    for (std::string& line : lines)
        if (line.rfind("first picture\t", 0) == 0)
            line = "first picture";
    return lines;
}

struct CreationCase
{
    const char* name;
    bool halHardwareFails;
    bool halSoftwareFails;
    bool refFails;
    HRESULT expected;
    Lines log;
    std::vector<std::pair<D3DDEVTYPE, DWORD>> attempts;
};

TEST_F(DeviceTest, CreationFallsBackFromHardwareToSoftwareToReference)
{
    const DWORD hw = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    const DWORD sw = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    const CreationCase cases[] = {
        {"hardware device",
         false,
         false,
         false,
         S_OK,
         {"EE_Core_CreateD3Device", "hal hardware", "COstrel::EE_Core_InitD3Device()", "EE_Core_DrawLoading",
          "first picture"},
         {{D3DDEVTYPE_HAL, hw}}},
        {"no hardware vertex processing",
         true,
         false,
         false,
         S_OK,
         {"EE_Core_CreateD3Device", "hal software", "COstrel::EE_Core_InitD3Device()", "EE_Core_DrawLoading",
          "first picture"},
         {{D3DDEVTYPE_HAL, hw}, {D3DDEVTYPE_HAL, sw}}},
        {"no usable hardware device",
         true,
         true,
         false,
         S_OK,
         {"EE_Core_CreateD3Device", "ref software", "COstrel::EE_Core_InitD3Device()", "EE_Core_DrawLoading",
          "first picture"},
         {{D3DDEVTYPE_HAL, hw}, {D3DDEVTYPE_HAL, sw}, {D3DDEVTYPE_REF, sw}}},
        // the record carries the result of the last attempt
        {"nothing works",
         true,
         true,
         true,
         E_FAIL,
         {"EE_Core_CreateD3Device", "error create 3d device (unknown error code)", "0x8876086c"},
         {{D3DDEVTYPE_HAL, hw}, {D3DDEVTYPE_HAL, sw}, {D3DDEVTYPE_REF, sw}}},
    };

    for (const CreationCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log;
        FakeDirect3D9 d3d;
        if (c.halHardwareFails)
            d3d.SetResultWhen("CreateDevice", FakeDirect3D9::CreateDeviceKind(D3DDEVTYPE_HAL, hw), D3DERR_NOTAVAILABLE);
        if (c.halSoftwareFails)
            d3d.SetResultWhen("CreateDevice", FakeDirect3D9::CreateDeviceKind(D3DDEVTYPE_HAL, sw), D3DERR_NOTAVAILABLE);
        if (c.refFails)
            d3d.SetResultWhen("CreateDevice", FakeDirect3D9::CreateDeviceKind(D3DDEVTYPE_REF, sw), D3DERR_INVALIDCALL);

        COstrel app;
        app.m_pD3D = &d3d;
        app.m_hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242));
        ClearTextureStageCache();

        EXPECT_EQ(EE_Core_CreateD3Device(&app), c.expected);
        EXPECT_EQ(WithoutTimes(log.Lines()), c.log);

        ASSERT_EQ(d3d.createDeviceCalls.size(), c.attempts.size());
        for (size_t i = 0; i < c.attempts.size(); ++i)
        {
            const fake3d::FakeCreateDeviceCall& call = d3d.createDeviceCalls[i];
            EXPECT_EQ(call.adapter, 0u);
            EXPECT_EQ(call.type, c.attempts[i].first);
            EXPECT_EQ(call.behaviorFlags, c.attempts[i].second);
            EXPECT_EQ(call.focusWindow, app.m_hWnd);
        }

        if (c.expected == S_OK)
        {
            EXPECT_EQ(g_pd3dDevice, &d3d.device);
            EXPECT_EQ(app.m_pDevice, &d3d.device);
            EXPECT_EQ(d3d.device.RefCount(), 1u);
            // the set-up ran, then the loading picture was presented
            EXPECT_GT(d3d.device.CountCalls("SetRenderState"), 0);
            EXPECT_EQ(d3d.device.CountCalls("Present"), 1);
            EXPECT_EQ(d3d.device.Calls().back().method, "Present");
        }
        else
        {
            EXPECT_EQ(g_pd3dDevice, nullptr);
            EXPECT_EQ(app.m_pDevice, nullptr);
            EXPECT_TRUE(d3d.device.Calls().empty());
        }
        g_pd3dDevice = nullptr;
        app.m_pD3D = nullptr;
        app.m_pDevice = nullptr;
    }
}

TEST_F(DeviceTest, PresentationParametersAskForImmediateFullScreenAtDesktopSize)
{
    ScopedLogCapture log;
    FakeDirect3D9 d3d;
    COstrel app;
    app.m_pD3D = &d3d;
    app.m_hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242));
    // a selected mode of another size and depth does not matter while the
    // desktop settings are used
    app.m_Settings.UseDesktopSettings = 1;
    app.m_Settings.Width = 640;
    app.m_Settings.Height = 480;
    app.m_Settings.BitCount = 16;
    ASSERT_EQ(EE_Core_CreateD3Device(&app), S_OK);

    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const D3DPRESENT_PARAMETERS& pp = d3d.createDeviceCalls.at(0).parameters;
    EXPECT_EQ(pp.BackBufferWidth, static_cast<UINT>(desktop.right));
    EXPECT_EQ(pp.BackBufferHeight, static_cast<UINT>(desktop.bottom));
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(pp.MultiSampleQuality, 0u);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(pp.hDeviceWindow, app.m_hWnd);
    EXPECT_FALSE(pp.Windowed);
    EXPECT_TRUE(pp.EnableAutoDepthStencil);
    EXPECT_EQ(pp.Flags, 0u);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(pp.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    app.m_pD3D = nullptr;
    app.m_pDevice = nullptr;
}

TEST_F(DeviceTest, NoDeviceWithoutDisplayModeOrDirect3D)
{
    ScopedLogCapture log;
    FakeDirect3D9 d3d;
    d3d.SetResult("GetAdapterDisplayMode", D3DERR_NOTAVAILABLE);
    COstrel app;
    app.m_pD3D = &d3d;
    EXPECT_EQ(EE_Core_CreateD3Device(&app), E_FAIL);
    EXPECT_EQ(log.Lines(), (Lines{"EE_Core_CreateD3Device", "GetAdapterDisplayMode failed"}));
    EXPECT_EQ(d3d.CountCalls("CreateDevice"), 0);
    EXPECT_EQ(g_pd3dDevice, nullptr);

    app.m_pD3D = nullptr;
    EXPECT_EQ(EE_Core_CreateD3Device(&app), E_FAIL);
    EXPECT_EQ(app.m_pDevice, nullptr);
}

// The call texts of the sampler, material and transform tail both set-ups share.
Lines SharedTail()
{
    Lines tail;
    for (int sampler = 0; sampler < 4; ++sampler)
    {
        const std::string s = std::to_string(sampler);
        tail.push_back("SetSamplerState(" + s + ", 5, 2)");  // magnification linear
        tail.push_back("SetSamplerState(" + s + ", 6, 2)");  // minification linear
        tail.push_back("SetSamplerState(" + s + ", 7, 2)");  // mip filter linear
        tail.push_back("SetSamplerState(" + s + ", 10, 1)"); // anisotropy 1
    }
    tail.push_back("SetMaterial(d(1 1 1 1) a(1 1 1 1) s(1 1 1 1) e(0 0 0 0) p50)");
    tail.push_back("SetTransform(256, [1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1])");
    tail.push_back("SetTransform(3, [0.740149 0 0 0 0 0.740149 0 0 0 0 1 1 0 0 0 1])");
    return tail;
}

TEST_F(DeviceTest, InitD3DeviceSetsTheFixedStatesInOrder)
{
    struct Case
    {
        const char* name;
        std::unique_ptr<CSaverCore> app;
        Lines calls;
        Lines log;
    };
    Case cases[2];
    cases[0].name = "COstrel";
    cases[0].app = std::make_unique<COstrel>();
    cases[0].calls = {
        "SetRenderState(19, 5)",         "SetRenderState(20, 2)",         "SetRenderState(24, 2)",
        "SetRenderState(25, 7)",         "SetRenderState(26, 1)",         "SetRenderState(7, 1)",
        "SetRenderState(137, 0)",        "SetTextureStageState(0, 2, 2)", "SetTextureStageState(0, 3, 3)",
        "SetTextureStageState(0, 1, 4)", "SetTextureStageState(1, 1, 1)", "SetTextureStageState(0, 5, 2)",
        "SetTextureStageState(0, 6, 3)", "SetTextureStageState(0, 4, 4)", "SetTextureStageState(1, 4, 1)",
        "SetRenderState(15, 1)",         "SetRenderState(27, 1)",         "SetRenderState(19, 5)",
        "SetRenderState(20, 6)",
    };
    cases[0].log = {"COstrel::EE_Core_InitD3Device()"};
    cases[1].name = "CSaverCore";
    cases[1].app = std::make_unique<CSaverCore>();
    cases[1].calls = {
        "SetRenderState(19, 5)",         "SetRenderState(20, 2)",         "SetRenderState(24, 2)",
        "SetRenderState(25, 7)",         "SetTextureStageState(0, 2, 2)", "SetTextureStageState(0, 3, 0)",
        "SetTextureStageState(0, 1, 4)", "SetRenderState(26, 1)",         "SetRenderState(7, 1)",
        "SetRenderState(137, 0)",
    };
    cases[1].log = {"EE_Core_InitD3Device", "EE_Core_InitD3Device - ok"};

    for (Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log;
        fake3d::FakeDirect3DDevice9 device;
        g_pd3dDevice = &device;
        ClearTextureStageCache();

        EXPECT_EQ(c.app->EE_Core_InitD3Device(&device), S_OK);

        Lines expected = c.calls;
        for (const std::string& call : SharedTail())
            expected.push_back(call);
        EXPECT_EQ(device.CallTexts(), expected);
        EXPECT_EQ(log.Lines(), c.log);

        // 1 / tan(13.5 rad), beyond the precision of the call text
        const D3DMATRIX* projection = device.state.Transform(D3DTS_PROJECTION);
        ASSERT_NE(projection, nullptr);
        EXPECT_NEAR(projection->_11, 0.7401495f, 1e-6f);
        EXPECT_NEAR(projection->_22, 0.7401495f, 1e-6f);
        EXPECT_FLOAT_EQ(STARTUP_PROJECTION_SCALE, static_cast<float>(1.0 / std::tan(13.5)));
        g_pd3dDevice = nullptr;
    }
}

TEST_F(DeviceTest, TextureStageCacheSkipsRepeatsAndLogsFailures)
{
    ScopedLogCapture log;
    fake3d::FakeDirect3DDevice9 device;
    g_pd3dDevice = &device;

    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_MODULATE);   // another stage
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTOP_MODULATE); // another type
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1); // another value
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    EXPECT_EQ(device.CallTexts(), (Lines{"SetTextureStageState(0, 1, 4)", "SetTextureStageState(1, 1, 4)",
                                         "SetTextureStageState(0, 2, 4)", "SetTextureStageState(0, 1, 2)"}));
    EXPECT_TRUE(log.Lines().empty());

    // a refused call is logged with its arguments, and the cache still
    // believes the value is set
    device.ClearCalls();
    device.SetResult("SetTextureStageState", D3DERR_INVALIDCALL);
    SetTextureStageStateCached(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    SetTextureStageStateCached(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    EXPECT_EQ(device.CountCalls("SetTextureStageState"), 1);
    EXPECT_EQ(log.Lines(), (Lines{"-2005530516 src\\ClassRender\\RenderTypes.cpp 166", "stage 2, type 4, value 1"}));

    // the marker of Init makes the next set reach the device again
    device.ClearResults();
    device.ClearCalls();
    ClearTextureStageCache();
    SetTextureStageStateCached(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    EXPECT_EQ(device.CountCalls("SetTextureStageState"), 1);

    // outside the 16 x 256 table: no caching, and nothing written past it
    device.ClearCalls();
    SetTextureStageStateCached(16, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageStateCached(16, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageStateCached(0, static_cast<D3DTEXTURESTAGESTATETYPE>(300), 1);
    EXPECT_EQ(device.CountCalls("SetTextureStageState"), 3);
}

} // namespace
