// The rain and its splashes: the level a drop falls to, the streak's fade
// and widening, the drops' and splashes' random draws in order, the splash
// count of a drop count, and the limits (no drops, no time, a drop
// restarted above the fade).
#include <gtest/gtest.h>

#include <cmath>

#include "src/ClassBase/RainDrops.h"
#include "src/ClassBase/RainSplashes.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/CrtRandom.h"
#include "tests/core/CrtDrawsTestSupport.h"

namespace {

using crtdraws::Unit;

using RainTest = crtdraws::SeededTest<4242>;

} // namespace

TEST_F(RainTest, TheRiverBandIsHalfOpen)
{
    struct Case
    {
        float x, level;
    } cases[] = {{-46.0f, 15.2f}, {-46.001f, 37.4f}, {176.99f, 15.2f}, {177.0f, 37.4f},
                 {0.0f, 15.2f},   {-400.0f, 37.4f},  {400.0f, 37.4f}};
    for (const Case& c : cases)
        EXPECT_EQ(SceneRainLevel(c.x), c.level) << c.x;
}

TEST_F(RainTest, StreaksFadeInFromAboveAndWidenOnTheWater)
{
    const float level = SCENE_RAIN_RIVER_LEVEL;
    struct Case
    {
        float y;
        uint32_t alpha;
        float widen; // added to the half-width; -1: no width at all
        float base;
    } cases[] = {
        {500.0f, 0, 0.0f, 500.0f},         // the top of the fade
        {400.0f, 59, 0.0f, 400.0f},        // half way
        {300.0f, 119, 0.0f, 300.0f},       // full from here down
        {100.0f, 119, 0.0f, 100.0f},       //
        {507.0f, 0, 0.0f, 507.0f},         // restarted above the fade: invisible, not opaque
        {level - 10.0f, 119, 0.2f, level}, // under the water: base on it, wider
        {level - 29.9f, 119, 0.598f, level}, {level - 35.0f, 119, -1.0f, level - 35.0f}, // deep enough: gone
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.y);
        const RainDrop drop = {10.0f, c.y, 20.0f, level};
        RainVertex v[3];
        RainStreak(drop, v);
        EXPECT_EQ(v[0].color, 0x00FFFFFFu);
        EXPECT_EQ(v[0].y, c.y + 60.0f);
        EXPECT_EQ(v[0].x, 10.0f);
        EXPECT_EQ(v[1].color, (c.alpha << 24) | 0xAAAABBu);
        EXPECT_EQ(v[2].color, v[1].color);
        EXPECT_EQ(v[1].y, c.base);
        EXPECT_EQ(v[2].y, c.base);
        const float w = c.widen < 0.0f ? 0.0f : 0.3f * std::sin(30.0f) + c.widen;
        EXPECT_NEAR(v[1].x, 10.0f + w, 1e-5f);
        EXPECT_NEAR(v[2].x, 10.0f - w, 1e-5f);
        EXPECT_EQ(v[1].z, 20.0f);
    }
}

TEST_F(RainTest, DropsTakeTheirDrawsInOrderAndStartAgainHigherUp)
{
    // Build: height, x, z per drop.
    const uint32_t start = CrtRandState();
    const float y = 500.0f * Unit(CrtRand());
    const float x = -400.0f + 800.0f * Unit(CrtRand());
    const float z = -1000.0f + 2000.0f * Unit(CrtRand());
    CrtRandSetState(start);
    RainDrops rain;
    rain.Build(2);
    EXPECT_EQ(rain.m_nCount, 2u);
    EXPECT_FLOAT_EQ(rain.m_Drops[0].y, y);
    EXPECT_FLOAT_EQ(rain.m_Drops[0].x, x);
    EXPECT_FLOAT_EQ(rain.m_Drops[0].z, z);
    EXPECT_EQ(rain.m_Drops[0].level, SceneRainLevel(x));

    // Drop 0 falls 500 a second; drop 1, 30 below its level, starts again
    // (height, x, z). The vertices show the drops before they moved.
    rain.m_Drops[0] = {0.0f, 100.0f, 0.0f, 15.2f};
    rain.m_Drops[1] = {300.0f, 7.4f, 0.0f, 37.4f};
    const uint32_t before = CrtRandState();
    const float y1 = 7.4f + 400.0f + 100.0f * Unit(CrtRand());
    const float x1 = -400.0f + 800.0f * Unit(CrtRand());
    CrtRand();
    const uint32_t after = CrtRandState();
    CrtRandSetState(before);
    RainVertex v[2 * 3];
    rain.Advance(0.1f, v);
    EXPECT_EQ(CrtRandState(), after);
    EXPECT_FLOAT_EQ(rain.m_Drops[0].y, 50.0f);
    EXPECT_EQ(v[1].y, 100.0f);
    EXPECT_FLOAT_EQ(rain.m_Drops[1].y, y1);
    EXPECT_FLOAT_EQ(rain.m_Drops[1].x, x1);
    EXPECT_EQ(rain.m_Drops[1].level, SceneRainLevel(x1));
    EXPECT_EQ(v[3].y, 7.4f + 60.0f);

    // Without a buffer the drops still move.
    rain.Advance(0.1f, nullptr);
    EXPECT_FLOAT_EQ(rain.m_Drops[0].y, 0.0f);
}

TEST_F(RainTest, NoDropsOrNoTimeDrawNothingAndMoveNothing)
{
    RainDrops none;
    none.Build(0);
    EXPECT_EQ(none.m_nCount, 0u);
    EXPECT_EQ(CrtRandState(), 4242u);
    none.Advance(0.1f, nullptr);
    EXPECT_EQ(CrtRandState(), 4242u);

    // No time: drops above their sink point stay where they are (those
    // below it start again, time or not).
    RainDrops most;
    most.Build(5000);
    EXPECT_EQ(most.m_nCount, static_cast<uint32_t>(RAIN_MAX_DROPS));
    const RainDrops before = most;
    static RainVertex v[3 * RAIN_MAX_DROPS];
    most.Advance(0.0f, v);
    int still = 0;
    for (int i = 0; i < RAIN_MAX_DROPS; ++i)
        if (before.m_Drops[i].y > before.m_Drops[i].level - 30.0f)
        {
            ASSERT_EQ(most.m_Drops[i].y, before.m_Drops[i].y);
            ++still;
        }
    EXPECT_GT(still, 900);
    for (const RainVertex& r : v)
        ASSERT_TRUE(std::isfinite(r.x) && std::isfinite(r.y));
}

TEST_F(RainTest, StreakIndicesTurnEachTriangle)
{
    uint16_t idx[3 * RAIN_MAX_DROPS];
    RainIndices(RAIN_MAX_DROPS, idx);
    for (uint32_t i : {0u, 1u, 999u})
    {
        EXPECT_EQ(idx[3 * i], 3 * i);
        EXPECT_EQ(idx[3 * i + 1], 3 * i + 2);
        EXPECT_EQ(idx[3 * i + 2], 3 * i + 1);
    }
}

TEST_F(RainTest, OneSplashForEverySixteenDrops)
{
    struct Case
    {
        uint32_t drops;
        int splashes;
    } cases[] = {{0, 0}, {15, 0}, {16, 1}, {500, 31}, {1000, 62}, {100000, RAIN_SPLASH_POOL}};
    for (const Case& c : cases)
        EXPECT_EQ(RainSplashCount(c.drops), c.splashes) << c.drops;
}

TEST_F(RainTest, SplashesPopUpRoundTheEyeOnTheWater)
{
    RainSplashes splashes;
    const uint32_t start = CrtRandState();
    const float life0 = 0.2f + 0.2f * Unit(CrtRand());
    CrtRandSetState(start);
    splashes.Fill();
    EXPECT_FLOAT_EQ(splashes.m_Pool[0].life, life0);
    for (const RainSplash& s : splashes.m_Pool)
    {
        ASSERT_GE(s.life, 0.2f);
        ASSERT_LE(s.life, 0.4f);
        ASSERT_EQ(s.x, 0.0f);
    }

    // Splash 0 runs out (life, x, z); splash 1 ages; splash 2 is not in use.
    splashes.m_Pool[0].life = 0.05f;
    splashes.m_Pool[1].life = 0.3f;
    splashes.m_Pool[2].life = 0.01f;
    const gfx::Vec3 eye = {60.0f, 30.0f, 100.0f};
    const uint32_t before = CrtRandState();
    const float life = 0.1f + 0.15f * Unit(CrtRand());
    const float x = 60.0f + 400.0f * Unit(CrtRand()) - 200.0f;
    const float z = 100.0f + 400.0f * Unit(CrtRand()) - 200.0f;
    CrtRandSetState(before);
    splashes.Advance(2, 0.1f, eye);
    EXPECT_FLOAT_EQ(splashes.m_Pool[0].life, life);
    EXPECT_FLOAT_EQ(splashes.m_Pool[0].x, x);
    EXPECT_FLOAT_EQ(splashes.m_Pool[0].z, z);
    EXPECT_EQ(splashes.m_Pool[0].y, SceneRainLevel(x));
    EXPECT_FLOAT_EQ(splashes.m_Pool[1].life, 0.2f);
    EXPECT_EQ(splashes.m_Pool[2].life, 0.01f);

    // It shrinks to nothing as its life runs out.
    const gfx::Mat4 m = RainSplashWorld({5.0f, 15.2f, 6.0f, 0.1f});
    EXPECT_EQ(m.m[0][0], 10.0f);
    EXPECT_FLOAT_EQ(m.m[1][1], 1.8f);
    EXPECT_EQ(m.m[2][2], 10.0f);
    EXPECT_EQ(m.m[3][0], 5.0f);
    EXPECT_EQ(m.m[3][1], 15.2f);
    EXPECT_EQ(m.m[3][2], 6.0f);
    EXPECT_EQ(m.m[3][3], 1.0f);

    // However many are asked for, the pool is the limit.
    splashes.Advance(1000, 0.0f, eye);
}
