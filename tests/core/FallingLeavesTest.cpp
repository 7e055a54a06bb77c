// The falling leaves: their start values in the order of the random draws,
// the waterfall clearance at its edges, falling, resting, restarting and
// fading, and the limits (no leaves, no time, too many).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "src/ClassBase/FallingLeaves.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassBase/WorldFrame.h"
#include "src/ClassRender/CrtRandom.h"
#include "tests/core/CrtDrawsTestSupport.h"

namespace {

using crtdraws::DrawsOf;
using crtdraws::Unit;

class FallingLeavesTest : public crtdraws::SeededTest<12345>
{
protected:
    FallingLeaves m_leaves;
};

} // namespace

TEST_F(FallingLeavesTest, StartValuesTakeTheirDrawsInOrder)
{
    // Build: model, band, height, x, z, life, spin; restart: the same
    // without the height, at 300 and over the wider z range.
    for (bool atBuild : {true, false})
    {
        SCOPED_TRACE(atBuild ? "build" : "restart");
        // A state whose band draw picks the west: no clearance draw.
        uint32_t state = 7;
        for (;; ++state)
        {
            CrtRandSetState(state);
            CrtRand();
            if (Unit(CrtRand()) <= 0.5f)
                break;
        }
        CrtRandSetState(state);
        const int model = CrtRand() % 4;
        CrtRand(); // band
        const float y = atBuild ? 300.0f * Unit(CrtRand()) : 300.0f;
        const float x = -420.0f + 140.0f * Unit(CrtRand());
        const float z = atBuild ? -510.0f + 1000.0f * Unit(CrtRand()) : -710.0f + 1400.0f * Unit(CrtRand());
        const float life = 8.0f + 32.0f * Unit(CrtRand());
        const float spin = 100.0f * Unit(CrtRand());
        const uint32_t end = CrtRandState();

        CrtRandSetState(state);
        FallingLeaf leaf = {};
        m_leaves.Start(leaf, atBuild);
        EXPECT_EQ(CrtRandState(), end);
        EXPECT_EQ(leaf.model, model);
        EXPECT_FLOAT_EQ(leaf.y, y);
        EXPECT_FLOAT_EQ(leaf.x, x);
        EXPECT_FLOAT_EQ(leaf.z, z);
        EXPECT_FLOAT_EQ(leaf.life, life);
        EXPECT_FLOAT_EQ(leaf.spin, spin);
        EXPECT_FLOAT_EQ(leaf.rest, SCENE_LEAF_REST_Y);
    }
}

TEST_F(FallingLeavesTest, EasternLeavesKeepClearOfTheFalls)
{
    // z before, and the side it is pushed to (0: left alone, no draw).
    struct Case
    {
        float z;
        int side;
    } cases[] = {
        {-588.0f, 1}, {-518.01f, 1}, {-518.0f, 0},  {-588.01f, -1}, {-657.99f, -1}, {-658.0f, 0}, {620.0f, 1},
        {689.99f, 1}, {690.0f, 0},   {619.99f, -1}, {550.01f, -1},  {550.0f, 0},    {0.0f, 0},    {-700.0f, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.z);
        float z = 0.0f;
        const int draws = DrawsOf([&] { z = LeafWaterfallClearance(c.z); });
        EXPECT_EQ(draws, c.side == 0 ? 0 : 1);
        const float moved = (z - c.z) * static_cast<float>(c.side);
        if (c.side == 0)
        {
            EXPECT_EQ(z, c.z);
        }
        else
        {
            EXPECT_GE(moved, 70.0f);
            EXPECT_LE(moved, 100.0f);
        }
    }
    // Restarted eastern leaves never start near a fall; western ones may.
    int east = 0;
    for (int i = 0; i < 20000; ++i)
    {
        FallingLeaf leaf = {};
        m_leaves.Start(leaf, false);
        if (leaf.x < 418.0f)
            continue;
        ++east;
        ASSERT_FALSE(std::fabs(leaf.z + 588.0f) < 70.0f || std::fabs(leaf.z - 620.0f) < 70.0f) << leaf.z;
    }
    EXPECT_GT(east, 9000);
}

TEST_F(FallingLeavesTest, LeavesFallDriftRestAndStartAgain)
{
    m_leaves.m_nCount = 2;
    m_leaves.m_Leaves[0] = {450.0f, 41.0f, 0.0f, 40.0f, 30.0f, 1, 10.0f};
    m_leaves.m_Leaves[1] = {-300.0f, 200.0f, 0.0f, 40.0f, 30.0f, 2, 0.0f};
    m_leaves.Advance(0.1f);
    // (10 x 0.02 + 24) x 0.1 down, 16 x 0.1 towards x = 0, spin on by 0.03.
    EXPECT_FLOAT_EQ(m_leaves.m_Leaves[0].y, 41.0f - 2.42f);
    EXPECT_FLOAT_EQ(m_leaves.m_Leaves[0].x, 448.4f);
    EXPECT_FLOAT_EQ(m_leaves.m_Leaves[0].spin, 10.03f);
    EXPECT_FLOAT_EQ(m_leaves.m_Leaves[1].x, -298.4f);
    EXPECT_FLOAT_EQ(m_leaves.m_Leaves[1].y, 197.6f);

    // At rest nothing but the life moves.
    const FallingLeaf rested = m_leaves.m_Leaves[0];
    m_leaves.Advance(0.1f);
    EXPECT_EQ(m_leaves.m_Leaves[0].y, rested.y);
    EXPECT_EQ(m_leaves.m_Leaves[0].x, rested.x);
    EXPECT_EQ(m_leaves.m_Leaves[0].spin, rested.spin);
    EXPECT_FLOAT_EQ(m_leaves.m_Leaves[0].life, 29.8f);

    // A leaf whose life ends in mid-air starts again at the top.
    m_leaves.m_Leaves[1].life = 0.05f;
    m_leaves.Advance(0.1f);
    EXPECT_EQ(m_leaves.m_Leaves[1].y, 300.0f);
    EXPECT_GE(m_leaves.m_Leaves[1].life, 8.0f);
}

TEST_F(FallingLeavesTest, PlacementTurnsTiltsAndFades)
{
    struct Case
    {
        float y, life, spin;
        float fade;
    } cases[] = {
        {40.0f, 10.0f, 2.0f, 1.0f}, // resting: turned about y only
        {39.0f, 2.0f, 0.5f, 0.5f},  // resting, fading
        {140.0f, 4.0f, 3.0f, 1.0f}, // falling, tilted by (40 - y) x spin / 1000
        {100.0f, 0.0f, 1.0f, 0.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.y);
        const FallingLeaf leaf = {10.0f, c.y, 20.0f, 40.0f, c.life, 0, c.spin};
        gfx::Mat4 world;
        float fade = -1.0f;
        LeafPlacement(leaf, world, fade);
        EXPECT_FLOAT_EQ(fade, c.fade);
        const gfx::Mat4 turn = c.y > 40.0f
                                   ? gfx::MatrixRotationYawPitchRoll(c.spin, (40.0f - c.y) * c.spin * 0.001f, 0.0f)
                                   : gfx::MatrixRotationY(c.spin);
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                EXPECT_FLOAT_EQ(world.m[r][k], turn.m[r][k]);
        EXPECT_FLOAT_EQ(world.m[3][0], 10.0f + 50.0f * std::sin(c.spin));
        EXPECT_FLOAT_EQ(world.m[3][1], c.y);
        EXPECT_FLOAT_EQ(world.m[3][2], 20.0f + 50.0f * std::cos(c.spin));
        EXPECT_FLOAT_EQ(world.m[3][3], 1.0f);
    }
}

TEST_F(FallingLeavesTest, BuildFillsEveryRecordAndPrewarmsTheCount)
{
    struct Case
    {
        uint32_t count, stored;
    } cases[] = {{0, 0}, {500, 500}, {1000, 1000}, {5000, 1000}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.count);
        CrtRandSetState(99);
        FallingLeaves leaves;
        const int draws = DrawsOf([&] { leaves.Build(c.count); });
        leaves.m_nCount = 0;
        CrtRandSetState(99);
        leaves.Build(c.count);
        EXPECT_EQ(leaves.m_nCount, c.stored);
        EXPECT_FLOAT_EQ(g_fFrameTime, 0.1f);
        // Every record has its start values, active or not.
        int resting = 0;
        for (const FallingLeaf& leaf : leaves.m_Leaves)
        {
            ASSERT_GE(leaf.model, 0);
            ASSERT_LT(leaf.model, LEAF_MODELS);
            ASSERT_EQ(leaf.rest, 40.0f);
            ASSERT_TRUE(std::isfinite(leaf.x) && std::isfinite(leaf.y) && std::isfinite(leaf.z));
            ASSERT_GE(leaf.life, 0.0f);
            resting += leaf.y <= leaf.rest;
        }
        if (c.stored == 0)
        {
            // the start values and nothing more: no leaf moved
            CrtRandSetState(99);
            FallingLeaves expected;
            for (FallingLeaf& leaf : expected.m_Leaves)
                expected.Start(leaf, true);
            EXPECT_EQ(std::memcmp(expected.m_Leaves, leaves.m_Leaves, sizeof(expected.m_Leaves)), 0);
            EXPECT_GE(draws, 7 * LEAF_MAX);
            EXPECT_LE(draws, 8 * LEAF_MAX);
            EXPECT_EQ(DrawsOf([&] { leaves.Advance(0.1f); }), 0);
        }
        else
        {
            // 30 s of falling: many have landed, and many have started again
            EXPECT_GT(resting, static_cast<int>(c.stored) / 5);
            EXPECT_GT(draws, 8 * LEAF_MAX);
        }
    }
}

TEST_F(FallingLeavesTest, NoTimeMovesNothing)
{
    m_leaves.Build(1000);
    const FallingLeaves before = m_leaves;
    EXPECT_EQ(DrawsOf([&] { m_leaves.Advance(0.0f); }), 0);
    for (int i = 0; i < LEAF_MAX; ++i)
    {
        EXPECT_EQ(m_leaves.m_Leaves[i].y, before.m_Leaves[i].y);
        EXPECT_EQ(m_leaves.m_Leaves[i].life, before.m_Leaves[i].life);
    }
}
