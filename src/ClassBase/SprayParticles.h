// Portable core: the spray at the foot of a waterfall. 128 glowing sprites
// fall from the fall's point with gravity, bounce once off the pool at the
// depth limit with 30 % of their speed and a random sideways throw, and
// start again after 1 to 2 seconds. Each sprite is a diamond in the plane
// of constant x, written into memory the caller hands over.
#pragma once

#include <cstdint>

#include "src/ClassBase/TexturedVertex.h"

constexpr int SPRAY_PARTICLES = 128;
constexpr int SPRAY_VERTICES = 4 * SPRAY_PARTICLES;
constexpr int SPRAY_TRIANGLES = 2 * SPRAY_PARTICLES;
// Prewarm at build: 50 steps of 0.1 s with depth limit 50, whatever the
// fall's own limit.
constexpr int SPRAY_PREWARM_STEPS = 50;
constexpr float SPRAY_PREWARM_DEPTH = 50.0f;

struct SprayParticle
{
    float x, y, z;    // offset from the emitter
    float vx, vy, vz; // vy counts downwards while falling
    float one;        // always 1
    float angle;
    float angularSpeed; // always 0
    float size;
    float life; // seconds
    bool falling;
};

struct SprayParticles
{
    SprayParticle m_Particles[SPRAY_PARTICLES] = {};

    // A fresh particle at the emitter (draws: size, vz, vx, life).
    void Spawn(SprayParticle& p);
    // Spawns all, then prewarms with g_fFrameTime set to 0.1.
    void Build();
    // Writes each particle's four vertices as it stands (when out is not
    // null), then moves it by dt; depth is how far below the emitter it
    // bounces.
    void Advance(float dt, float depth, TexturedVertex* out);
};

// Particle i's two triangles: 4i, 4i + 1, 4i + 2 and 4i, 4i + 2, 4i + 3.
void SprayIndices(uint16_t* out);
