// Portable core: which camera path the viewer sees, and the cross-fade to
// the next one. Shortly before the current path has played 500 frames a
// random other path starts and is blended in over 60 frames.
#pragma once

#include "src/ClassBase/CameraPath.h"

constexpr int CAMERA_PATHS = 14;
constexpr int CAMERA_BLEND_START = 440;
constexpr int CAMERA_BLEND_END = 500;
constexpr float CAMERA_BLEND_STEP = 0.016666668f; // 1/60 per path frame

// Path index from one rand() draw (0..32767): (int)(r x 1000 / 32767) mod 14.
int CameraIndexFromRand(int r);

struct CCameraSwitch
{
    int m_nCamera = 0; // current path, 0..13
    bool m_bBlending = false;
    int m_nNextCamera = 0; // path being blended in
    float m_fBlend = 0.0f; // weight of the next path, 0..1

    // First path at start-up: one draw, no exclusion; starts that path.
    void ChooseFirst(CCameraPath* paths);

    // Once per frame, before the paths are updated: starts a blend at frame
    // 440 of the current path (with a random other path), moves the weight,
    // and makes the next path current from frame 500 on. A current path
    // without points counts as played out, so the view moves on.
    void Update(CCameraPath* paths);

    // Updates the current path and, while it differs, the next one; returns
    // the eye for the frame's sound: the current eye before the update,
    // mixed with the next path's updated eye by m_fBlend.
    gfx::Vec3 UpdatePaths(CCameraPath* paths);
};
