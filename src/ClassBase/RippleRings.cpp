#include "src/ClassBase/RippleRings.h"

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/CrtRandom.h"

// Each region's share of the 890 draws is its half-extent; two short ranges
// leave the ring where it was. The first two regions are the foam at the
// foot of the falls.
const RippleRegion g_RippleRegions[] = {
    {0, 9, false, SCENE_FOAM_B.x, SCENE_FOAM_B.z, 10.0f, SCENE_FOAM_B.y},
    {10, 19, true, 0, 0, 0, 0},
    {20, 29, false, SCENE_FOAM_A.x, SCENE_FOAM_A.z, 10.0f, SCENE_FOAM_A.y},
    {30, 39, true, 0, 0, 0, 0},
    {40, 117, false, 118.0f, -1044.0f, 78.0f, 39.0f},
    {118, 159, false, 153.0f, -781.0f, 42.0f, 39.0f},
    {160, 275, false, -254.0f, -624.0f, 116.0f, 39.0f},
    {276, 369, false, 249.0f, -527.0f, 94.0f, 39.0f},
    {370, 442, false, -111.0f, -344.0f, 73.0f, 39.0f},
    {443, 510, false, 274.0f, -163.0f, 68.0f, 39.0f},
    {511, 600, false, 225.0f, 6.0f, 90.0f, 39.0f},
    {601, 695, false, -87.0f, 0.0f, 95.0f, 39.0f},
    {696, 723, false, 215.0f, 152.0f, 28.0f, 39.0f},
    {724, 761, false, -118.0f, 199.0f, 38.0f, 39.0f},
    {762, 817, false, -160.0f, 552.0f, 56.0f, 39.0f},
    {818, 889, false, 155.0f, 735.0f, 74.0f, 39.0f},
};
const int g_nRippleRegions = sizeof(g_RippleRegions) / sizeof(g_RippleRegions[0]);

const RippleRegion* RippleRegionOf(int d)
{
    for (int i = 0; i < g_nRippleRegions; ++i)
        if (d >= g_RippleRegions[i].first && d <= g_RippleRegions[i].last)
            return &g_RippleRegions[i];
    return nullptr;
}

int RippleFrame(float phase)
{
    int frame = static_cast<int>(phase * 15.0f);
    if (frame > 15)
        frame = 15;
    if (frame < 0)
        frame = 0;
    return frame;
}

void RippleRings::Respawn(int set, int k, const gfx::Vec3& eye)
{
    RippleRing& r = Ring(set, k);
    if (set == RIPPLE_SET_RIVER)
    {
        r.z = CrtRand() * 600.0f / 32767.0f - 300.0f + eye.z;
        r.x = CrtRand() * 600.0f / 32767.0f - 300.0f + eye.x;
        r.y = RIPPLE_RIVER_Y;
    }
    else
    {
        const RippleRegion* region = RippleRegionOf(CrtRand() % 890);
        if (region != nullptr && !region->keep)
        {
            const float h = region->h;
            r.z = region->z + CrtRand() * 2.0f * h / 32767.0f - h;
            r.x = region->x + CrtRand() * 2.0f * h / 32767.0f - h;
            r.y = region->y;
        }
    }
    r.size = 3.0f + CrtRand() * 3.0f / 32767.0f;
    r.rate = (0.4f + CrtRand() * 0.1f / 32767.0f) * 4.0f;
    r.phase = CrtRand() * 0.9f / 32767.0f;
}

void RippleRings::Build(const gfx::Vec3& eye)
{
    for (int k = 0; k < RIPPLE_SET_SIZE; ++k)
    {
        Respawn(RIPPLE_SET_POND, k, eye);
        Respawn(RIPPLE_SET_RIVER, k, eye);
    }
}

void RippleRings::Advance(int count, float dt, const gfx::Vec3& eye)
{
    if (count > RIPPLE_SET_SIZE)
        count = RIPPLE_SET_SIZE;
    for (int k = 0; k < count; ++k)
    {
        for (int set = RIPPLE_SET_POND; set <= RIPPLE_SET_RIVER; ++set)
        {
            RippleRing& r = Ring(set, k);
            r.phase += dt * r.rate;
            if (r.phase > 1.0f)
                Respawn(set, k, eye);
        }
    }
}
