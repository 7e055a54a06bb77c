// The world on the recording device: what RenderInit logs when the scene
// files are missing, the bump capability decision, and the cross-fade of a
// blended frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "settings/SceneOptions.h"
#include "src/ClassBase/win/World.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"
#include "tests/win/WorldTestScope.h"

namespace {

uint32_t g_nowMs = 100000;
uint32_t TestClock()
{
    return g_nowMs;
}

class WorldTest : public testing::Test
{
protected:
    fake3d::FakeDirect3DDevice9 device;
    testsupport::ScopedWorldDevice scope{&device, TestClock};
    testsupport::ScopedLogCapture log;
};

// Gives a path n points along z at height 30, looking ahead.
void FillPath(CCameraPath& path, int n, float x)
{
    path.Release();
    path.m_pEye = new gfx::Vec3[n];
    path.m_pTarget = new gfx::Vec3[n];
    path.m_nCount = n;
    for (int i = 0; i < n; ++i)
    {
        path.m_pEye[i] = {x, 30.0f, static_cast<float>(i)};
        path.m_pTarget[i] = {x, 30.0f, static_cast<float>(i) + 50.0f};
    }
}

} // namespace

TEST_F(WorldTest, RenderInitWithoutSceneFilesLogsEveryStepInOrderAndKeepsGoing)
{
    for (bool bump : {true, false})
    {
        device.caps.TextureOpCaps = bump ? D3DTEXOPCAPS_BUMPENVMAP : 0;
        device.caps.MaxTextureBlendStages = 3;
        std::remove(log.Path().c_str());
        {
            CWorld world;
            const SaverSettings noSound = {};
            EXPECT_EQ(world.RenderInit(noSound), 0);
            EXPECT_TRUE(world.m_bCameraBlend);
            EXPECT_TRUE(world.m_bReflection);
            EXPECT_EQ(g_bBumpWater, bump);
            EXPECT_GE(world.m_Switch.m_nCamera, 0);
            EXPECT_LT(world.m_Switch.m_nCamera, CAMERA_PATHS);

            // The world's own lines: milestones and "code file line" records.
            const std::regex step("^(\\d+) .*World\\.cpp (\\d+)$");
            std::vector<std::string> seen;
            for (const std::string& line : log.Lines())
            {
                std::smatch m;
                if (std::regex_match(line, m, step))
                    seen.push_back(m[1].str());
                else if (line.find(" - ok") != std::string::npos || line.rfind("bump ", 0) == 0 || line == "64 x 48")
                    seen.push_back(line);
            }
            std::vector<std::string> expected = {
                "64 x 48", "RenderInit() - ok", "601", "602", "603", "604", "605", "606", "608", "609", "610", "616",
                "622"};
            for (int k = 625; k <= 631; ++k)
                expected.push_back(std::to_string(k));
            expected.push_back("objects load - ok");
            expected.push_back("duck traectory load - ok");
            for (int i = 0; i < CAMERA_PATHS; ++i)
                expected.push_back("1");
            expected.push_back("camera load - ok");
            expected.push_back(bump ? "bump enable" : "bump disable");
            expected.push_back("sound load - ok");
            EXPECT_EQ(seen, expected);

            world.ReleaseWorld();
            world.ReleaseWorld(); // twice is harmless
        }
        EXPECT_EQ(device.OutstandingReferences(), 0u);
    }
}

TEST_F(WorldTest, FailedTargetsSwitchBlendAndReflectionOff)
{
    // Every screen-sized target fails: no cross-fade, no water.
    device.SetResultWhen(
        "CreateTexture", [](const fake3d::FakeCall& c) { return c.args.size() > 0 && c.args[0] == 64; },
        D3DERR_OUTOFVIDEOMEMORY);
    CWorld world;
    world.CreateRenderTargets();
    EXPECT_FALSE(world.m_bCameraBlend);
    EXPECT_FALSE(world.m_bReflection);
    EXPECT_EQ(world.m_pReflectionLTexture, nullptr);
    EXPECT_EQ(world.m_pReflectionRTexture, nullptr);
    const std::string text = log.Text();
    for (const char* line : {"error create render target 0", "error create render target 1", "camera blend disable",
                             "error create render water mask", "reflection disable"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("error create render reflection L"), std::string::npos);
    world.ReleaseWorld();
    EXPECT_EQ(device.OutstandingReferences(), 0u);
}

TEST_F(WorldTest, BlendedFrameLaysTheNextViewOverWithItsWeightAsAlpha)
{
    CWorld world;
    world.CreateRenderTargets();
    ASSERT_TRUE(world.m_bCameraBlend);
    FillPath(world.m_Cameras[0], 1000, 0.0f);
    FillPath(world.m_Cameras[1], 1000, 100.0f);
    // Current path at frame 470, next one started 30 frames ago.
    world.m_Cameras[0].m_bActive = true;
    world.m_Cameras[0].m_dwStartTime = g_nowMs - 470 * 33;
    world.m_Cameras[0].m_nFrame = 470;
    world.m_Cameras[1].m_bActive = true;
    world.m_Cameras[1].m_dwStartTime = g_nowMs - 30 * 33;
    world.m_Switch.m_nCamera = 0;
    world.m_Switch.m_nNextCamera = 1;
    world.m_Switch.m_bBlending = true;

    device.draws.clear();
    world.RenderFrame();
    EXPECT_FLOAT_EQ(world.m_Switch.m_fBlend, 0.5f);
    EXPECT_EQ(device.presents, 1);
    ASSERT_GE(device.draws.size(), 2u);

    const fake3d::FakeDrawCall& first = device.draws[device.draws.size() - 2];
    const fake3d::FakeDrawCall& second = device.draws.back();
    EXPECT_EQ(first.state.Texture(0), world.m_pViewTexture[0]);
    EXPECT_EQ(first.state.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(second.state.Texture(0), world.m_pViewTexture[1]);
    EXPECT_EQ(second.state.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(second.state.RenderState(D3DRS_TEXTUREFACTOR), 0x7FFFFFFFu);
    EXPECT_EQ(second.state.TextureStageState(0, D3DTSS_ALPHAARG1), DWORD(D3DTA_TFACTOR));
    for (const fake3d::FakeDrawCall* d : {&first, &second})
    {
        EXPECT_EQ(d->state.RenderState(D3DRS_ZENABLE), DWORD(D3DZB_FALSE));
        EXPECT_EQ(d->state.renderTargets.at(0), world.m_pBackBuffer);
        EXPECT_EQ(d->primitiveCount, 2u);
        EXPECT_EQ(d->state.fvf, DWORD(RA_FVF_XYZ_TEX2));
    }
    world.ReleaseWorld();
    EXPECT_EQ(device.OutstandingReferences(), 0u);
}

TEST_F(WorldTest, ReflectionOptionDecidesTheTargetsOfAView)
{
    CWorld world;
    world.CreateRenderTargets();
    ASSERT_TRUE(world.m_bReflection);
    FillPath(world.m_Cameras[0], 10, 0.0f);
    WorldFrameView view;
    WorldFillView(view, world.m_Cameras[0], 0);
    const uint8_t saved = WaterReflection;
    struct Case
    {
        uint8_t option;
        std::vector<IDirect3DSurface9*> targets;
    } cases[] = {
        {0, {world.m_pBackBuffer}},
        // Both mirrored scenes, the view itself, then per water body its mask and the view again.
        {1,
         {world.m_pReflectionLSurface, world.m_pReflectionRSurface, world.m_pBackBuffer, world.m_pWaterMaskSurface,
          world.m_pBackBuffer, world.m_pWaterMaskSurface, world.m_pBackBuffer}},
    };
    for (const Case& c : cases)
    {
        WaterReflection = c.option;
        device.ClearCalls();
        device.BeginScene();
        world.RenderView(view, world.m_pBackBuffer);
        device.EndScene();
        std::vector<IDirect3DSurface9*> targets;
        for (const fake3d::FakeCall& call : device.Calls())
            if (call.method == "SetRenderTarget")
                targets.push_back(reinterpret_cast<IDirect3DSurface9*>(static_cast<uintptr_t>(call.args[1])));
        EXPECT_EQ(targets, c.targets) << int(c.option);
    }
    WaterReflection = saved;
    world.ReleaseWorld();
}
