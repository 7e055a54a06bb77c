// Portable core: the frame record. Everything one frame of the world
// computes from the clock and the settings is worked out here, once, at the
// start of the frame; the drawing code of the Windows layer only reads it.
//
// The pattern for every animated part of the scene: its state and its
// advance live in the core (advanced from this record, g_fFrameTime and
// CrtRand), its vertices are written by core code into a buffer the caller
// hands over, and the Windows layer only locks that buffer, calls the core
// and draws.
#pragma once

#include <cstdint>

#include "src/ClassBase/CameraSwitch.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/GfxMath.h"

constexpr int WORLD_FLOATING_LEAVES = 7;
constexpr int WORLD_BUMP_TEXTURES = 32;
constexpr int WORLD_SCENE_PASSES = 3;
// The current camera, and the next one while a cross-fade runs.
constexpr int WORLD_MAX_VIEWS = 2;

// Seconds of the last frame, at most 0.1; particles and ripples move by it.
extern float g_fFrameTime;

// One camera's picture: its matrices and the clock readings its passes use.
struct WorldFrameView
{
    int nPath = 0; // camera path index
    gfx::Mat4 mProjection = {};
    gfx::Mat4 mView[WORLD_SCENE_PASSES] = {};    // by ScenePass
    gfx::Mat4 mSkyView[WORLD_SCENE_PASSES] = {}; // the same without translation
    gfx::Mat4 mInverseView = {};                 // the camera's world matrix
    gfx::Vec3 vEye = {};                         // the path's eye; rain splashes land round it
    float fRiverFlow = 0.0f;                     // river texture offset along v
    float fLeafX[WORLD_FLOATING_LEAVES] = {};    // floating leaf drift
    float fLeafZ[WORLD_FLOATING_LEAVES] = {};
    int nPondBumpFrame = 0; // wave bump map of each water composite
    int nRiverBumpFrame = 0;
};

struct WorldFrame
{
    uint32_t dwNow = 0; // the frame's clock reading
    float fFrameTime = 0.0f;
    int nRings = 0;      // rain rings advanced and drawn per water body
    float fBlend = 0.0f; // weight of the next camera's picture
    uint32_t dwBlendFactor = 0;
    gfx::Vec3 vSoundEye = {}; // where the ambient sound is heard from
    int nViews = 1;           // 2 while a cross-fade is drawn
    WorldFrameView views[WORLD_MAX_VIEWS];
};

// River texture offset: it slides 0.05 units a second and repeats every
// 20 s, so the clock is reduced first and keeps its precision at any uptime.
float WorldRiverFlow(uint32_t ms);
// Drift of floating leaf k from two clock readings (across, along).
void WorldLeafDrift(int k, uint32_t msAcross, uint32_t msAlong, float& x, float& z);
// Wave bump map of a clock reading: ten a second, looping over 32.
int WorldBumpFrame(uint32_t ms);

// The matrices of a path and this view's own clock readings (river flow,
// the two leaf drifts, then the pond's and the river's bump frame).
void WorldFillView(WorldFrameView& view, const CCameraPath& path, int pathIndex);

// Advances the frame clock, the camera switch and the paths, and fills the
// record. One view, or two when blending is possible (both camera targets
// exist) and a cross-fade runs.
class CWorldFrameBuilder
{
public:
    uint32_t m_dwPreviousMs = 0; // 0 before the first frame: it runs with 0.1 s

    void Build(WorldFrame& frame, CCameraPath* paths, CCameraSwitch& cameras, bool canBlend, int rainDrops);
};
