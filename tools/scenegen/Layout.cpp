// The valley's layout and ground height.
#include "Layout.h"

#include <algorithm>

namespace sg {

Mat4 InverseAffine(const Mat4& m)
{
    // Rows 0..2 hold rotation x uniform scale s; the inverse is R^T / s^2.
    float s2 = m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2];
    Mat4 r = Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = m.m[j][i] / s2;
    Vec3 t = {m.m[3][0], m.m[3][1], m.m[3][2]};
    Vec3 it = XformDir(t, r) * -1.0f;
    r.m[3][0] = it.x;
    r.m[3][1] = it.y;
    r.m[3][2] = it.z;
    return r;
}

namespace {

uint32_t Hash(int x, int z, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(z) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

float Lattice(int x, int z, uint32_t seed)
{
    return float(Hash(x, z, seed) & 0xFFFF) / 32767.5f - 1.0f;
}

} // namespace

float Noise2(float x, float z, uint32_t seed)
{
    float fx = std::floor(x), fz = std::floor(z);
    int ix = int(fx), iz = int(fz);
    float tx = x - fx, tz = z - fz;
    tx = tx * tx * (3 - 2 * tx);
    tz = tz * tz * (3 - 2 * tz);
    float a = Lattice(ix, iz, seed), b = Lattice(ix + 1, iz, seed);
    float c = Lattice(ix, iz + 1, seed), d = Lattice(ix + 1, iz + 1, seed);
    return Mix(Mix(a, b, tx), Mix(c, d, tx), tz);
}

float Fbm2(float x, float z, int octaves, uint32_t seed)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i)
    {
        sum += amp * Noise2(x, z, seed + uint32_t(i) * 17u);
        norm += amp;
        x = x * 2.03f + 11.7f;
        z = z * 2.03f - 5.3f;
        amp *= 0.5f;
    }
    return sum / norm;
}

const std::vector<PoolEllipse>& PoolShapes()
{
    // Each ring region centre lies well inside one of these; the shapes keep
    // a rock rim between pool and river.
    static const std::vector<PoolEllipse> p = {
        {296, -588, 26, 38},  {252, -535, 44, 52}, // waterfall B and its neighbour
        {276, -166, 42, 54},  {246, 6, 40, 58},    {240, 150, 36, 40},   {296, 618, 28, 40},
        {262, 640, 30, 34}, // waterfall A
        {168, 742, 48, 44},   {168, -786, 40, 34}, {130, -1040, 58, 54}, {-252, -622, 66, 78},
        {-132, -345, 44, 54}, {-126, 0, 48, 64},   {-137, 200, 38, 44},  {-166, 552, 44, 50},
    };
    return p;
}

float PoolDistance(float x, float z)
{
    float best = 1e9f;
    for (const auto& e : PoolShapes())
    {
        float dx = (x - e.cx) / e.rx, dz = (z - e.cz) / e.rz;
        float q = std::sqrt(dx * dx + dz * dz);
        best = std::min(best, (q - 1.0f) * std::min(e.rx, e.rz));
    }
    return best;
}

void RiverEdges(float z, float& west, float& east)
{
    // Control points (z, west, east), eased between; the valley part fills the
    // rain's river band, the ends bend away past the southern and northern pools.
    static const float pts[][3] = {
        {-1800, -470, -330}, {-1300, -350, -220}, {-1000, -250, -110}, {-860, -170, -10}, {-760, -104, 92},
        {-680, -66, 190},    {-560, -64, 194},    {-420, -60, 192},    {-260, -66, 194},  {-100, -62, 191},
        {40, -60, 190},      {200, -64, 192},     {360, -61, 194},     {500, -63, 192},   {610, -60, 190},
        {690, -44, 112},     {780, -70, 80},      {1000, -120, 30},    {1400, -180, -40}, {1800, -240, -100},
    };
    const int n = sizeof pts / sizeof pts[0];
    if (z <= pts[0][0])
    {
        west = pts[0][1];
        east = pts[0][2];
        return;
    }
    for (int i = 0; i + 1 < n; ++i)
    {
        if (z <= pts[i + 1][0])
        {
            float t = (z - pts[i][0]) / (pts[i + 1][0] - pts[i][0]);
            t = t * t * (3 - 2 * t);
            west = Mix(pts[i][1], pts[i + 1][1], t);
            east = Mix(pts[i][2], pts[i + 1][2], t);
            return;
        }
    }
    west = pts[n - 1][1];
    east = pts[n - 1][2];
}

float RiverDistance(float x, float z)
{
    float w, e;
    RiverEdges(z, w, e);
    if (x > w && x < e)
        return -std::min(x - w, e - x);
    return x <= w ? w - x : x - e;
}

float EastCliffX(float z)
{
    float base = 345.0f + 25.0f * Fbm2(z / 260.0f, 3.1f, 3, 7);
    // The falls come over the edge right at their points.
    float a = Smooth(90, 30, std::fabs(z - kFallA.z));
    float b = Smooth(90, 30, std::fabs(z - kFallB.z));
    base = Mix(base, 318.0f, std::max(a, b));
    return base;
}

float EastCliffTop(float z)
{
    float top = 104.0f + 22.0f * Fbm2(z / 300.0f, 9.7f, 3, 3);
    float a = Smooth(110, 25, std::fabs(z - kFallA.z));
    float b = Smooth(110, 25, std::fabs(z - kFallB.z));
    top = Mix(top, kFallA.y, a);
    top = Mix(top, kFallB.y, b);
    return top;
}

namespace {

// The valley without the pool basins and the river bed.
float BaseHeight(float x, float z)
{
    const float e = std::max(0.0f, RiverDistance(x, z));
    float h = kRiverY + 30.0f * Smooth(0, 45, e) + 4.0f * Fbm2(x / 140.0f, z / 140.0f, 3, 1) * Smooth(20, 60, e);

    // East: terrace, the cliff, then the hills.
    const float cx = EastCliffX(z);
    const float top = EastCliffTop(z);
    const float terrace = h;
    float cliff = Mix(terrace, top, Smooth(cx - 3.5f, cx + 3.0f, x));
    cliff += std::max(0.0f, x - cx - 20) * 0.22f * (1.0f + 0.4f * Fbm2(x / 200, z / 200, 2, 5));
    cliff += 6.0f * Fbm2(x / 60.0f, z / 60.0f, 3, 11) * Smooth(cx, cx + 30, x);
    if (x > cx - 10)
        h = std::max(h, cliff);

    // West: a rising wooded slope.
    const float wx = -300.0f + 25.0f * Fbm2(z / 280.0f, 1.3f, 3, 13);
    float west = terrace + 60.0f * Smooth(wx + 20, wx - 90, x) + std::max(0.0f, wx - 90 - x) * 0.12f;
    west += 8.0f * Fbm2(x / 90.0f, z / 90.0f, 3, 17) * Smooth(wx + 20, wx - 60, x);
    h = std::max(h, west);

    // Far ends rise gently so the valley closes in the fog.
    h += 25.0f * Smooth(1100, 1700, std::fabs(z)) * Smooth(0, 200, e);
    return std::min(h, 198.0f);
}

} // namespace

float GroundHeight(float x, float z)
{
    const float rd = RiverDistance(x, z);
    if (rd < 0)
    {
        // River bed: shelving from the banks to a pebbly bottom.
        return kRiverY - 1.5f - 6.5f * Smooth(0, 45, -rd) + 0.8f * Noise2(x / 25, z / 25, 23);
    }
    const float pd = PoolDistance(x, z);
    if (pd < 0)
        return kPoolY - 0.5f - 9.5f * Smooth(0, 22, -pd) + 0.8f * Noise2(x / 20, z / 20, 29) * Smooth(0, 6, -pd);
    float h = BaseHeight(x, z);
    // Rock rim around each pool, a little above the water, falling away outside.
    // Wide enough that the ground mesh, coarser than the rim, still holds
    // the water everywhere.
    const float rim = kPoolY + 1.0f + 4.0f * Smooth(0, 8, pd) - std::max(0.0f, pd - 16.0f) * 1.5f;
    h = std::max(h, rim);
    // Near the river the bank must come down to the water line, except where
    // a pool's rim stands between them: it must hold the pool's water.
    if (rd < 4)
        h = Mix(h, std::min(h, Mix(kRiverY + 0.5f, h, rd / 4)), Smooth(12, 18, pd));
    return h;
}

float SurfaceHeight(float x, float z)
{
    float h = GroundHeight(x, z);
    if (RiverDistance(x, z) < 0)
        h = std::max(h, kRiverY);
    if (PoolDistance(x, z) < 0)
        h = std::max(h, kPoolY);
    return h;
}

} // namespace sg
