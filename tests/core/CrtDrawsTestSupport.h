// Core tests of the scene's random parts: a fixture that starts the C-runtime
// generator at a chosen state and puts it back, the fraction a draw makes,
// and how many draws a call takes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "src/ClassRender/CrtRandom.h"

namespace crtdraws {

// rand() value r as the fraction the scene's formulas take.
inline float Unit(int r)
{
    return static_cast<float>(r) * (1.0f / 32767.0f);
}

// Draws made by call (the generator is left as the call left it).
template <class F> int DrawsOf(F call)
{
    const uint32_t before = CrtRandState();
    call();
    const uint32_t after = CrtRandState();
    CrtRandSetState(before);
    int n = 0;
    while (CrtRandState() != after && n < 1000000)
    {
        CrtRand();
        ++n;
    }
    return n;
}

template <uint32_t Seed> class SeededTest : public ::testing::Test
{
protected:
    void SetUp() override { CrtRandSetState(Seed); }
    void TearDown() override { CrtRandSetState(1); }
};

} // namespace crtdraws
