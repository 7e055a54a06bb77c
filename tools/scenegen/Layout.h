// The valley's layout: water planes, pools, river banks, cliffs and the
// ground height, agreeing with the constants the program holds.
#pragma once

#include <vector>

#include "ToolMath.h"
#include "src/ClassBase/SceneConstants.h"

namespace sg {

// The facts the saver shares (src/ClassBase/SceneConstants.h), under the
// generator's names.
constexpr float kRiverY = SCENE_RIVER_Y; // river plane; reflections mirror in it
constexpr float kPoolY = SCENE_POND_Y;   // pool plane
constexpr float kRainRiverX0 = SCENE_RAIN_RIVER_X0,
                kRainRiverX1 = SCENE_RAIN_RIVER_X1;      // the band the rain treats as river
constexpr float kValleyZ0 = -650.0f, kValleyZ1 = 600.0f; // where the river fills that band
// The terraces on both banks: the rain's pool level is 37.4 and the leaves
// rest at 40, so the ground outside the river lies between.
constexpr float kTerraceY = 39.6f;
// Beyond the east cliffs the ground rises into the hills from here.
constexpr float kEastRiseX = 560.0f;
// The footbridge's deck, a little above the terraces it joins.
constexpr float kBridgeDeckY = 42.0f;

const Vec3 kFallA = V(SCENE_FALL_A);
const Vec3 kFallB = V(SCENE_FALL_B);
const Vec3 kFoamA = V(SCENE_FOAM_A);
const Vec3 kFoamB = V(SCENE_FOAM_B);

// A pool is a union of rounded shapes at the pool plane: superellipses
// |dx / rx|^power + |dz / rz|^power <= 1 (power 2: an ellipse), their edges
// roughened a little.
struct PoolShape
{
    float cx, cz, rx, rz;
    float power;
};
const std::vector<PoolShape>& PoolShapes();

// Signed distance (units, about; negative inside) to one shape's edge, and
// to the nearest pool edge.
float ShapeDistance(const PoolShape& p, float x, float z);
float PoolDistance(float x, float z);

// River edges at z (west, east) and the signed distance to the river
// (negative inside).
void RiverEdges(float z, float& west, float& east);
float RiverDistance(float x, float z);

// Ground height of the valley (river bed and pool basins included).
float GroundHeight(float x, float z);

// Surface the eye must stay above: ground, or the water planes where they lie.
float SurfaceHeight(float x, float z);

// Whether the grass at (x, z) is the meadow's (patches of a longer grass).
bool Meadow(float x, float z);

// The level the far hills round off under at (x, z): their skyline.
float HillCrest(float x, float z);

// Cliff line of the east bank at z (x of the cliff face) and its top height.
float EastCliffX(float z);
float EastCliffTop(float z);

} // namespace sg
