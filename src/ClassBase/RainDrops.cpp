// Portable core: the rain.
#include "src/ClassBase/RainDrops.h"

#include <cmath>

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

constexpr float RAIN_SPEED = 500.0f;       // units a second
constexpr float RAIN_STREAK = 60.0f;       // length above the lower end
constexpr float RAIN_SINK = 30.0f;         // how far below its level a drop goes
constexpr float RAIN_FADE_TOP = 500.0f;    // invisible here
constexpr float RAIN_FADE_BOTTOM = 300.0f; // fully visible from here down
constexpr uint32_t RAIN_TOP_COLOR = 0x00FFFFFF;
constexpr uint32_t RAIN_BASE_RGB = 0xAAAABB;
constexpr float RAIN_BASE_ALPHA = 119.0f;

// A new place: x and z, and the level below x.
void Place(RainDrop& drop)
{
    drop.x = -400.0f + 800.0f * CrtRandUnit();
    drop.z = -1000.0f + 2000.0f * CrtRandUnit();
    drop.level = SceneRainLevel(drop.x);
}

} // namespace

void RainDrops::Build(uint32_t count)
{
    m_nCount = count > RAIN_MAX_DROPS ? RAIN_MAX_DROPS : count;
    for (uint32_t i = 0; i < m_nCount; ++i)
    {
        m_Drops[i].y = RAIN_FADE_TOP * CrtRandUnit();
        Place(m_Drops[i]);
    }
}

void RainStreak(const RainDrop& drop, RainVertex* out)
{
    float w, base;
    const float wobble = 0.3f * std::sin(drop.z + drop.x);
    if (drop.y > drop.level)
    {
        w = wobble;
        base = drop.y;
    }
    else
    {
        const float depth = drop.level - drop.y;
        if (depth < RAIN_SINK)
        {
            // under the water the streak's base stays on it and widens
            w = wobble + 0.02f * depth;
            base = drop.level;
        }
        else
        {
            w = 0.0f;
            base = drop.y;
        }
    }
    float share = 1.0f;
    if (base > RAIN_FADE_BOTTOM)
        share = (RAIN_FADE_TOP - base) * 0.005f;
    // a drop restarted above 500 would give a negative alpha, which wraps to
    // an opaque streak: it is invisible instead
    if (share < 0.0f)
        share = 0.0f;
    const uint32_t alpha = static_cast<uint32_t>(static_cast<int>(RAIN_BASE_ALPHA * share));
    const uint32_t color = (alpha << 24) | RAIN_BASE_RGB;
    out[0] = {drop.x, drop.y + RAIN_STREAK, drop.z, RAIN_TOP_COLOR};
    out[1] = {drop.x + w, base, drop.z, color};
    out[2] = {drop.x - w, base, drop.z, color};
}

void RainDrops::Advance(float dt, RainVertex* out)
{
    for (uint32_t i = 0; i < m_nCount; ++i)
    {
        RainDrop& drop = m_Drops[i];
        if (out != nullptr)
            RainStreak(drop, out + RAIN_VERTICES_PER_DROP * i);
        if (drop.y > drop.level - RAIN_SINK)
        {
            drop.y -= RAIN_SPEED * dt;
        }
        else
        {
            drop.y = drop.y + 400.0f + 100.0f * CrtRandUnit();
            Place(drop);
        }
    }
}

void RainIndices(uint32_t count, uint16_t* out)
{
    for (uint32_t i = 0; i < count; ++i)
    {
        out[3 * i] = static_cast<uint16_t>(3 * i);
        out[3 * i + 1] = static_cast<uint16_t>(3 * i + 2);
        out[3 * i + 2] = static_cast<uint16_t>(3 * i + 1);
    }
}
