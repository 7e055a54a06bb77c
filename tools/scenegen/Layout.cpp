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

const std::vector<PoolShape>& PoolShapes()
{
    // One pool for each pond ring region (the saver's table), filling most of
    // its square so the rain rings land on water; pools whose region reaches
    // into the river band stop a rock rim short of it. The falls have pools
    // of their own at their feet.
    static const std::vector<PoolShape> p = {
        {257, -532, 75, 93, 3.5f},    // fall B pours into its south-east corner
        {290, 624, 34, 38, 2.5f},     // under fall A
        {274, -170, 75, 68, 3.5f},    //
        {249, 9, 66, 86, 3.8f},       // east of the river
        {216, 156, 34, 34, 3.5f},     //
        {160, 742, 78, 76, 3.3f},     // north, by the river's end
        {154, -784, 49, 48, 3.5f},    // south, by the river's end
        {124, -1044, 84, 84, 3.5f},   //
        {-254, -624, 123, 123, 3.4f}, // at the foot of the west slope
        {-119, -347, 67, 72, 3.5f},   // west of the river
        {-117, 0, 66, 98, 3.8f},      //
        {-118, 203, 45, 41, 3.5f},    //
        {-157, 552, 62, 63, 3.5f},    //
    };
    return p;
}

float ShapeDistance(const PoolShape& p, float x, float z)
{
    const float dx = std::fabs(x - p.cx) / p.rx, dz = std::fabs(z - p.cz) / p.rz;
    float q = std::pow(std::pow(dx, p.power) + std::pow(dz, p.power), 1.0f / p.power);
    // A ragged rock edge rather than a drawn curve: a few units in and out.
    const float r = std::min(p.rx, p.rz);
    q += 0.1f * Fbm2(x / 55.0f, z / 55.0f, 2, 37) * std::min(1.0f, 30.0f / r);
    return (q - 1.0f) * r;
}

float PoolDistance(float x, float z)
{
    float best = 1e9f;
    for (const auto& e : PoolShapes())
        best = std::min(best, ShapeDistance(e, x, z));
    return best;
}

void RiverEdges(float z, float& west, float& east)
{
    // Control points (z, west, east), eased between. The water stays inside
    // the rain's river band everywhere: it fills the band along the valley
    // with steep banks at its edges, and narrows at both ends, where the
    // pools by its end sit in the band beside it. The north taper takes all
    // the room between the band's end and the pool's corner, so the east
    // bank curves in along the river rather than standing across it.
    static const float pts[][3] = {
        {-1800, -46, 24}, {-1150, -46, 24}, {-850, -46, 28}, {-740, -46, 88}, {-680, -46, 177},
        {600, -46, 177},  {695, -46, 62},   {1050, -46, 60}, {1400, -20, 34}, {1800, -20, 34},
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
    if (x >= w && x < e)
        return -std::min(x - w, e - x);
    return x < w ? w - x : x - e;
}

float EastCliffX(float z)
{
    // Far enough east that the leaves blown off the trees above it land on
    // the terrace in front of it.
    float base = 470.0f + 16.0f * Fbm2(z / 260.0f, 3.1f, 3, 7);
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

bool Meadow(float x, float z)
{
    return Fbm2(x / 90, z / 90, 2, 31) > 0.15f;
}

float HillCrest(float x, float z)
{
    return 214.0f + 54.0f * Fbm2(x / 240.0f + 3.7f, z / 240.0f - 1.9f, 2, 43);
}

namespace {

// The hills that close the valley at both ends.
float EndsRise(float az)
{
    return 25.0f * Smooth(1100, 1700, az) + 200.0f * Smooth(1250, 1765, az);
}

// The floor of the V the river leaves by: out of the water, climbing to a
// saddle below the hill line at the grid's end, above every eye.
float ChannelFloor(float az)
{
    const float saddle = std::max(0.0f, kTerraceY + EndsRise(az) - 40.0f - kRiverY - 0.5f);
    return kRiverY + 0.5f + saddle * Smooth(1300, 1765, az);
}

// The valley without the pool basins and the river bed.
float BaseHeight(float x, float z)
{
    // Terraces on both banks, nearly flat; inside the river band, where the
    // river is narrower than it (at its ends), a bank slopes down to it.
    const float terrace = kTerraceY + 0.22f * Fbm2(x / 90.0f, z / 90.0f, 3, 1);
    float h = terrace;
    if (x >= kRainRiverX0 && x < kRainRiverX1)
        h = Mix(kRiverY + 0.5f, terrace, Smooth(0, 18, std::max(0.0f, RiverDistance(x, z))));

    // East: the cliff, then the hills.
    const float cx = EastCliffX(z);
    const float top = EastCliffTop(z);
    float cliff = Mix(terrace, top, Smooth(cx - 5.0f, cx + 4.0f, x));
    cliff += std::max(0.0f, x - cx - 20) * 0.22f * (1.0f + 0.4f * Fbm2(x / 200, z / 200, 2, 5));
    cliff += 6.0f * Fbm2(x / 60.0f, z / 60.0f, 3, 11) * Smooth(cx, cx + 30, x);
    if (x > cx - 10)
        h = std::max(h, cliff);

    // West: a rising wooded slope behind the terrace.
    const float wx = -325.0f + 12.0f * Fbm2(z / 280.0f, 1.3f, 3, 13);
    float west = terrace + 60.0f * Smooth(wx, wx - 110, x) + std::max(0.0f, wx - 110 - x) * 0.12f;
    west += 8.0f * Fbm2(x / 90.0f, z / 90.0f, 3, 17) * Smooth(wx, wx - 60, x);
    h = std::max(h, west);

    // The valley closes in hills at both ends and beyond the east cliffs,
    // rising to the grid's last rows: from every path the ground's end is a
    // hill line against the sky, never an edge with sky below it.
    const float az = std::fabs(z);
    h += EndsRise(az);
    // Where the river leaves through the hills, the valley opens round it
    // into a V instead of a trench: sides that climb away from the channel
    // to the hills, so the skyline stays closed. Beyond the pools by the
    // river's ends and the ground the rain can be seen to land on.
    const float open = Smooth(1210, 1380, az);
    if (open > 0)
    {
        float w, e;
        RiverEdges(z, w, e);
        const float off = std::max(0.0f, std::fabs(x - 0.5f * (w + e)) - 0.5f * (e - w));
        const float v = ChannelFloor(az) + 0.4f * off;
        // A soft minimum, so the hill line steps down into the V without a crease.
        h = Mix(h, SoftMin(h, v, 30.0f), open);
    }
    h += 110.0f * Smooth(kEastRiseX, 675, x);
    // The rise eases into rounded tops below a crest that swells and dips
    // along the rim, so the skyline is a line of hills and saddles rather
    // than a level plateau; its lowest stays above every eye.
    const float crest = HillCrest(x, z);
    constexpr float kShoulder = 45.0f;
    if (h > crest - kShoulder)
        h = crest - kShoulder + kShoulder * std::tanh((h - crest + kShoulder) / kShoulder);
    return h;
}

} // namespace

float GroundHeight(float x, float z)
{
    float w, e;
    RiverEdges(z, w, e);
    if (x >= w && x < e)
    {
        // River bed: shelving from the banks to a pebbly bottom; far off at
        // both ends the hills close over it.
        const float bed =
            kRiverY - 1.5f - 6.5f * Smooth(0, 45, std::min(x - w, e - x)) + 0.8f * Noise2(x / 25, z / 25, 23);
        const float close = Smooth(1150, 1600, std::fabs(z));
        return close > 0 ? Mix(bed, BaseHeight(x, z), close) : bed;
    }
    const float rd = RiverDistance(x, z);
    const float pd = PoolDistance(x, z);
    // A pool ends at the foot of the cliff, where a fall pours into it.
    if (pd < 0 && x < EastCliffX(z) - 1.0f)
        return kPoolY - 0.1f - 9.9f * Smooth(3, 30, -pd) + 0.8f * Noise2(x / 20, z / 20, 29) * Smooth(12, 20, -pd);
    float h = BaseHeight(x, z);
    // A rock rim round each pool, a little above the water, wide enough that
    // the ground mesh, coarser than the rim, still holds the water.
    const float rimTop = kPoolY + 1.0f + 3.5f * Smooth(0, 2, pd);
    const float rim = rimTop - std::max(0.0f, pd - 12.0f) * 1.5f;
    // A pool at the foot of a slope: the slope comes down to the rim as a
    // bank, not a wall standing at the pool's edge. Its even slope of about
    // 35 degrees holds grass (a bank steepening upwards showed a wide face of
    // bare earth); it steepens a little, so that it meets the slope well
    // inside its reach and the join stays smooth.
    if (pd >= 0 && pd < 120 && x < EastCliffX(z) - 80)
    {
        const float q = std::max(0.0f, pd - 2);
        h = SoftMin(h, rimTop + q * (0.7f + 0.0015f * q), 10.0f);
    }
    h = std::max(h, rim);
    // Near the river at its ends the bank comes down to the water line,
    // except where a pool's rim stands between them: it must hold the water.
    // Outside the band the banks stand steep at its edge. Where the river
    // narrows, its edge runs aslant across the cells, and a wall four units
    // across x would stand between two rows of nodes as a wedge of terrace
    // jutting into the water: there the bank is measured square to the edge
    // and slopes over about a cell, so the grid follows its curve, and it
    // keeps a cell clear of the pools' rims (the triangles run node to node).
    if (rd >= 0 && rd < 40 && x >= kRainRiverX0 && x < kRainRiverX1)
    {
        float w0, e0, w1, e1;
        RiverEdges(z - 1, w0, e0);
        RiverEdges(z + 1, w1, e1);
        const float drift = 0.5f * (x < w ? w1 - w0 : e1 - e0); // the edge's x per unit of z
        const float square = rd / std::sqrt(1 + drift * drift);
        // How aslant the edge runs here and a cell either way along it, so
        // the bank widens and narrows again over a few cells.
        RiverEdges(z - 20, w0, e0);
        RiverEdges(z + 20, w1, e1);
        const float slant = std::min(1.0f, std::max(std::fabs(drift), std::fabs(x < w ? w1 - w0 : e1 - e0) / 40));
        const float width = 4 + 12 * slant;
        // Down to the channel's floor, not the water line, where the hills
        // close over the river: a slit up the hillside otherwise.
        if (square < width)
            h = Mix(h, std::min(h, Mix(ChannelFloor(std::fabs(z)), h, square / width)),
                    Smooth(Mix(10, 15, slant), Mix(14, 19, slant), pd));
    }
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
