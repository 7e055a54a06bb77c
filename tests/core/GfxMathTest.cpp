// Matrix functions: algebraic properties a wrong sign or order would break.
// Agreement with the extension library itself is checked under Wine.
#include <gtest/gtest.h>

#include <cmath>

#include "src/ClassRender/GfxMath.h"

namespace {

using gfx::Mat4;

gfx::Vec3 Transform(const Mat4& m, const gfx::Vec3& p, float* wOut = nullptr)
{
    const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    const float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
    const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
    if (wOut)
        *wOut = w;
    return {x, y, z};
}

Mat4 RandomMatrix(unsigned& seed)
{
    Mat4 m;
    for (auto& row : m.m)
        for (float& v : row)
        {
            seed = seed * 1664525u + 1013904223u;
            v = ((seed >> 8) & 0xFFFF) / 32768.0f - 1.0f;
        }
    return m;
}

TEST(GfxMath, PerspectiveMapsNearAndFarPlanesToDepthZeroAndOne)
{
    // the scene's own projection
    const Mat4 p = gfx::MatrixPerspectiveFovLH(1.2216945f, 1.2635379f, 1.0f, 2000.0f);
    for (float z : {1.0f, 2000.0f})
    {
        float w;
        const gfx::Vec3 v = Transform(p, {0, 0, z}, &w);
        EXPECT_NEAR(v.z / w, z == 1.0f ? 0.0f : 1.0f, 1e-6f);
        EXPECT_FLOAT_EQ(w, z);
    }
    // a point on the top edge of the field of view lands at y = 1
    float w;
    const float z = 10.0f, y = z * std::tan(1.2216945f / 2);
    gfx::Vec3 v = Transform(p, {0, y, z}, &w);
    EXPECT_NEAR(v.y / w, 1.0f, 1e-5f);
    v = Transform(p, {y * 1.2635379f, 0, z}, &w);
    EXPECT_NEAR(v.x / w, 1.0f, 1e-5f);
}

TEST(GfxMath, RotationsTurnTheLeftHandedWay)
{
    // +X turns towards -Z about +Y by a quarter turn
    const gfx::Vec3 v = Transform(gfx::MatrixRotationY(1.5707964f), {1, 0, 0});
    EXPECT_NEAR(v.x, 0, 1e-6f);
    EXPECT_NEAR(v.z, -1, 1e-6f);

    // yaw-pitch-roll equals roll, then pitch, then yaw as separate matrices
    const float yaw = 0.7f, pitch = -1.1f, roll = 2.3f;
    const float cr = std::cos(roll), sr = std::sin(roll), cp = std::cos(pitch), sp = std::sin(pitch);
    Mat4 rz = gfx::MatrixIdentity(), rx = gfx::MatrixIdentity();
    rz.m[0][0] = cr;
    rz.m[0][1] = sr;
    rz.m[1][0] = -sr;
    rz.m[1][1] = cr;
    rx.m[1][1] = cp;
    rx.m[1][2] = sp;
    rx.m[2][1] = -sp;
    rx.m[2][2] = cp;
    Mat4 expected;
    gfx::MatrixMultiply(expected, rz, rx);
    gfx::MatrixMultiply(expected, expected, gfx::MatrixRotationY(yaw)); // aliasing the output is allowed
    const Mat4 m = gfx::MatrixRotationYawPitchRoll(yaw, pitch, roll);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m.m[r][c], expected.m[r][c], 1e-6f) << r << "," << c;
}

TEST(GfxMath, MultiplyAppliesTheLeftMatrixFirst)
{
    Mat4 t = gfx::MatrixIdentity();
    t.m[3][0] = 5; // move along +X
    const Mat4 r = gfx::MatrixRotationY(1.5707964f);
    Mat4 tr, rt;
    gfx::MatrixMultiply(tr, t, r);
    gfx::MatrixMultiply(rt, r, t);
    const gfx::Vec3 a = Transform(tr, {0, 0, 0}), b = Transform(rt, {0, 0, 0});
    EXPECT_NEAR(a.z, -5, 1e-5f); // moved, then turned
    EXPECT_NEAR(b.x, 5, 1e-5f);  // turned (nothing to turn), then moved
}

TEST(GfxMath, InverseUndoesRandomMatricesAndRefusesSingularOnes)
{
    unsigned seed = 12345;
    for (int i = 0; i < 1000; ++i)
    {
        const Mat4 m = RandomMatrix(seed);
        Mat4 inv, prod;
        float det = 0;
        if (!gfx::MatrixInverse(inv, &det, m))
            continue;
        gfx::MatrixMultiply(prod, m, inv);
        double worst = 0, scale = 0;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
            {
                worst = std::fmax(worst, std::fabs(prod.m[r][c] - (r == c ? 1.0 : 0.0)));
                scale = std::fmax(scale, std::fabs(inv.m[r][c]));
            }
        EXPECT_LT(worst, 1e-6 * std::fmax(1.0, scale)) << "matrix " << i;
    }

    const Mat4 sentinel = gfx::MatrixRotationY(0.3f);
    Mat4 zeroRow = RandomMatrix(seed), twinRows = RandomMatrix(seed), flat = gfx::MatrixIdentity();
    for (int c = 0; c < 4; ++c)
    {
        zeroRow.m[2][c] = 0;
        twinRows.m[3][c] = twinRows.m[1][c] * 3.0f;
    }
    flat.m[1][1] = 0; // a scale that flattens Y
    for (const Mat4& singular : {zeroRow, twinRows, flat})
    {
        Mat4 out = sentinel;
        float det = 1;
        EXPECT_FALSE(gfx::MatrixInverse(out, &det, singular));
        EXPECT_EQ(out.m[0][0], sentinel.m[0][0]) << "left untouched";
        EXPECT_NEAR(det, 0.0f, 1e-6f);
    }

    // the scene's view matrices invert exactly enough to find the eye again
    Mat4 view, inv;
    ASSERT_TRUE(gfx::MatrixLookAtLH(view, {-254, 80, -624}, {0, 15, 0}, {0, 1, 0}));
    ASSERT_TRUE(gfx::MatrixInverse(inv, nullptr, view));
    EXPECT_NEAR(inv.m[3][0], -254, 1e-3f);
    EXPECT_NEAR(inv.m[3][1], 80, 1e-3f);
    EXPECT_NEAR(inv.m[3][2], -624, 1e-3f);
}

} // namespace
