// Portable core: the rain's splashes.
#include "src/ClassBase/RainSplashes.h"

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

constexpr float SPLASH_REACH = 200.0f; // from the eye, along x and z
constexpr float SPLASH_WIDTH = 10.0f;
constexpr float SPLASH_HEIGHT = 18.0f; // per second of life left

} // namespace

int RainSplashCount(uint32_t drops)
{
    const uint32_t used = drops / RAIN_DROPS_PER_SPLASH;
    return used > static_cast<uint32_t>(RAIN_SPLASH_POOL) ? RAIN_SPLASH_POOL : static_cast<int>(used);
}

void RainSplashes::Fill()
{
    for (RainSplash& s : m_Pool)
    {
        s.x = s.y = s.z = 0.0f;
        s.life = 0.2f + 0.2f * CrtRandUnit();
    }
}

void RainSplashes::Advance(int used, float dt, const gfx::Vec3& eye)
{
    if (used > RAIN_SPLASH_POOL)
        used = RAIN_SPLASH_POOL;
    for (int k = 0; k < used; ++k)
    {
        RainSplash& s = m_Pool[k];
        s.life -= dt;
        if (s.life < 0.0f)
        {
            s.life = 0.1f + 0.15f * CrtRandUnit();
            s.x = eye.x + 2.0f * SPLASH_REACH * CrtRandUnit() - SPLASH_REACH;
            s.z = eye.z + 2.0f * SPLASH_REACH * CrtRandUnit() - SPLASH_REACH;
            s.y = SceneRainLevel(s.x);
        }
    }
}

gfx::Mat4 RainSplashWorld(const RainSplash& splash)
{
    gfx::Mat4 m = gfx::MatrixIdentity();
    m.m[0][0] = SPLASH_WIDTH;
    m.m[1][1] = SPLASH_HEIGHT * splash.life;
    m.m[2][2] = SPLASH_WIDTH;
    m.m[3][0] = splash.x;
    m.m[3][1] = splash.y;
    m.m[3][2] = splash.z;
    return m;
}
