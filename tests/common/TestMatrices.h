// Test helpers: matrices the tests build by hand.
#pragma once

#include "src/ClassRender/GfxMath.h"

namespace testmath {

// A move by (x, y, z), nothing else.
inline gfx::Mat4 Translation(float x, float y, float z)
{
    gfx::Mat4 m = gfx::MatrixIdentity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

} // namespace testmath
