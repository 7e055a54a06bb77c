// Portable core: the falling leaves.
#include "src/ClassBase/FallingLeaves.h"

#include <cmath>

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassBase/WorldFrame.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

// The two start bands above the banks, where the trees stand.
constexpr float LEAF_EAST_X0 = 418.0f;
constexpr float LEAF_WEST_X0 = -420.0f;
constexpr float LEAF_BAND_WIDTH = 140.0f;
constexpr float LEAF_START_Y = 300.0f;
constexpr float LEAF_FALL_SPEED = 24.0f;  // units a second, plus 0.02 x spin
constexpr float LEAF_SPIN_RATE = 0.3f;    // radians a second while falling
constexpr float LEAF_DRIFT = 16.0f;       // units a second towards x = 0
constexpr float LEAF_CIRCLE = 50.0f;      // radius of the circle it falls on
constexpr float LEAF_FADE_SECONDS = 4.0f; // fades over the last of its life
// The falls' z, which leaves of the eastern band keep clear of.
constexpr float LEAF_FALL_B_Z = -588.0f;
constexpr float LEAF_FALL_A_Z = 620.0f;
constexpr float LEAF_FALL_CLEARANCE = 70.0f;

// The push of the clearance: 70 to 100 units.
float Push()
{
    return LEAF_FALL_CLEARANCE + static_cast<float>(CrtRand()) * 30.0f / 32767.0f;
}

} // namespace

float LeafWaterfallClearance(float z)
{
    const float d = z - LEAF_FALL_B_Z;
    if (d >= 0.0f && d < LEAF_FALL_CLEARANCE)
        return z + Push();
    if (d > -LEAF_FALL_CLEARANCE && d < 0.0f)
        return z - Push();
    const float e = z - LEAF_FALL_A_Z;
    if (e >= 0.0f && e < LEAF_FALL_CLEARANCE)
        return z + Push();
    if (e > -LEAF_FALL_CLEARANCE && e < 0.0f)
        return z - Push();
    return z;
}

void FallingLeaves::Start(FallingLeaf& leaf, bool atBuild)
{
    // rand() % 4 rather than u x 4: u reaches 1, which would name a fifth model
    leaf.model = CrtRand() % LEAF_MODELS;
    const bool east = CrtRandUnit() > 0.5f;
    if (atBuild)
        leaf.y = LEAF_START_Y * CrtRandUnit();
    else
        leaf.y = LEAF_START_Y;
    leaf.x = (east ? LEAF_EAST_X0 : LEAF_WEST_X0) + LEAF_BAND_WIDTH * CrtRandUnit();
    leaf.z = atBuild ? -510.0f + 1000.0f * CrtRandUnit() : -710.0f + 1400.0f * CrtRandUnit();
    if (east)
        leaf.z = LeafWaterfallClearance(leaf.z);
    leaf.rest = SCENE_LEAF_REST_Y;
    leaf.life = 8.0f + 32.0f * CrtRandUnit();
    leaf.spin = 100.0f * CrtRandUnit();
}

void FallingLeaves::Build(uint32_t count)
{
    m_nCount = count > LEAF_MAX ? LEAF_MAX : count;
    for (FallingLeaf& leaf : m_Leaves)
        Start(leaf, true);
    g_fFrameTime = 0.1f;
    for (int i = 0; i < LEAF_PREWARM_STEPS; ++i)
        Advance(g_fFrameTime);
}

void FallingLeaves::Advance(float dt)
{
    for (uint32_t i = 0; i < m_nCount; ++i)
    {
        FallingLeaf& leaf = m_Leaves[i];
        if (leaf.y > leaf.rest)
        {
            leaf.y -= (leaf.spin * 0.02f + LEAF_FALL_SPEED) * dt;
            leaf.spin += dt * LEAF_SPIN_RATE;
            if (leaf.x > 0.0f)
                leaf.x -= LEAF_DRIFT * dt;
            else
                leaf.x += LEAF_DRIFT * dt;
        }
        leaf.life -= dt;
        if (leaf.life < 0.0f)
            Start(leaf, false);
    }
}

void LeafPlacement(const FallingLeaf& leaf, gfx::Mat4& world, float& fade)
{
    if (leaf.y > leaf.rest)
        world = gfx::MatrixRotationYawPitchRoll(leaf.spin, (leaf.rest - leaf.y) * leaf.spin * 0.001f, 0.0f);
    else
        world = gfx::MatrixRotationY(leaf.spin);
    world.m[3][0] = leaf.x + LEAF_CIRCLE * std::sin(leaf.spin);
    world.m[3][1] = leaf.y;
    world.m[3][2] = leaf.z + LEAF_CIRCLE * std::cos(leaf.spin);
    fade = leaf.life > LEAF_FADE_SECONDS ? 1.0f : leaf.life * (1.0f / LEAF_FADE_SECONDS);
}

void FallingLeaves::Place(gfx::Mat4* world, float* fade) const
{
    for (uint32_t i = 0; i < m_nCount; ++i)
        LeafPlacement(m_Leaves[i], world[i], fade[i]);
}
