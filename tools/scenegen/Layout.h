// The valley's layout: water planes, pools, river banks, cliffs and the
// ground height, agreeing with the constants the program holds.
#pragma once

#include <vector>

#include "ToolMath.h"

namespace sg {

constexpr float kRiverY = 15.0f;  // river plane; reflections mirror in it
constexpr float kPoolY = 37.0f;   // pool plane
constexpr float kRainRiverX0 = -46.0f, kRainRiverX1 = 177.0f;  // the band the rain treats as river
constexpr float kValleyZ0 = -650.0f, kValleyZ1 = 600.0f;       // where the river fills that band

const Vec3 kFallA = {320.5f, 92.6f, 620.2f};
const Vec3 kFallB = {314.3f, 112.0f, -588.8f};
const Vec3 kFoamA = {315.5f, 41.0f, 618.7f};
const Vec3 kFoamB = {315.5f, 41.0f, -589.5f};

// Ring regions of the pools (centre x, z, half-extent) as the ripples use them.
struct RingRegion
{
    float x, z, h;
};
const std::vector<RingRegion>& PondRingRegions();

// A pool is a union of ellipses at the pool plane.
struct PoolEllipse
{
    float cx, cz, rx, rz;
};
const std::vector<PoolEllipse>& PoolShapes();

// Signed distance (units, negative inside) to the nearest pool edge.
float PoolDistance(float x, float z);

// River edges at z (west, east) and the signed distance to the river
// (negative inside).
void RiverEdges(float z, float& west, float& east);
float RiverDistance(float x, float z);

// Ground height of the valley (river bed and pool basins included).
float GroundHeight(float x, float z);

// Surface the eye must stay above: ground, or the water planes where they lie.
float SurfaceHeight(float x, float z);

// Cliff line of the east bank at z (x of the cliff face) and its top height.
float EastCliffX(float z);
float EastCliffTop(float z);

} // namespace sg
