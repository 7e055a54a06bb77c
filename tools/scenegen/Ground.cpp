// Host tool: the scenery's ground (scene.singleobject) with its stones,
// ledges, bridge and falls, and the part of it the pools mirror
// (scene_refl_lusa.singleobject, trees added later).
#include <algorithm>
#include <map>

#include "SceneryProps.h"
#include "TerrainMesh.h"

namespace sg {

PoolsMirror::PoolsMirror(const SceneContent& s)
{
    // The margin below covers the frames between the samples.
    for (const Vec3& e : SampledEyes(s))
        if (e.y > kPoolY + 1)
            m_Eyes.push_back({e.x, 2 * kPoolY - e.y, e.z});
}

bool PoolsMirror::operator()(const GroundTriangle& t) const
{
    if (t.part != GroundPart::Scenery && t.part != GroundPart::Cliff)
        return false;
    // What rises out of the water, a cliff's foot standing in a pool too:
    // the mirror meets a triangle's part under the water only from behind.
    if (std::max({t.a.y, t.b.y, t.c.y}) <= kPoolY)
        return false;
    float nearPool = 1e9f;
    for (const auto& p : PoolShapes())
        nearPool = std::min(nearPool, std::hypot(t.cx - p.cx, t.cz - p.cz));
    if (nearPool >= 650)
        return false;
    // Seen in a pool: the triangle as seen from the mirrored eye, laid on the
    // pools' plane, meets a pool, or comes within a margin of it for the
    // ripples and the frames between. A corner at the water is taken a hair
    // above it.
    constexpr float kMargin = 8.0f;
    const auto& pools = PoolShapes();
    auto near = [&](const PoolShape& pool, float x, float z) {
        return std::fabs(x - pool.cx) < pool.rx + kMargin && std::fabs(z - pool.cz) < pool.rz + kMargin &&
               ShapeDistance(pool, x, z) < kMargin;
    };
    const Vec3 pts[4] = {t.a, t.b, t.c, {t.cx, t.cy, t.cz}};
    for (const Vec3& e : m_Eyes)
    {
        // Drawn only from the side it turns out of the ground (the mirror
        // culls the other), so only for eyes on that side of it.
        if (Dot(t.n, e - t.a) < -kMargin)
            continue;
        float qx[4], qz[4];
        for (int i = 0; i < 4; ++i)
        {
            const float y = std::max(pts[i].y, kPoolY + 0.01f);
            const float k = (kPoolY - e.y) / (y - e.y);
            qx[i] = e.x + (pts[i].x - e.x) * k, qz[i] = e.z + (pts[i].z - e.z) * k;
            for (const auto& pool : pools)
                if (near(pool, qx[i], qz[i]))
                    return true;
        }
        // A large triangle may cover a pool, or cross its edge, between its
        // corners: its middle, then its sides every half margin.
        const float x0 = std::min({qx[0], qx[1], qx[2]}), x1 = std::max({qx[0], qx[1], qx[2]});
        const float z0 = std::min({qz[0], qz[1], qz[2]}), z1 = std::max({qz[0], qz[1], qz[2]});
        for (const auto& pool : pools)
        {
            if (x1 < pool.cx - pool.rx - kMargin || x0 > pool.cx + pool.rx + kMargin ||
                z1 < pool.cz - pool.rz - kMargin || z0 > pool.cz + pool.rz + kMargin)
                continue;
            float side[3];
            for (int i = 0; i < 3; ++i)
            {
                const int j = (i + 1) % 3;
                side[i] = (qx[j] - qx[i]) * (pool.cz - qz[i]) - (qz[j] - qz[i]) * (pool.cx - qx[i]);
            }
            if ((side[0] >= 0 && side[1] >= 0 && side[2] >= 0) || (side[0] <= 0 && side[1] <= 0 && side[2] <= 0))
                return true;
            for (int i = 0; i < 3; ++i)
            {
                const int j = (i + 1) % 3;
                const int n = int(std::hypot(qx[j] - qx[i], qz[j] - qz[i]) / (kMargin / 2)) + 1;
                for (int k = 1; k < n; ++k)
                {
                    const float f = float(k) / float(n);
                    if (near(pool, qx[i] + (qx[j] - qx[i]) * f, qz[i] + (qz[j] - qz[i]) * f))
                        return true;
                }
            }
        }
    }
    return false;
}

namespace {

// A level triangle's material from its corners': rim where all three lie on
// the rim, and never rim where none does; else the material at its middle.
int CornerMaterial(std::array<int, 3> corners, int middle, int rim)
{
    const int rims = int(std::count(corners.begin(), corners.end(), rim));
    if (rims == 3)
        return rim;
    if (rims == 0 && middle == rim)
        return corners[1] == corners[2] ? corners[1] : corners[0];
    return middle;
}

} // namespace

void BuildGroundModels(SceneContent& s)
{
    MeshBuilder scene, refl;
    GridVertices gScene(scene), gRefl(refl);

    // Material order is the draw order; names as the modelling tool wrote them.
    const int mGrass = scene.Material("ground01.tga");
    const int mMeadow = scene.Material("ground04.tga");
    const int mForest = scene.Material("ground03.tga");
    const int mEarth = scene.Material("ground02.tga");
    const int mRock = scene.Material("rock01.tga");
    const int mCliff = scene.Material("rock02.tga");
    const int mRim = scene.Material("border01.tga");
    const int mHill = scene.Material("hill01.tga");
    for (const char* n : {"ground01.tga", "ground04.tga", "ground03.tga", "ground02.tga", "rock01.tga", "rock02.tga",
                          "border01.tga", "hill01.tga"})
        refl.Material(n); // same indices as the scenery's

    // Litter lies on the tree's own level: a crown over a cliff's edge
    // drops none on the terrace above or the meadow below. A tree drops
    // litter only where the ground under the whole of it is level: on a
    // slope only a few cells pass the level rule, and the litter lay there
    // as a slab with straight sides.
    constexpr float kLitterReach = 0.85f; // of the crown's radius, at most
    auto levelAt = [](float x, float z) {
        const float d = 6;
        const float gx = GroundHeight(x + d, z) - GroundHeight(x - d, z),
                    gz = GroundHeight(x, z + d) - GroundHeight(x, z - d);
        return std::hypot(gx, gz) < 0.5f * 2 * d;
    };
    std::vector<bool> onLevel;
    for (const auto& t : s.trees)
    {
        bool level = levelAt(t.root.x, t.root.z);
        for (int k = 0; k < 12 && level; ++k)
            for (float f : {0.5f, 1.0f})
            {
                const float a = float(k) * 2 * kPi / 12, r = f * kLitterReach * t.radius;
                level = level && levelAt(t.root.x + r * std::cos(a), t.root.z + r * std::sin(a));
            }
        onLevel.push_back(level);
    }
    // The litter's outline follows the crown: round, its reach wandering
    // with the angle, so no two trees drop the same disc.
    auto underTree = [&](float x, float y, float z) {
        for (size_t i = 0; i < s.trees.size(); ++i)
        {
            const auto& t = s.trees[i];
            if (!onLevel[i])
                continue;
            const float dx = x - t.root.x, dz = z - t.root.z;
            const float d2 = dx * dx + dz * dz;
            if (d2 > kLitterReach * kLitterReach * t.radius * t.radius)
                continue;
            const float a = std::atan2(dz, dx);
            const float wander = Noise2(std::cos(a) * 1.5f + float(i) * 7.3f, std::sin(a) * 1.5f, 1801);
            const float reach = t.radius * (0.68f + 0.17f * wander);
            if (d2 < reach * reach && std::fabs(y - t.root.y) < 4 + 0.3f * std::sqrt(d2))
                return true;
        }
        return false;
    };

    // The grass above the east cliffs, up to the foot of the hills: a cell
    // there is steep where it spans the brink or a hump by the fall notches,
    // and bare earth would stand out on it as a lone patch.
    auto aboveCliffs = [&](float x, float y, float z) {
        const float fromEdge = x - EastCliffX(z);
        return x > 250 && y > kTerraceY + 20 && fromEdge > -16 && fromEdge < 70;
    };

    auto pick = [&](const Vec3& n, float cx, float cy, float cz, float pd) {
        if (n.y < 0.5f && cy > kPoolY + 6)
            return (cx > 250 && cy > 45) ? mCliff : mRock; // cliffs, also where they stand in a pool
        if (pd < 0)
            return mRim; // the pool's edge above the water line
        if (n.y < 0.5f)
            return (cx > 250 && cy > 45) ? mCliff : mRock;
        if (pd < 9)
            return mRim;
        // The hills begin where the ground beyond the east cliffs starts to
        // rise: a steep grassy rise, not a strip of bare earth below them.
        if (std::fabs(cz) > 1120 || cx < -620 || cx > kEastRiseX)
            return mHill;
        // Grass holds on a slope up to about 45 degrees; only steeper faces
        // show bare earth.
        if (n.y < 0.7f && !aboveCliffs(cx, cy, cz))
            return mEarth;
        // Litter only on level ground, where its edge is cut along the cells
        // and fringed into the grass (below).
        if (n.y >= 0.8f && underTree(cx, cy, cz))
            return mForest;
        return Meadow(cx, cz) ? mMeadow : mGrass;
    };

    // The rim's and the litter's outer edges would step along the cells:
    // on level scenery ground, where the material depends on the place
    // alone, an edge of the grid with rim (or litter) at one end only is cut
    // where it ends, and the triangles on both sides of it split there, so
    // the edge runs across the cells. The cut lies on the edge, so the
    // ground's shape (and Height) is unchanged.
    const Vec3 up = {0, 1, 0};
    auto level = [](const GroundTriangle& t) { return t.part == GroundPart::Scenery && t.n.y >= 0.8f; };
    auto at = [&](const Vec3& p) { return pick(up, p.x, p.y, p.z, PoolDistance(p.x, p.z)); };
    std::vector<GroundTriangle> tris;
    std::map<std::pair<int, int>, int> sides; // level triangles on each edge
    ForEachGroundTriangle([&](const GroundTriangle& t) {
        if (t.part != GroundPart::Scenery && t.part != GroundPart::Cliff)
            return;
        tris.push_back(t);
        if (level(t))
            for (int k = 0; k < 3; ++k)
                ++sides[{std::min(t.v[k], t.v[(k + 1) % 3]), std::max(t.v[k], t.v[(k + 1) % 3])}];
    });
    const std::vector<Vec3>& pts = Grid().pts;
    std::map<std::pair<int, int>, std::pair<Vec3, uint16_t>> cuts;
    std::vector<std::pair<float, std::pair<int, int>>> litter; // litter edges, by their nearest eye
    auto cut = [&](std::pair<int, int> e) {
        Vec3 a = pts[size_t(e.first)], b = pts[size_t(e.second)];
        const int ma = at(a);
        for (int k = 0; k < 10; ++k)
        {
            const Vec3 m = (a + b) * 0.5f;
            (at(m) == ma ? a : b) = m;
        }
        const Vec3 c = (a + b) * 0.5f;
        cuts[e] = {c, scene.Vertex(c, c.x / 64.0f, c.z / 64.0f)};
    };
    const std::vector<Vec3> eyes = SampledEyes(s);
    for (const auto& e : sides)
    {
        if (e.second != 2)
            continue;
        const Vec3 a = pts[size_t(e.first.first)], b = pts[size_t(e.first.second)];
        const int ma = at(a), mb = at(b);
        if (ma != mb && (ma == mRim || mb == mRim))
            cut(e.first);
        else if (ma != mb && (ma == mForest || mb == mForest))
        {
            float nearest = 1e9f;
            for (const Vec3& eye : eyes)
                nearest = std::min(nearest, std::hypot(eye.x - a.x, eye.z - a.z));
            litter.push_back({nearest, e.first});
        }
    }
    // The litter's edges nearest the paths, as many as the model has room
    // for beside the rim's.
    constexpr size_t kLitterCuts = 200;
    std::sort(litter.begin(), litter.end());
    for (size_t k = 0; k < litter.size() && k < kLitterCuts; ++k)
        cut(litter[k].second);

    // The scenery's ground as laid, for the litter's edges below.
    struct Laid
    {
        Vec3 p[3];
        int mat;
    };
    std::vector<Laid> laid;

    const PoolsMirror mirrored(s);
    std::map<std::pair<int, int>, uint16_t> reflCuts; // the cuts' points in the mirror
    // Rock keeps the cliffs' mapping; the rest of the ground is laid along
    // its slopes.
    const auto rock = [&](int m) { return m == mRock || m == mCliff; };
    for (const GroundTriangle& t : tris)
    {
        // The rim's face up from the water line is steep where the rim
        // rises close to the pool's edge: pebbles still, not rock.
        const bool waterLine = std::max({t.v[0], t.v[1], t.v[2]}) >= Grid().waterFrom;
        int mat = waterLine && t.pd < 9 ? mRim : pick(t.n, t.cx, t.cy, t.cz, t.pd);
        // On level ground the rim's outer edge runs where the corners'
        // materials change (cut there below). Where two pools lie closer
        // than a cell, a triangle has rim at all three corners while its
        // middle lies off the rim: it stays rim, or it would lie as a slab
        // of grass with straight sides across both pools' rims.
        if (level(t) && !waterLine)
            mat = CornerMaterial({at(t.a), at(t.b), at(t.c)}, mat, mRim);
        // The scenery's ground faces up. The main pass draws it without
        // culling, but the river's mirror culls: its eye is under the water,
        // yet a reflected ray goes into the ground from above, through the
        // face turned to the water. The cliffs' faces are in the banks'
        // model (RiverBeds.cpp).
        if (t.part == GroundPart::Scenery)
        {
            const auto v = rock(mat) ? gScene.Rock(t) : gScene.Slope(t);
            // The pools' mirror lays the same pieces where the litter ends,
            // so its edge there runs as in the main view; the rim's cuts it
            // leaves out (the model's room goes to the trees it mirrors).
            const bool inMirror = mirrored(t);
            std::array<uint16_t, 3> rv = {};
            if (inMirror)
                rv = rock(mat) ? gRefl.Rock(t) : gRefl.Slope(t);
            const Vec3 c[3] = {t.a, t.b, t.c};
            // The polygon round the triangle with its cut points, in order.
            Vec3 poly[6];
            uint16_t ids[6], rids[6] = {};
            bool cutAt[6] = {};
            std::vector<int> all, mirror;
            int n = 0;
            for (int k = 0; k < 3; ++k)
            {
                all.push_back(n), mirror.push_back(n);
                rids[n] = rv[size_t(k)];
                poly[n] = c[k], ids[n++] = v[size_t(k)];
                const std::pair<int, int> e = {std::min(t.v[k], t.v[(k + 1) % 3]), std::max(t.v[k], t.v[(k + 1) % 3])};
                const auto cut = cuts.find(e);
                if (cut == cuts.end() || !level(t))
                    continue;
                const Vec3 q = cut->second.first;
                all.push_back(n);
                if (inMirror && (at(pts[size_t(e.first)]) == mForest || at(pts[size_t(e.second)]) == mForest))
                {
                    const auto known = reflCuts.find(e);
                    rids[n] = known != reflCuts.end() ? known->second
                                                      : (reflCuts[e] = refl.Vertex(q, q.x / 64.0f, q.z / 64.0f));
                    mirror.push_back(n);
                }
                cutAt[n] = true;
                poly[n] = q, ids[n++] = cut->second.second;
            }
            const auto isCut = [&](int q) { return cutAt[q]; };
            // The pieces of the polygon through the points `left`, each with
            // its material, to `put`.
            auto pieces = [&](std::vector<int> left, const auto& put) {
                const bool whole = std::none_of(left.begin(), left.end(), isCut);
                auto emit = [&](int i, int j, int k) {
                    if (whole)
                    {
                        put(mat, i, j, k);
                        return;
                    }
                    // A part of a cut triangle takes the material of its
                    // corners off the cuts; the cuts lie where it changes.
                    std::vector<int> corners;
                    for (int q : {i, j, k})
                        if (!isCut(q))
                            corners.push_back(at(poly[q]));
                    const Vec3 m = (poly[i] + poly[j] + poly[k]) * (1.0f / 3);
                    const int mid = at(m);
                    const bool same = !corners.empty() && std::all_of(corners.begin(), corners.end(),
                                                                      [&](int c) { return c == corners[0]; });
                    put(same ? corners[0] : mid, i, j, k);
                };
                if (whole)
                {
                    emit(left[0], left[1], left[2]);
                    return;
                }
                // Ears off each corner with a cut on both sides, then a fan
                // from a cut over what is left (convex, and no two of a
                // fan's points on one side with the cut).
                for (size_t i = 0; left.size() > 3 && i < left.size();)
                {
                    const size_t prev = (i + left.size() - 1) % left.size(), next = (i + 1) % left.size();
                    if (!isCut(left[i]) && isCut(left[prev]) && isCut(left[next]))
                    {
                        emit(left[prev], left[i], left[next]);
                        left.erase(left.begin() + long(i));
                    }
                    else
                        ++i;
                }
                while (!isCut(left[0]))
                    std::rotate(left.begin(), left.begin() + 1, left.end());
                for (size_t i = 1; i + 1 < left.size(); ++i)
                    emit(left[0], left[i], left[i + 1]);
            };
            pieces(all, [&](int m, int i, int j, int k) {
                scene.Tri(m, ids[i], ids[j], ids[k]);
                laid.push_back({{poly[i], poly[j], poly[k]}, m});
            });
            if (inMirror)
                pieces(mirror, [&](int m, int i, int j, int k) { refl.Tri(m, rids[i], rids[j], rids[k]); });
        }
        // The pools' mirror is drawn from the eye mirrored under the water:
        // the reflected ray meets the ground from above, so it is wound as
        // the grid, facing up.
        else if (mirrored(t))
        {
            const auto r = rock(mat) ? gRefl.Rock(t) : gRefl.Slope(t);
            refl.Tri(mat, r[0], r[1], r[2]);
        }
    }

    // Where litter and grass meet on the ground as laid: the sides that a
    // litter triangle shares with a grass one. The litter's fringe is laid
    // along them (RiverBeds.cpp).
    {
        auto key = [](Vec3 p, Vec3 q) {
            std::array<float, 4> k = {p.x, p.z, q.x, q.z};
            if (std::make_pair(q.x, q.z) < std::make_pair(p.x, p.z))
                k = {q.x, q.z, p.x, p.z};
            return k;
        };
        struct Side
        {
            int litter = -1, grass = -1, others = 0;
        };
        std::map<std::array<float, 4>, Side> sidesLaid;
        const auto grass = [&](int m) { return m == mGrass || m == mMeadow; };
        for (size_t i = 0; i < laid.size(); ++i)
            for (int k = 0; k < 3; ++k)
            {
                Side& e = sidesLaid[key(laid[i].p[k], laid[i].p[(k + 1) % 3])];
                if (laid[i].mat == mForest && e.litter < 0)
                    e.litter = int(i);
                else if (grass(laid[i].mat) && e.grass < 0)
                    e.grass = int(i);
                else
                    ++e.others;
            }
        for (const auto& e : sidesLaid)
        {
            if (e.second.litter < 0 || e.second.grass < 0 || e.second.others != 0)
                continue;
            const Laid& t = laid[size_t(e.second.litter)];
            Vec3 a = {}, b = {}, inner = {};
            for (int k = 0; k < 3; ++k)
                if (key(t.p[k], t.p[(k + 1) % 3]) == e.first)
                    a = t.p[k], b = t.p[(k + 1) % 3], inner = t.p[(k + 2) % 3];
            Vec3 out = Norm({b.z - a.z, 0, a.x - b.x});
            if (Dot(out, inner - a) > 0)
                out = out * -1.0f;
            s.litterEdges.push_back({a, b, out});
        }
    }

    const MeshBuilder ledges = BuildLedges(&s.seated);
    const MeshBuilder falls = BuildFalls(&s.seated);
    const StoneMeshes stones = PlaceStones(s);
    s.seated.insert(s.seated.end(), stones.seats.begin(), stones.seats.end());
    scene.Append(stones.scenery);
    // The ledges and falls go with the cliffs into the banks' model
    // (RiverBeds.cpp); the pools mirror them from here.
    refl.Append(ledges);
    refl.Append(falls);

    s.models["scene.singleobject"] = scene.Build(10, 1);
    s.models["scene_refl_lusa.singleobject"] = refl.Build(10, 1);
}

} // namespace sg
