// Camera path playback: sampling by the clock, the derived views, the end of
// a path, and paths that failed to load.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "src/ClassBase/CameraPath.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/Clock.h"

namespace {

uint32_t g_nowMs = 0;
uint32_t TestClock()
{
    return g_nowMs;
}

class CameraPathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_nowMs = 5000;
        ClockSetSource(TestClock);
    }
    void TearDown() override { ClockSetSource(nullptr); }
};

// Eye i at (i, 40 + i, 2 i), looking at (i + 10, 30, 2 i + 5).
std::vector<uint8_t> PathFile(int frames)
{
    CameraPathData d;
    for (int i = 0; i < frames; ++i)
    {
        const float f = static_cast<float>(i);
        d.eyes.push_back({f, 40.0f + f, 2.0f * f});
        d.targets.push_back({f + 10.0f, 30.0f, 2.0f * f + 5.0f});
    }
    return WriteCameraPathFile(d);
}

gfx::Vec3 Transform(const gfx::Vec3& p, const gfx::Mat4& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

void ExpectNear(const gfx::Vec3& a, const gfx::Vec3& b, float tolerance = 1e-3f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST_F(CameraPathTest, LoadsPointsAndTheFixedProjection)
{
    CCameraPath path;
    const std::vector<uint8_t> file = PathFile(1001);
    ASSERT_EQ(file.size(), 24032u);
    ASSERT_EQ(path.LoadBytes(file.data(), file.size()), 0);
    EXPECT_EQ(path.m_nCount, 1001);
    ExpectNear(path.m_pEye[1000], {1000.0f, 1040.0f, 2000.0f});
    ExpectNear(path.m_pTarget[3], {13.0f, 30.0f, 11.0f});
    EXPECT_FALSE(path.m_bActive);

    // 70 degrees vertically over the recording's aspect, depth 1..2000
    const float yScale = 1.0f / std::tan(1.2216945f / 2.0f);
    EXPECT_NEAR(path.m_mProjection.m[1][1], yScale, 1e-5f);
    EXPECT_NEAR(path.m_mProjection.m[0][0], yScale / 1.2635379f, 1e-5f);
    EXPECT_NEAR(path.m_mProjection.m[2][2], 2000.0f / 1999.0f, 1e-6f);
    EXPECT_NEAR(path.m_mProjection.m[3][2], -2000.0f / 1999.0f, 1e-5f);
    EXPECT_EQ(path.m_mProjection.m[2][3], 1.0f);
}

TEST_F(CameraPathTest, SamplesOnePointPer33MsWithoutInterpolation)
{
    CCameraPath path;
    const std::vector<uint8_t> file = PathFile(1001);
    ASSERT_EQ(path.LoadBytes(file.data(), file.size()), 0);
    path.Start();
    EXPECT_TRUE(path.m_bActive);

    struct Case
    {
        uint32_t afterMs;
        int frame;
        bool active;
    };
    const Case cases[] = {
        {0, 0, true},       {32, 0, true},       {33, 1, true},        {65, 1, true}, {66, 2, true},
        {32999, 999, true}, {33000, 1000, true}, {33033, 1000, false}, // past the last point: the path ends there
    };
    for (const Case& c : cases)
    {
        g_nowMs = path.m_dwStartTime + c.afterMs;
        path.UpdateCamera();
        EXPECT_EQ(path.m_nFrame, c.frame) << c.afterMs;
        EXPECT_EQ(path.m_bActive, c.active) << c.afterMs;
        ExpectNear(g_vCameraEye, path.m_pEye[c.frame]);
    }

    // a finished path stays on its last point whatever the clock says
    const gfx::Mat4 lastView = path.m_mView;
    g_nowMs += 100000;
    path.UpdateCamera();
    EXPECT_EQ(path.m_nFrame, 1000);
    EXPECT_EQ(0, memcmp(&lastView, &path.m_mView, sizeof lastView));
}

TEST_F(CameraPathTest, ClockWrapStillCountsForward)
{
    CCameraPath path;
    const std::vector<uint8_t> file = PathFile(100);
    ASSERT_EQ(path.LoadBytes(file.data(), file.size()), 0);
    g_nowMs = 0xFFFFFFF0u;
    path.Start();
    g_nowMs = 0x00000050u; // 96 ms later, across the wrap of the counter
    path.UpdateCamera();
    EXPECT_EQ(path.m_nFrame, 2);
}

TEST_F(CameraPathTest, ViewsOfTheThreePasses)
{
    CCameraPath path;
    const std::vector<uint8_t> file = PathFile(50);
    ASSERT_EQ(path.LoadBytes(file.data(), file.size()), 0);
    path.Start();
    g_nowMs += 33 * 7;
    path.UpdateCamera();
    const gfx::Vec3 eye = path.m_pEye[7];   // (7, 47, 14)
    const gfx::Vec3 at = path.m_pTarget[7]; // (17, 30, 19)

    // main view: the eye goes to the origin and the target ahead on +z
    ExpectNear(Transform(eye, path.m_mView), {0, 0, 0});
    const gfx::Vec3 ahead = Transform(at, path.m_mView);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-3f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-3f);
    EXPECT_GT(ahead.z, 0.0f);

    // mirrored views: same x and z, heights mirrored about 37 and 15
    struct Mirror
    {
        ScenePass pass;
        float plane;
        const gfx::Mat4* view;
        const gfx::Mat4* sky;
    };
    const Mirror mirrors[] = {
        {spPondReflection, 37.0f, &path.m_mPondView, &path.m_mPondSkyView},
        {spRiverReflection, 15.0f, &path.m_mRiverView, &path.m_mRiverSkyView},
    };
    for (const Mirror& m : mirrors)
    {
        const gfx::Vec3 mirroredEye = {eye.x, m.plane - (eye.y - m.plane), eye.z};
        const gfx::Vec3 mirroredAt = {at.x, m.plane - (at.y - m.plane), at.z};
        ExpectNear(Transform(mirroredEye, *m.view), {0, 0, 0});
        const gfx::Vec3 a = Transform(mirroredAt, *m.view);
        EXPECT_NEAR(a.x, 0.0f, 1e-3f) << m.plane;
        EXPECT_NEAR(a.y, 0.0f, 1e-3f) << m.plane;
        EXPECT_EQ(&path.View(m.pass), m.view);
        EXPECT_EQ(&path.SkyView(m.pass), m.sky);
    }
    EXPECT_EQ(&path.View(spMain), &path.m_mView);
    EXPECT_EQ(&path.SkyView(spMain), &path.m_mSkyView);

    // sky views: the rotation only
    const std::pair<const gfx::Mat4*, const gfx::Mat4*> skies[] = {
        {&path.m_mView, &path.m_mSkyView},
        {&path.m_mPondView, &path.m_mPondSkyView},
        {&path.m_mRiverView, &path.m_mRiverSkyView},
    };
    for (const auto& s : skies)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
            {
                const float expected = (r == 3 && c < 3) ? 0.0f : s.first->m[r][c];
                EXPECT_EQ(s.second->m[r][c], expected) << r << c;
            }

    // the inverse view places the camera: its translation is the eye
    ExpectNear({path.m_mInverseView.m[3][0], path.m_mInverseView.m[3][1], path.m_mInverseView.m[3][2]}, eye);
    ExpectNear(Transform({0, 0, 0}, path.m_mInverseView), eye);
}

TEST_F(CameraPathTest, EyeOnItsTargetKeepsThePreviousViews)
{
    CameraPathData d;
    d.eyes = {{0, 50, 0}, {5, 50, 5}};
    d.targets = {{10, 50, 0}, {5, 50, 5}}; // frame 1 has no direction
    const std::vector<uint8_t> file = WriteCameraPathFile(d);
    CCameraPath path;
    ASSERT_EQ(path.LoadBytes(file.data(), file.size()), 0);
    path.Start();
    path.UpdateCamera();
    const gfx::Mat4 view = path.m_mView;
    g_nowMs += 33;
    path.UpdateCamera();
    EXPECT_EQ(path.m_nFrame, 1);
    EXPECT_EQ(0, memcmp(&view, &path.m_mView, sizeof view));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_TRUE(std::isfinite(path.m_mInverseView.m[r][c]));
}

TEST_F(CameraPathTest, BadFilesLeaveAnEmptyPathThatNeverPlays)
{
    const std::vector<uint8_t> good = PathFile(3);
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"no bytes", {}},
        {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 6)},
        {"cut points", std::vector<uint8_t>(good.begin(), good.end() - 4)},
        {"no frames", PathFile(0)},
    };
    for (const Case& c : cases)
    {
        CCameraPath path;
        ASSERT_EQ(path.LoadBytes(good.data(), good.size()), 0);
        EXPECT_NE(path.LoadBytes(c.bytes.data(), c.bytes.size()), 0) << c.what;
        EXPECT_EQ(path.m_nCount, 0) << c.what;
        EXPECT_EQ(path.m_pEye, nullptr) << c.what;
        // the projection is there all the same
        EXPECT_NE(path.m_mProjection.m[2][3], 0.0f) << c.what;

        g_vCameraEye = {1, 2, 3};
        path.Start();
        EXPECT_FALSE(path.m_bActive) << c.what;
        path.m_bActive = true; // even when forced, nothing is indexed
        g_nowMs += 1000;
        path.UpdateCamera();
        EXPECT_FALSE(path.m_bActive) << c.what;
        ExpectNear(g_vCameraEye, {1, 2, 3});
        gfx::Vec3 eye;
        EXPECT_FALSE(path.CurrentEye(eye)) << c.what;
    }
}

} // namespace
