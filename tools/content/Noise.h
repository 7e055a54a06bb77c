// Deterministic, tileable noise. Every function takes texture coordinates in
// [0, 1) and a whole-number lattice frequency, so its result wraps exactly at
// the texture edge and tiled surfaces show no seams.
#pragma once
#include <cstdint>

namespace qmc {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c);
// Hash to [0, 1).
float Hash01(uint32_t a, uint32_t b, uint32_t c);

// Small deterministic generator for placements (xorshift; independent of rand()).
class Random
{
public:
    explicit Random(uint32_t seed) : m_s(seed * 2654435761u + 0x9E3779B9u)
    {
        if (!m_s)
            m_s = 1;
    }
    uint32_t Next();
    float Uniform() { return (Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

private:
    uint32_t m_s;
};

// Gradient noise in about [-1, 1], period `freq` lattice cells over [0, 1).
float Gradient(float u, float v, int freq, uint32_t seed);
// Same with separate periods across and down (stretched grain, bark, planks).
float Gradient2(float u, float v, int fu, int fv, uint32_t seed);
float Fbm2(float u, float v, int fu, int fv, int octaves, float gain, uint32_t seed);
// Sum of octaves, each doubling the frequency; result about [-1, 1].
float Fbm(float u, float v, int freq, int octaves, float gain, uint32_t seed);
// Ridged variant (sharp crests), about [0, 1].
float Ridged(float u, float v, int freq, int octaves, uint32_t seed);

struct Cell
{
    float f1, f2; // distance to the nearest and second nearest feature point, in cells
    uint32_t id;  // hash of the nearest cell, stable per stone
    float cx, cy; // offset from the sample to the nearest feature point, in cells
};
// Cellular (Worley) noise with `freq` cells across, wrapping at the edge.
Cell Cellular(float u, float v, int freq, uint32_t seed, float jitter = 0.9f);

} // namespace qmc
