// The world's passes on the recording device, with a small mesh under every
// model name and a small plant for every tree kind, the reeds and the grass:
// which models each scene pass draws, in which order, with which cull mode,
// view and world matrix; what each camera's view updates; and the two water
// composites with their stage set-ups, bump and plain.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "data/RarWriter.h"
#include "settings/SceneOptions.h"
#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/LinkAnimFile.h"
#include "src/ClassBase/SingleObjectFile.h"
#include "src/ClassBase/DuckBehaviour.h"
#include "src/ClassBase/FallingLeaves.h"
#include "src/ClassBase/ModelFade.h"
#include "src/ClassBase/RainSplashes.h"
#include "src/ClassBase/SkinFile.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassBase/win/World.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/SaverCore.h"
#include "tests/common/GfxTestImages.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"
#include "tests/win/WorldTestScope.h"

namespace {

uint32_t g_nowMs = 200000;
uint32_t TestClock()
{
    return g_nowMs;
}

// The archive name of each model slot, as the world loads it.
struct ModelFile
{
    WorldModel slot;
    const char* name;
};
const ModelFile kModelFiles[] = {
    {wmSky, "sky"},
    {wmScene, "scene"},
    {wmSceneReflPond, "scene_refl_lusa"},
    {wmRiverBedDown, "ruslo_dn"},
    {wmRiverBedUp, "ruslo_up"},
    {wmPond, "lusha"},
    {wmRiver, "reka"},
    {wmShadow, "shadow"},
    {wmTreeShadow, "tree_shadow"},
    {wmSplash, "brizg"},
};
static_assert(sizeof(kModelFiles) / sizeof(kModelFiles[0]) == WORLD_MODELS, "a file for every model slot");

// One textured triangle: enough for one draw per model.
std::vector<uint8_t> OneTriangle()
{
    SingleObjectData d;
    d.vertices = {{0, 15, 0, 0, 0}, {10, 15, 0, 1, 0}, {10, 15, 10, 1, 1}};
    d.indices = {0, 1, 2};
    d.materials.resize(1);
    d.materials[0].triangleCount = 1;
    d.materials[0].texture = "tex.tga";
    return WriteSingleObjectFile(d);
}

bool SameMatrix(const D3DMATRIX* a, const gfx::Mat4& b)
{
    return a != nullptr && std::memcmp(a, &b, sizeof(D3DMATRIX)) == 0;
}

// A one-triangle skin on one bone, a still one-bone animation and a leaf card.
std::vector<uint8_t> PlantSkin()
{
    SkinData d;
    d.boneCount = 1;
    d.bones = {0, 0, 0};
    d.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    d.texcoords = {0, 0, 1, 0, 0, 1};
    d.indices = {0, 1, 2};
    return WriteSkinFile(d);
}
std::vector<uint8_t> PlantAnim()
{
    AnimData d;
    d.boneCount = 1;
    d.frameCount = 2;
    d.matrices = {gfx::MatrixIdentity(), gfx::MatrixIdentity()};
    return WriteAnimFile(d);
}
std::vector<uint8_t> PlantCards()
{
    LinkAnimData d;
    d.cards = {gfx::MatrixIdentity()};
    d.bones = {0};
    return WriteLinkAnimFile(d);
}

// Where copy j of plant kind k stands (the reeds are kind 3).
gfx::Mat4 PlantPlace(int kind, int copy)
{
    gfx::Mat4 m = gfx::MatrixIdentity();
    m.m[3][0] = 1000.0f + 100.0f * kind + copy;
    m.m[3][2] = 2000.0f + 100.0f * kind + copy;
    return m;
}
constexpr int kCopies[WORLD_TREE_KINDS + 1] = {2, 1, 1, 2};

std::vector<uint8_t> Placements(int kind)
{
    InstanceListData d;
    for (int j = 0; j < kCopies[kind]; ++j)
        d.placements.push_back(PlantPlace(kind, j));
    return WriteInstanceListFile(d);
}

class WorldPassesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::vector<uint8_t> rgba(4 * 4 * 4, 0xC0);
        rar::CRarWriter writer;
        ASSERT_TRUE(
            writer.AddFile("tex.tga", gfxtest::MakeTga(4, 4, rgba, {32, false, false}), rar::PackMethod::Store));
        const std::vector<uint8_t> mesh = OneTriangle();
        for (const ModelFile& model : kModelFiles)
            ASSERT_TRUE(writer.AddFile(std::string(model.name) + ".singleobject", mesh));
        for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
            ASSERT_TRUE(writer.AddFile("water_list_" + std::to_string(k) + ".singleobject", mesh));
        for (int k = 1; k <= LEAF_MODELS; ++k)
            ASSERT_TRUE(writer.AddFile("leaf0" + std::to_string(k) + ".singleobject", mesh));
        ASSERT_TRUE(
            writer.AddFile("brizg.tga", gfxtest::MakeTga(4, 4, rgba, {32, false, false}), rar::PackMethod::Store));
        ASSERT_TRUE(writer.AddFile("duck.skin", PlantSkin()));
        for (const char* anim : {"duck_plavat.anim", "duck_nirok.anim", "duck_pleskanie.anim"})
            ASSERT_TRUE(writer.AddFile(anim, PlantAnim()));
        ASSERT_TRUE(writer.AddFile("plant.skin", PlantSkin()));
        ASSERT_TRUE(writer.AddFile("plant.anim", PlantAnim()));
        ASSERT_TRUE(writer.AddFile("plant.linkanim", PlantCards()));
        for (int kind = 0; kind <= WORLD_TREE_KINDS; ++kind)
            ASSERT_TRUE(writer.AddFile("plants" + std::to_string(kind) + ".transobj", Placements(kind)));
        ASSERT_TRUE(writer.AddFile("grass.transobj", Placements(0)));
        m_archiveBytes = writer.Bytes();
        const ArchiveView archive = {m_archiveBytes.data(), static_cast<uint32_t>(m_archiveBytes.size()), 0};

        world.CreateRenderTargets();
        ASSERT_TRUE(world.m_bReflection);
        for (const ModelFile& model : kModelFiles)
        {
            const std::string file = std::string(model.name) + ".singleobject";
            ASSERT_EQ(world.m_Models[model.slot].LoadFrom(archive, file.c_str()), 0);
            m_names[world.m_Models[model.slot].m_VertexBuffer.m_pRenderBuffer] = model.name;
        }
        for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
        {
            const std::string file = "water_list_" + std::to_string(k);
            ASSERT_EQ(world.m_FloatingLeaves[k].LoadFrom(archive, (file + ".singleobject").c_str()), 0);
            m_names[world.m_FloatingLeaves[k].m_VertexBuffer.m_pRenderBuffer] = file;
        }
        for (int kind = 0; kind <= WORLD_TREE_KINDS; ++kind)
        {
            const bool reeds = kind == WORLD_TREE_KINDS;
            const std::string list = "plants" + std::to_string(kind) + ".transobj";
            const PlantFiles files = {
                "plant.skin", reeds ? nullptr : "plant.linkanim", "tex.tga", "tex.tga", "plant.anim", "plant.anim"};
            CPlantStand& stand = reeds ? world.m_Reeds : world.m_Trees[kind];
            ASSERT_EQ(stand.LoadFrom(archive, list.c_str(), files), 0);
            const std::string name = reeds ? "reeds" : "tree" + std::to_string(kind);
            m_names[stand.m_Plant.m_Skin.m_Buffers.m_VertexBuffer.m_pRenderBuffer] = name;
            m_names[stand.m_Plant.m_Leaves.m_Buffers.m_VertexBuffer.m_pRenderBuffer] = name + " leaves";
            stand.Update(); // the first pose
        }
        ASSERT_EQ(world.m_Grass[wgUpper].LoadFrom(archive, "grass.transobj", "tex.tga"), 0);
        ASSERT_EQ(world.m_Grass[wgLower].LoadFrom(archive, "grass.transobj", "tex.tga"), 0);
        m_names[world.m_Grass[wgUpper].m_Buffers.m_VertexBuffer.m_pRenderBuffer] = "grass_up";
        m_names[world.m_Grass[wgLower].m_Buffers.m_VertexBuffer.m_pRenderBuffer] = "grass_down";
        ASSERT_EQ(world.m_Ripples.Build(g_vCameraEye), 0);
        m_names[world.m_Ripples.m_VertexBuffer.m_pRenderBuffer] = "ring";
        m_names[world.m_QuadVertices.m_pRenderBuffer] = "screen";

        // A path looking along +z from above the river.
        CCameraPath& path = world.m_Cameras[0];
        path.m_pEye = new gfx::Vec3[10];
        path.m_pTarget = new gfx::Vec3[10];
        path.m_nCount = 10;
        for (int i = 0; i < 10; ++i)
        {
            path.m_pEye[i] = {60.0f, 25.0f, static_cast<float>(i)};
            path.m_pTarget[i] = {60.0f, 20.0f, 100.0f + i};
        }
        path.Start();
        path.UpdateCamera();
        WorldFillView(view, path, 0);
        world.m_Grass[wgUpper].Update(view.mInverseView);
        world.m_Grass[wgLower].Update(view.mInverseView);
    }
    void TearDown() override
    {
        world.ReleaseWorld();
        g_bBumpWater = false;
        g_IdleThrottle = IdleThrottle();
    }

    std::string NameOf(const fake3d::FakeDrawCall& draw) const
    {
        const auto stream = draw.state.streams.find(0);
        if (stream == draw.state.streams.end())
            return "?";
        const auto it = m_names.find(stream->second.buffer);
        return it == m_names.end() ? "?" : it->second;
    }

    // The draws of one call, between a BeginScene and an EndScene.
    template <class F> std::vector<fake3d::FakeDrawCall> DrawsOf(F call)
    {
        // the states set so far stay: the passes rely on the fixed ones
        device.ClearCalls();
        device.draws.clear();
        device.BeginScene();
        call();
        device.EndScene();
        return device.draws;
    }

    // Rain, leaves and sprays built over the test archive and advanced once,
    // each buffer and leaf model named for the draws.
    void BuildEffects(uint32_t drops, uint32_t leaves)
    {
        const ArchiveView archive = {m_archiveBytes.data(), static_cast<uint32_t>(m_archiveBytes.size()), 0};
        ASSERT_EQ(world.m_Rain.Build(drops), 0);
        ASSERT_EQ(world.m_LeafFall.Build(archive, leaves), 0);
        for (CWaterfallSpray& spray : world.m_Sprays)
            ASSERT_EQ(spray.Build(archive), 0);
        for (int k = 0; k < LEAF_MODELS; ++k)
            m_names[world.m_LeafFall.m_Models[k].m_VertexBuffer.m_pRenderBuffer] = "leaf" + std::to_string(k);
        m_names[world.m_Sprays[0].m_Mesh.m_VertexBuffer.m_pRenderBuffer] = "spray A";
        m_names[world.m_Sprays[1].m_Mesh.m_VertexBuffer.m_pRenderBuffer] = "spray B";
        m_names[world.m_Rain.m_VertexBuffer.m_pRenderBuffer] = "rain";
        // Three ducks on a four-frame trajectory, posed once.
        TrajectoryData track;
        track.frames = 4;
        for (int d = 0; d < WORLD_DUCKS; ++d)
            for (uint32_t f = 0; f < track.frames; ++f)
            {
                gfx::Mat4 m = gfx::MatrixRotationY(0.1f * f);
                m.m[3][0] = 100.0f * d + f;
                m.m[3][1] = 15.0f;
                track.matrices.push_back(m);
            }
        const std::vector<uint8_t> trackFile = WriteTrajectoryFile(track);
        ASSERT_EQ(world.m_DuckTrajectory.LoadBytes(trackFile.data(), trackFile.size()), 0);
        for (CDuck& duck : world.m_Ducks)
        {
            ASSERT_EQ(duck.Load(archive), 0);
            duck.Advance();
            m_names[duck.m_Skin.m_Buffers.m_VertexBuffer.m_pRenderBuffer] = "duck";
        }
        world.m_Frame.dwNow = g_nowMs;
        world.m_Rain.Advance(0.02f);
        world.m_Sprays[0].Advance(0.02f, SCENE_FALL_A_DEPTH);
        world.m_Sprays[1].Advance(0.02f, SCENE_FALL_B_DEPTH);
        world.m_Frame.fFrameTime = 0.02f;
    }

    fake3d::FakeDirect3D9 d3d;
    fake3d::FakeDirect3DDevice9& device = d3d.device;
    testsupport::ScopedWorldDevice scope{&device, TestClock};
    testsupport::ScopedLogCapture log;
    CWorld world;
    WorldFrameView view; // path 0's camera

private:
    std::vector<unsigned char> m_archiveBytes;
    std::map<const void*, std::string> m_names;
};

TEST_F(WorldPassesTest, EachScenePassDrawsItsModelsInOrder)
{
    CCameraPath& path = world.m_Cameras[0];
    struct Step
    {
        std::string model;
        DWORD cull;
        float x = 0.0f, z = 0.0f; // the world matrix's translation
    };
    // Each tree kind's copies, then the reeds': bark, then leaves (no leaves
    // for the reeds), each copy at its place.
    auto plants = [](DWORD cull) {
        std::vector<Step> steps;
        for (int kind = 0; kind <= WORLD_TREE_KINDS; ++kind)
            for (int j = 0; j < kCopies[kind]; ++j)
            {
                const gfx::Mat4 at = PlantPlace(kind, j);
                const bool reeds = kind == WORLD_TREE_KINDS;
                const std::string name = reeds ? "reeds" : "tree" + std::to_string(kind);
                steps.push_back({name, cull, at.m[3][0], at.m[3][2]});
                if (!reeds)
                    steps.push_back({name + " leaves", cull, at.m[3][0], at.m[3][2]});
            }
        return steps;
    };
    auto join = [](std::vector<Step> a, const std::vector<Step>& b, const std::vector<Step>& c) {
        a.insert(a.end(), b.begin(), b.end());
        a.insert(a.end(), c.begin(), c.end());
        return a;
    };
    struct Case
    {
        ScenePass pass;
        std::vector<Step> steps;
    } cases[] = {
        {spPondReflection, {{"sky", D3DCULL_CCW}, {"scene_refl_lusa", D3DCULL_CCW}, {"grass_up", D3DCULL_CCW}}},
        {spRiverReflection, join({{"sky", D3DCULL_CCW}, {"scene", D3DCULL_CCW}}, plants(D3DCULL_CCW),
                                 {{"ruslo_up", D3DCULL_CCW}, {"grass_down", D3DCULL_CCW}})},
        {spMain, join({{"sky", D3DCULL_CCW}, {"scene", D3DCULL_NONE}}, plants(D3DCULL_NONE),
                      {{"ruslo_up", D3DCULL_CCW},
                       {"ruslo_dn", D3DCULL_CCW},
                       {"reka", D3DCULL_CCW},
                       {"water_list_0", D3DCULL_CCW},
                       {"water_list_1", D3DCULL_CCW},
                       {"water_list_2", D3DCULL_CCW},
                       {"water_list_3", D3DCULL_CCW},
                       {"water_list_4", D3DCULL_CCW},
                       {"water_list_5", D3DCULL_CCW},
                       {"water_list_6", D3DCULL_CCW},
                       {"shadow", D3DCULL_CCW},
                       {"tree_shadow", D3DCULL_CCW},
                       {"grass_down", D3DCULL_CCW},
                       {"grass_up", D3DCULL_CCW}})},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "pass " << c.pass);
        device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device.SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        ClearTextureStageCache();
        const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] { world.DrawScene(view, c.pass); });
        ASSERT_EQ(draws.size(), c.steps.size());
        for (size_t i = 0; i < draws.size(); ++i)
        {
            const fake3d::FakeDrawCall& d = draws[i];
            const std::string name = NameOf(d);
            SCOPED_TRACE(name);
            EXPECT_EQ(name, c.steps[i].model);
            EXPECT_EQ(d.state.RenderState(D3DRS_CULLMODE), c.steps[i].cull);
            EXPECT_TRUE(SameMatrix(d.state.Transform(D3DTS_PROJECTION), path.m_mProjection));
            const bool sky = name == "sky";
            EXPECT_TRUE(SameMatrix(d.state.Transform(D3DTS_VIEW), sky ? path.SkyView(c.pass) : path.View(c.pass)));
            EXPECT_EQ(d.state.RenderState(D3DRS_ZENABLE), sky ? DWORD(D3DZB_FALSE) : DWORD(D3DZB_TRUE));
            const bool shadow = name == "shadow" || name == "tree_shadow";
            // Shadows multiply the ground, unfogged, leaving the depth alone.
            EXPECT_EQ(d.state.RenderState(D3DRS_FOGENABLE), shadow ? 0u : 1u);
            EXPECT_EQ(d.state.RenderState(D3DRS_ZWRITEENABLE), shadow ? 0u : 1u);
            if (shadow)
                EXPECT_EQ(d.state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_DESTCOLOR));
            // Only the river's texture flows.
            const bool river = name == "reka";
            EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS),
                      river ? DWORD(D3DTTFF_COUNT3) : DWORD(D3DTTFF_DISABLE));
            if (river)
                EXPECT_EQ(d.state.Transform(D3DTS_TEXTURE0)->_32, view.fRiverFlow);
            const D3DMATRIX* placed = d.state.Transform(D3DTS_WORLD);
            ASSERT_NE(placed, nullptr);
            if (name.rfind("water_list_", 0) == 0)
            {
                // Each leaf drifts as the frame record says.
                const int k = name.back() - '0';
                EXPECT_EQ(placed->_41, view.fLeafX[k]);
                EXPECT_EQ(placed->_43, view.fLeafZ[k]);
            }
            else
            {
                EXPECT_EQ(placed->_41, c.steps[i].x);
                EXPECT_EQ(placed->_43, c.steps[i].z);
            }
        }
    }
}

TEST_F(WorldPassesTest, EachViewTurnsTheGrassToItsOwnCameraAndUpdatesTheTrees)
{
    auto locks = [](const CDynamicMesh& mesh) {
        return static_cast<fake3d::FakeVertexBuffer*>(mesh.m_VertexBuffer.m_pRenderBuffer)->lockCount;
    };
    auto facing = [&](const gfx::Mat4& camera) {
        // what the field's own cards give for that camera
        const CGrassField& grass = world.m_Grass[wgLower];
        std::vector<TexturedVertex> expected(4 * grass.m_Cards.m_nCount);
        grass.m_Cards.Write(camera, expected.data());
        const auto* buffer = static_cast<fake3d::FakeVertexBuffer*>(grass.m_Buffers.m_VertexBuffer.m_pRenderBuffer);
        return std::memcmp(buffer->bytes.data(), expected.data(), expected.size() * sizeof(TexturedVertex)) == 0;
    };
    g_IdleThrottle.b = 1; // a frame that rewrites the plants

    // One frame, one view: the reeds once, the trees and the grass per view.
    const int reeds = locks(world.m_Reeds.m_Plant.m_Skin.m_Buffers);
    const int trees = locks(world.m_Trees[2].m_Plant.m_Leaves.m_Buffers);
    const int grass = locks(world.m_Grass[wgUpper].m_Buffers);
    g_nowMs += 3 * CAMERA_FRAME_MS;
    world.RenderFrame();
    EXPECT_EQ(locks(world.m_Reeds.m_Plant.m_Skin.m_Buffers), reeds + 1);
    EXPECT_EQ(locks(world.m_Trees[2].m_Plant.m_Leaves.m_Buffers), trees + 1);
    EXPECT_EQ(locks(world.m_Grass[wgUpper].m_Buffers), grass + 1);
    EXPECT_TRUE(facing(world.m_Frame.views[0].mInverseView));

    // The two views of a cross-fade: each draws the grass turned to itself.
    WorldFrameView turned = view;
    turned.mInverseView = gfx::MatrixRotationY(2.0f);
    device.BeginScene();
    world.UpdateAndRenderView(view, world.m_pViewSurface[0]);
    EXPECT_TRUE(facing(view.mInverseView));
    world.UpdateAndRenderView(turned, world.m_pViewSurface[1]);
    EXPECT_TRUE(facing(turned.mInverseView));
    device.EndScene();
    EXPECT_EQ(locks(world.m_Trees[2].m_Plant.m_Leaves.m_Buffers), trees + 3);
    EXPECT_EQ(locks(world.m_Reeds.m_Plant.m_Skin.m_Buffers), reeds + 1);
}

// A slow frame draws its passes one at a time, the main pass in three parts
// and each water composite apart, each waited for: six waits in all. A key
// that comes meanwhile stops the frame before its next part, unshown, so the
// loop takes the key after one part instead of the whole frame. A fast frame
// leaves the device the whole frame.
TEST_F(WorldPassesTest, ASlowFrameDrawsItsPassesOneAtATimeAndStopsForAKey)
{
    testsupport::ScopedHostWindow host;
    CSaverCore app; // the framework the frame asks
    app.m_Mode = rmFullScreen;
    device.eventQueryBusyPolls = 2;
    FrameFenceOpen(app.m_FrameFence, &device);
    ASSERT_EQ(device.createdQueries.size(), 1u);
    const fake3d::FakeQuery& query = *device.createdQueries[0];
    const std::vector<std::string> pondPass = {"sky", "scene_refl_lusa", "grass_up"};

    struct Case
    {
        const char* name;
        bool slow, key;
        int issues, busyAnswers, presents;
    } cases[] = {
        {"fast frame", false, false, 0, 0, 1},
        {"slow frame", true, false, 6, 6 * 2, 1},
        {"slow frame, key waiting", true, true, 1, 1, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        app.m_bPaceFramePasses = c.slow;
        if (c.key)
            PostMessageA(host.Handle(), WM_KEYDOWN, VK_SPACE, 0);
        const int issues = query.issues, busy = query.busyAnswers;
        device.ClearCalls();
        device.draws.clear();
        g_nowMs += CAMERA_FRAME_MS;
        EXPECT_EQ(world.RenderFrame(), S_OK);

        EXPECT_EQ(query.issues - issues, c.issues);
        EXPECT_EQ(query.busyAnswers - busy, c.busyAnswers);
        EXPECT_EQ(device.CountCalls("Present"), c.presents);
        EXPECT_EQ(device.CountCalls("BeginScene"), 1);
        EXPECT_EQ(device.CountCalls("EndScene"), 1);
        std::vector<std::string> names;
        for (const fake3d::FakeDrawCall& draw : device.draws)
            names.push_back(NameOf(draw));
        if (c.key)
            EXPECT_EQ(names, pondPass);
        else
            EXPECT_GT(names.size(), pondPass.size() + 10);
        testsupport::DiscardPendingMessages();
    }
    FrameFenceClose(app.m_FrameFence);
}

TEST_F(WorldPassesTest, WaterCompositesSetUpTheirStagesBumpAndPlain)
{
    CCameraPath& path = world.m_Cameras[0];
    world.m_Frame.nRings = 10; // 10 rings a set
    struct Case
    {
        bool river;
        bool bump;
    } cases[] = {{false, true}, {true, true}, {false, false}, {true, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.river ? "river" : "pond") << (c.bump ? " bump" : " plain"));
        g_bBumpWater = c.bump;
        ClearTextureStageCache();
        const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] {
            if (c.river)
                world.DrawRiverWater(view, world.m_pBackBuffer);
            else
                world.DrawPondWater(view, world.m_pBackBuffer);
        });
        // The surface and the rings into the mask, then one screen quad.
        ASSERT_EQ(draws.size(), 12u);
        EXPECT_EQ(NameOf(draws[0]), c.river ? "reka" : "lusha");
        EXPECT_EQ(draws[0].state.renderTargets.at(0), world.m_pWaterMaskSurface);
        EXPECT_EQ(draws[0].state.RenderState(D3DRS_ZWRITEENABLE), 0u);
        if (c.river)
        {
            EXPECT_EQ(draws[0].state.SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_BORDER));
            EXPECT_EQ(draws[0].state.SamplerState(0, D3DSAMP_BORDERCOLOR), 0u);
            EXPECT_EQ(draws[0].state.RenderState(D3DRS_TEXTUREFACTOR) >> 24, 127u); // fade 0.5
        }
        for (int i = 1; i <= 10; ++i)
        {
            EXPECT_EQ(NameOf(draws[i]), "ring");
            // Rings multiply the mask.
            EXPECT_EQ(draws[i].state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_DESTCOLOR));
            EXPECT_EQ(draws[i].state.RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
        }

        const fake3d::FakeDrawCall& quad = draws.back();
        IDirect3DBaseTexture9* reflection = c.river ? world.m_pReflectionRTexture : world.m_pReflectionLTexture;
        EXPECT_EQ(NameOf(quad), "screen");
        EXPECT_EQ(quad.state.renderTargets.at(0), world.m_pBackBuffer);
        EXPECT_EQ(quad.state.RenderState(D3DRS_ZENABLE), DWORD(D3DZB_FALSE));
        const int reflectStage = c.bump ? 1 : 0;
        EXPECT_EQ(quad.state.Texture(reflectStage), reflection);
        EXPECT_EQ(quad.state.TextureStageState(reflectStage, D3DTSS_TEXCOORDINDEX), 1u);
        EXPECT_EQ(quad.state.Texture(reflectStage + 1), world.m_pWaterMaskTexture);
        EXPECT_EQ(quad.state.TextureStageState(reflectStage + 1, D3DTSS_TEXCOORDINDEX), 0u);
        EXPECT_EQ(quad.state.TextureStageState(reflectStage + 1, D3DTSS_ALPHAARG1), DWORD(D3DTA_TEXTURE));
        EXPECT_EQ(quad.state.TextureStageState(reflectStage + 2, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
        if (c.bump)
        {
            const float scale = c.river ? 0.005f : 0.004f;
            const float tiling = c.river ? 5.0f : 8.0f;
            EXPECT_EQ(quad.state.TextureStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_BUMPENVMAP));
            EXPECT_EQ(quad.state.TextureStageState(0, D3DTSS_BUMPENVMAT00), FloatBits(scale));
            EXPECT_EQ(quad.state.TextureStageState(0, D3DTSS_BUMPENVMAT11), FloatBits(scale));
            EXPECT_EQ(quad.state.TextureStageState(0, D3DTSS_BUMPENVMAT01), FloatBits(0.0f));
            EXPECT_EQ(quad.state.TextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS), DWORD(D3DTTFF_COUNT2));
            EXPECT_EQ(quad.state.Transform(D3DTS_TEXTURE0)->_11, tiling);
            EXPECT_EQ(quad.state.Transform(D3DTS_TEXTURE0)->_22, tiling);
            EXPECT_EQ(quad.state.Texture(0), world.m_pBumpTextures[(g_nowMs / 100) % WORLD_BUMP_TEXTURES]);
        }
        // Left behind: pair 0 on the first stages, no texture transform, no
        // reflection or mask bound.
        EXPECT_EQ(device.state.Texture(1), nullptr);
        EXPECT_EQ(device.state.Texture(2), nullptr);
        EXPECT_EQ(device.state.TextureStageState(0, D3DTSS_TEXCOORDINDEX), 0u);
        EXPECT_EQ(device.state.TextureStageState(1, D3DTSS_TEXCOORDINDEX), 0u);
        EXPECT_EQ(device.state.TextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS), DWORD(D3DTTFF_DISABLE));
    }
}

TEST_F(WorldPassesTest, EffectsDrawInTheirPassesWithTheirStates)
{
    BuildEffects(40, 3); // two splashes
    const std::vector<std::string> leaves = {"leaf", "leaf", "leaf"};
    const std::vector<std::string> ducks = {"duck", "duck", "duck"};
    auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case
    {
        ScenePass pass;
        std::vector<std::string> names;
    } cases[] = {
        {spPondReflection, join(join({"sky", "scene_refl_lusa"}, leaves), {"grass_up"})},
        {spRiverReflection, join(join({"sky", "scene"}, ducks), {"ruslo_up", "grass_down"})},
        {spMain,
         join(join(join(join({"sky", "scene"}, ducks), {"ruslo_up", "ruslo_dn", "reka", "water_list_0", "water_list_1",
                                                        "water_list_2", "water_list_3", "water_list_4", "water_list_5",
                                                        "water_list_6", "shadow", "tree_shadow", "spray A", "spray B"}),
                   leaves),
              {"brizg", "brizg", "rain", "grass_down", "grass_up"})},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "pass " << c.pass);
        ClearTextureStageCache();
        const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] { world.DrawScene(view, c.pass); });
        // The plants have their own test.
        std::vector<std::string> names;
        for (const fake3d::FakeDrawCall& d : draws)
        {
            const std::string name = NameOf(d);
            if (name.rfind("tree", 0) != 0 || name == "tree_shadow")
                if (name != "reeds")
                    names.push_back(name.rfind("leaf", 0) == 0 ? "leaf" : name);
        }
        ASSERT_EQ(names, c.names);
        int leaf = 0, splash = 0, duck = 0;
        for (const fake3d::FakeDrawCall& d : draws)
        {
            const std::string name = NameOf(d);
            const D3DMATRIX* placed = d.state.Transform(D3DTS_WORLD);
            ASSERT_NE(placed, nullptr);
            if (name.rfind("leaf", 0) == 0)
            {
                // Each leaf with its own model.
                EXPECT_EQ(name, "leaf" + std::to_string(world.m_LeafFall.m_Leaves.m_Leaves[leaf].model));
            }
            if (name == "duck")
            {
                // All three at the same trajectory frame, scaled before their
                // own placement; faint in the river's mirror, never tested.
                const gfx::Mat4* at = world.m_DuckTrajectory.Matrix(duck++, g_nowMs);
                ASSERT_NE(at, nullptr);
                EXPECT_EQ(at, &world.m_DuckTrajectory.m_pMatrices[(duck - 1) * 4 + (g_nowMs / 50) % 4]);
                EXPECT_TRUE(SameMatrix(placed, DuckWorld(*at)));
                const float fade = c.pass == spMain ? 1.0f : 0.4f;
                EXPECT_EQ(d.state.RenderState(D3DRS_TEXTUREFACTOR), ModelFadeFactor(MODEL_COLOR_WHITE, fade, true));
                EXPECT_EQ(d.state.RenderState(D3DRS_ALPHATESTENABLE), 0u);
                if (c.pass == spRiverReflection)
                    EXPECT_EQ(d.state.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
            }
            else if (name.rfind("leaf", 0) == 0)
            {
                // Seen from both sides, alpha tested, placed and faded as the core says.
                const FallingLeaf& l = world.m_LeafFall.m_Leaves.m_Leaves[leaf++];
                gfx::Mat4 m;
                float fade;
                LeafPlacement(l, m, fade);
                EXPECT_TRUE(SameMatrix(placed, m));
                EXPECT_EQ(d.state.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
                EXPECT_EQ(d.state.RenderState(D3DRS_ALPHATESTENABLE), 1u);
                EXPECT_EQ(d.state.RenderState(D3DRS_ZWRITEENABLE), 1u);
                EXPECT_EQ(d.state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
                EXPECT_EQ(d.state.RenderState(D3DRS_TEXTUREFACTOR), ModelFadeFactor(MODEL_COLOR_WHITE, fade, false));
                EXPECT_EQ(d.state.RenderState(D3DRS_FOGENABLE), 1u);
            }
            else if (name == "spray A" || name == "spray B")
            {
                // Added on, fogged, depth left alone, at its fall.
                const ScenePoint at = name == "spray A" ? SCENE_FALL_A : SCENE_FALL_B;
                EXPECT_EQ(placed->_41, at.x);
                EXPECT_EQ(placed->_42, at.y);
                EXPECT_EQ(placed->_43, at.z);
                EXPECT_EQ(d.state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
                EXPECT_EQ(d.state.RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
                EXPECT_EQ(d.state.RenderState(D3DRS_ALPHATESTENABLE), 0u);
                EXPECT_EQ(d.state.RenderState(D3DRS_ZWRITEENABLE), 0u);
                EXPECT_EQ(d.state.RenderState(D3DRS_FOGENABLE), 1u);
                EXPECT_EQ(d.state.RenderState(D3DRS_TEXTUREFACTOR), 0x600C1111u);
                EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
                EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_ALPHAARG2), DWORD(D3DTA_TFACTOR));
                EXPECT_EQ(d.state.TextureStageState(1, D3DTSS_ALPHAOP), DWORD(D3DTOP_DISABLE));
                const int k = name == "spray A" ? 0 : 1;
                EXPECT_EQ(d.state.Texture(0), world.m_Sprays[k].m_Mesh.m_Material.m_pTexture);
                EXPECT_EQ(d.numVertices, 512u);
                EXPECT_EQ(d.primitiveCount, 256u);
            }
            else if (name == "brizg")
            {
                // Splashes round the view's eye, added on at a fifth.
                const RainSplash& s = world.m_SplashPool.m_Pool[splash++];
                EXPECT_TRUE(SameMatrix(placed, RainSplashWorld(s)));
                EXPECT_LE(std::fabs(s.x - view.vEye.x), 200.0f);
                EXPECT_LE(std::fabs(s.z - view.vEye.z), 200.0f);
                EXPECT_EQ(d.state.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
                EXPECT_EQ(d.state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
                EXPECT_EQ(d.state.RenderState(D3DRS_ALPHATESTENABLE), 0u);
                EXPECT_EQ(d.state.RenderState(D3DRS_TEXTUREFACTOR), ModelFadeFactor(MODEL_COLOR_WHITE, 0.2f, true));
            }
            else if (name == "rain")
            {
                // One list of every streak in its own colours, unculled.
                EXPECT_EQ(d.state.fvf, DWORD(RA_FVF_XYZ_DIFFUSE));
                EXPECT_EQ(d.primitiveCount, 40u);
                EXPECT_EQ(d.numVertices, 120u);
                EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_COLORARG1), DWORD(D3DTA_DIFFUSE));
                EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_ALPHAARG1), DWORD(D3DTA_DIFFUSE));
                EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
                EXPECT_EQ(d.state.TextureStageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
                EXPECT_EQ(d.state.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
                EXPECT_EQ(d.state.RenderState(D3DRS_ALPHATESTENABLE), 0u);
                EXPECT_EQ(d.state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
                EXPECT_EQ(d.state.RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
                EXPECT_TRUE(SameMatrix(placed, gfx::MatrixIdentity()));
                EXPECT_TRUE(SameMatrix(d.state.Transform(D3DTS_VIEW), view.mView[spMain]));
            }
        }
        // The pass ends with culling back on and stage 0 reading its texture.
        EXPECT_EQ(device.state.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
        EXPECT_EQ(device.state.TextureStageState(0, D3DTSS_COLORARG1), DWORD(D3DTA_TEXTURE));
    }
}

TEST_F(WorldPassesTest, WithoutDropsOrLeavesNothingOfThemDraws)
{
    // Rain on at strength 0 (through the registry): no buffers, no draw, and
    // no failure record.
    BuildEffects(0, 0);
    EXPECT_EQ(world.m_Rain.m_VertexBuffer.m_pRenderBuffer, nullptr);
    EXPECT_EQ(world.m_Rain.m_FaceBuffer.m_pRenderBuffer, nullptr);
    world.m_Rain.Advance(0.1f);
    const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] { world.DrawScene(view, spMain); });
    for (const fake3d::FakeDrawCall& d : draws)
    {
        EXPECT_NE(d.state.fvf, DWORD(RA_FVF_XYZ_DIFFUSE));
        EXPECT_NE(NameOf(d).rfind("leaf", 0), 0u);
        EXPECT_NE(NameOf(d), "brizg");
    }
    EXPECT_EQ(log.Text().find("m_nCount==0"), std::string::npos);
}

} // namespace
