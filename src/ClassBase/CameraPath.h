// Portable core: a recorded camera path and its playback. The path holds one
// eye and one look-at point per 33 ms frame; UpdateCamera picks the point of
// the clock (no interpolation) and derives every view the passes draw with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/GfxMath.h"

constexpr uint32_t CAMERA_FRAME_MS = 33;

// Eye of the path updated last; the river ripples follow it.
extern gfx::Vec3 g_vCameraEye;

class CCameraPath
{
public:
    int m_nCount = 0;               // recorded frames
    gfx::Vec3* m_pEye = nullptr;    // m_nCount eye points, owned
    gfx::Vec3* m_pTarget = nullptr; // m_nCount look-at points, owned
    gfx::Mat4 m_mProjection;
    gfx::Mat4 m_mView;
    gfx::Mat4 m_mSkyView;     // m_mView without its translation row
    gfx::Mat4 m_mInverseView; // the camera's world matrix
    gfx::Mat4 m_mPondView;    // mirrored about y = 37
    gfx::Mat4 m_mRiverView;   // mirrored about y = 15
    gfx::Mat4 m_mPondSkyView;
    gfx::Mat4 m_mRiverSkyView;
    bool m_bActive = false;
    uint32_t m_dwStartTime = 0; // clock ms when started
    int m_nFrame = 0;           // current point, 0..m_nCount-1

    CCameraPath();
    ~CCameraPath();
    CCameraPath(const CCameraPath&) = delete;
    CCameraPath& operator=(const CCameraPath&) = delete;

    // Builds the projection, then reads the named path of an archive. 0, or
    // non-zero (logged) with no points when the file is missing or its size
    // disagrees with its count.
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    // The same over the bytes of one file.
    int LoadBytes(const void* data, size_t size);

    // Starts playing at frame 0 from now. A path without points stays idle.
    void Start();
    // Frame index from the clock (clamped to the last point, which ends the
    // path) and the seven matrices; sets g_vCameraEye. An idle path keeps
    // its matrices.
    void UpdateCamera();

    // The point of the current frame; false for a path without points.
    bool CurrentEye(gfx::Vec3& eye) const;

    // View and sky view of a pass (anything else: main).
    const gfx::Mat4& View(ScenePass pass) const;
    const gfx::Mat4& SkyView(ScenePass pass) const;

    // Frees the points; the count becomes 0 and the path idle.
    void Release();
};
