#include <gtest/gtest.h>

#include "src/ClassBase/RippleRings.h"
#include "src/ClassBase/WorldRules.h"
#include "src/ClassRender/CrtRandom.h"

// Finds a generator state whose next draw d = rand() % 890 lies in [lo, hi].
static uint32_t StateForDraw(int lo, int hi)
{
    for (uint32_t s = 1;; ++s)
    {
        CrtRandSetState(s);
        const int d = CrtRand() % 890;
        if (d >= lo && d <= hi)
            return s;
    }
}

TEST(RippleRings, RegionTableCoversEveryDrawOnceWithSharesByHalfExtent)
{
    for (int d = 0; d < 890; ++d)
        ASSERT_NE(RippleRegionOf(d), nullptr) << d;
    EXPECT_EQ(RippleRegionOf(890), nullptr);
    EXPECT_EQ(RippleRegionOf(-1), nullptr);
    // Every region that places a ring gets its half-extent's share, the last one 72.
    for (int i = 0; i < g_nRippleRegions; ++i)
    {
        const RippleRegion& r = g_RippleRegions[i];
        if (i + 1 < g_nRippleRegions)
            EXPECT_EQ(g_RippleRegions[i + 1].first, r.last + 1);
        if (!r.keep && r.last != 889)
            EXPECT_EQ(r.last - r.first + 1, static_cast<int>(r.h)) << i;
    }
}

TEST(RippleRings, PondRespawnPlacesInRegionOrKeepsPosition)
{
    struct Case
    {
        int lo, hi;
        bool keep;
    } cases[] = {{0, 9, false}, {10, 19, true}, {30, 39, true}, {160, 275, false}, {818, 889, false}};
    for (const Case& c : cases)
    {
        RippleRings rings;
        RippleRing& r = rings.Ring(RIPPLE_SET_POND, 5);
        r = RippleRing{};
        r.x = 1234.0f;
        r.y = 77.0f;
        r.z = -999.0f;
        r.phase = 0.99f;
        const uint32_t s = StateForDraw(c.lo, c.hi);
        CrtRandSetState(s);
        const RippleRegion* region = RippleRegionOf(CrtRand() % 890);
        CrtRandSetState(s);
        rings.Respawn(RIPPLE_SET_POND, 5, {0, 0, 0});
        if (c.keep)
        {
            EXPECT_EQ(r.x, 1234.0f);
            EXPECT_EQ(r.y, 77.0f);
            EXPECT_EQ(r.z, -999.0f);
        }
        else
        {
            EXPECT_LE(std::abs(r.x - region->x), region->h + 1e-3f) << c.lo;
            EXPECT_LE(std::abs(r.z - region->z), region->h + 1e-3f) << c.lo;
            EXPECT_EQ(r.y, region->y);
        }
        // New size, rate and phase in every case.
        EXPECT_GE(r.size, 3.0f);
        EXPECT_LE(r.size, 6.0f);
        EXPECT_GE(r.rate, 1.6f);
        EXPECT_LE(r.rate, 2.0f);
        EXPECT_GE(r.phase, 0.0f);
        EXPECT_LE(r.phase, 0.9f);
    }
}

TEST(RippleRings, RiverRingsFollowTheEyeAndOnlyCountRingsAdvance)
{
    CrtRandSetState(1);
    RippleRings rings;
    rings.Build({0, 0, 0});
    const RippleRings before = rings;
    const gfx::Vec3 eye = {5000.0f, 50.0f, -7000.0f};
    // A step of a whole second ends every advanced ring's life.
    rings.Advance(3, 1.0f, eye);
    for (int k = 0; k < 3; ++k)
    {
        const RippleRing& r = rings.Ring(RIPPLE_SET_RIVER, k);
        EXPECT_NEAR(r.x, eye.x, 300.0f);
        EXPECT_NEAR(r.z, eye.z, 300.0f);
        EXPECT_EQ(r.y, 15.5f);
    }
    for (int k = 3; k < RIPPLE_SET_SIZE; ++k)
    {
        EXPECT_EQ(rings.Ring(RIPPLE_SET_RIVER, k).phase, before.Ring(RIPPLE_SET_RIVER, k).phase);
        EXPECT_EQ(rings.Ring(RIPPLE_SET_POND, k).phase, before.Ring(RIPPLE_SET_POND, k).phase);
    }
    // A short step only moves the phase.
    RippleRings calm = before;
    calm.Ring(RIPPLE_SET_POND, 0).phase = 0.1f;
    calm.Advance(1, 0.05f, eye);
    EXPECT_NEAR(calm.Ring(RIPPLE_SET_POND, 0).phase, 0.1f + 0.05f * before.Ring(RIPPLE_SET_POND, 0).rate, 1e-6f);
    EXPECT_EQ(calm.Ring(RIPPLE_SET_POND, 0).x, before.Ring(RIPPLE_SET_POND, 0).x);
}

TEST(RippleRings, FrameOfPhaseIsTruncatedAndLimited)
{
    EXPECT_EQ(RippleFrame(0.0f), 0);
    EXPECT_EQ(RippleFrame(0.99f), 14);
    EXPECT_EQ(RippleFrame(1.0f), 15);
    EXPECT_EQ(RippleFrame(1.5f), 15);
}

TEST(WorldRules, CountsFrameTimeAndBlendFactor)
{
    struct Case
    {
        bool on;
        int32_t strength;
        int count;
    } counts[] = {{true, 50, 500}, {true, 100, 1000}, {true, 150, 1000},       {false, 100, 0},
                  {true, 0, 0},    {true, -5, 1000},  {true, 2147483647, 1000}};
    for (const Case& c : counts)
        EXPECT_EQ(WorldParticleCount(c.on, c.strength), c.count) << c.strength;

    EXPECT_FLOAT_EQ(WorldFrameTime(5000, 0), 0.1f); // first frame
    EXPECT_FLOAT_EQ(WorldFrameTime(1040, 1000), 0.04f);
    EXPECT_FLOAT_EQ(WorldFrameTime(5, 0xFFFFFFF0u), 0.021f); // clock wrap

    EXPECT_EQ(WorldBlendFactor(0.0f), 0x00FFFFFFu);
    EXPECT_EQ(WorldBlendFactor(0.5f), 0x7FFFFFFFu);
    EXPECT_EQ(WorldBlendFactor(0.98333335f), 0xFAFFFFFFu);
    EXPECT_EQ(WorldBlendFactor(1.0f), 0xFFFFFFFFu);
}
