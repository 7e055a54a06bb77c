// The world on the recording device: what RenderInit logs when the scene
// files are missing, the bump capability decision, and the cross-fade of a
// blended frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "settings/SceneOptions.h"
#include "src/ClassBase/win/Ostrel.h"
#include "src/ClassBase/win/World.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/Overlay.h"
#include "tests/common/ScopedParticleOptions.h"
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
            std::vector<std::string> expected = {"64 x 48", "RenderInit() - ok"};
            for (int k : {601, 602, 603, 604, 605, 606, 608, 609, 610, 611, 612, 616, 619, 620, 622})
                expected.push_back(std::to_string(k));
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

using testsupport::ScopedParticleOptions;

TEST_F(WorldTest, RainAndLeafCountsLiveInTheirObjects)
{
    struct Case
    {
        uint8_t enable;
        int32_t strength;
        uint32_t count;
    } cases[] = {{1, 50, 500}, {1, 0, 0}, {0, 80, 0}, {1, 150, 1000}, {1, -5, 1000}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << int(c.enable) << " " << c.strength);
        const ScopedParticleOptions options(c.enable, c.strength);
        std::remove(log.Path().c_str());
        CWorld world;
        ASSERT_EQ(world.RenderInit(SaverSettings{}), 0); // no sound
        EXPECT_EQ(world.m_Rain.Count(), c.count);
        EXPECT_EQ(world.m_LeafFall.Count(), c.count);
        // Buffers only for drops: a count of 0 makes none and logs nothing.
        EXPECT_EQ(world.m_Rain.m_VertexBuffer.m_pRenderBuffer != nullptr, c.count != 0);
        if (c.count != 0)
            EXPECT_EQ(world.m_Rain.m_VertexBuffer.m_nCount, 3 * c.count);
        EXPECT_EQ(log.Text().find("m_nCount==0"), std::string::npos);
        EXPECT_EQ(log.Text().find("617 "), std::string::npos);
        // The water's rings follow the rain's own count.
        world.RenderFrame();
        EXPECT_EQ(world.m_Frame.nRings, static_cast<int>(c.count / 3));
        world.ReleaseWorld();
        EXPECT_EQ(device.OutstandingReferences(), 0u);
    }
}

TEST_F(WorldTest, AFrameAdvancesRainLeavesAndSpraysInThatOrder)
{
    const ScopedParticleOptions options(1, 30);
    CWorld world;
    ASSERT_EQ(world.RenderInit(SaverSettings{}), 0); // no sound
    for (CCameraPath& path : world.m_Cameras)
        FillPath(path, 1000, 0.0f);
    world.m_Switch.m_nCamera = 0;
    world.m_Cameras[0].Start();
    ASSERT_NE(world.m_Rain.Count(), 0u);
    ASSERT_NE(world.m_LeafFall.Count(), 0u);

    // The same objects advanced by hand, in the order of their draws.
    auto rain = std::make_unique<RainDrops>(world.m_Rain.m_Drops);
    auto leaves = std::make_unique<FallingLeaves>(world.m_LeafFall.m_Leaves);
    auto sprayA = std::make_unique<SprayParticles>(world.m_Sprays[0].m_Particles);
    auto sprayB = std::make_unique<SprayParticles>(world.m_Sprays[1].m_Particles);
    const uint32_t state = CrtRandState();
    rain->Advance(0.1f, nullptr); // the first frame runs with 0.1 s
    leaves->Advance(0.1f);
    sprayA->Advance(0.1f, 50.0f, nullptr);
    sprayB->Advance(0.1f, 70.0f, nullptr);
    CrtRandSetState(state);

    world.RenderFrame();
    EXPECT_EQ(std::memcmp(rain.get(), &world.m_Rain.m_Drops, sizeof(RainDrops)), 0);
    EXPECT_EQ(std::memcmp(leaves.get(), &world.m_LeafFall.m_Leaves, sizeof(FallingLeaves)), 0);
    EXPECT_EQ(std::memcmp(sprayA.get(), &world.m_Sprays[0].m_Particles, sizeof(SprayParticles)), 0);
    EXPECT_EQ(std::memcmp(sprayB.get(), &world.m_Sprays[1].m_Particles, sizeof(SprayParticles)), 0);
    world.ReleaseWorld();
}

// The restore after a lost device on the scene application: the world holds
// default-pool objects (targets, the back buffer, the rain's buffer), all of
// them go before the Reset (the fake's Reset fails otherwise), and the scene
// comes back with the same ones.
TEST_F(WorldTest, ARestoredDeviceFindsTheWorldReleasedAndGetsItBack)
{
    const ScopedParticleOptions options(1, 50);
    CSaverCore* saved = g_pSaverApp;
    {
        COstrel app;
        app.m_Settings = SaverSettings{}; // no sound
        app.m_pDevice = &device;
        device.AddRef();
        LoadOverlayTextures(&app, &device); // the overlay's quad is in the default pool too
        app.InitScene(&device);
        const ULONG held = device.DefaultPoolReferences();
        EXPECT_GT(held, 0u);
        ASSERT_NE(app.m_World.m_pBackBuffer, nullptr);

        EXPECT_TRUE(RestoreDevice(&app));
        EXPECT_EQ(device.CountCalls("Reset"), 1);
        EXPECT_EQ(log.Text().find("device reset failed"), std::string::npos) << log.Text();
        EXPECT_EQ(device.DefaultPoolReferences(), held);
        EXPECT_EQ(app.m_World.m_Rain.m_VertexBuffer.m_nCount, 3u * 500u);
        EXPECT_EQ(app.m_World.RenderFrame(), 0);

        app.ReleaseScene();
        ReleaseOverlayTextures(&app);
        EXPECT_EQ(device.OutstandingReferences(), 0u);
        app.m_pDevice = nullptr;
        device.Release();
    }
    g_pSaverApp = saved;
}
