// Portable core: the falling leaves. Leaves start in two bands above the
// banks, circle down while drifting towards x = 0, lie at the rest height
// until their life runs out, fade over their last 4 seconds and start again
// from the top. Every random value comes from CrtRand in a fixed order.
#pragma once

#include <cstdint>

#include "src/ClassRender/GfxMath.h"

constexpr int LEAF_MAX = 1000;
constexpr int LEAF_MODELS = 4;
// Simulated seconds run at build so the first frame shows leaves spread over
// their fall: 300 steps of 0.1 s.
constexpr int LEAF_PREWARM_STEPS = 300;

struct FallingLeaf
{
    float x, y, z; // circle centre (x, z) and height
    float rest;    // height at which it stops falling
    float life;    // seconds until it starts again
    int model;     // 0..LEAF_MODELS-1
    float spin;    // radians; grows while falling
};

// z moved 70 to 100 units away from either fall when a leaf of the eastern
// band would start within 70 units of it along z (one draw when moved).
float LeafWaterfallClearance(float z);

struct FallingLeaves
{
    uint32_t m_nCount = 0; // leaves 0..m_nCount-1 move and draw
    FallingLeaf m_Leaves[LEAF_MAX] = {};

    // Every record gets its first values (spread over the whole fall), the
    // count is stored (at most LEAF_MAX), and the count's leaves are advanced
    // LEAF_PREWARM_STEPS times with g_fFrameTime set to 0.1.
    void Build(uint32_t count);
    // Falls, spins and drifts the active leaves by dt seconds; a leaf whose
    // life is over starts again at the top, resting or not.
    void Advance(float dt);
    // Start values of a leaf: at the top (restart) or anywhere in the fall
    // (build). Draws: model, band, [height at build], x, z, [clearance],
    // life, spin.
    void Start(FallingLeaf& leaf, bool atBuild);
    // The world matrix and fade of each active leaf (LeafPlacement), into
    // m_nCount entries of each array.
    void Place(gfx::Mat4* world, float* fade) const;
};

// World matrix and fade of a leaf: turned by its spin (tilted while
// falling), on its circle of radius 50; fade 1 until its last 4 seconds.
void LeafPlacement(const FallingLeaf& leaf, gfx::Mat4& world, float& fade);
