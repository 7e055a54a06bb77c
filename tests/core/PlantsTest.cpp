// The plants' core: bone animations stepped by the clock, skinning, leaf and
// grass cards, when a plant's vertices are rewritten, and what a missing or
// bad file leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data/RarWriter.h"
#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/BoneAnimation.h"
#include "src/ClassBase/GrassCards.h"
#include "src/ClassBase/LeafCards.h"
#include "src/ClassBase/PlantAnimation.h"
#include "src/ClassBase/SkinMesh.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/Clock.h"
#include "tests/common/TestMatrices.h"
#include "src/ClassRender/Log.h"

namespace {

uint32_t g_nowMs = 0;
uint32_t TestClock()
{
    return g_nowMs;
}

using testmath::Translation;

// Bone b of frame f is a translation by (f, b, 0): a block names its frame.
std::vector<uint8_t> AnimFile(uint16_t bones, uint16_t frames)
{
    AnimData d;
    d.boneCount = bones;
    d.frameCount = frames;
    for (uint16_t f = 0; f < frames; ++f)
        for (uint16_t b = 0; b < bones; ++b)
            d.matrices.push_back(Translation(f, b, 0));
    return WriteAnimFile(d);
}

// Three vertices on bones 0, 1, 1 and one triangle.
SkinData ThreeVertexSkin()
{
    SkinData d;
    d.boneCount = 2;
    d.bones = {0, 1, 1};
    d.positions = {{1, 2, 3}, {4, 5, 6}, {-7, 8, -9}};
    d.texcoords = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    d.indices = {0, 1, 2};
    return d;
}

LinkAnimData TwoCards()
{
    LinkAnimData d;
    d.cards = {gfx::MatrixIdentity(), gfx::MatrixIdentity()};
    d.bones = {0, 1};
    return d;
}

// Position within a tolerance, texture coordinates exact.
void ExpectVertex(const TexturedVertex& got, const TexturedVertex& want, float tolerance)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
    EXPECT_EQ(got.u, want.u);
    EXPECT_EQ(got.v, want.v);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes)
{
    bytes.pop_back();
    return bytes;
}

// The records the log received while it lived.
class LogCapture
{
public:
    LogCapture()
    {
        std::snprintf(g_szLogFile, sizeof(g_szLogFile), "%s", m_path.c_str());
        std::remove(m_path.c_str());
    }
    ~LogCapture()
    {
        g_szLogFile[0] = 0;
        std::remove(m_path.c_str());
    }
    int Lines() const
    {
        std::ifstream in(m_path);
        int n = 0;
        for (std::string line; std::getline(in, line);)
            ++n;
        return n;
    }

private:
    std::string m_path = testing::TempDir() + "plants_test.log";
};

class Plants : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_nowMs = 1000;
        ClockSetSource(TestClock);
        rar::CRarWriter writer;
        ASSERT_TRUE(writer.AddFile("ten.anim", AnimFile(2, 10)));
        ASSERT_TRUE(writer.AddFile("short.anim", Cut(AnimFile(2, 10))));
        ASSERT_TRUE(writer.AddFile("noframes.anim", AnimFile(2, 0)));
        ASSERT_TRUE(writer.AddFile("three.skin", WriteSkinFile(ThreeVertexSkin())));
        ASSERT_TRUE(writer.AddFile("short.skin", Cut(WriteSkinFile(ThreeVertexSkin()))));
        SkinData badBone = ThreeVertexSkin();
        badBone.boneCount = 1; // vertices on bone 1 of a one-bone skin
        std::vector<uint8_t> bad = WriteSkinFile(badBone);
        ASSERT_TRUE(writer.AddFile("badbone.skin", bad));
        ASSERT_TRUE(writer.AddFile("two.linkanim", WriteLinkAnimFile(TwoCards())));
        ASSERT_TRUE(writer.AddFile("short.linkanim", Cut(WriteLinkAnimFile(TwoCards()))));
        ASSERT_TRUE(writer.AddFile("none.linkanim", WriteLinkAnimFile(LinkAnimData())));
        InstanceListData grass;
        grass.placements = {Translation(10, 20, 30), Translation(-5, 0, 5)};
        // scaled and turned: a blade takes only the point it stands on
        grass.placements[1].m[0][0] = 3.0f;
        grass.placements[1].m[0][2] = 2.0f;
        grass.placements[1].m[1][1] = 4.0f;
        ASSERT_TRUE(writer.AddFile("grass.transobj", WriteInstanceListFile(grass)));
        ASSERT_TRUE(writer.AddFile("nograss.transobj", WriteInstanceListFile(InstanceListData())));
        m_bytes = writer.Bytes();
        m_archive = {m_bytes.data(), static_cast<uint32_t>(m_bytes.size()), 0};
    }
    void TearDown() override { ClockSetSource(nullptr); }

    std::vector<unsigned char> m_bytes;
    ArchiveView m_archive = {};
};

TEST_F(Plants, AnAnimationStepsOnlyAfter32MsAndThenByOneFrame)
{
    struct Case
    {
        uint32_t later; // ms after the last step
        uint32_t frame;
        uint32_t lastStep;
    } cases[] = {
        {31, 1, 1000},       // too early: nothing moves, the wrapped flag drops
        {32, 2, 1032},       // due
        {100000, 2, 101000}, // a long stall is still one frame
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.later);
        CBoneAnimation a;
        ASSERT_EQ(a.LoadFrom(m_archive, "ten.anim"), 0);
        EXPECT_EQ(a.m_nFrame, 0u);
        EXPECT_FALSE(a.m_bHasFrame);
        g_nowMs = 1000;
        a.Advance(); // the first call always steps
        ASSERT_EQ(a.m_nFrame, 1u);
        ASSERT_TRUE(a.m_bHasFrame);
        a.m_bWrapped = true;
        g_nowMs += c.later;
        a.Advance();
        EXPECT_EQ(a.m_nFrame, c.frame);
        EXPECT_EQ(a.m_dwLastStep, c.lastStep);
        EXPECT_FALSE(a.m_bWrapped);
        EXPECT_EQ(a.Bones()[1].m[3][0], static_cast<float>(c.frame));
    }
}

TEST_F(Plants, TenFramesWrapOnceALoopWithTheFlagOnThatStepOnly)
{
    CBoneAnimation a;
    ASSERT_EQ(a.LoadFrom(m_archive, "ten.anim"), 0);
    std::vector<uint32_t> frames;
    std::vector<int> wrapped;
    for (int step = 0; step < 12; ++step)
    {
        g_nowMs += BONE_ANIMATION_STEP_MS;
        a.Advance();
        frames.push_back(a.m_nFrame);
        wrapped.push_back(a.m_bWrapped);
        // the block of the current frame, bone 1
        EXPECT_EQ(a.Bones()[1].m[3][0], static_cast<float>(a.m_nFrame));
        EXPECT_EQ(a.Bones()[1].m[3][1], 1.0f);
    }
    EXPECT_EQ(frames, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));
    EXPECT_EQ(wrapped, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
}

TEST_F(Plants, AMissingOrBadFileLeavesAnInertObjectAndOneLogLine)
{
    struct Case
    {
        const char* kind;
        const char* name;
    } cases[] = {
        {"anim", "missing.anim"},       {"anim", "short.anim"},        {"anim", "noframes.anim"},
        {"skin", "missing.skin"},       {"skin", "short.skin"},        {"skin", "badbone.skin"},
        {"leaves", "missing.linkanim"}, {"leaves", "short.linkanim"},  {"leaves", "none.linkanim"},
        {"grass", "missing.transobj"},  {"grass", "nograss.transobj"},
    };
    const std::vector<gfx::Mat4> bones(8, gfx::MatrixIdentity());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string kind = c.kind;
        const LogCapture log;
        TexturedVertex out[16] = {};
        if (kind == "anim")
        {
            CBoneAnimation a;
            EXPECT_NE(a.LoadFrom(m_archive, c.name), 0);
            a.Advance();
            EXPECT_FALSE(a.m_bHasFrame);
            EXPECT_EQ(a.Bones(), nullptr);
        }
        else if (kind == "grass")
        {
            CGrassCards g;
            EXPECT_NE(g.LoadFrom(m_archive, c.name), 0);
            EXPECT_EQ(g.m_nCount, 0u);
        }
        else
        {
            CSkinMesh m;
            EXPECT_NE(kind == "skin" ? m.LoadFrom(m_archive, c.name) : LoadLeafCardsFrom(m_archive, c.name, m), 0);
            EXPECT_FALSE(m.IsLoaded());
            EXPECT_EQ(m.m_nVertices, 0u);
            EXPECT_FALSE(m.Skin(bones.data(), 8, out));
        }
        EXPECT_EQ(log.Lines(), 1);
    }
}

TEST_F(Plants, SkinningMovesEachVertexByItsOwnBone)
{
    CSkinMesh mesh;
    ASSERT_EQ(mesh.LoadFrom(m_archive, "three.skin"), 0);
    ASSERT_EQ(mesh.m_nVertices, 3u);
    EXPECT_EQ(mesh.m_nTriangles, 1u);
    EXPECT_EQ(mesh.m_nBoneLimit, 2u);

    // Identity bones: every vertex and its texture coordinates as stored.
    const SkinData d = ThreeVertexSkin();
    std::vector<gfx::Mat4> bones(2, gfx::MatrixIdentity());
    TexturedVertex out[3];
    ASSERT_TRUE(mesh.Skin(bones.data(), 2, out));
    for (int i = 0; i < 3; ++i)
    {
        const gfx::Vec3& p = d.positions[i];
        ExpectVertex(out[i], {p.x, p.y, p.z, d.texcoords[2 * i], d.texcoords[2 * i + 1]}, 0.0f);
    }

    // Bone 1 turned a quarter about y and moved: only its vertices follow,
    // and w plays no part.
    bones[1] = gfx::MatrixRotationY(1.5707963f);
    bones[1].m[3][0] = 100.0f;
    bones[1].m[0][3] = bones[1].m[3][3] = 7.0f;
    ASSERT_TRUE(mesh.Skin(bones.data(), 2, out));
    EXPECT_EQ(out[0].x, 1.0f);
    EXPECT_NEAR(out[1].x, 100.0f + 6.0f, 1e-4f); // (4, 5, 6) turned: (6, 5, -4)
    EXPECT_NEAR(out[1].y, 5.0f, 1e-4f);
    EXPECT_NEAR(out[1].z, -4.0f, 1e-4f);
    EXPECT_EQ(out[1].u, 0.3f);

    // A block too short for the mesh's bones is refused untouched.
    TexturedVertex untouched[3] = {};
    EXPECT_FALSE(mesh.Skin(bones.data(), 1, untouched));
    EXPECT_FALSE(mesh.Skin(nullptr, 2, untouched));
    EXPECT_EQ(untouched[1].x, 0.0f);
}

// Bones in no order and runs of every length, against each vertex worked out
// alone: the vertices may be regrouped, each triangle must still find its own.
TEST_F(Plants, ASkinWithItsBonesInterleavedPosesEveryTriangleCorner)
{
    SkinData d;
    d.boneCount = 5;
    uint32_t r = 7;
    auto next = [&r] { return r = r * 1103515245u + 12345u, static_cast<float>((r >> 16) % 2001) / 100.0f - 10.0f; };
    const uint8_t runs[][2] = {{3, 1}, {0, 6}, {4, 3}, {1, 9}, {3, 4}, {2, 2}, {0, 5}, {4, 1}, {1, 8}};
    for (const auto& run : runs)
        for (int k = 0; k < run[1]; ++k)
        {
            d.bones.push_back(run[0]);
            d.positions.push_back({next(), next(), next()});
            d.texcoords.push_back(next());
            d.texcoords.push_back(next());
        }
    const uint16_t n = static_cast<uint16_t>(d.positions.size());
    for (uint16_t i = 0; i + 2 < n; ++i)
        d.indices.insert(d.indices.end(),
                         {i, static_cast<uint16_t>((i * 7 + 3) % n), static_cast<uint16_t>(n - 1 - i)});
    std::vector<gfx::Mat4> bones;
    for (int b = 0; b < 5; ++b)
    {
        gfx::Mat4 m = gfx::MatrixRotationYawPitchRoll(0.3f * b, 0.2f * b + 0.1f, -0.4f * b);
        m.m[3][0] = next();
        m.m[3][1] = next();
        m.m[3][2] = next();
        bones.push_back(m);
    }

    CSkinMesh mesh;
    ASSERT_EQ(mesh.Build(d), 0);
    EXPECT_EQ(mesh.m_nRuns, 5u);
    std::vector<TexturedVertex> out(n);
    ASSERT_TRUE(mesh.Skin(bones.data(), 5, out.data()));
    for (size_t j = 0; j < d.indices.size(); ++j)
    {
        const uint16_t i = d.indices[j];
        const gfx::Vec3& p = d.positions[i];
        const gfx::Mat4& m = bones[d.bones[i]];
        const TexturedVertex& v = out[mesh.m_pIndices[j]];
        ASSERT_NEAR(v.x, p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0], 1e-4f) << j;
        ASSERT_NEAR(v.y, p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1], 1e-4f) << j;
        ASSERT_NEAR(v.z, p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2], 1e-4f) << j;
        ASSERT_EQ(v.u, d.texcoords[2 * i]) << j;
        ASSERT_EQ(v.v, d.texcoords[2 * i + 1]) << j;
    }
}

TEST_F(Plants, LeafCardsRideOnTheirBonesTurnedAndSizedByTheirNumber)
{
    CSkinMesh cards;
    ASSERT_EQ(LoadLeafCardsFrom(m_archive, "two.linkanim", cards), 0);
    ASSERT_EQ(cards.m_nVertices, 8u);
    ASSERT_EQ(cards.m_nTriangles, 4u);
    EXPECT_EQ(cards.m_nBoneLimit, 2u);
    const uint16_t card1[6] = {4, 5, 6, 6, 5, 7};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(cards.m_pIndices[6 + i], card1[i]);

    const std::vector<gfx::Mat4> bones = {gfx::MatrixIdentity(), Translation(10, 20, 30)};
    TexturedVertex out[8];
    ASSERT_TRUE(cards.Skin(bones.data(), 2, out));

    // Card 0: no turn, size 0.5.
    const TexturedVertex card0[4] = {
        {-0.25f, 0.25f, 0, 0, 0}, {0.25f, 0.25f, 0, 2, 0}, {-0.25f, -0.25f, 0, 0, 2}, {0.25f, -0.25f, 0, 2, 2}};
    for (int k = 0; k < 4; ++k)
        ExpectVertex(out[k], card0[k], 1e-6f);

    // Card 1 on bone 1: size sin(0.737) + 0.5, turned by one radian each way,
    // around the bone's origin.
    const float size = std::sin(0.737f) + 0.5f;
    EXPECT_NEAR(size, 1.172f, 5e-4f);
    auto at = [&](int k) { return gfx::Vec3{out[4 + k].x - 10, out[4 + k].y - 20, out[4 + k].z - 30}; };
    auto dist = [](gfx::Vec3 a, gfx::Vec3 b) {
        return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
    };
    EXPECT_NEAR(dist(at(0), at(1)), size, 1e-4f);
    EXPECT_NEAR(dist(at(0), at(2)), size, 1e-4f);
    EXPECT_NEAR(dist(at(0), at(3)), size * std::sqrt(2.0f), 1e-4f);
    const gfx::Vec3 centre = {(at(0).x + at(3).x) / 2, (at(0).y + at(3).y) / 2, (at(0).z + at(3).z) / 2};
    EXPECT_NEAR(dist(centre, {0, 0, 0}), 0.0f, 1e-5f);
    // Its top edge runs along the turned x axis.
    const gfx::Mat4 r = gfx::MatrixRotationYawPitchRoll(1, 1, 1);
    EXPECT_NEAR((at(1).x - at(0).x) / size, r.m[0][0], 1e-4f);
    EXPECT_NEAR((at(1).y - at(0).y) / size, r.m[0][1], 1e-4f);
    EXPECT_NEAR((at(1).z - at(0).z) / size, r.m[0][2], 1e-4f);
}

TEST_F(Plants, APlantIsRewrittenOnlyWhileCounterBIsOddAfterItsFirstPose)
{
    CPlantAnimation plant;
    ASSERT_EQ(plant.LoadFrom(m_archive, "ten.anim", "ten.anim"), 0);
    EXPECT_EQ(plant.BoneCount(), 2u);
    // The first step poses the plant whatever counter B says.
    g_nowMs = 2000;
    const gfx::Mat4* first = plant.Advance(2);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, plant.m_First.Bones());

    struct Case
    {
        uint32_t counterB;
        bool rewritten;
    } cases[] = {{2, false}, {3, true}, {3, true}, {4, false}, {4, false}, {5, true}};
    uint32_t frame = plant.m_First.m_nFrame;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.counterB);
        g_nowMs += 40;
        const gfx::Mat4* bones = plant.Advance(c.counterB);
        // both animations step every frame, rewritten or not
        frame = (frame + 1) % 10;
        EXPECT_EQ(plant.m_First.m_nFrame, frame);
        EXPECT_EQ(plant.m_Second.m_nFrame, frame);
        EXPECT_EQ(bones, c.rewritten ? plant.m_First.Bones() : nullptr);
    }

    // Nothing before the first step, and nothing from an empty plant.
    CPlantAnimation fresh;
    ASSERT_EQ(fresh.LoadFrom(m_archive, "ten.anim", "ten.anim"), 0);
    fresh.m_First.m_dwLastStep = g_nowMs; // as if it had just stepped
    fresh.m_Second.m_dwLastStep = g_nowMs;
    EXPECT_EQ(fresh.Advance(1), nullptr);
    CPlantAnimation empty;
    EXPECT_NE(empty.LoadFrom(m_archive, "ten.anim", "missing.anim"), 0);
    EXPECT_FALSE(empty.IsLoaded());
    EXPECT_EQ(empty.Advance(1), nullptr);
}

TEST_F(Plants, GrassBladesStandOnTheirPointsAndFaceTheCamera)
{
    CGrassCards grass;
    ASSERT_EQ(grass.LoadFrom(m_archive, "grass.transobj"), 0);
    ASSERT_EQ(grass.m_nCount, 2u);
    uint16_t indices[12];
    grass.WriteIndices(indices);
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 12),
              (std::vector<uint16_t>{0, 1, 2, 1, 3, 2, 4, 5, 6, 5, 7, 6}));

    struct Case
    {
        const char* camera;
        gfx::Mat4 world;  // the camera's world matrix (inverse view)
        gfx::Vec3 across; // its right axis
    } cases[] = {
        {"along +z", Translation(500, 600, 700), {1, 0, 0}},
        {"turned to +x", gfx::MatrixRotationY(1.5707963f), {0, 0, -1}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.camera);
        TexturedVertex out[8];
        grass.Write(c.world, out);
        // Blade 0: size 1.6, 19.2 wide and 24 tall, roots on (10, 20, 30).
        const float h = 9.6f;
        const TexturedVertex blade0[4] = {{10 - h * c.across.x, 44, 30 - h * c.across.z, 0, 0},
                                          {10 + h * c.across.x, 44, 30 + h * c.across.z, 1, 0},
                                          {10 - h * c.across.x, 20, 30 - h * c.across.z, 0, 1},
                                          {10 + h * c.across.x, 20, 30 + h * c.across.z, 1, 1}};
        for (int k = 0; k < 4; ++k)
            ExpectVertex(out[k], blade0[k], 1e-4f);
        // Blade 1: its placement's scale and turn play no part.
        const float size = 0.5f * std::sin(1.0f) + 1.6f;
        EXPECT_NEAR(out[6].x, -5 - 6 * size * c.across.x, 1e-4f);
        EXPECT_NEAR(out[6].y, 0.0f, 1e-4f);
        EXPECT_NEAR(out[4].y, 15 * size, 1e-4f);
    }
}

} // namespace
