// Host tool: the baked light of the valley (see Lighting.h).
#include "Lighting.h"

#include "TerrainMesh.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace sg {

const Vec3& SunDirection()
{
    static const Vec3 s = Norm({-0.55f, 0.62f, -0.45f});
    return s;
}

namespace {

// A rainy day with the sun through haze: the sky and the light thrown back
// by the wet ground give most of it, so shade stays soft and never black.
constexpr float kBounce = 0.18f, kSky = 0.5f, kSun = 0.5f;

// 4 x 4 ordered dither, 0..1.
float Bayer(int i, int j)
{
    static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (float(m[j & 3][i & 3]) + 0.5f) / 16.0f;
}

} // namespace

LightMap::LightMap(const std::vector<TreePlacement>& trees)
    : m_W(512), m_H(1024), m_X0(Grid().xs.front()), m_X1(Grid().xs.back()), m_Z0(Grid().zs.front()),
      m_Z1(Grid().zs.back())
{
    const float dx = (m_X1 - m_X0) / float(m_W), dz = (m_Z1 - m_Z0) / float(m_H);
    m_Field.resize(size_t(m_W) * size_t(m_H));
    for (int j = 0; j < m_H; ++j)
        for (int i = 0; i < m_W; ++i)
            m_Field[size_t(j * m_W + i)] = TerrainHeight(m_X0 + (float(i) + 0.5f) * dx, m_Z0 + (float(j) + 0.5f) * dz);
    for (const auto& t : trees)
        m_Crowns.push_back({t.root + Vec3{0, t.height * 0.62f, 0}, t.radius});

    m_Light.resize(m_Field.size());
    for (int j = 0; j < m_H; ++j)
        for (int i = 0; i < m_W; ++i)
        {
            const float x = m_X0 + (float(i) + 0.5f) * dx, z = m_Z0 + (float(j) + 0.5f) * dz;
            // The slope of the valley itself rather than of its triangles, so
            // the shade runs smoothly over a coarse mesh.
            const float d = 1.5f;
            const Vec3 n = Norm({-(GroundHeight(x + d, z) - GroundHeight(x - d, z)) / (2 * d), 1.0f,
                                 -(GroundHeight(x, z + d) - GroundHeight(x, z - d)) / (2 * d)});
            m_Light[size_t(j * m_W + i)] = ShadeAt({x, m_Field[size_t(j * m_W + i)], z}, n);
        }
    // The far south-west corner, never in sight, holds a ramp of light
    // values that steep faces take theirs from (see RampU).
    for (int j = 0; j < kRampRows; ++j)
        for (int i = 0; i < kRampTexels; ++i)
            m_Light[size_t(j * m_W + i)] = float(i) / float(kRampTexels - 1);
}

float LightMap::FieldAt(float x, float z) const
{
    const float fx = Clamp(U(x) * float(m_W) - 0.5f, 0, float(m_W - 1)),
                fz = Clamp(V(z) * float(m_H) - 0.5f, 0, float(m_H - 1));
    const int i = std::min(int(fx), m_W - 2), j = std::min(int(fz), m_H - 2);
    const float tx = fx - float(i), tz = fz - float(j);
    const float* r0 = &m_Field[size_t(j * m_W + i)];
    const float* r1 = r0 + m_W;
    return Mix(Mix(r0[0], r0[1], tx), Mix(r1[0], r1[1], tx), tz);
}

float LightMap::ShadeAt(Vec3 ground, Vec3 n, bool crowns) const
{
    const Vec3 sun = SunDirection();
    // Sun: the terrain's soft shadow (how far below the ground the ray
    // passes, against the width of the sun's penumbra there), then the
    // crowns, which let some light through.
    // Off the surface by more than the field's texels can misplace a steep
    // face, so no face shades itself.
    const Vec3 p = ground + Vec3{0, 0.5f, 0} + n * (0.5f + 4.0f * (1.0f - n.y));
    float sunVis = 1.0f;
    for (float t = 2.0f; t < 700.0f && sunVis > 0.0f; t *= 1.25f)
    {
        const Vec3 q = p + sun * t;
        if (q.y > 200.0f)
            break;
        sunVis = std::min(sunVis, Clamp(0.5f + (q.y - FieldAt(q.x, q.z)) / (0.12f * t + 1.0f), 0, 1));
    }
    float under = 0.0f;
    for (const Crown& c : crowns ? m_Crowns : std::vector<Crown>())
    {
        const Vec3 toC = c.c - p;
        const float along = Dot(toC, sun);
        // Not on steep faces: a crown's shadow there is too small a thing
        // for the map's texels.
        if (along > 0 && n.y > 0.6f)
        {
            const float miss = Len(toC - sun * along);
            sunVis *= 1.0f - 0.62f * Smooth(c.r * 1.1f, c.r * 0.35f, miss);
        }
        // Under a crown the sky is partly hidden.
        const float flat = std::hypot(toC.x, toC.z);
        under = std::max(under, 0.4f * Smooth(c.r * 1.1f, c.r * 0.3f, flat) * (toC.y > 0 ? 1.0f : 0.0f));
    }
    // Wrapped a little round the shaded side: hazy light, and faces of a
    // rough cliff turned a little apart do not jump from lit to dark.
    const float direct = std::max(0.0f, (Dot(n, sun) + 0.5f) / 1.5f) * sunVis;

    // Sky: the horizon's height round the point, seen from a little off the
    // surface, over the half of the sky the surface faces.
    const int kDirs = 8;
    const float kSteps[] = {3, 7, 14, 26, 45, 75, 120, 180};
    float open = 0.0f;
    for (int k = 0; k < kDirs; ++k)
    {
        const float a = float(k) * 2 * kPi / kDirs + 0.3f;
        const float cx = std::cos(a), cz = std::sin(a);
        float tanMax = 0.0f;
        for (float t : kSteps)
            tanMax = std::max(tanMax, (FieldAt(p.x + cx * t, p.z + cz * t) - p.y) / t);
        open += 1.0f - tanMax / std::sqrt(1.0f + tanMax * tanMax);
    }
    open /= kDirs;
    const float skyLight = open * (0.7f + 0.3f * n.y) * (1.0f - under);
    return Clamp(kBounce + kSky * skyLight + kSun * direct, 0.0f, 1.0f);
}

float LightMap::At(float x, float z) const
{
    const float fx = Clamp(U(x) * float(m_W) - 0.5f, 0, float(m_W - 1)),
                fz = Clamp(V(z) * float(m_H) - 0.5f, 0, float(m_H - 1));
    const int i = std::min(int(fx), m_W - 2), j = std::min(int(fz), m_H - 2);
    const float tx = fx - float(i), tz = fz - float(j);
    return Mix(Mix(Texel(i, j), Texel(i + 1, j), tx), Mix(Texel(i, j + 1), Texel(i + 1, j + 1), tx), tz);
}

std::vector<uint8_t> LightMap::OverlayTga() const
{
    // Uncompressed 32-bit, rows from the bottom up; row j of the map is the
    // texture's row j from the top (v = 0 at z0).
    std::vector<uint8_t> out(18 + size_t(m_W) * size_t(m_H) * 4, 0);
    out[2] = 2;
    out[12] = uint8_t(m_W & 0xFF), out[13] = uint8_t(m_W >> 8);
    out[14] = uint8_t(m_H & 0xFF), out[15] = uint8_t(m_H >> 8);
    out[16] = 32;
    out[17] = 8;
    for (int j = 0; j < m_H; ++j)
        for (int i = 0; i < m_W; ++i)
        {
            uint8_t* px = &out[18 + (size_t(m_H - 1 - j) * size_t(m_W) + size_t(i)) * 4];
            const float l = Texel(i, j);
            // The shade lands on 4 bits in the compressed texture:
            // dithered to those steps, so slow slopes do not band.
            const bool ramp = j < kRampRows && i < kRampTexels; // read along a row: no dither
            const float a = std::floor((1.0f - l) * 15.0f + (ramp ? 0.5f : Bayer(i, j))) / 15.0f;
            px[0] = px[1] = px[2] = 0;
            px[3] = uint8_t(Clamp(a, 0, 1) * 255.0f + 0.5f);
        }
    return out;
}

void AddLightLayer(MeshBuilder& mesh, int material, const LightMap& light,
                   const std::function<bool(const GroundTriangle&)>& which, bool twoSided)
{
    const TerrainGrid& grid = Grid();
    std::vector<int> index(grid.pts.size(), -1);
    auto node = [&](int id) {
        int& slot = index[size_t(id)];
        if (slot < 0)
        {
            const Vec3 p = grid.pts[size_t(id)];
            const float d = 1.5f;
            const Vec3 n = Norm({-(TerrainHeight(p.x + d, p.z) - TerrainHeight(p.x - d, p.z)) / (2 * d), 1.0f,
                                 -(TerrainHeight(p.x, p.z + d) - TerrainHeight(p.x, p.z - d)) / (2 * d)});
            // Off the ground by more than the depth buffer can tell apart
            // at the far hills, too little to see.
            slot = mesh.Vertex(p + n * 0.35f, light.U(p.x), light.V(p.z));
        }
        return uint16_t(slot);
    };
    // Steep faces: the map lies on them from above, a few texels across a
    // whole face. Their corners take a light of their own through the ramp,
    // for the way the cliff faces over some metres (its sawtooth of
    // triangles would show in a light of each triangle's own slope), from a
    // little out of the crease at its foot, and without the crowns, whose
    // shade at the foot would spread up the face.
    std::vector<int> faceIndex(grid.pts.size(), -1);
    auto faceNode = [&](int id) {
        int& slot = faceIndex[size_t(id)];
        if (slot < 0)
        {
            const Vec3 p = grid.pts[size_t(id)];
            const float d = 10.0f;
            const Vec3 n = Norm({-(GroundHeight(p.x + d, p.z) - GroundHeight(p.x - d, p.z)) / (2 * d), 1.0f,
                                 -(GroundHeight(p.x, p.z + d) - GroundHeight(p.x, p.z - d)) / (2 * d)});
            // Never as dark as open shade: a corner in a crease stands for
            // a whole face.
            const float l = std::max(0.62f, light.ShadeAt(p + n * 5.0f, n, false));
            slot = mesh.Vertex(p + n * 0.35f, light.RampU(l), light.RampV());
        }
        return uint16_t(slot);
    };
    ForEachGroundTriangle([&](const GroundTriangle& t) {
        if (!which(t))
            return;
        uint16_t v[3];
        if (std::fabs(t.n.y) < 0.5f)
            for (int k = 0; k < 3; ++k)
                v[k] = faceNode(t.v[k]);
        else
            for (int k = 0; k < 3; ++k)
                v[k] = node(t.v[k]);
        if (twoSided)
            mesh.TwoSided(material, v[0], v[1], v[2]);
        else
            mesh.Tri(material, v[0], v[1], v[2]);
    });
}

const LightMap& SceneLight(const SceneContent& s)
{
    // One scene per run (the tests build the same one twice): keyed by the
    // trees, which are all the map depends on besides the ground.
    static std::vector<std::pair<std::vector<float>, std::unique_ptr<LightMap>>> made;
    std::vector<float> key;
    for (const auto& t : s.trees)
        key.insert(key.end(), {t.root.x, t.root.y, t.root.z, t.height, t.radius});
    for (const auto& m : made)
        if (m.first == key)
            return *m.second;
    made.push_back({key, std::make_unique<LightMap>(s.trees)});
    return *made.back().second;
}

} // namespace sg
