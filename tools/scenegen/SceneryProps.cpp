// Host tool: stones, ledges, falls and the bridge of the scenery.
#include "SceneryProps.h"

#include <algorithm>
#include <map>

#include "TerrainMesh.h"

namespace sg {

// Distance from p to the nearest recorded camera eye (Placements.cpp).
float NearestEyeDistance(const SceneContent& s, Vec3 p, float within);

namespace {

// A stone's corners in the world, its faces (clockwise seen from outside,
// the front of the program), its underside and its top.
struct StoneShape
{
    std::vector<Vec3> corners;
    std::vector<int> faces;
    std::vector<Vec3> feet;
    float top = -1e9f;
};

// Icosphere, one subdivision, pushed about by noise. The stone sits as deep
// as its underside needs to touch the ground mesh everywhere under it.
StoneShape ShapeStone(Vec3 c, float r, float squash, uint32_t seed)
{
    const float t = (1 + std::sqrt(5.0f)) / 2;
    std::vector<Vec3> v = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                           {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    std::vector<int> f = {0, 11, 5,  0, 5,  1, 0, 1, 7, 0, 7,  10, 0, 10, 11, 1, 5, 9, 5, 11,
                          4, 11, 10, 2, 10, 7, 6, 7, 1, 8, 3,  9,  4, 3,  4,  2, 3, 2, 6, 3,
                          6, 8,  3,  8, 9,  4, 9, 5, 2, 4, 11, 6,  2, 10, 8,  6, 7, 9, 8, 1};
    for (auto& p : v)
        p = Norm(p);
    std::vector<int> g;
    std::map<std::pair<int, int>, int> mid;
    auto middle = [&](int a, int b) {
        auto key = std::make_pair(std::min(a, b), std::max(a, b));
        auto it = mid.find(key);
        if (it != mid.end())
            return it->second;
        v.push_back(Norm(v[size_t(a)] + v[size_t(b)]));
        mid[key] = int(v.size() - 1);
        return int(v.size() - 1);
    };
    for (size_t i = 0; i < f.size(); i += 3)
    {
        int a = f[i], b = f[i + 1], c2 = f[i + 2];
        int ab = middle(a, b), bc = middle(b, c2), ca = middle(c2, a);
        g.insert(g.end(), {a, ab, ca, b, bc, ab, c2, ca, bc, ab, bc, ca});
    }
    Rng rng(seed);
    const float yaw = rng.Range(0, 6.28f);
    std::vector<Vec3> shape;
    for (const auto& p : v)
    {
        float k = 1.0f + 0.22f * Noise2(p.x * 2.1f + float(seed % 97), p.z * 2.1f + p.y * 1.7f, seed);
        Vec3 q = {p.x * k, p.y * k * squash, p.z * k * 1.15f};
        shape.push_back(XformDir(q, RotY(yaw)));
    }
    // Highest centre at which every point of the lower half still reaches
    // the ground under it, then a little deeper, so nothing shows beneath.
    float cy = 1e9f;
    for (const auto& q : shape)
        if (q.y < 0)
            cy = std::min(cy, TerrainHeight(c.x + q.x * r, c.z + q.z * r) - q.y * r);
    c.y = cy - 0.08f * r * squash;
    StoneShape stone;
    stone.faces = std::move(g);
    for (const auto& q : shape)
    {
        const Vec3 w = c + q * r;
        stone.corners.push_back(w);
        stone.top = std::max(stone.top, w.y);
        if (q.y < -0.45f * squash)
            stone.feet.push_back(w);
    }
    return stone;
}

void AddStone(MeshBuilder& m, int material, const StoneShape& stone, float r, uint32_t seed)
{
    // Each face takes the texture projected along its nearest axis, in
    // world units: one mapping over the whole stone stretches it into
    // streaks where the stone turns edge-on to that mapping (on its top,
    // seen from the paths). The stone's rough texture hides the seams.
    const float scale = 1.0f / (1.3f * r);
    const float du = float(seed % 13) * 0.37f, dv = float(seed % 7) * 0.41f;
    const std::vector<int>& g = stone.faces;
    for (size_t i = 0; i < g.size(); i += 3)
    {
        const Vec3 p[3] = {stone.corners[size_t(g[i])], stone.corners[size_t(g[i + 1])],
                           stone.corners[size_t(g[i + 2])]};
        const Vec3 n = Cross(p[1] - p[0], p[2] - p[0]);
        const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        uint16_t id[3];
        for (int k = 0; k < 3; ++k)
        {
            float u = p[k].x, v = p[k].y; // facing along z
            if (ay >= ax && ay >= az)
                v = p[k].z;
            else if (ax >= az)
                u = p[k].z;
            id[k] = m.Vertex(p[k], u * scale + du, v * scale + dv);
        }
        m.Tri(material, id[0], id[1], id[2]);
    }
}

void AddBox(MeshBuilder& m, int material, Vec3 lo, Vec3 hi, float uvScale)
{
    // Six faces, outward winding, texture in world units.
    const Vec3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z},
                       {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}};
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    for (const auto& f : faces)
    {
        Vec3 p[4] = {c[f[0]], c[f[1]], c[f[2]], c[f[3]]};
        Vec3 n = TriNormal(p[0], p[1], p[2]);
        uint16_t id[4];
        for (int k = 0; k < 4; ++k)
        {
            float u, v;
            if (std::fabs(n.y) > 0.5f)
            {
                u = p[k].x;
                v = p[k].z;
            }
            else if (std::fabs(n.x) > 0.5f)
            {
                u = p[k].z;
                v = p[k].y;
            }
            else
            {
                u = p[k].x;
                v = p[k].y;
            }
            id[k] = m.Vertex(p[k], u * uvScale, v * uvScale);
        }
        // Faces are listed so that (p0,p1,p2) is clockwise seen from outside.
        m.Tri(material, id[0], id[1], id[2]);
        m.Tri(material, id[0], id[2], id[3]);
    }
}

void AddBridge(MeshBuilder& m, std::vector<SeatedProp>* seats)
{
    const int wood = m.Material("most.psd");
    const float z0 = 404, z1 = 436, deck = kBridgeDeckY;
    float w, e;
    RiverEdges(420, w, e);
    const float x0 = w - 28, x1 = e + 28;
    // Planks across the deck, slightly uneven.
    for (float x = x0; x < x1; x += 6.0f)
    {
        float y = deck + 0.3f * Noise2(x * 0.3f, 1.7f, 41);
        AddBox(m, wood, {x, y - 1.5f, z0}, {x + 5.4f, y, z1}, 1.0f / 32);
    }
    // Two beams and the posts and rails on both sides.
    AddBox(m, wood, {x0, deck - 5.0f, z0 + 2}, {x1, deck - 1.5f, z0 + 6}, 1.0f / 32);
    AddBox(m, wood, {x0, deck - 5.0f, z1 - 6}, {x1, deck - 1.5f, z1 - 2}, 1.0f / 32);
    // The beams' ends rest on the terraces, the trestles stand on the bed.
    if (seats)
        seats->push_back({"bridge beams",
                          {{x0, deck - 5.0f, z0 + 2},
                           {x0, deck - 5.0f, z1 - 2},
                           {x1, deck - 5.0f, z0 + 2},
                           {x1, deck - 5.0f, z1 - 2}},
                          false});
    for (float x = x0 + 4; x < x1; x += 36.0f)
        for (float z : {z0 + 0.5f, z1 - 3.5f})
            AddBox(m, wood, {x, deck, z}, {x + 3, deck + 22, z + 3}, 1.0f / 32);
    for (float z : {z0 + 0.5f, z1 - 3.5f})
        AddBox(m, wood, {x0 + 4, deck + 18, z}, {x1 - 4, deck + 21, z + 3}, 1.0f / 32);
    // Trestles standing in the water.
    for (float x : {w + 55, e - 55})
        for (float z : {z0 + 3.0f, z1 - 6.0f})
        {
            const float y = TerrainHeight(x, z) - 2;
            AddBox(m, wood, {x, y, z}, {x + 3.5f, deck - 4.5f, z + 3.5f}, 1.0f / 32);
            if (seats)
                seats->push_back({"trestle", {{x, y, z}, {x + 3.5f, y, z + 3.5f}}, false});
        }
}

void AddFall(MeshBuilder& m, Vec3 lip, Vec3 foam, float halfWidth, const char* texture, uint32_t seed,
             std::vector<SeatedProp>* seats)
{
    // Water sliding over the ledge to its lip, leaving it with a little
    // speed and dropping in a curve to the pool: a front sheet and, a little
    // behind it, a second one with its streaks elsewhere, so the fall has
    // depth. Both ways round: the model that holds it is drawn culled.
    const int mat = m.Material(texture);
    const int cols = 10, rows = 18, over = 3;
    const float pool = kPoolY - 0.5f;
    const float throwX = lip.x - foam.x + 1.0f; // how far out it lands
    for (int layer = 0; layer < 2; ++layer)
    {
        const float back = layer == 0 ? 0.0f : 1.4f, shrink = layer == 0 ? 1.0f : 0.8f;
        std::vector<uint16_t> id;
        for (int r = 0; r <= rows; ++r)
            for (int c = 0; c <= cols; ++c)
            {
                const float sIdx = float(c) / cols * 2 - 1;
                Vec3 p;
                float v;
                if (r < over)
                {
                    // Over the top, from 9 units back to the lip.
                    const float k = float(r) / over;
                    p = {lip.x + 9 * (1 - k) + back, lip.y + 0.4f - back * 0.2f,
                         lip.z + sIdx * halfWidth * shrink * (0.85f + 0.15f * k)};
                    v = k * 0.6f;
                }
                else
                {
                    const float k = float(r - over) / float(rows - over); // share of the drop
                    // Out from the lip as a thrown sheet (x against the
                    // square root of the drop), widening as it falls, its
                    // edges ragged.
                    const float edge = std::fabs(sIdx);
                    const float wobble = 0.9f * Noise2(sIdx * 2.7f + float(layer) * 5, k * 6, seed);
                    p = {lip.x - throwX * std::sqrt(k) + back * (1 - k) + wobble,
                         Mix(lip.y, pool, k) - edge * edge * 3.0f * k,
                         lip.z + sIdx * halfWidth * shrink * (1.0f + 0.45f * k)};
                    v = 0.6f + k * 5.0f;
                }
                id.push_back(m.Vertex(p, sIdx * 1.6f + 0.5f + 0.37f * float(layer), v + 0.5f * float(layer)));
            }
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
            {
                uint16_t a = id[size_t(r * (cols + 1) + c)], b = id[size_t(r * (cols + 1) + c + 1)];
                uint16_t d = id[size_t((r + 1) * (cols + 1) + c)], e = id[size_t((r + 1) * (cols + 1) + c + 1)];
                m.TwoSided(mat, a, b, d);
                m.TwoSided(mat, b, e, d);
            }
    }
    // Foam where it lands: a patch spread on the pool, a smaller thicker one
    // over it, and a churning band rising from the water round the landing,
    // opaque at the water and gone a few units up.
    const int fm = m.Material("foam01.tga");
    const Vec3 land = {lip.x - throwX, kPoolY, foam.z};
    for (int patch = 0; patch < 2; ++patch)
    {
        const float radius = patch == 0 ? 19.0f : 10.0f, y = kPoolY + 0.3f + 0.1f * float(patch);
        uint16_t centre = m.Vertex({land.x, y, land.z}, 0.5f, 0.5f);
        std::vector<uint16_t> ring;
        for (int k = 0; k < 16; ++k)
        {
            float a = float(k) / 16 * 2 * kPi;
            float r = radius * (1 + 0.2f * Noise2(float(k) * 0.7f, 3.3f + float(patch), seed));
            ring.push_back(m.Vertex({land.x + std::cos(a) * r * 0.9f, y, land.z + std::sin(a) * r * 1.25f},
                                    0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)));
        }
        for (int k = 0; k < 16; ++k)
            m.TwoSided(fm, centre, ring[size_t(k)], ring[size_t((k + 1) % 16)]);
    }
    std::vector<uint16_t> low, high;
    for (int k = 0; k <= 16; ++k)
    {
        const float a = float(k) / 16 * 2 * kPi;
        const float rx = halfWidth * 0.45f, rz = halfWidth * 1.35f;
        const Vec3 base = {land.x + std::cos(a) * rx, kPoolY - 0.3f, land.z + std::sin(a) * rz};
        const float u = float(k) / 16 * 2;
        low.push_back(m.Vertex(base, u, 0.5f));
        high.push_back(m.Vertex(base + Vec3{std::cos(a) * 2.5f, 7.0f, std::sin(a) * 3.0f}, u, 0.02f));
    }
    for (int k = 0; k < 16; ++k)
    {
        m.TwoSided(fm, low[size_t(k)], high[size_t(k)], low[size_t(k + 1)]);
        m.TwoSided(fm, low[size_t(k + 1)], high[size_t(k)], high[size_t(k + 1)]);
    }
    if (seats)
    {
        SeatedProp foamSeat{"foam", {{land.x, kPoolY + 0.3f, land.z}}, true};
        seats->push_back(foamSeat);
    }
}

} // namespace

StoneMeshes PlaceStones(const SceneContent& s)
{
    StoneMeshes out;
    // The scenery's last material may run past the 16-bit first-index cap,
    // so the stone it holds more of (nine against six) goes last.
    out.scenery.Material("stone02.tga");
    out.scenery.Material("stone01.tga");
    Rng rng(77);
    int placed = 0;
    for (int attempt = 0; attempt < 4000 && placed < 56; ++attempt)
    {
        float z = rng.Range(-1100, 900);
        float x;
        float kind = rng.Unit();
        if (kind < 0.45f)
        {
            float w, e;
            RiverEdges(z, w, e);
            x = rng.Unit() < 0.5f ? w - rng.Range(-6, 10) : e + rng.Range(-6, 10);
        }
        else if (kind < 0.8f)
        {
            const auto& pools = PoolShapes();
            const auto& p = pools[size_t(rng.Next() % pools.size())];
            float a = rng.Range(0, 6.28f);
            x = p.cx + std::cos(a) * (p.rx + 3);
            z = p.cz + std::sin(a) * (p.rz + 3);
        }
        else
        {
            x = EastCliffX(z) - rng.Range(4, 20);
        }
        float r = rng.Range(4, 11);
        Vec3 c = {x, GroundHeight(x, z) + r * 0.15f, z};
        if (NearestEyeDistance(s, c, r + 30) < r + 30)
            continue;
        // Stones by the river belong to the bed's model, the others to the scenery.
        MeshBuilder& into = kind < 0.45f ? out.bank : out.scenery;
        SeatedProp seat;
        seat.what = "stone";
        const float squash = rng.Range(0.5f, 0.8f);
        // Sunk in a pool or the river, a stone shows only a flat cap at the
        // water: a stone standing in water keeps half its height above it.
        const float water = SurfaceHeight(x, z);
        const StoneShape stone = ShapeStone(c, r, squash, uint32_t(900 + placed));
        if (GroundHeight(x, z) < water - 0.05f && stone.top - water < 0.5f * r * squash)
            continue;
        AddStone(into, into.Material((placed & 1) ? "stone02.tga" : "stone01.tga"), stone, r, uint32_t(900 + placed));
        seat.feet = stone.feet;
        out.seats.push_back(seat);
        ++placed;
    }
    return out;
}

MeshBuilder BuildLedges(std::vector<SeatedProp>* seats)
{
    MeshBuilder ledges;
    const int mLedge = ledges.Material("ledge01.tga");
    struct Lip
    {
        Vec3 at;
        float depth, half;
    } lips[2] = {{kFallA, 10, 16}, {kFallB, 12, 17}};
    for (const Lip& l : lips)
    {
        // A lip of rock jutting a little over the water, and under it a wet
        // face from the pool's floor, just behind where the sheet falls, so
        // the lip rests on rock and the water falls in front of it.
        const float x0 = l.at.x - 1.5f, x1 = l.at.x + l.depth;
        const float z0 = l.at.z - l.half, z1 = l.at.z + l.half;
        AddBox(ledges, mLedge, {x0, l.at.y - 3.0f, z0}, {x1, l.at.y, z1}, 1.0f / 48);
        const float wx0 = l.at.x + 0.6f;
        float y0 = l.at.y - 4.0f;
        for (float z : {z0, l.at.z, z1})
            y0 = std::min(y0, TerrainHeight(wx0, z) - 0.3f);
        AddBox(ledges, mLedge, {wx0, y0, z0 + 1.0f}, {x1, l.at.y - 3.0f, z1 - 1.0f}, 1.0f / 48);
        if (seats)
            seats->push_back({"ledge",
                              {{wx0, y0, z0 + 1.0f}, {wx0, y0, z1 - 1.0f}, {x1, y0, z0 + 1.0f}, {x1, y0, z1 - 1.0f}},
                              false});
    }
    return ledges;
}

MeshBuilder BuildFalls(std::vector<SeatedProp>* seats)
{
    MeshBuilder falls;
    AddFall(falls, kFallA, kFoamA, 10, "waterfall01.tga", 5, seats);
    AddFall(falls, kFallB, kFoamB, 12, "waterfall02.tga", 6, seats);
    return falls;
}

MeshBuilder BuildBridge(std::vector<SeatedProp>* seats)
{
    MeshBuilder bridge;
    AddBridge(bridge, seats);
    return bridge;
}

} // namespace sg
