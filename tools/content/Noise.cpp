#include "tools/content/Noise.h"

#include <cmath>

namespace qmc {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ c * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float Hash01(uint32_t a, uint32_t b, uint32_t c)
{
    return (Hash(a, b, c) >> 8) * (1.0f / 16777216.0f);
}

uint32_t Random::Next()
{
    m_s ^= m_s << 13;
    m_s ^= m_s >> 17;
    m_s ^= m_s << 5;
    return m_s;
}

static int Wrap(int i, int n)
{
    return ((i % n) + n) % n;
}

static float Grad(int ix, int iy, int fu, int fv, uint32_t seed, float dx, float dy)
{
    uint32_t h = Hash(uint32_t(Wrap(ix, fu)), uint32_t(Wrap(iy, fv)), seed);
    float a = (h >> 8) * (6.28318530718f / 16777216.0f);
    return std::cos(a) * dx + std::sin(a) * dy;
}

float Gradient(float u, float v, int freq, uint32_t seed)
{
    return Gradient2(u, v, freq, freq, seed);
}

float Fbm2(float u, float v, int fu, int fv, int octaves, float gain, uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o)
    {
        sum += amp * Gradient2(u, v, fu << o, fv << o, seed + uint32_t(o) * 1013u);
        norm += amp;
        amp *= gain;
    }
    return sum / norm;
}

float Gradient2(float u, float v, int fu, int fv, uint32_t seed)
{
    float x = u * fu, y = v * fv;
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - ix, fy = y - iy;
    float sx = fx * fx * fx * (fx * (fx * 6 - 15) + 10);
    float sy = fy * fy * fy * (fy * (fy * 6 - 15) + 10);
    float n00 = Grad(ix, iy, fu, fv, seed, fx, fy);
    float n10 = Grad(ix + 1, iy, fu, fv, seed, fx - 1, fy);
    float n01 = Grad(ix, iy + 1, fu, fv, seed, fx, fy - 1);
    float n11 = Grad(ix + 1, iy + 1, fu, fv, seed, fx - 1, fy - 1);
    float a = n00 + (n10 - n00) * sx;
    float b = n01 + (n11 - n01) * sx;
    return (a + (b - a) * sy) * 1.41421356f;
}

float Fbm(float u, float v, int freq, int octaves, float gain, uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o)
    {
        sum += amp * Gradient(u, v, freq << o, seed + uint32_t(o) * 1013u);
        norm += amp;
        amp *= gain;
    }
    return sum / norm;
}

float Ridged(float u, float v, int freq, int octaves, uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o)
    {
        float n = 1 - std::fabs(Gradient(u, v, freq << o, seed + uint32_t(o) * 7919u));
        sum += amp * n * n;
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

Cell Cellular(float u, float v, int freq, uint32_t seed, float jitter)
{
    float x = u * freq, y = v * freq;
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    Cell c{1e9f, 1e9f, 0, 0, 0};
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i)
        {
            int cx = ix + i, cy = iy + j;
            uint32_t wx = uint32_t(Wrap(cx, freq)), wy = uint32_t(Wrap(cy, freq));
            float px = cx + 0.5f + (Hash01(wx, wy, seed) - 0.5f) * jitter;
            float py = cy + 0.5f + (Hash01(wx, wy, seed + 1) - 0.5f) * jitter;
            float dx = px - x, dy = py - y;
            float d = std::sqrt(dx * dx + dy * dy);
            if (d < c.f1)
            {
                c.f2 = c.f1;
                c.f1 = d;
                c.id = Hash(wx, wy, seed + 2);
                c.cx = dx;
                c.cy = dy;
            }
            else if (d < c.f2)
            {
                c.f2 = d;
            }
        }
    return c;
}

} // namespace qmc
