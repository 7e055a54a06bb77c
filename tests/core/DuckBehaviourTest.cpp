// What a duck does after each played-through cycle: swim to splash, splash
// to dive, dive to swim, each change by the 8000 threshold of one draw.
#include <gtest/gtest.h>

#include "src/ClassBase/DuckBehaviour.h"
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
