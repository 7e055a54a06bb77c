// The real scene on a real device (Wine's Direct3D 9 under Xvfb) with the
// executable's data archive: it renders, it moves, the cross-fade mixes two
// views, the water reflects inside the pools and nowhere else, with and
// without bump mapping, the plants stand where their placements put them
// and sway, and the rain, its splashes, the sprays, the ducks and the leaves
// show where they belong (and nothing of them with rain and leaves off).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/SceneOptions.h"
#include "src/ClassBase/RainSplashes.h"
#include "src/ClassRender/IdleThrottle.h"
#include "tests/common/ScopedParticleOptions.h"
#include "tests/render/SceneHarness.h"

namespace {

constexpr int kPath = 0;      // low up the river
constexpr int kWaterPath = 9; // round the eastern pools: a pool and the river in view
constexpr int kWaterFrame = 303;

struct DifferenceSplit
{
    int inside = 0;
    int outside = 0;
};

// A mask grown by `grow` pixels every way.
std::vector<uint8_t> Grown(const std::vector<uint8_t>& mask, int w, int h, int grow)
{
    std::vector<uint8_t> out(mask.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            if (!mask[static_cast<size_t>(y) * w + x])
                continue;
            for (int yy = std::max(0, y - grow); yy <= std::min(h - 1, y + grow); ++yy)
                for (int xx = std::max(0, x - grow); xx <= std::min(w - 1, x + grow); ++xx)
                    out[static_cast<size_t>(yy) * w + xx] = 1;
        }
    return out;
}

// Where the water masks show water, grown a little: filtering blurs their
// edges.
std::vector<uint8_t> WaterArea(const shots::Picture& masks)
{
    std::vector<uint8_t> water(masks.alpha.size(), 0);
    for (size_t i = 0; i < water.size(); ++i)
        water[i] = masks.alpha[i] > 4;
    return Grown(water, masks.width, masks.height, 3);
}

// Where two pictures differ clearly, inside an area and outside it.
DifferenceSplit SplitDifferences(const shots::Picture& a, const shots::Picture& b, const std::vector<uint8_t>& area)
{
    DifferenceSplit split;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
        {
            const uint8_t* p = a.Pixel(x, y);
            const uint8_t* q = b.Pixel(x, y);
            int most = 0;
            for (int c = 0; c < 3; ++c)
                most = std::max(most, std::abs(static_cast<int>(p[c]) - static_cast<int>(q[c])));
            if (most > 12)
                (area[static_cast<size_t>(y) * a.width + x] ? split.inside : split.outside) += 1;
        }
    return split;
}

// The screen pixels that triangles cover, seen through a view and projection
// and clipped at the near plane.
class ScreenCover
{
public:
    ScreenCover(int width, int height, const WorldFrameView& view)
        : m_width(width), m_height(height), mask(static_cast<size_t>(width) * height, 0)
    {
        gfx::MatrixMultiply(m_viewProjection, view.mView[spMain], view.mProjection);
    }

    void Mesh(const std::vector<TexturedVertex>& vertices, const uint16_t* indices, uint32_t triangles,
              const gfx::Mat4& world)
    {
        gfx::Mat4 m;
        gfx::MatrixMultiply(m, world, m_viewProjection);
        std::vector<Clip> clip(vertices.size());
        for (size_t i = 0; i < vertices.size(); ++i)
        {
            const TexturedVertex& v = vertices[i];
            for (int c = 0; c < 4; ++c)
                clip[i].p[c] = v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c] + m.m[3][c];
        }
        for (uint32_t t = 0; t < triangles; ++t)
            Triangle(clip[indices[3 * t]], clip[indices[3 * t + 1]], clip[indices[3 * t + 2]]);
    }

    std::vector<uint8_t> mask;

private:
    struct Clip
    {
        float p[4]; // x, y, z, w
    };

    void Triangle(const Clip& a, const Clip& b, const Clip& c)
    {
        // keep the part in front of the near plane (z >= 0), as a fan
        const Clip in[3] = {a, b, c};
        Clip kept[4];
        int n = 0;
        for (int i = 0; i < 3; ++i)
        {
            const Clip& p = in[i];
            const Clip& q = in[(i + 1) % 3];
            if (p.p[2] >= 0)
                kept[n++] = p;
            if ((p.p[2] >= 0) != (q.p[2] >= 0))
            {
                const float t = p.p[2] / (p.p[2] - q.p[2]);
                Clip r;
                for (int k = 0; k < 4; ++k)
                    r.p[k] = p.p[k] + (q.p[k] - p.p[k]) * t;
                kept[n++] = r;
            }
        }
        for (int i = 1; i + 1 < n; ++i)
            Fill(kept[0], kept[i], kept[i + 1]);
    }

    void Fill(const Clip& a, const Clip& b, const Clip& c)
    {
        float x[3], y[3];
        const Clip* v[3] = {&a, &b, &c};
        for (int i = 0; i < 3; ++i)
        {
            const float w = std::max(v[i]->p[3], 1e-4f);
            x[i] = (v[i]->p[0] / w + 1.0f) * 0.5f * static_cast<float>(m_width);
            y[i] = (1.0f - v[i]->p[1] / w) * 0.5f * static_cast<float>(m_height);
        }
        const float area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (area == 0.0f)
            return;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
        const int x1 = std::min(m_width - 1, static_cast<int>(std::ceil(std::max({x[0], x[1], x[2]}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({y[0], y[1], y[2]}))));
        const int y1 = std::min(m_height - 1, static_cast<int>(std::ceil(std::max({y[0], y[1], y[2]}))));
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px)
            {
                const float sx = px + 0.5f, sy = py + 0.5f;
                float e[3];
                for (int i = 0; i < 3; ++i)
                {
                    const int j = (i + 1) % 3;
                    e[i] = ((x[j] - x[i]) * (sy - y[i]) - (y[j] - y[i]) * (sx - x[i])) * (area > 0 ? 1.0f : -1.0f);
                }
                if (e[0] >= 0 && e[1] >= 0 && e[2] >= 0)
                    mask[static_cast<size_t>(py) * m_width + px] = 1;
            }
    }

    int m_width, m_height;
    gfx::Mat4 m_viewProjection;
};

// Where the plants of the current camera's view can show, posed as the
// current frames of their animations: every triangle of every tree, reed and
// grass card (only the leaf cards of the trees for `crowns`), grown a little.
std::vector<uint8_t> PlantArea(CWorld& world, int width, int height, bool crowns)
{
    const WorldFrameView& view = world.m_Frame.views[0];
    ScreenCover cover(width, height, view);
    std::vector<TexturedVertex> posed;
    auto stand = [&](CPlantStand& s) {
        CAnimatedPlant& plant = s.m_Plant;
        for (const CSkinMesh* mesh : {&plant.m_Skin.m_Mesh, &plant.m_Leaves.m_Mesh})
        {
            if (!mesh->IsLoaded() || (crowns && mesh != &plant.m_Leaves.m_Mesh))
                continue;
            posed.resize(mesh->m_nVertices);
            EXPECT_TRUE(mesh->Skin(plant.m_Animation.m_First.Bones(), plant.m_Animation.BoneCount(), posed.data()));
            for (uint32_t j = 0; j < s.m_Placements.m_nCount; ++j)
                cover.Mesh(posed, mesh->m_pIndices, mesh->m_nTriangles, s.m_Placements.m_pMatrices[j]);
        }
    };
    for (CPlantStand& trees : world.m_Trees)
        stand(trees);
    if (!crowns)
    {
        stand(world.m_Reeds);
        for (const CGrassField& grass : world.m_Grass)
        {
            const uint32_t n = grass.m_Cards.m_nCount;
            posed.resize(4 * n);
            grass.m_Cards.Write(view.mInverseView, posed.data());
            std::vector<uint16_t> indices(6 * n);
            grass.m_Cards.WriteIndices(indices.data());
            cover.Mesh(posed, indices.data(), 2 * n, gfx::MatrixIdentity());
        }
    }
    return Grown(cover.mask, width, height, 4);
}

std::vector<uint8_t> Union(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = a[i] || b[i];
    return a;
}

size_t Count(const std::vector<uint8_t>& mask)
{
    return static_cast<size_t>(std::count(mask.begin(), mask.end(), 1));
}

// Every plant out of sight for the life of the object: no copies of the trees
// and reeds, no grass material.
class ScopedHiddenPlants
{
public:
    explicit ScopedHiddenPlants(CWorld& world) : m_world(world)
    {
        for (int k = 0; k < WORLD_TREE_KINDS; ++k)
            std::swap(m_trees[k], world.m_Trees[k].m_Placements.m_nCount);
        std::swap(m_reeds, world.m_Reeds.m_Placements.m_nCount);
        for (int g = 0; g < WORLD_GRASS_FIELDS; ++g)
            std::swap(m_grass[g], world.m_Grass[g].m_Buffers.m_nMaterials);
    }
    ~ScopedHiddenPlants()
    {
        for (int k = 0; k < WORLD_TREE_KINDS; ++k)
            std::swap(m_trees[k], m_world.m_Trees[k].m_Placements.m_nCount);
        std::swap(m_reeds, m_world.m_Reeds.m_Placements.m_nCount);
        for (int g = 0; g < WORLD_GRASS_FIELDS; ++g)
            std::swap(m_grass[g], m_world.m_Grass[g].m_Buffers.m_nMaterials);
    }
    ScopedHiddenPlants(const ScopedHiddenPlants&) = delete;
    ScopedHiddenPlants& operator=(const ScopedHiddenPlants&) = delete;

private:
    CWorld& m_world;
    uint32_t m_trees[WORLD_TREE_KINDS] = {};
    uint32_t m_reeds = 0;
    UINT m_grass[WORLD_GRASS_FIELDS] = {};
};

// Where two pictures differ by more than `threshold` in any channel.
std::vector<uint8_t> Differing(const shots::Picture& a, const shots::Picture& b, int threshold)
{
    std::vector<uint8_t> out(static_cast<size_t>(a.width) * a.height, 0);
    for (size_t i = 0; i < out.size(); ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(static_cast<int>(a.rgb[i * 3 + c]) - static_cast<int>(b.rgb[i * 3 + c])) > threshold)
                out[i] = 1;
    return out;
}

size_t CountIn(const std::vector<uint8_t>& mask, const std::vector<uint8_t>& area)
{
    size_t n = 0;
    for (size_t i = 0; i < mask.size(); ++i)
        n += mask[i] && area[i];
    return n;
}

// A world point on the screen of a view (pixels, y down); false behind the eye.
bool OnScreen(const WorldFrameView& view, const gfx::Vec3& p, int width, int height, float& sx, float& sy)
{
    gfx::Mat4 m;
    gfx::MatrixMultiply(m, view.mView[spMain], view.mProjection);
    float c[4];
    for (int k = 0; k < 4; ++k)
        c[k] = p.x * m.m[0][k] + p.y * m.m[1][k] + p.z * m.m[2][k] + m.m[3][k];
    if (c[3] <= 1.0f)
        return false;
    sx = (c[0] / c[3] + 1.0f) * 0.5f * static_cast<float>(width);
    sy = (1.0f - c[1] / c[3]) * 0.5f * static_cast<float>(height);
    return true;
}

// The point of a horizontal plane a screen pixel of a view looks at.
bool OnPlane(const WorldFrameView& view, float sx, float sy, int width, int height, float planeY, gfx::Vec3& out)
{
    gfx::Mat4 m, inverse;
    gfx::MatrixMultiply(m, view.mView[spMain], view.mProjection);
    if (!gfx::MatrixInverse(inverse, nullptr, m))
        return false;
    const float nx = sx / static_cast<float>(width) * 2.0f - 1.0f, ny = 1.0f - sy / static_cast<float>(height) * 2.0f;
    gfx::Vec3 ends[2];
    for (int e = 0; e < 2; ++e)
    {
        const float z = e == 0 ? 0.0f : 1.0f;
        float c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = nx * inverse.m[0][k] + ny * inverse.m[1][k] + z * inverse.m[2][k] + inverse.m[3][k];
        ends[e] = {c[0] / c[3], c[1] / c[3], c[2] / c[3]};
    }
    const float dy = ends[1].y - ends[0].y;
    if (std::fabs(dy) < 1e-6f)
        return false;
    const float t = (planeY - ends[0].y) / dy;
    if (t < 0.0f || t > 1.0f)
        return false;
    out = {ends[0].x + (ends[1].x - ends[0].x) * t, planeY, ends[0].z + (ends[1].z - ends[0].z) * t};
    return true;
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

    // A path at `frame`, drawn from its start. The plants are rewritten in
    // that frame (counter B odd), so they show their current pose. Drawn
    // twice: the particles move by the time since the frame before, which
    // the second drawing at the same clock makes none, so the same clock
    // always gives the same picture.
    static shots::Picture FrameOf(int frame, int path = kPath)
    {
        s_harness->StartPath(path);
        for (int twice = 0; twice < 2; ++twice)
        {
            g_IdleThrottle.b |= 1u;
            s_harness->RenderPathFrame(frame);
        }
        shots::Picture picture;
        EXPECT_TRUE(s_harness->CaptureBackBuffer(picture));
        return picture;
    }

    // A path at `frame` drawn once, for pictures without particles.
    static shots::Picture FrameOnce(int frame, int path)
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
        return SplitDifferences(on, off, WaterArea(masks));
    }

    static shots::CSceneHarness* s_harness;
    static bool s_open;
};

shots::CSceneHarness* SceneRenderTest::s_harness = nullptr;
bool SceneRenderTest::s_open = false;

// Clear-colour pixels whose ray meets the plane below all the ground
// before the far plane: the ground should have been drawn there, so each is
// a crack, a hole or the world's edge in view.
size_t Holes(const shots::Picture& p, const uint8_t clear[3], const WorldFrameView& view)
{
    gfx::Mat4 m, inverse;
    gfx::MatrixMultiply(m, view.mView[spMain], view.mProjection);
    if (!gfx::MatrixInverse(inverse, nullptr, m))
        return 0;
    auto unproject = [&](float nx, float ny, float nz) {
        float c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = nx * inverse.m[0][k] + ny * inverse.m[1][k] + nz * inverse.m[2][k] + inverse.m[3][k];
        return gfx::Vec3{c[0] / c[3], c[1] / c[3], c[2] / c[3]};
    };
    constexpr float kBelowAllGround = 0.0f;
    size_t holes = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
        {
            const uint8_t* c = p.Pixel(x, y);
            if (c[0] != clear[0] || c[1] != clear[1] || c[2] != clear[2])
                continue;
            const float nx = (static_cast<float>(x) + 0.5f) / static_cast<float>(p.width) * 2.0f - 1.0f;
            const float ny = 1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(p.height) * 2.0f;
            const gfx::Vec3 a = unproject(nx, ny, 0.0f), b = unproject(nx, ny, 1.0f);
            if (b.y >= a.y)
                continue; // looking up: only sky lies that way
            // a margin before the far plane, for the depth's precision
            const float t = (kBelowAllGround - a.y) / (b.y - a.y);
            holes += t < 0.97f;
        }
    return holes;
}

// Every path at 20 frames, cleared to a colour the scene never draws: with
// the sky, no pixel of it is left; without the sky, none of it shows where
// the ground should be (a crack, a hole, a missing triangle, the world's edge).
TEST_F(SceneRenderTest, NoPathSeesAHoleInTheWorld)
{
    const uint8_t clear[3] = {255, 0, 255};
    struct ClearColor
    {
        explicit ClearColor(D3DCOLOR c) { WorldSetClearColor(c); }
        ~ClearColor() { WorldSetClearColor(0); }
    } colour(D3DCOLOR_XRGB(clear[0], clear[1], clear[2]));
    CWorld& world = s_harness->World();
    const ScopedHiddenEffects hidden(world, heAll);
    CModel& sky = world.m_Models[wmSky];
    for (int path = 0; path < CAMERA_PATHS; ++path)
        for (int k = 0; k < 20; ++k)
        {
            // Inside the path's own stretch, before its cross-fade.
            const int frame = k * 22;
            SCOPED_TRACE(testing::Message() << "path " << path + 1 << " frame " << frame);
            const shots::Picture full = FrameOnce(frame, path);
            size_t left = 0;
            for (int y = 0; y < full.height; ++y)
                for (int x = 0; x < full.width; ++x)
                {
                    const uint8_t* c = full.Pixel(x, y);
                    left += c[0] == clear[0] && c[1] == clear[1] && c[2] == clear[2];
                }
            EXPECT_EQ(left, 0u);

            shots::Picture bare;
            {
                // The water's mirrored sky would show the clear colour too.
                const UINT materials = sky.m_nMaterials;
                sky.m_nMaterials = 0;
                WaterReflection = 0;
                bare = FrameOnce(frame, path);
                WaterReflection = 1;
                sky.m_nMaterials = materials;
            }
            const size_t holes = Holes(bare, clear, world.m_Frame.views[0]);
            EXPECT_EQ(holes, 0u);
            // QM_HOLE_SHOTS=DIR keeps the pictures of the frames with holes.
            if (const char* dir = std::getenv("QM_HOLE_SHOTS"); dir != nullptr && holes > 0)
                shots::WritePng(std::string(dir) + "\\hole_path" + std::to_string(path + 1) + "_f" +
                                    std::to_string(frame) + ".png",
                                bare);
        }
}

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
        const DifferenceSplit rippled = SplitDifferences(bumped, on, WaterArea(masks));
        EXPECT_GT(rippled.inside, 0);
        EXPECT_LE(rippled.outside, rippled.inside / 100 + 10);
    }
    EXPECT_TRUE(g_bBumpWater);
}

TEST_F(SceneRenderTest, PlantsAreDrawnWhereTheirPlacementsPutThemAndNowhereElse)
{
    CWorld& world = s_harness->World();
    for (const CPlantStand& trees : world.m_Trees)
        EXPECT_TRUE(trees.m_Plant.IsLoaded());
    EXPECT_TRUE(world.m_Reeds.m_Plant.IsLoaded());
    for (const CGrassField& grass : world.m_Grass)
        EXPECT_TRUE(grass.IsLoaded());

    const shots::Picture with = FrameOf(kWaterFrame, kWaterPath);
    shots::Picture masks;
    ASSERT_TRUE(s_harness->CaptureWaterMasks(masks));
    const std::vector<uint8_t> plants = PlantArea(world, with.width, with.height, false);
    shots::Picture without;
    {
        const ScopedHiddenPlants hidden(world);
        without = FrameOf(kWaterFrame, kWaterPath); // the same clock: no animation step
    }
    // The plants, and their reflections inside the water, and nothing else.
    const DifferenceSplit onPlants = SplitDifferences(with, without, plants);
    const DifferenceSplit anywhere = SplitDifferences(with, without, Union(plants, WaterArea(masks)));
    std::printf("plant area %zu px, differing inside %d, outside plants and water %d\n", Count(plants), onPlants.inside,
                anywhere.outside);
    EXPECT_GT(onPlants.inside, 20000);
    EXPECT_LT(Count(plants), with.rgb.size() / 3 * 3 / 4) << "the area must say where, not everywhere";
    EXPECT_LE(anywhere.outside, onPlants.inside / 200);

    // The same clock gives the same picture, plants and all.
    const shots::Picture again = FrameOf(kWaterFrame, kWaterPath);
    EXPECT_LT(shots::MeanDifference(with, again), 0.5);
}

TEST_F(SceneRenderTest, TheCrownsSwayWhileTheCameraHolds)
{
    CWorld& world = s_harness->World();
    // Rain, leaves, sprays and ducks move too; only the plants are looked at.
    const ScopedHiddenEffects still(world, heAll);
    const shots::Picture before = FrameOf(kWaterFrame, kWaterPath);
    shots::Picture masks;
    ASSERT_TRUE(s_harness->CaptureWaterMasks(masks));
    const std::vector<uint8_t> crownsBefore = PlantArea(world, before.width, before.height, true);
    const std::vector<uint8_t> plantsBefore = PlantArea(world, before.width, before.height, false);
    // A second on, frame by frame, the camera where that frame put it.
    for (uint32_t later = CAMERA_FRAME_MS; later <= 1000; later += CAMERA_FRAME_MS)
    {
        g_IdleThrottle.b |= 1u;
        s_harness->RenderPathFrameLater(kWaterFrame, later);
    }
    shots::Picture after;
    ASSERT_TRUE(s_harness->CaptureBackBuffer(after));
    const std::vector<uint8_t> crowns = Union(crownsBefore, PlantArea(world, after.width, after.height, true));
    const std::vector<uint8_t> plants = Union(plantsBefore, PlantArea(world, after.width, after.height, false));

    const DifferenceSplit inCrowns = SplitDifferences(before, after, crowns);
    const DifferenceSplit anywhere = SplitDifferences(before, after, Union(plants, WaterArea(masks)));
    std::printf("crown area %zu px, differing inside %d, outside plants and water %d\n", Count(crowns), inCrowns.inside,
                anywhere.outside);
    EXPECT_GT(inCrowns.inside, 2000) << "the leaves move";
    EXPECT_LE(anywhere.outside, inCrowns.inside / 100);
}

// Rain, splashes, sprays, ducks and leaves: each against the same frame with
// it out of sight. The frames where a fall is in view, and one where a duck
// swims close by.
constexpr int kFallAPath = 2, kFallAFrame = 80;  // towards the northern fall
constexpr int kFallBPath = 1, kFallBFrame = 170; // towards the southern fall
constexpr int kDuckFrame = 150;                  // on the river, a duck ahead

TEST_F(SceneRenderTest, RainStreaksAndSplashesFallOnTheWater)
{
    CWorld& world = s_harness->World();
    ASSERT_GT(world.m_Rain.Count(), 0u);
    // Half a second of rain first: the splashes start at the origin.
    for (int f = kWaterFrame - 30; f < kWaterFrame - 15; ++f)
        FrameOf(f);
    int seen = 0, onRiver = 0;
    size_t all = 0, onWater = 0;
    for (int f = kWaterFrame - 10; f <= kWaterFrame; f += 5)
    {
        const shots::Picture rain = FrameOf(f);
        // The masks without the rain: a splash hides the water behind it.
        shots::Picture dry, masks;
        {
            const ScopedHiddenEffects hidden(world, heRain);
            dry = FrameOf(f);
            ASSERT_TRUE(s_harness->CaptureWaterMasks(masks));
        }
        const std::vector<uint8_t> water = WaterArea(masks);
        const std::vector<uint8_t> changed = Differing(rain, dry, 12);
        onWater += CountIn(changed, water);
        all += Count(changed);

        // Each splash stands on the water at its level: seen from low over
        // the river, those over the river band sit on the river's picture.
        const WorldFrameView& view = world.m_Frame.views[0];
        for (int k = 0; k < RainSplashCount(world.m_Rain.Count()); ++k)
        {
            const RainSplash& splash = world.m_SplashPool.m_Pool[k];
            float sx, sy;
            if (SceneRainLevel(splash.x) != SCENE_RAIN_RIVER_LEVEL ||
                !OnScreen(view, {splash.x, splash.y + 0.5f, splash.z}, rain.width, rain.height, sx, sy) || sx < 0 ||
                sy < 0 || sx >= rain.width || sy >= rain.height)
                continue;
            ++seen;
            onRiver += water[static_cast<size_t>(sy) * rain.width + static_cast<size_t>(sx)];
        }
    }
    std::printf("rain changes %zu px, %zu of them on the water; splashes over the river in view %d, on its water %d\n",
                all, onWater, seen, onRiver);
    EXPECT_GT(onWater, 300u) << "splashes, streaks and rings on the water";
    EXPECT_GT(all - onWater, 100u) << "streaks in the air";
    EXPECT_GE(seen, 3);
    EXPECT_GE(onRiver * 5, seen * 4);
}

TEST_F(SceneRenderTest, SpraysShowAtBothFalls)
{
    CWorld& world = s_harness->World();
    struct Case
    {
        int path, frame;
        ScenePoint fall;
    } cases[] = {{kFallAPath, kFallAFrame, SCENE_FALL_A}, {kFallBPath, kFallBFrame, SCENE_FALL_B}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "fall at z " << c.fall.z);
        const shots::Picture spray = FrameOf(c.frame, c.path);
        float sx, sy;
        ASSERT_TRUE(OnScreen(world.m_Frame.views[0], {c.fall.x, c.fall.y - 30.0f, c.fall.z}, spray.width, spray.height,
                             sx, sy));
        shots::Picture none;
        {
            const ScopedHiddenEffects hidden(world, heSprays);
            none = FrameOf(c.frame, c.path);
        }
        // A faint glow, added on: small differences, all round the fall.
        const std::vector<uint8_t> changed = Differing(spray, none, 2);
        std::vector<uint8_t> nearFall(changed.size(), 0);
        for (int y = 0; y < spray.height; ++y)
            for (int x = 0; x < spray.width; ++x)
                nearFall[static_cast<size_t>(y) * spray.width + x] = std::hypot(x - sx, y - sy) < 160.0f;
        const size_t atFall = CountIn(changed, nearFall), all = Count(changed);
        std::printf("spray changes %zu px, %zu of them near the fall (%.0f, %.0f)\n", all, atFall, sx, sy);
        EXPECT_GT(atFall, 20u);
        EXPECT_GE(atFall * 20, all * 19);
    }
}

TEST_F(SceneRenderTest, DucksSwimWithTheirReflection)
{
    CWorld& world = s_harness->World();
    const shots::Picture ducks = FrameOf(kDuckFrame);
    shots::Picture mirrored, none, mirroredNone;
    ASSERT_TRUE(s_harness->CaptureSurface(world.m_pReflectionRSurface, mirrored));
    {
        const ScopedHiddenEffects hidden(world, heDucks);
        none = FrameOf(kDuckFrame);
        ASSERT_TRUE(s_harness->CaptureSurface(world.m_pReflectionRSurface, mirroredNone));
    }
    shots::Picture masks;
    ASSERT_TRUE(s_harness->CaptureWaterMasks(masks));
    const std::vector<uint8_t> changed = Differing(ducks, none, 12);
    const size_t inMirror = Count(Differing(mirrored, mirroredNone, 12));
    std::printf("ducks change %zu px of the picture (%zu on the water) and %zu of the river's mirror\n", Count(changed),
                CountIn(changed, WaterArea(masks)), inMirror);
    EXPECT_GT(Count(changed), 300u);
    EXPECT_GT(CountIn(changed, WaterArea(masks)), 100u) << "on the river, and mirrored in it";
    EXPECT_GT(inMirror, 30u);
}

TEST_F(SceneRenderTest, LeavesFallAndRestOnThePools)
{
    CWorld& world = s_harness->World();
    ASSERT_GT(world.m_LeafFall.Count(), 0u);
    // Falling: somewhere in the air over the river.
    const shots::Picture leaves = FrameOf(kWaterFrame);
    shots::Picture bare;
    {
        const ScopedHiddenEffects hidden(world, heLeaves);
        bare = FrameOf(kWaterFrame);
    }
    const size_t falling = Count(Differing(leaves, bare, 12));
    EXPECT_GT(falling, 20u);

    // Resting: leaves laid at rest on a pool in view (the pool water nearest
    // the bottom middle of the picture, outside the river's band).
    const FallingLeaves saved = world.m_LeafFall.m_Leaves;
    shots::Picture before = FrameOf(kWaterFrame, kWaterPath), masks;
    ASSERT_TRUE(s_harness->CaptureWaterMasks(masks));
    const WorldFrameView& view = world.m_Frame.views[0];
    gfx::Vec3 at = {};
    bool found = false;
    for (int y = masks.height - 40; y > masks.height / 2 && !found; y -= 8)
        for (int x = masks.width / 2; x < masks.width - 40 && !found; x += 8)
            found = masks.alpha[static_cast<size_t>(y) * masks.width + x] > 128 &&
                    OnPlane(view, x + 0.5f, y + 0.5f, masks.width, masks.height, SCENE_POND_Y, at) &&
                    SceneRainLevel(at.x) == SCENE_RAIN_POOL_LEVEL;
    ASSERT_TRUE(found) << "no pool water in view";
    FallingLeaves& fall = world.m_LeafFall.m_Leaves;
    fall.m_nCount = 60;
    for (uint32_t i = 0; i < fall.m_nCount; ++i)
    {
        // a leaf lies 50 from its circle's centre in the direction of its
        // spin, turned by it
        const float dx = static_cast<float>(i % 10) * 4.0f - 18.0f, dz = static_cast<float>(i / 10) * 4.0f - 10.0f;
        const float spin = 6.2831853f * static_cast<float>(i) / 7.0f;
        fall.m_Leaves[i] = {at.x + dx - 50.0f * std::sin(spin),
                            SCENE_LEAF_REST_Y,
                            at.z + dz - 50.0f * std::cos(spin),
                            SCENE_LEAF_REST_Y,
                            30.0f,
                            static_cast<int>(i % LEAF_MODELS),
                            spin};
    }
    const shots::Picture resting = FrameOf(kWaterFrame, kWaterPath);
    fall.m_nCount = 0;
    const shots::Picture empty = FrameOf(kWaterFrame, kWaterPath);
    world.m_LeafFall.m_Leaves = saved;
    const std::vector<uint8_t> changed = Differing(resting, empty, 12);
    const size_t onWater = CountIn(changed, WaterArea(masks));
    std::printf("falling leaves change %zu px; leaves resting on the pool at (%.0f, %.0f) change %zu px, %zu on its "
                "water\n",
                falling, at.x, at.z, Count(changed), onWater);
    EXPECT_GT(onWater, 100u);
    EXPECT_GE(onWater * 10, Count(changed) * 9);
}

TEST_F(SceneRenderTest, WithRainAndLeavesOffInTheSettingsNothingOfThemIsDrawn)
{
    // The reference: this world with every effect and every plant out of
    // sight (the plants' animations start over with a new world).
    shots::Picture without;
    {
        const ScopedHiddenEffects hidden(s_harness->World(), heAll);
        const ScopedHiddenPlants plants(s_harness->World());
        without = FrameOf(kWaterFrame, kWaterPath);
    }
    // A new world with rain and leaves switched off; sprays and ducks do not
    // follow the settings, so they are put out of sight here too.
    shots::Picture switchedOff;
    {
        const testsupport::ScopedParticleOptions off(0, 50);
        s_harness->App().ReleaseScene();
        s_harness->LoadScene();
        CWorld& world = s_harness->World();
        EXPECT_EQ(world.m_Rain.Count(), 0u);
        EXPECT_EQ(world.m_Rain.m_VertexBuffer.m_pRenderBuffer, nullptr);
        EXPECT_EQ(world.m_LeafFall.Count(), 0u);
        const ScopedHiddenEffects hidden(world, heSprays | heDucks);
        const ScopedHiddenPlants plants(world);
        switchedOff = FrameOf(kWaterFrame, kWaterPath);
    }
    const size_t differing = Count(Differing(switchedOff, without, 12));
    std::printf("rain and leaves off: %zu px differ from the frame without them\n", differing);
    EXPECT_LT(shots::MeanDifference(switchedOff, without), 0.3);
    EXPECT_LT(differing, 50u);

    // The world of the settings again, for any test after this one.
    s_harness->App().ReleaseScene();
    s_harness->LoadScene();
}

} // namespace
