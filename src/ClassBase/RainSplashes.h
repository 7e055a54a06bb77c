// Portable core: the rain's splashes. A pool of short-lived splashes that
// pop up on the water round the eye; one splash for every 16 rain drops is
// in use. Each lives 0.1 to 0.25 s, shrinking as its life runs out, then
// pops up again at a new place.
#pragma once

#include <cstdint>

#include "src/ClassRender/GfxMath.h"

constexpr int RAIN_SPLASH_POOL = 135;
constexpr uint32_t RAIN_DROPS_PER_SPLASH = 16;

struct RainSplash
{
    float x, y, z;
    float life; // seconds
};

// Splashes in use for a rain drop count: count / 16, at most the pool.
int RainSplashCount(uint32_t drops);

struct RainSplashes
{
    RainSplash m_Pool[RAIN_SPLASH_POOL] = {};

    // Every record at the origin with a life of 0.2 to 0.4 s (one draw each).
    void Fill();
    // The first `used` splashes age by dt; a spent one gets a new life and a
    // place within 200 units of the eye, on the water level there (draws:
    // life, x, z).
    void Advance(int used, float dt, const gfx::Vec3& eye);
};

// World matrix of a splash: 10 across, 18 x life high, on its place.
gfx::Mat4 RainSplashWorld(const RainSplash& splash);
