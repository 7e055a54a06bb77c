// Portable core: the spray at the foot of a waterfall.
#include "src/ClassBase/SprayParticles.h"

#include <cmath>

#include "src/ClassBase/WorldFrame.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

constexpr float SPRAY_GRAVITY_FALLING = 100.2f;
constexpr float SPRAY_GRAVITY_THROWN = 100.0f;
constexpr float SPRAY_BOUNCE = 0.3f;     // share of the speed kept at the bounce
constexpr float QUARTER_TURN = 1.57075f; // as the sprites were always drawn

void WriteSprite(const SprayParticle& p, TexturedVertex* out)
{
    const float d = (0.8f * std::sin(2.0f * p.life) + 0.5f) * p.size;
    const float f = p.falling ? 5.0f : 2.0f;
    const float x = p.x + std::sin(p.life);
    const float a = p.angle;
    const float sq = std::sin(a + QUARTER_TURN), cq = std::cos(a + QUARTER_TURN);
    const float s = std::sin(a), c = std::cos(a);
    out[0] = {x, p.y - f * d * sq, p.z - d * cq, 0.0f, 0.0f};
    out[1] = {x, p.y + f * d * s, p.z + d * c, 1.0f, 0.0f};
    out[2] = {x, p.y + f * d * sq, p.z + d * cq, 1.0f, 1.0f};
    out[3] = {x, p.y - f * d * s, p.z - d * c, 0.0f, 1.0f};
}

} // namespace

void SprayParticles::Spawn(SprayParticle& p)
{
    p.size = 0.6f + 0.5f * CrtRandUnit();
    p.vz = -0.8f + 1.6f * CrtRandUnit();
    p.vx = -0.8f + 1.6f * CrtRandUnit();
    p.life = 1.0f + CrtRandUnit();
    p.x = p.y = p.z = 0.0f;
    p.vy = 0.0f;
    p.one = 1.0f;
    p.angle = 0.0f;
    p.angularSpeed = 0.0f;
    p.falling = true;
}

void SprayParticles::Build()
{
    for (SprayParticle& p : m_Particles)
        Spawn(p);
    g_fFrameTime = 0.1f;
    for (int i = 0; i < SPRAY_PREWARM_STEPS; ++i)
        Advance(g_fFrameTime, SPRAY_PREWARM_DEPTH, nullptr);
}

void SprayParticles::Advance(float dt, float depth, TexturedVertex* out)
{
    for (int i = 0; i < SPRAY_PARTICLES; ++i)
    {
        SprayParticle& p = m_Particles[i];
        if (out != nullptr)
            WriteSprite(p, out + 4 * i);
        p.angle += dt * p.angularSpeed;
        if (p.falling)
        {
            p.x -= p.vx * dt;
            p.y -= p.vy * dt;
            p.z -= p.vz * dt;
            p.vy += SPRAY_GRAVITY_FALLING * dt;
            if (p.y < -depth)
            {
                // off the pool: thrown up and sideways
                p.falling = false;
                p.vz = -12.0f + 24.0f * CrtRandUnit();
                p.vy = SPRAY_BOUNCE * p.vy;
                p.vx = -12.0f + 24.0f * CrtRandUnit();
            }
        }
        else
        {
            p.x += p.vx * dt;
            p.y += p.vy * dt;
            p.z += p.vz * dt;
            p.vy -= SPRAY_GRAVITY_THROWN * dt;
            p.size = 1.3f + 0.7f * CrtRandUnit(); // a new size every frame: it flickers
        }
        p.life -= dt;
        if (p.life < 0.0f)
            Spawn(p);
    }
}

void SprayIndices(uint16_t* out)
{
    for (int i = 0; i < SPRAY_PARTICLES; ++i)
    {
        const uint16_t b = static_cast<uint16_t>(4 * i);
        uint16_t* t = out + 6 * i;
        t[0] = b;
        t[1] = static_cast<uint16_t>(b + 1);
        t[2] = static_cast<uint16_t>(b + 2);
        t[3] = b;
        t[4] = static_cast<uint16_t>(b + 2);
        t[5] = static_cast<uint16_t>(b + 3);
    }
}
