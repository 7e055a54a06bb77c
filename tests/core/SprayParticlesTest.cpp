// The waterfall spray: a particle's draws in order, the bounce at each
// fall's depth limit, the prewarm, the diamond each sprite is drawn as, and
// no time at all.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassBase/SprayParticles.h"
#include "src/ClassBase/WorldFrame.h"
#include "src/ClassRender/CrtRandom.h"
#include "tests/core/CrtDrawsTestSupport.h"

namespace {

using crtdraws::Unit;

class SprayParticlesTest : public crtdraws::SeededTest<777>
{
protected:
    SprayParticles m_spray;
};

} // namespace

TEST_F(SprayParticlesTest, SpawnDrawsSizeThenSidewaysSpeedsThenLife)
{
    const uint32_t start = CrtRandState();
    const float size = 0.6f + 0.5f * Unit(CrtRand());
    const float vz = -0.8f + 1.6f * Unit(CrtRand());
    const float vx = -0.8f + 1.6f * Unit(CrtRand());
    const float life = 1.0f + Unit(CrtRand());
    const uint32_t end = CrtRandState();
    CrtRandSetState(start);
    SprayParticle p;
    std::memset(&p, 0x7F, sizeof(p));
    m_spray.Spawn(p);
    EXPECT_EQ(CrtRandState(), end);
    EXPECT_FLOAT_EQ(p.size, size);
    EXPECT_FLOAT_EQ(p.vz, vz);
    EXPECT_FLOAT_EQ(p.vx, vx);
    EXPECT_FLOAT_EQ(p.life, life);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(p.vy, 0.0f);
    EXPECT_EQ(p.one, 1.0f);
    EXPECT_EQ(p.angle, 0.0f);
    EXPECT_EQ(p.angularSpeed, 0.0f);
    EXPECT_TRUE(p.falling);
}

TEST_F(SprayParticlesTest, ParticlesBounceOnceAtTheDepthLimit)
{
    for (float depth : {SCENE_FALL_A_DEPTH, SCENE_FALL_B_DEPTH})
    {
        SCOPED_TRACE(depth);
        SprayParticles spray;
        for (SprayParticle& p : spray.m_Particles)
        {
            spray.Spawn(p);
            p.life = 100.0f; // long enough to see it all
        }
        SprayParticle& p = spray.m_Particles[0];
        float lowest = 0.0f, bouncedAt = 0.0f, speed = 0.0f;
        int bounces = 0;
        for (int step = 0; step < 400; ++step)
        {
            const bool wasFalling = p.falling;
            const float vy = p.vy;
            spray.Advance(0.01f, depth, nullptr);
            if (wasFalling && !p.falling)
            {
                ++bounces;
                bouncedAt = p.y;
                speed = vy + 100.2f * 0.01f;
                // 30 % of the speed, now upwards, and a sideways throw
                EXPECT_FLOAT_EQ(p.vy, 0.3f * speed);
                EXPECT_LE(std::fabs(p.vx), 12.0f);
                EXPECT_LE(std::fabs(p.vz), 12.0f);
                EXPECT_GE(p.size, 0.6f);
            }
            if (!p.falling)
                lowest = std::min(lowest, p.y);
        }
        EXPECT_EQ(bounces, 1);
        EXPECT_LT(bouncedAt, -depth);
        EXPECT_GT(bouncedAt, -depth - speed * 0.01f - 0.01f);
        // Thrown up, then down again and through the pool: no second bounce.
        EXPECT_LT(lowest, -depth - 5.0f);
        EXPECT_GE(p.size, 1.3f);
        EXPECT_LE(p.size, 2.0f);
    }
}

TEST_F(SprayParticlesTest, BuildIsASpawnAndFiftyStepsAtDepthFifty)
{
    const uint32_t start = CrtRandState();
    SprayParticles expected;
    for (SprayParticle& p : expected.m_Particles)
        expected.Spawn(p);
    for (int i = 0; i < 50; ++i)
        expected.Advance(0.1f, 50.0f, nullptr);
    const uint32_t end = CrtRandState();

    CrtRandSetState(start);
    g_fFrameTime = 0.02f;
    m_spray.Build();
    EXPECT_EQ(CrtRandState(), end);
    EXPECT_FLOAT_EQ(g_fFrameTime, 0.1f);
    EXPECT_EQ(std::memcmp(&expected, &m_spray, sizeof(expected)), 0);
    int thrown = 0;
    for (const SprayParticle& p : m_spray.m_Particles)
        thrown += !p.falling;
    EXPECT_GT(thrown, 0) << "5 s of spray: some have bounced";
}

TEST_F(SprayParticlesTest, EachSpriteIsADiamondAcrossTheFall)
{
    for (bool falling : {true, false})
    {
        SCOPED_TRACE(falling);
        SprayParticle& p = m_spray.m_Particles[0];
        p = {};
        p.x = 1.0f;
        p.y = -10.0f;
        p.z = 2.0f;
        p.size = 1.0f;
        p.life = 1.5f;
        p.falling = falling;
        TexturedVertex v[SPRAY_VERTICES];
        m_spray.Advance(0.0f, 50.0f, v);
        const float d = (0.8f * std::sin(3.0f) + 0.5f) * 1.0f;
        const float h = (falling ? 5.0f : 2.0f) * d;
        const float x = 1.0f + std::sin(1.5f);
        const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        // bottom, right, top, left: h high and d wide about the offset
        const float at[4][2] = {{-10.0f - h, 2.0f}, {-10.0f, 2.0f + d}, {-10.0f + h, 2.0f}, {-10.0f, 2.0f - d}};
        for (int k = 0; k < 4; ++k)
        {
            EXPECT_FLOAT_EQ(v[k].x, x);
            EXPECT_NEAR(v[k].y, at[k][0], 1e-3f);
            EXPECT_NEAR(v[k].z, at[k][1], 1e-3f);
            EXPECT_EQ(v[k].u, uv[k][0]);
            EXPECT_EQ(v[k].v, uv[k][1]);
        }
    }
    uint16_t idx[3 * SPRAY_TRIANGLES];
    SprayIndices(idx);
    const uint16_t want[12] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(idx[i], want[i]);
    EXPECT_EQ(idx[3 * SPRAY_TRIANGLES - 1], SPRAY_VERTICES - 1);
}

TEST_F(SprayParticlesTest, NoTimeMovesNothing)
{
    m_spray.Build();
    const SprayParticles before = m_spray;
    const uint32_t state = CrtRandState();
    TexturedVertex v[SPRAY_VERTICES];
    m_spray.Advance(0.0f, 70.0f, v);
    for (int i = 0; i < SPRAY_PARTICLES; ++i)
    {
        EXPECT_EQ(m_spray.m_Particles[i].y, before.m_Particles[i].y);
        EXPECT_EQ(m_spray.m_Particles[i].life, before.m_Particles[i].life);
    }
    for (const TexturedVertex& s : v)
        ASSERT_TRUE(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z));
    // Only the thrown-up sprites draw (their size) when nothing moves.
    int thrown = 0;
    for (const SprayParticle& p : before.m_Particles)
        thrown += !p.falling;
    CrtRandSetState(state);
    CrtRandDiscard(static_cast<uint32_t>(thrown));
    const uint32_t expected = CrtRandState();
    CrtRandSetState(state);
    m_spray.Advance(0.0f, 70.0f, nullptr);
    EXPECT_EQ(CrtRandState(), expected);
}
