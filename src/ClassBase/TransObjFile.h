// Portable core: the three layouts of the .transobj transform track file.
//   camera path:   u32 2 (not read), u32 N, N eye points, N look-at points
//   trajectory:    u32 objects (3, not read), u32 N, 3 x N matrices, object-major
//   instance list: u32 C, C placement matrices
// Matrices are 16 floats, row-major, row-vector convention.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "src/ClassRender/GfxMath.h"

struct CameraPathData
{
    std::vector<gfx::Vec3> eyes;
    std::vector<gfx::Vec3> targets; // same length as eyes
};

// Objects per trajectory file; the world always takes this many.
constexpr uint32_t TRAJECTORY_OBJECTS = 3;

struct TrajectoryData
{
    uint32_t frames = 0;
    std::vector<gfx::Mat4> matrices; // object k, frame f at k x frames + f
};

struct InstanceListData
{
    std::vector<gfx::Mat4> placements;
};

// Readers return 0 and fill out, or non-zero with out empty: short file,
// size that disagrees with the count, or (paths and trajectories) no frames,
// which nobody could index.
int ReadCameraPathFile(const void* data, size_t size, CameraPathData& out);
int ReadTrajectoryFile(const void* data, size_t size, TrajectoryData& out);
int ReadInstanceListFile(const void* data, size_t size, InstanceListData& out);

// Writers; an inconsistent input (eye and target counts differ, matrix count
// not 3 x frames) gives an empty vector.
std::vector<uint8_t> WriteCameraPathFile(const CameraPathData& in);
std::vector<uint8_t> WriteTrajectoryFile(const TrajectoryData& in);
std::vector<uint8_t> WriteInstanceListFile(const InstanceListData& in);
