// Animated plants and grass fields on the recording device: which buffers a
// frame rewrites (locked with discard) and when, the states and draws of a
// plant's skin and leaf cards and of a grass field, and the inert plant that
// a bad file or a bone outside its animation leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/RarWriter.h"
#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/LinkAnimFile.h"
#include "src/ClassBase/SkinFile.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassBase/win/AnimatedPlant.h"
#include "src/ClassBase/win/GrassField.h"
#include "src/ClassBase/win/World.h"
#include "src/ClassRender/IdleThrottle.h"
#include "tests/common/GfxTestImages.h"
#include "tests/common/TestMatrices.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"
#include "tests/win/WorldTestScope.h"

namespace {

uint32_t g_nowMs = 5000;
uint32_t TestClock()
{
    return g_nowMs;
}

using testmath::Translation;

// Bone b of frame f moves by (f, 10 b, 0).
std::vector<uint8_t> Anim(uint16_t bones)
{
    AnimData d;
    d.boneCount = bones;
    d.frameCount = 10;
    for (uint16_t f = 0; f < 10; ++f)
        for (uint16_t b = 0; b < bones; ++b)
            d.matrices.push_back(Translation(f, 10.0f * b, 0));
    return WriteAnimFile(d);
}

std::vector<uint8_t> Skin(uint8_t bones)
{
    SkinData d;
    d.boneCount = bones;
    d.bones = {0, 0, static_cast<uint8_t>(bones - 1)};
    d.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    d.texcoords = {0, 0, 1, 0, 0, 1};
    d.indices = {0, 1, 2};
    return WriteSkinFile(d);
}

std::vector<uint8_t> Cards(uint8_t bone)
{
    LinkAnimData d;
    d.cards = {gfx::MatrixIdentity(), Translation(0, 5, 0)};
    d.bones = {0, bone};
    return WriteLinkAnimFile(d);
}

struct LockSeen
{
    int locks;
    DWORD flags; // of the last lock
};

LockSeen LocksOf(const CDynamicMesh& mesh)
{
    auto* buffer = static_cast<fake3d::FakeVertexBuffer*>(mesh.m_VertexBuffer.m_pRenderBuffer);
    if (buffer == nullptr)
        return {0, 0};
    DWORD flags = 0;
    for (const fake3d::FakeCall& call : buffer->Calls())
        if (call.method == "Lock")
            flags = static_cast<DWORD>(call.args[3]);
    return {buffer->lockCount, flags};
}

const TexturedVertex* VerticesOf(const CDynamicMesh& mesh)
{
    auto* buffer = static_cast<fake3d::FakeVertexBuffer*>(mesh.m_VertexBuffer.m_pRenderBuffer);
    return reinterpret_cast<const TexturedVertex*>(buffer->bytes.data());
}

class PlantsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_nowMs = 5000;
        g_IdleThrottle = IdleThrottle();
        std::vector<uint8_t> rgba(4 * 4 * 4, 0xC0);
        const std::vector<uint8_t> tga = gfxtest::MakeTga(4, 4, rgba, {32, false, false});
        rar::CRarWriter writer;
        for (const char* name : {"bark.tga", "leaves.tga", "grass.tga"})
            ASSERT_TRUE(writer.AddFile(name, tga, rar::PackMethod::Store));
        ASSERT_TRUE(writer.AddFile("two.anim", Anim(2)));
        ASSERT_TRUE(writer.AddFile("one.anim", Anim(1)));
        ASSERT_TRUE(writer.AddFile("two.skin", Skin(2)));
        ASSERT_TRUE(writer.AddFile("one.skin", Skin(1)));
        ASSERT_TRUE(writer.AddFile("two.linkanim", Cards(1)));
        InstanceListData grass;
        grass.placements = {Translation(10, 20, 30), Translation(40, 20, 30), Translation(70, 20, 30)};
        ASSERT_TRUE(writer.AddFile("grass.transobj", WriteInstanceListFile(grass)));
        m_bytes = writer.Bytes();
        m_archive = {m_bytes.data(), static_cast<uint32_t>(m_bytes.size()), 0};
    }
    void TearDown() override { g_IdleThrottle = IdleThrottle(); }

    // One pass of the frame loop: the clock moves on, counter B is set.
    void NextFrame(uint32_t counterB)
    {
        g_nowMs += 40;
        g_IdleThrottle.b = counterB;
    }

    // The draws of one call, between a BeginScene and an EndScene.
    template <class F> std::vector<fake3d::FakeDrawCall> DrawsOf(F call)
    {
        device.draws.clear();
        device.BeginScene();
        call();
        device.EndScene();
        return device.draws;
    }

    // Successful locks of every vertex buffer the device made.
    int AllLocks() const
    {
        int locks = 0;
        for (const fake3d::FakeVertexBuffer* b : device.createdVertexBuffers)
            locks += b->lockCount;
        return locks;
    }

    fake3d::FakeDirect3D9 d3d;
    fake3d::FakeDirect3DDevice9& device = d3d.device;
    testsupport::ScopedWorldDevice scope{&device, TestClock};
    std::vector<unsigned char> m_bytes;
    ArchiveView m_archive = {};
};

TEST_F(PlantsTest, ATreeRewritesItsSkinAndLeavesOnlyOnTheFramesCounterBAllows)
{
    CAnimatedPlant tree;
    ASSERT_EQ(tree.LoadFrom(m_archive, {"two.skin", "two.linkanim", "bark.tga", "leaves.tga", "two.anim", "two.anim"}),
              0);
    const gfx::Mat4 placement = Translation(100, 0, 200);
    const D3DMATRIX& world = *AsD3D(placement);
    // Nothing is drawn from buffers that were never written.
    EXPECT_TRUE(DrawsOf([&] { tree.Render(world); }).empty());

    struct Step
    {
        uint32_t counterB;
        int locks; // of each buffer, so far
    } steps[] = {{0, 1}, {2, 1}, {3, 2}, {3, 3}, {4, 3}};
    uint32_t frame = 0;
    for (const Step& s : steps)
    {
        SCOPED_TRACE(s.counterB);
        NextFrame(s.counterB);
        tree.Update();
        frame = (frame + 1) % 10;
        EXPECT_EQ(tree.m_Animation.m_First.m_nFrame, frame);
        EXPECT_EQ(tree.m_Animation.m_Second.m_nFrame, frame);
        for (const CDynamicMesh* mesh : {&tree.m_Skin.m_Buffers, &tree.m_Leaves.m_Buffers})
        {
            const LockSeen seen = LocksOf(*mesh);
            EXPECT_EQ(seen.locks, s.locks);
            EXPECT_EQ(seen.flags, DWORD(D3DLOCK_DISCARD));
        }
    }
    // The last pose written is frame 4's: vertex 2 rides on bone 1.
    const TexturedVertex* skin = VerticesOf(tree.m_Skin.m_Buffers);
    EXPECT_EQ(skin[1].x, 1.0f + 4.0f);
    EXPECT_EQ(skin[2].y, 1.0f + 10.0f);
    EXPECT_EQ(skin[2].v, 1.0f);
    const TexturedVertex* leaves = VerticesOf(tree.m_Leaves.m_Buffers);
    EXPECT_NEAR(leaves[4].y, 5.0f + 10.0f, 1.5f); // card 1 on bone 1, 5 up

    const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] { tree.Render(world); });
    ASSERT_EQ(draws.size(), 2u);
    const fake3d::FakeDrawCall& bark = draws[0];
    EXPECT_EQ(bark.state.streams.at(0).buffer, tree.m_Skin.m_Buffers.m_VertexBuffer.m_pRenderBuffer);
    EXPECT_EQ(bark.state.streams.at(0).stride, 20u);
    EXPECT_EQ(bark.state.fvf, DWORD(D3DFVF_XYZ | D3DFVF_TEX1));
    EXPECT_EQ(bark.state.Texture(0), tree.m_Skin.m_Buffers.m_Material.m_pTexture);
    EXPECT_EQ(bark.state.RenderState(D3DRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(bark.state.RenderState(D3DRS_TEXTUREFACTOR), 0xFFFFFFFFu);
    EXPECT_EQ(bark.state.TextureStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(bark.numVertices, 3u);
    EXPECT_EQ(bark.primitiveCount, 1u);

    const fake3d::FakeDrawCall& cards = draws[1];
    EXPECT_EQ(cards.state.streams.at(0).buffer, tree.m_Leaves.m_Buffers.m_VertexBuffer.m_pRenderBuffer);
    EXPECT_EQ(cards.state.Texture(0), tree.m_Leaves.m_Buffers.m_Material.m_pTexture);
    EXPECT_EQ(cards.state.RenderState(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(cards.state.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(cards.state.TextureStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(cards.state.TextureStageState(0, D3DTSS_COLORARG1), DWORD(D3DTA_TEXTURE));
    EXPECT_EQ(cards.state.TextureStageState(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(cards.state.TextureStageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(cards.numVertices, 8u);
    EXPECT_EQ(cards.primitiveCount, 4u);
    for (const fake3d::FakeDrawCall& d : draws)
    {
        EXPECT_EQ(d.state.Transform(D3DTS_WORLD)->_41, 100.0f);
        EXPECT_EQ(d.state.Transform(D3DTS_WORLD)->_43, 200.0f);
    }
}

TEST_F(PlantsTest, TheReedsSkinAndDrawWithoutLeafCards)
{
    CAnimatedPlant reeds;
    ASSERT_EQ(reeds.LoadFrom(m_archive, {"two.skin", nullptr, "bark.tga", nullptr, "two.anim", "two.anim"}), 0);
    EXPECT_FALSE(reeds.m_Leaves.IsLoaded());
    NextFrame(1);
    reeds.Update();
    EXPECT_EQ(LocksOf(reeds.m_Skin.m_Buffers).locks, 1);
    EXPECT_EQ(reeds.m_Leaves.m_Buffers.m_VertexBuffer.m_pRenderBuffer, nullptr);
    const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] { reeds.Render(g_mIdentity); });
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].state.streams.at(0).buffer, reeds.m_Skin.m_Buffers.m_VertexBuffer.m_pRenderBuffer);
}

TEST_F(PlantsTest, AMissingFileOrABoneOutsideTheAnimationLeavesThePlantInert)
{
    struct Case
    {
        const char* why;
        PlantFiles files;
    } cases[] = {
        {"skin missing", {"missing.skin", "two.linkanim", "bark.tga", "leaves.tga", "two.anim", "two.anim"}},
        {"first animation missing", {"two.skin", "two.linkanim", "bark.tga", "leaves.tga", "missing.anim", "two.anim"}},
        {"second animation missing",
         {"two.skin", "two.linkanim", "bark.tga", "leaves.tga", "two.anim", "missing.anim"}},
        {"leaf cards missing", {"two.skin", "missing.linkanim", "bark.tga", "leaves.tga", "two.anim", "two.anim"}},
        {"a skin vertex on bone 1 of a one-bone animation",
         {"two.skin", nullptr, "bark.tga", nullptr, "one.anim", "one.anim"}},
        {"a leaf card on bone 1 of a one-bone animation",
         {"one.skin", "two.linkanim", "bark.tga", "leaves.tga", "one.anim", "one.anim"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.why);
        testsupport::ScopedLogCapture log;
        CAnimatedPlant plant;
        EXPECT_NE(plant.LoadFrom(m_archive, c.files), 0);
        EXPECT_EQ(log.Lines().size(), 1u) << log.Text();
        EXPECT_FALSE(plant.IsLoaded());
        const int locks = AllLocks();
        NextFrame(1);
        plant.Update();
        EXPECT_EQ(AllLocks(), locks) << "skinned";
        EXPECT_TRUE(DrawsOf([&] { plant.Render(g_mIdentity); }).empty());
    }
    // and it gave back all it had made
    EXPECT_EQ(device.OutstandingReferences(), 0u);
}

TEST_F(PlantsTest, GrassFacesTheCameraItIsGivenAndDrawsInOneCall)
{
    CGrassField grass;
    ASSERT_EQ(grass.LoadFrom(m_archive, "grass.transobj", "grass.tga"), 0);
    EXPECT_TRUE(DrawsOf([&] { grass.Render(); }).empty());

    // A camera turned a quarter about y: the cards' width runs along -z.
    gfx::Mat4 camera = gfx::MatrixRotationY(1.5707963f);
    camera.m[3][0] = 999.0f;
    grass.Update(camera);
    const LockSeen seen = LocksOf(grass.m_Buffers);
    EXPECT_EQ(seen.locks, 1);
    EXPECT_EQ(seen.flags, DWORD(D3DLOCK_DISCARD));
    const TexturedVertex* v = VerticesOf(grass.m_Buffers);
    EXPECT_NEAR(v[0].x, 10.0f, 1e-4f);
    EXPECT_NEAR(v[0].z, 30.0f + 9.6f, 1e-4f);
    EXPECT_NEAR(v[0].y, 20.0f + 24.0f, 1e-4f);
    EXPECT_NEAR(v[11].x, 70.0f, 1e-4f);

    const std::vector<fake3d::FakeDrawCall> draws = DrawsOf([&] { grass.Render(); });
    ASSERT_EQ(draws.size(), 1u);
    const fake3d::FakeDrawCall& d = draws[0];
    EXPECT_EQ(d.numVertices, 12u);
    EXPECT_EQ(d.primitiveCount, 6u);
    EXPECT_EQ(d.startIndex, 0u);
    EXPECT_EQ(d.state.Texture(0), grass.m_Buffers.m_Material.m_pTexture);
    EXPECT_EQ(d.state.RenderState(D3DRS_ZENABLE), DWORD(D3DZB_TRUE));
    EXPECT_EQ(d.state.RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(d.state.RenderState(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(d.state.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(d.state.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(d.state.RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(d.state.TextureStageState(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(std::memcmp(d.state.Transform(D3DTS_WORLD), &g_mIdentity, sizeof(D3DMATRIX)), 0);
}

} // namespace
