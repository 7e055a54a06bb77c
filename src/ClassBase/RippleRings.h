// Portable core: the rain rings on the water. Two sets of 350 rings, the
// pond set spread over the rock pools by a weighted region table, the river
// set scattered round the eye. A ring lives while its phase runs to 1.
#pragma once
#include "src/ClassRender/GfxMath.h"

constexpr int RIPPLE_SET_SIZE = 350;
constexpr int RIPPLE_SET_POND = 0;
constexpr int RIPPLE_SET_RIVER = 1;
constexpr int RIPPLE_FRAMES = 16;
constexpr float RIPPLE_RIVER_Y = 15.5f;

struct RippleRing
{
    float x, y, z;
    float phase; // 0..1, picks the animation frame
    float rate;  // phase per second
    float size;  // half-width of the quad
};

// One pond region: rand() % 890 values first..last land here. keep: the
// ring stays where it was.
struct RippleRegion
{
    int first, last;
    bool keep;
    float x, z, h, y;
};
extern const RippleRegion g_RippleRegions[];
extern const int g_nRippleRegions;
// The region of a draw 0..889 (null outside).
const RippleRegion* RippleRegionOf(int d);

// Animation frame of a phase: phase x 15 truncated, limited to 0..15.
int RippleFrame(float phase);

struct RippleRings
{
    RippleRing rings[2 * RIPPLE_SET_SIZE] = {};

    RippleRing& Ring(int set, int k) { return rings[set * RIPPLE_SET_SIZE + k]; }
    const RippleRing& Ring(int set, int k) const { return rings[set * RIPPLE_SET_SIZE + k]; }

    // New place (region table or round the eye), size, rate and phase.
    void Respawn(int set, int k, const gfx::Vec3& eye);
    // Every ring of both sets, pond ring k before river ring k.
    void Build(const gfx::Vec3& eye);
    // Moves the first count rings of each set on by dt; spent rings respawn.
    void Advance(int count, float dt, const gfx::Vec3& eye);
};
