// Portable core: the recorded placements of the three ducks, one matrix per
// object per 50 ms frame, played in a loop without interpolation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassRender/GfxMath.h"

constexpr uint32_t TRAJECTORY_FRAME_MS = 50;

struct ObjectTrajectory
{
    int m_nCount = 0;                 // frames per object
    gfx::Mat4* m_pMatrices = nullptr; // 3 x m_nCount, object-major, owned

    ObjectTrajectory() = default;
    ~ObjectTrajectory();
    ObjectTrajectory(const ObjectTrajectory&) = delete;
    ObjectTrajectory& operator=(const ObjectTrajectory&) = delete;

    // Reads "duck_traectory.transobj" (or another name) from an archive; 0,
    // or non-zero (logged) and empty when the file is missing, has no frames
    // or its size disagrees with its count.
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    int LoadBytes(const void* data, size_t size);

    // (nowMs / 50) mod frames; -1 for an empty trajectory.
    int SampleIndex(uint32_t nowMs) const;
    // Object 0..2 at the sample of nowMs; null when empty or out of range.
    const gfx::Mat4* Matrix(int object, uint32_t nowMs) const;

    void Release();
};
