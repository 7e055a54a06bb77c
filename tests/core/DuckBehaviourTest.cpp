// What a duck does after each played-through cycle: swim to splash, splash
// to dive, dive to swim, each change by the 8000 threshold of one draw; the
// animation that plays, stepped by the clock; the duck's world matrix.
#include <gtest/gtest.h>

#include <vector>

#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/DuckBehaviour.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"

TEST(DuckBehaviour, EachStateLeadsOnlyWhereItMay)
{
    // A long run through the generator: the next state follows the draw, a
    // swimming duck never dives and a splashing one never splashes again.
    CrtRandSetState(31337);
    int seen[DUCK_STATES][DUCK_STATES] = {};
    for (int i = 0; i < 30000; ++i)
    {
        const int state = i % DUCK_STATES;
        const uint32_t before = CrtRandState();
        const int r = CrtRand();
        CrtRandSetState(before);
        const DuckState next = DuckNextState(state);
        ++seen[state][next];
        switch (state)
        {
        case dsSwim:
            ASSERT_EQ(next, r < 8000 ? dsSplash : dsSwim);
            break;
        case dsSplash:
            ASSERT_EQ(next, r < 8000 ? dsDive : dsSwim);
            break;
        default:
            // no draw at all
            ASSERT_EQ(next, dsSwim);
            ASSERT_EQ(CrtRandState(), before);
            break;
        }
    }
    EXPECT_EQ(seen[dsSwim][dsDive], 0);
    EXPECT_EQ(seen[dsSplash][dsSplash], 0);
    EXPECT_EQ(seen[dsDive][dsSwim], 10000);
    // About 24.4 % change.
    EXPECT_NEAR(seen[dsSwim][dsSplash] / 10000.0, 0.244, 0.02);
    EXPECT_NEAR(seen[dsSplash][dsDive] / 10000.0, 0.244, 0.02);
    CrtRandSetState(1);
}

namespace {

uint32_t g_duckMs = 0;
uint32_t DuckClock()
{
    return g_duckMs;
}

// An animation of `frames` frames of one bone, the bone's x offset the frame
// number, as the archive would carry it.
std::vector<uint8_t> CountingAnim(uint16_t frames)
{
    AnimData d;
    d.boneCount = 1;
    d.frameCount = frames;
    for (uint16_t f = 0; f < frames; ++f)
    {
        gfx::Mat4 m = gfx::MatrixIdentity();
        m.m[3][0] = f;
        d.matrices.push_back(m);
    }
    return WriteAnimFile(d);
}

} // namespace

TEST(DuckBehaviour, TheAnimationStepsByTheClockAndItsEndChangesTheState)
{
    ClockSetSource(DuckClock);
    g_duckMs = 1000;
    CDuckBehaviour duck;
    const uint16_t frames[DUCK_STATES] = {3, 4, 5}; // swim, dive, splash
    for (int s = 0; s < DUCK_STATES; ++s)
    {
        const std::vector<uint8_t> file = CountingAnim(frames[s]);
        ASSERT_EQ(duck.m_Anims[s].LoadBytes(file.data(), file.size()), 0);
    }
    // Before its first step there is no pose; a frame lasts until 32 ms
    // have passed; a long stall is one step.
    duck.m_Anims[dsSwim].m_dwLastStep = g_duckMs;
    g_duckMs = 1031;
    EXPECT_EQ(duck.Advance(), nullptr);
    struct Step
    {
        uint32_t ms;
        uint32_t frame;
    } steps[] = {{1032, 1}, {1063, 1}, {1064, 2}, {90000, 0}};
    // The swim cycle ends at the last step: a draw of 8000 or more keeps it
    // swimming, so choose a generator state that gives one.
    uint32_t state = 1;
    for (;; ++state)
    {
        CrtRandSetState(state);
        if (CrtRand() >= DUCK_CHANCE)
            break;
    }
    for (const Step& st : steps)
    {
        SCOPED_TRACE(st.ms);
        g_duckMs = st.ms;
        if (st.ms == 90000)
            CrtRandSetState(state);
        const CBoneAnimation* posed = duck.Advance();
        ASSERT_EQ(posed, &duck.m_Anims[dsSwim]);
        EXPECT_EQ(posed->m_nFrame, st.frame);
        EXPECT_EQ(posed->Bones()[0].m[3][0], static_cast<float>(st.frame));
    }
    EXPECT_EQ(duck.m_nState, dsSwim);
    EXPECT_FALSE(duck.m_Anims[dsSwim].m_bWrapped) << "the wrap is taken once";

    // A draw below 8000 at the end of the next swim cycle: the splash plays,
    // from the frame it stopped at (it never played: its first step is 1).
    for (state = 1;; ++state)
    {
        CrtRandSetState(state);
        if (CrtRand() < DUCK_CHANCE)
            break;
    }
    for (uint32_t f = 1; f <= 3; ++f)
    {
        g_duckMs += 32;
        if (f == 3)
            CrtRandSetState(state);
        duck.Advance();
    }
    EXPECT_EQ(duck.m_nState, dsSplash);
    g_duckMs += 32;
    const CBoneAnimation* posed = duck.Advance();
    EXPECT_EQ(posed, &duck.m_Anims[dsSplash]);
    EXPECT_EQ(posed->m_nFrame, 1u);
    // The swim animation waits where it wrapped.
    EXPECT_EQ(duck.m_Anims[dsSwim].m_nFrame, 0u);

    ClockSetSource(nullptr);
    CrtRandSetState(1);
}

TEST(DuckBehaviour, TheModelIsScaledBeforeItsPlacement)
{
    gfx::Mat4 placement = gfx::MatrixRotationY(0.5f);
    placement.m[3][0] = 100.0f;
    placement.m[3][1] = 15.0f;
    const gfx::Mat4 world = DuckWorld(placement);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_FLOAT_EQ(world.m[r][c], 30.0f * placement.m[r][c]);
    // the placement's translation is not scaled
    EXPECT_FLOAT_EQ(world.m[3][0], 100.0f);
    EXPECT_FLOAT_EQ(world.m[3][1], 15.0f);
}
