// The frame record: what one frame computes from the clock and the settings,
// its views while a cross-fade runs, and the clock-driven values at any
// uptime.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "src/ClassBase/TransObjFile.h"
#include "src/ClassBase/WorldFrame.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

uint32_t g_nowMs = 0;
int g_reads = 0;
uint32_t TestClock()
{
    ++g_reads;
    return g_nowMs;
}

constexpr uint32_t kDay = 24u * 3600u * 1000u;

class WorldFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_nowMs = 100000;
        ClockSetSource(TestClock);
        for (int p = 0; p < CAMERA_PATHS; ++p)
        {
            CameraPathData d;
            for (int i = 0; i < 1001; ++i)
            {
                d.eyes.push_back({p * 100.0f + i, 50.0f, 0.0f});
                d.targets.push_back({p * 100.0f + i, 40.0f, 10.0f});
            }
            const std::vector<uint8_t> file = WriteCameraPathFile(d);
            ASSERT_EQ(m_paths[p].LoadBytes(file.data(), file.size()), 0);
        }
        m_cameras.m_nCamera = 3;
        m_paths[3].Start();
    }
    void TearDown() override
    {
        ClockSetSource(nullptr);
        CrtRandSetState(1);
    }

    CCameraPath m_paths[CAMERA_PATHS];
    CCameraSwitch m_cameras;
    CWorldFrameBuilder m_builder;
    WorldFrame m_frame;
};

bool SameMatrix(const gfx::Mat4& a, const gfx::Mat4& b)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (a.m[r][c] != b.m[r][c])
                return false;
    return true;
}

} // namespace

TEST_F(WorldFrameTest, OneViewCarriesThePathsMatricesAndTheFrameSums)
{
    g_nowMs = 100000 + 10 * CAMERA_FRAME_MS;
    m_builder.Build(m_frame, m_paths, m_cameras, true, 1000);
    EXPECT_FLOAT_EQ(m_frame.fFrameTime, 0.1f); // the first frame
    EXPECT_EQ(g_fFrameTime, m_frame.fFrameTime);
    EXPECT_EQ(m_frame.nRings, 333);
    ASSERT_EQ(m_frame.nViews, 1);
    const WorldFrameView& v = m_frame.views[0];
    EXPECT_EQ(v.nPath, 3);
    EXPECT_EQ(m_paths[3].m_nFrame, 10);
    EXPECT_TRUE(SameMatrix(v.mProjection, m_paths[3].m_mProjection));
    EXPECT_TRUE(SameMatrix(v.mInverseView, m_paths[3].m_mInverseView));
    for (ScenePass pass : {spMain, spPondReflection, spRiverReflection})
    {
        EXPECT_TRUE(SameMatrix(v.mView[pass], m_paths[3].View(pass))) << pass;
        EXPECT_TRUE(SameMatrix(v.mSkyView[pass], m_paths[3].SkyView(pass))) << pass;
    }
    // the sound hears from the eye before this frame's step; the view
    // carries the eye of its frame (the splashes land round it)
    EXPECT_FLOAT_EQ(m_frame.vSoundEye.x, 300.0f);
    EXPECT_FLOAT_EQ(v.vEye.x, 310.0f);

    g_nowMs += 16;
    m_builder.Build(m_frame, m_paths, m_cameras, true, 0);
    EXPECT_FLOAT_EQ(m_frame.fFrameTime, 0.016f);
    EXPECT_EQ(m_frame.nRings, 0);
}

TEST_F(WorldFrameTest, ACrossFadeHasTwoViewsOnlyWhereBothTargetsExist)
{
    CrtRandSetState(1);
    g_nowMs = 100000 + 470 * CAMERA_FRAME_MS;
    m_builder.Build(m_frame, m_paths, m_cameras, true, 30);
    EXPECT_EQ(m_frame.nViews, 1);
    g_nowMs += CAMERA_FRAME_MS; // the switch sees frame 470: the blend starts
    m_builder.Build(m_frame, m_paths, m_cameras, true, 30);
    ASSERT_TRUE(m_cameras.m_bBlending);
    EXPECT_EQ(m_frame.nViews, 2);
    EXPECT_EQ(m_frame.fBlend, 0.0f);
    g_nowMs += CAMERA_FRAME_MS; // frame 471: weight 1 - 29/60
    m_builder.Build(m_frame, m_paths, m_cameras, true, 30);
    ASSERT_EQ(m_frame.nViews, 2);
    EXPECT_EQ(m_frame.views[0].nPath, 3);
    EXPECT_EQ(m_frame.views[1].nPath, m_cameras.m_nNextCamera);
    EXPECT_NE(m_frame.views[1].nPath, 3);
    EXPECT_TRUE(SameMatrix(m_frame.views[1].mView[spMain], m_paths[m_cameras.m_nNextCamera].m_mView));
    EXPECT_FLOAT_EQ(m_frame.fBlend, 1.0f - 29.0f / 60.0f);
    EXPECT_EQ(m_frame.dwBlendFactor >> 24, static_cast<uint32_t>(static_cast<int>(m_frame.fBlend * 255.0f)));
    EXPECT_EQ(m_frame.dwBlendFactor & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(m_frame.nRings, 10);

    // without the camera targets the blend runs unseen: one view
    g_nowMs += CAMERA_FRAME_MS;
    m_builder.Build(m_frame, m_paths, m_cameras, false, 30);
    EXPECT_TRUE(m_cameras.m_bBlending);
    EXPECT_EQ(m_frame.nViews, 1);
}

TEST_F(WorldFrameTest, EachViewTakesItsOwnFiveClockReadings)
{
    g_reads = 0;
    WorldFrameView view;
    WorldFillView(view, m_paths[0], 0);
    // river flow, leaves across and along, pond and river bump frames
    EXPECT_EQ(g_reads, 5);
}

// The values drawn from the clock, against their formulas while the clock is
// small enough for a float to hold it.
TEST(WorldFrameClock, ValuesAtAnEarlyClock)
{
    const uint32_t ms = 12345;
    EXPECT_FLOAT_EQ(WorldRiverFlow(ms), 12345 * 0.00005f);
    EXPECT_EQ(WorldRiverFlow(20000), 0.0f); // one whole texture repeat
    float x = 0, z = 0;
    WorldLeafDrift(0, ms, ms, x, z);
    EXPECT_FLOAT_EQ(x, std::sin(ms * 0.001f + 41) * 1.3f);
    EXPECT_FLOAT_EQ(z, std::cos(ms * 0.0013f + 35) * 1.3f);
    WorldLeafDrift(6, ms, ms, x, z);
    EXPECT_FLOAT_EQ(x, std::sin(ms * 0.001f + 47) * 1.5f);
    EXPECT_FLOAT_EQ(z, std::cos(ms * 0.0013f + 72) * 1.2f);
    const struct
    {
        uint32_t ms;
        int frame;
    } bumps[] = {{0, 0}, {99, 0}, {100, 1}, {3199, 31}, {3200, 0}, {0xFFFFFFFFu, 8}};
    for (const auto& b : bumps)
        EXPECT_EQ(WorldBumpFrame(b.ms), b.frame) << b.ms;
}

// After 40 days of uptime a float of the raw count moves in steps of 256 ms;
// the reduced clock still moves smoothly, one frame at a time.
TEST(WorldFrameClock, SmoothAfterFortyDays)
{
    const uint32_t start = 40 * kDay + 7;
    for (uint32_t t = start; t < start + 40 * 33; t += 33)
    {
        // 33 ms more of flow, unless it wrapped over a whole repeat
        float step = WorldRiverFlow(t + 33) - WorldRiverFlow(t);
        if (step < 0)
            step += 1.0f;
        EXPECT_NEAR(step, 33 * 0.00005f, 1e-5f) << t;

        float x0, z0, x1, z1;
        WorldLeafDrift(3, t, t, x0, z0);
        WorldLeafDrift(3, t + 33, t + 33, x1, z1);
        // d/dt of sin(0.001 t) x 1.0 is at most 0.001 per ms; never zero
        // for long and never a jump
        EXPECT_LE(std::fabs(x1 - x0), 33 * 0.001f * 1.0f + 1e-4f) << t;
        EXPECT_LE(std::fabs(z1 - z0), 33 * 0.0013f * 1.1f + 1e-4f) << t;
    }
    // and it still moves: over a second the drift changes by a visible amount
    float xa, za, xb, zb;
    WorldLeafDrift(3, start, start, xa, za);
    WorldLeafDrift(3, start + 1000, start + 1000, xb, zb);
    EXPECT_GT(std::fabs(xb - xa) + std::fabs(zb - za), 0.05f);
    // no jump where the reduced clock wraps
    for (uint32_t wrap : {1966637u, 2532607u})
    {
        WorldLeafDrift(3, wrap - 10, wrap - 10, xa, za);
        WorldLeafDrift(3, wrap + 23, wrap + 23, xb, zb);
        EXPECT_LE(std::fabs(xb - xa), 33 * 0.001f * 1.0f + 1e-4f) << wrap;
        EXPECT_LE(std::fabs(zb - za), 33 * 0.0013f * 1.1f + 1e-4f) << wrap;
    }
}
