// Camera switching: the blend from frame 440 to 500 of the current path, the
// random choice of the next path, stalls, and paths without points.
#include <gtest/gtest.h>

#include <vector>

#include "src/ClassBase/CameraSwitch.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

uint32_t g_nowMs = 0;
uint32_t TestClock()
{
    return g_nowMs;
}

// Path p: eye (p x 100 + frame, 50, 0), looking along +z.
std::vector<uint8_t> PathFile(int p, int frames)
{
    CameraPathData d;
    for (int i = 0; i < frames; ++i)
    {
        d.eyes.push_back({p * 100.0f + i, 50.0f, 0.0f});
        d.targets.push_back({p * 100.0f + i, 50.0f, 10.0f});
    }
    return WriteCameraPathFile(d);
}

// rand() state whose next draw picks path `index`.
uint32_t StateDrawing(int index)
{
    for (uint32_t s = 1;; ++s)
    {
        CrtRandSetState(s);
        if (CameraIndexFromRand(CrtRand()) == index)
            return s;
    }
}

class CameraSwitchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_nowMs = 100000;
        ClockSetSource(TestClock);
        for (int p = 0; p < CAMERA_PATHS; ++p)
        {
            const std::vector<uint8_t> file = PathFile(p, 1001);
            ASSERT_EQ(m_paths[p].LoadBytes(file.data(), file.size()), 0);
        }
    }
    void TearDown() override
    {
        ClockSetSource(nullptr);
        CrtRandSetState(1);
    }

    // One frame as the world runs it: switching, then the path updates.
    gfx::Vec3 Frame()
    {
        m_switch.Update(m_paths);
        return m_switch.UpdatePaths(m_paths);
    }
    void StartOn(int camera)
    {
        m_switch.m_nCamera = camera;
        m_switch.m_nNextCamera = camera;
        m_paths[camera].Start();
        m_start = g_nowMs;
    }
    void AtFrame(int frame) { g_nowMs = m_start + frame * CAMERA_FRAME_MS; }

    CCameraPath m_paths[CAMERA_PATHS];
    CCameraSwitch m_switch;
    uint32_t m_start = 0;
};

TEST_F(CameraSwitchTest, IndexFromRandCoversEveryPath)
{
    std::vector<int> seen(CAMERA_PATHS, 0);
    for (int r = 0; r <= CRT_RAND_MAX; ++r)
    {
        const int index = CameraIndexFromRand(r);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, CAMERA_PATHS);
        ++seen[index];
    }
    for (int p = 0; p < CAMERA_PATHS; ++p)
        EXPECT_GT(seen[p], 0) << p;
    EXPECT_EQ(CameraIndexFromRand(0), 0);
    EXPECT_EQ(CameraIndexFromRand(33 * 14 + 1), 0); // 14.0... -> 14 mod 14
    EXPECT_EQ(CameraIndexFromRand(427), 13);        // 13.03...
}

TEST_F(CameraSwitchTest, FirstChoiceStartsThePathItDraws)
{
    CrtRandSetState(StateDrawing(13));
    m_switch.ChooseFirst(m_paths);
    EXPECT_EQ(m_switch.m_nCamera, 13);
    EXPECT_EQ(m_switch.m_nNextCamera, 0);
    EXPECT_FALSE(m_switch.m_bBlending);
    EXPECT_TRUE(m_paths[13].m_bActive);
    EXPECT_EQ(m_paths[13].m_dwStartTime, g_nowMs);
}

TEST_F(CameraSwitchTest, BlendsFromFrame440AndSwitchesAt500)
{
    StartOn(4);
    CrtRandSetState(StateDrawing(9));

    // The switch acts on the frame index of the previous update, so the
    // state after the frame drawn at index k reflects index k - 1.
    struct Step
    {
        int seen;
        bool blending;
        int camera;
        float blend;
    };
    const Step steps[] = {
        {438, false, 4, 0.0f}, {439, false, 4, 0.0f},       {440, true, 4, 0.0f},  // blend starts at weight 0
        {470, true, 4, 0.5f},  {499, true, 4, 0.98333335f}, {500, false, 9, 1.0f}, // the next path is current
        {501, false, 9, 1.0f},
    };
    size_t next = 0;
    for (int frame = 300; frame <= 502; ++frame)
    {
        AtFrame(frame);
        Frame();
        if (next < sizeof steps / sizeof steps[0] && steps[next].seen == frame - 1)
        {
            const Step& s = steps[next++];
            EXPECT_EQ(m_switch.m_bBlending, s.blending) << s.seen;
            EXPECT_EQ(m_switch.m_nCamera, s.camera) << s.seen;
            EXPECT_NEAR(m_switch.m_fBlend, s.blend, 1e-6f) << s.seen;
            if (s.seen == 440)
            {
                EXPECT_EQ(m_switch.m_nNextCamera, 9);
                EXPECT_TRUE(m_paths[9].m_bActive);
                EXPECT_EQ(m_paths[9].m_dwStartTime, g_nowMs);
            }
        }
    }
    EXPECT_EQ(next, sizeof steps / sizeof steps[0]);
    // the next path has played the 61 frames since the blend began
    EXPECT_EQ(m_paths[9].m_nFrame, 61);
    EXPECT_EQ(m_paths[4].m_nFrame, 500); // no longer updated
}

TEST_F(CameraSwitchTest, BlendWeightAtTheNamedFrames)
{
    StartOn(2);
    CrtRandSetState(StateDrawing(5));
    AtFrame(440);
    m_paths[2].UpdateCamera(); // the frame drawn at 440
    struct Case
    {
        int frame;
        float blend;
        bool blending;
    };
    const Case cases[] = {{440, 0.0f, true}, {470, 0.5f, true}, {499, 0.98333335f, true}, {500, 1.0f, false}};
    for (const Case& c : cases)
    {
        m_paths[2].m_nFrame = c.frame; // what the last update found
        m_switch.Update(m_paths);
        EXPECT_NEAR(m_switch.m_fBlend, c.blend, 1e-6f) << c.frame;
        EXPECT_EQ(m_switch.m_bBlending, c.blending) << c.frame;
    }
    EXPECT_EQ(m_switch.m_nCamera, 5);
}

TEST_F(CameraSwitchTest, NextPathIsNeverTheCurrentOne)
{
    for (int current = 0; current < CAMERA_PATHS; ++current)
    {
        CCameraSwitch sw;
        sw.m_nCamera = current;
        m_paths[current].m_nFrame = 440;
        CrtRandSetState(StateDrawing(current)); // the draw hits the current path
        sw.Update(m_paths);
        EXPECT_TRUE(sw.m_bBlending);
        EXPECT_EQ(sw.m_nNextCamera, (current + 1) % CAMERA_PATHS) << current; // 13 wraps to 0
    }
    // and a draw of another path is taken as it is
    CCameraSwitch sw;
    sw.m_nCamera = 3;
    m_paths[3].m_nFrame = 450;
    CrtRandSetState(StateDrawing(11));
    sw.Update(m_paths);
    EXPECT_EQ(sw.m_nNextCamera, 11);
}

TEST_F(CameraSwitchTest, StallPastFrame500CutsOverWithoutABlend)
{
    StartOn(6);
    CrtRandSetState(StateDrawing(1));
    AtFrame(430);
    Frame();
    EXPECT_EQ(m_paths[6].m_nFrame, 430);

    // one long stall: the frame is drawn at the far point of the path
    AtFrame(620);
    Frame();
    EXPECT_FALSE(m_switch.m_bBlending);
    EXPECT_EQ(m_switch.m_nCamera, 6);
    EXPECT_EQ(m_paths[6].m_nFrame, 620);

    // the following frame starts the next path and shows it at once
    AtFrame(621);
    const gfx::Vec3 eye = Frame();
    EXPECT_FALSE(m_switch.m_bBlending);
    EXPECT_EQ(m_switch.m_nCamera, 1);
    EXPECT_EQ(m_switch.m_nNextCamera, 1);
    EXPECT_EQ(m_paths[1].m_nFrame, 0);
    EXPECT_FLOAT_EQ(g_vCameraEye.x, 100.0f);
    // the frame's eye is the new current path's, unmixed
    EXPECT_FLOAT_EQ(eye.x, 100.0f);
}

TEST_F(CameraSwitchTest, SoundEyeMixesTheTwoPathsByTheBlend)
{
    StartOn(0);
    CrtRandSetState(StateDrawing(2));
    AtFrame(469);
    Frame(); // index 469
    AtFrame(470);
    Frame(); // saw 469: blending; current now at 470
    ASSERT_TRUE(m_switch.m_bBlending);
    AtFrame(471);
    const gfx::Vec3 eye = Frame(); // saw 470: weight 0.5
    ASSERT_NEAR(m_switch.m_fBlend, 0.5f, 1e-6f);
    // current eye before its update (470) and the next path's updated eye
    const float nextX = 200.0f + m_paths[2].m_nFrame;
    EXPECT_NEAR(eye.x, 0.5f * 470.0f + 0.5f * nextX, 1e-3f);
    EXPECT_FLOAT_EQ(eye.y, 50.0f);
    // g_vCameraEye follows the path updated last: the next one
    EXPECT_FLOAT_EQ(g_vCameraEye.x, nextX);
}

TEST_F(CameraSwitchTest, EmptyPathsAreLeftBehindAndNeverIndexed)
{
    for (int p : {3, 4})
        m_paths[p].Release();
    StartOn(3);
    EXPECT_FALSE(m_paths[3].m_bActive);
    CrtRandSetState(StateDrawing(3)); // draws itself: the next one (4) is empty too
    g_vCameraEye = {7, 8, 9};
    const gfx::Vec3 eye = Frame();
    EXPECT_EQ(m_switch.m_nCamera, 4);
    EXPECT_FLOAT_EQ(eye.x, 7.0f);
    // the following frame moves on to a path with points
    CrtRandSetState(StateDrawing(8));
    Frame();
    EXPECT_EQ(m_switch.m_nCamera, 8);
    EXPECT_TRUE(m_paths[8].m_bActive);
    Frame();
    EXPECT_FLOAT_EQ(g_vCameraEye.x, 800.0f);
}

} // namespace
