// The real scene on a real device (Wine's Direct3D 9 under Xvfb) with the
// executable's data archive: it renders, it moves, the cross-fade mixes two
// views, and the water reflects inside the pools and nowhere else, with and
// without bump mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "settings/SceneOptions.h"
#include "tests/render/SceneHarness.h"

namespace {

constexpr int kPath = 0;      // low up the river
constexpr int kWaterPath = 9; // round the eastern pools: a pool and the river in view
constexpr int kWaterFrame = 303;

// Where two pictures differ clearly, counted inside and outside the water
// masks (grown by a few pixels: filtering blurs the mask edges).
struct DifferenceSplit
{
    int inside = 0;
    int outside = 0;
};

DifferenceSplit SplitDifferences(const shots::Picture& a, const shots::Picture& b, const shots::Picture& masks)
{
    const int w = masks.width, h = masks.height, grow = 3;
    std::vector<uint8_t> water(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            if (masks.alpha[static_cast<size_t>(y) * w + x] <= 4)
                continue;
            for (int dy = -grow; dy <= grow; ++dy)
                for (int dx = -grow; dx <= grow; ++dx)
                {
                    const int yy = y + dy, xx = x + dx;
                    if (yy >= 0 && yy < h && xx >= 0 && xx < w)
                        water[static_cast<size_t>(yy) * w + xx] = 1;
                }
        }
    DifferenceSplit split;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const uint8_t* p = a.Pixel(x, y);
            const uint8_t* q = b.Pixel(x, y);
            int most = 0;
            for (int c = 0; c < 3; ++c)
                most = std::max(most, std::abs(static_cast<int>(p[c]) - static_cast<int>(q[c])));
            if (most > 12)
                (water[static_cast<size_t>(y) * w + x] ? split.inside : split.outside) += 1;
        }
    return split;
}

// A capability filter for one scope, with the bump decision made again on
// entry and on leaving: a failed assertion cannot leave the filter, or the
// water without bump mapping, to the tests after it.
class ScopedCapsFilter
{
public:
    ScopedCapsFilter(CWorld& world, DeviceCapsFilter filter) : m_world(world)
    {
        WorldSetDeviceCapsFilter(filter);
        m_world.InitBumpWater();
    }
    ~ScopedCapsFilter()
    {
        WorldSetDeviceCapsFilter(nullptr);
        m_world.InitBumpWater();
    }
    ScopedCapsFilter(const ScopedCapsFilter&) = delete;
    ScopedCapsFilter& operator=(const ScopedCapsFilter&) = delete;

private:
    CWorld& m_world;
};

class SceneRenderTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_harness = new shots::CSceneHarness;
        std::string error;
        s_open = s_harness->Open(1024, 768, false, error);
        if (!s_open)
        {
            std::printf("no device: %s\n", error.c_str());
            return;
        }
        std::printf("scene_load_ms=%.0f\n", s_harness->LoadScene());
    }
    static void TearDownTestSuite()
    {
        delete s_harness;
        s_harness = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_open) << "no real Direct3D 9 device";
        WorldSetDeviceCapsFilter(nullptr);
        WaterReflection = 1;
    }

    // A path at `frame`, drawn from its start.
    static shots::Picture FrameOf(int frame, int path = kPath)
    {
        s_harness->StartPath(path);
        s_harness->RenderPathFrame(frame);
        shots::Picture picture;
        EXPECT_TRUE(s_harness->CaptureBackBuffer(picture));
        return picture;
    }

    // The water frame with reflections and its masks, and where it differs
    // from the same frame without reflections.
    static DifferenceSplit ReflectionOnAgainstOff(shots::Picture& on, shots::Picture& masks)
    {
        on = FrameOf(kWaterFrame, kWaterPath);
        EXPECT_TRUE(s_harness->CaptureWaterMasks(masks));
        WaterReflection = 0;
        const shots::Picture off = FrameOf(kWaterFrame, kWaterPath);
        WaterReflection = 1;
        if (masks.alpha.empty())
            return {};
        return SplitDifferences(on, off, masks);
    }

    static shots::CSceneHarness* s_harness;
    static bool s_open;
};

shots::CSceneHarness* SceneRenderTest::s_harness = nullptr;
bool SceneRenderTest::s_open = false;

TEST_F(SceneRenderTest, TheSceneRendersAndMovesWithTheClock)
{
    CWorld& world = s_harness->World();
    EXPECT_TRUE(world.m_bCameraBlend);
    EXPECT_TRUE(world.m_bReflection);
    for (const CModel& model : world.m_Models)
        EXPECT_TRUE(model.IsLoaded());

    const shots::Picture first = FrameOf(0);
    const shots::Picture later = FrameOf(303); // 10 s on
    EXPECT_GT(shots::GreyDeviation(first), 20.0);
    EXPECT_GT(shots::GreyDeviation(later), 20.0);
    EXPECT_GT(shots::MeanDifference(first, later), 8.0);

    // The same clock gives the same picture: nothing else feeds the frame.
    const shots::Picture again = FrameOf(303);
    EXPECT_LT(shots::MeanDifference(later, again), 0.5);
}

TEST_F(SceneRenderTest, AFrameInsideTheBlendMixesBothViews)
{
    CWorld& world = s_harness->World();
    s_harness->RenderHalfwayBlend(kPath);
    ASSERT_TRUE(world.m_Switch.m_bBlending);
    EXPECT_NE(world.m_Switch.m_nNextCamera, kPath);
    EXPECT_FLOAT_EQ(world.m_Switch.m_fBlend, 0.5f);

    shots::Picture blended, current, next;
    ASSERT_TRUE(s_harness->CaptureBackBuffer(blended));
    ASSERT_TRUE(s_harness->CaptureSurface(world.m_pViewSurface[0], current));
    ASSERT_TRUE(s_harness->CaptureSurface(world.m_pViewSurface[1], next));
    EXPECT_GT(shots::MeanDifference(current, next), 8.0) << "two different paths";

    // Alpha 127 of 255 over view 0.
    shots::Picture expected = current;
    for (size_t i = 0; i < expected.rgb.size(); ++i)
        expected.rgb[i] = static_cast<uint8_t>((next.rgb[i] * 127 + current.rgb[i] * 128 + 127) / 255);
    EXPECT_LT(shots::MeanDifference(blended, expected), 2.0);
    EXPECT_GT(shots::MeanDifference(blended, current), 3.0);
    EXPECT_GT(shots::MeanDifference(blended, next), 3.0);
}

TEST_F(SceneRenderTest, ReflectionsChangeThePoolsAndNothingElse)
{
    shots::Picture on, masks;
    const DifferenceSplit split = ReflectionOnAgainstOff(on, masks);
    EXPECT_GT(split.inside, 2000) << "the water shows a reflection";
    EXPECT_LE(split.outside, split.inside / 100) << "reflection outside the water";
}

TEST_F(SceneRenderTest, WithoutBumpMappingTheWaterStillReflects)
{
    const shots::Picture bumped = FrameOf(kWaterFrame, kWaterPath);
    {
        const ScopedCapsFilter noBump(s_harness->World(), shots::WithoutBumpMapping);
        ASSERT_FALSE(g_bBumpWater);

        shots::Picture on, masks;
        const DifferenceSplit reflected = ReflectionOnAgainstOff(on, masks);
        EXPECT_GT(reflected.inside, 2000);
        EXPECT_LE(reflected.outside, reflected.inside / 100);
        // The bump map only moves the reflection about, inside the water.
        const DifferenceSplit rippled = SplitDifferences(bumped, on, masks);
        EXPECT_GT(rippled.inside, 0);
        EXPECT_LE(rippled.outside, rippled.inside / 100 + 10);
    }
    EXPECT_TRUE(g_bBumpWater);
}

} // namespace
