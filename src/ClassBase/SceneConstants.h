// Portable core: facts about the valley that the saver, the scene generator
// and the content generator must agree on. One home for each: change it here
// and every side follows.
#pragma once

#include <cstdint>

// The object order of each drawing of the scene.
enum ScenePass
{
    spMain = 0,
    spPondReflection = 1,
    spRiverReflection = 2,
};

// Linear fog over the whole scene; the sky meets it at the horizon.
constexpr uint32_t SCENE_FOG_COLOR = 0x888F8F;
constexpr float SCENE_FOG_START = 100.0f;
constexpr float SCENE_FOG_END = 3200.0f;

// The water planes, which the reflected views are mirrored about.
constexpr float SCENE_POND_Y = 37.0f;
constexpr float SCENE_RIVER_Y = 15.0f;

// The reflection targets are square and of this size whatever the screen.
constexpr int SCENE_REFLECTION_SIZE = 512;

// The fixed projection: 70 degrees vertically, the aspect of the recording
// (not of the screen), depth 1 to 2000.
constexpr float SCENE_FOV_Y = 1.2216945f;
constexpr float SCENE_ASPECT = 1.2635379f;
constexpr float SCENE_NEAR = 1.0f;
constexpr float SCENE_FAR = 2000.0f;

// Where the two falls pour from (spray and sound sit here) and where their
// foam rings float on the pools below.
struct ScenePoint
{
    float x, y, z;
};
constexpr ScenePoint SCENE_FALL_A = {320.5f, 92.6f, 620.2f};
constexpr ScenePoint SCENE_FALL_B = {314.3f, 112.0f, -588.8f};
constexpr ScenePoint SCENE_FOAM_A = {315.5f, 41.0f, 618.7f};
constexpr ScenePoint SCENE_FOAM_B = {315.5f, 41.0f, -589.5f};
// How far each fall's spray drops below its point before it bounces off the
// pool: to about 42, a little above the water.
constexpr float SCENE_FALL_A_DEPTH = 50.0f;
constexpr float SCENE_FALL_B_DEPTH = 70.0f;

// The rain counts x in [-46, 177) as river and lands there at the river
// level; everywhere else it lands at the pool level.
constexpr float SCENE_RAIN_RIVER_X0 = -46.0f;
constexpr float SCENE_RAIN_RIVER_X1 = 177.0f;
constexpr float SCENE_RAIN_RIVER_LEVEL = 15.2f;
constexpr float SCENE_RAIN_POOL_LEVEL = 37.4f;

// The level a rain drop or splash at x lands on.
constexpr float SceneRainLevel(float x)
{
    return x >= SCENE_RAIN_RIVER_X0 && x < SCENE_RAIN_RIVER_X1 ? SCENE_RAIN_RIVER_LEVEL : SCENE_RAIN_POOL_LEVEL;
}

// Falling leaves stop falling at this height, wherever they are.
constexpr float SCENE_LEAF_REST_Y = 40.0f;

// Water bump maps: the strength of the bump matrix and the tiling of the
// map over the screen, for the pond and the river.
constexpr float SCENE_POND_BUMP_SCALE = 0.004f;
constexpr float SCENE_POND_BUMP_TILING = 8.0f;
constexpr float SCENE_RIVER_BUMP_SCALE = 0.005f;
constexpr float SCENE_RIVER_BUMP_TILING = 5.0f;
