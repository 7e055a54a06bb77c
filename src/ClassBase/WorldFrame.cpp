// Portable core: the frame record.
#include "src/ClassBase/WorldFrame.h"

#include <cmath>

#include "src/ClassBase/WorldRules.h"
#include "src/ClassRender/Clock.h"

float g_fFrameTime = 0.0f;

namespace {

// A float of the raw millisecond count loses the milliseconds after a few
// hours of uptime and moves in steps of 64 ms after ten days. Each clock-driven
// float is therefore taken from the clock reduced modulo a whole number of
// milliseconds after which the result repeats (or, for the sines, comes back
// to within a millionth of a radian of where it was).
constexpr uint32_t RIVER_FLOW_PERIOD_MS = 20000;    // one texture repeat
constexpr uint32_t LEAF_ACROSS_PERIOD_MS = 1966637; // 313 turns of sin(t x 0.001)
constexpr uint32_t LEAF_ALONG_PERIOD_MS = 2532607;  // 524 turns of cos(t x 0.0013)

// Phase and amplitude of the drift of each floating leaf, across and along.
struct LeafDrift
{
    float a, A, b, B;
};
const LeafDrift kLeafDrift[WORLD_FLOATING_LEAVES] = {
    {41, 1.3f, 35, 1.3f}, {11, 1.2f, 61, 0.8f}, {17, 1.1f, 73, 1.0f}, {23, 1.0f, 95, 1.1f},
    {79, 1.1f, 57, 1.0f}, {92, 1.4f, 53, 1.1f}, {47, 1.5f, 72, 1.2f},
};

} // namespace

float WorldRiverFlow(uint32_t ms)
{
    return static_cast<float>(ms % RIVER_FLOW_PERIOD_MS) * 0.00005f;
}

void WorldLeafDrift(int k, uint32_t msAcross, uint32_t msAlong, float& x, float& z)
{
    const float t1 = static_cast<float>(msAcross % LEAF_ACROSS_PERIOD_MS) * 0.001f;
    const float t2 = static_cast<float>(msAlong % LEAF_ALONG_PERIOD_MS) * 0.0013f;
    x = std::sin(t1 + kLeafDrift[k].a) * kLeafDrift[k].A;
    z = std::cos(t2 + kLeafDrift[k].b) * kLeafDrift[k].B;
}

int WorldBumpFrame(uint32_t ms)
{
    return static_cast<int>((ms / 100) % WORLD_BUMP_TEXTURES);
}

void WorldFillView(WorldFrameView& view, const CCameraPath& path, int pathIndex)
{
    view.nPath = pathIndex;
    view.mProjection = path.m_mProjection;
    for (int pass = 0; pass < WORLD_SCENE_PASSES; ++pass)
    {
        view.mView[pass] = path.View(static_cast<ScenePass>(pass));
        view.mSkyView[pass] = path.SkyView(static_cast<ScenePass>(pass));
    }
    view.mInverseView = path.m_mInverseView;
    if (!path.CurrentEye(view.vEye))
        view.vEye = {0.0f, 0.0f, 0.0f};

    // Each reading is its own, in the order the passes used to take them.
    view.fRiverFlow = WorldRiverFlow(ClockReadMs());
    const uint32_t across = ClockReadMs();
    const uint32_t along = ClockReadMs();
    for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
        WorldLeafDrift(k, across, along, view.fLeafX[k], view.fLeafZ[k]);
    view.nPondBumpFrame = WorldBumpFrame(ClockReadMs());
    view.nRiverBumpFrame = WorldBumpFrame(ClockReadMs());
}

void CWorldFrameBuilder::Build(WorldFrame& frame, CCameraPath* paths, CCameraSwitch& cameras, bool canBlend,
                               int rainDrops)
{
    const uint32_t now = ClockReadMs();
    frame.dwNow = now;
    frame.fFrameTime = WorldFrameTime(now, m_dwPreviousMs);
    m_dwPreviousMs = now;
    g_fFrameTime = frame.fFrameTime;

    cameras.Update(paths);
    frame.vSoundEye = cameras.UpdatePaths(paths);
    frame.nRings = rainDrops / 3;
    frame.fBlend = cameras.m_fBlend;
    frame.dwBlendFactor = WorldBlendFactor(cameras.m_fBlend);

    frame.nViews = canBlend && cameras.m_bBlending ? 2 : 1;
    WorldFillView(frame.views[0], paths[cameras.m_nCamera], cameras.m_nCamera);
    if (frame.nViews == 2)
        WorldFillView(frame.views[1], paths[cameras.m_nNextCamera], cameras.m_nNextCamera);
}
