// Host tool: the layers multiplied over the ground: a patch round the foot of
// every stone (shadow.singleobject) and under every tree (tree_shadow.singleobject).
#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "Lighting.h"
#include "TerrainMesh.h"

namespace sg {

namespace {

// The ground's triangles in buckets of kBucket units, gathered once: every
// patch is cut from those under it.
class GroundTriangleBuckets
{
public:
    static constexpr float kBucket = 32;

    GroundTriangleBuckets()
    {
        ForEachGroundTriangle([&](const GroundTriangle& t) {
            m_Tris.push_back(t);
            const float x0 = std::min({t.a.x, t.b.x, t.c.x}), x1 = std::max({t.a.x, t.b.x, t.c.x});
            const float z0 = std::min({t.a.z, t.b.z, t.c.z}), z1 = std::max({t.a.z, t.b.z, t.c.z});
            for (int bz = Bucket(z0); bz <= Bucket(z1); ++bz)
                for (int bx = Bucket(x0); bx <= Bucket(x1); ++bx)
                    m_Buckets[{bx, bz}].push_back(m_Tris.size() - 1);
        });
    }

    // Every triangle that may reach into [x0, x1] x [z0, z1], once.
    std::vector<const GroundTriangle*> Near(float x0, float x1, float z0, float z1) const
    {
        std::vector<size_t> ids;
        for (int bz = Bucket(z0); bz <= Bucket(z1); ++bz)
            for (int bx = Bucket(x0); bx <= Bucket(x1); ++bx)
                if (auto it = m_Buckets.find({bx, bz}); it != m_Buckets.end())
                    ids.insert(ids.end(), it->second.begin(), it->second.end());
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        std::vector<const GroundTriangle*> out;
        for (size_t id : ids)
            out.push_back(&m_Tris[id]);
        return out;
    }

private:
    static int Bucket(float v) { return int(std::floor(v / kBucket)); }
    std::vector<GroundTriangle> m_Tris;
    std::map<std::pair<int, int>, std::vector<size_t>> m_Buckets;
};

const GroundTriangleBuckets& GroundBuckets()
{
    static const GroundTriangleBuckets buckets;
    return buckets;
}

// A point of a cut triangle, and the grid point it is when it is a corner.
struct PatchPoint
{
    Vec3 p;
    int gridPoint;
};

// The part of a convex polygon on the side of x (axis 0) or z (axis 2) that
// `keep` tells, cut where its edges cross `at`.
std::vector<PatchPoint> CutPolygon(const std::vector<PatchPoint>& in, int axis, float at, bool keepAbove)
{
    std::vector<PatchPoint> out;
    const auto coord = [&](const Vec3& v) { return axis == 0 ? v.x : v.z; };
    const auto inside = [&](const Vec3& v) { return keepAbove ? coord(v) >= at : coord(v) <= at; };
    for (size_t k = 0; k < in.size(); ++k)
    {
        const PatchPoint& cur = in[k];
        const PatchPoint& nxt = in[(k + 1) % in.size()];
        if (inside(cur.p))
            out.push_back(cur);
        if (inside(cur.p) != inside(nxt.p))
        {
            const float f = (at - coord(cur.p)) / (coord(nxt.p) - coord(cur.p));
            out.push_back({cur.p + (nxt.p - cur.p) * f, -1});
        }
    }
    return out;
}

// A soft dark patch of `material` over the square of half-side r round
// (c.x, c.z), half a unit over the ground as drawn: the ground's own
// triangles cut to the square. (A patch with cells of its own cut into the
// folds of the ground's coarser triangles, which then hid it in pale,
// sharp-edged pieces, or stood off them.) With `dryOnly`, only where the
// ground is above the water.
void AddDrapedPatch(MeshBuilder& mesh, int material, Vec3 c, float r, bool dryOnly)
{
    constexpr float kLift = 0.5f;
    // A bank's face rises 1.5 units a unit across: anything steeper is a
    // cliff's, which the patch would hang down as a dark sheet.
    const float kFlattest = 1.0f / std::sqrt(1.0f + 1.5f * 1.5f);
    const float x0 = c.x - r, x1 = c.x + r, z0 = c.z - r, z1 = c.z + r;
    const auto wet = [](const Vec3& p) { return GroundHeight(p.x, p.z) < SurfaceHeight(p.x, p.z) - 0.05f; };
    const std::vector<const GroundTriangle*> near = GroundBuckets().Near(x0, x1, z0, z1);
    std::vector<const GroundTriangle*> kept;
    std::set<int> dropped; // grid points of the triangles left out
    for (const GroundTriangle* t : near)
    {
        if (std::max({t->a.x, t->b.x, t->c.x}) <= x0 || std::min({t->a.x, t->b.x, t->c.x}) >= x1 ||
            std::max({t->a.z, t->b.z, t->c.z}) <= z0 || std::min({t->a.z, t->b.z, t->c.z}) >= z1)
            continue;
        if (t->n.y < kFlattest || (dryOnly && (wet(t->a) || wet(t->b) || wet(t->c))))
            dropped.insert(t->v, t->v + 3);
        else
            kept.push_back(t);
    }
    // Where triangles are left out the patch fades to the texture's white
    // corner rather than ending at its dark middle in a hard edge.
    std::map<int, uint16_t> cornerIds;
    const auto vertex = [&](const PatchPoint& q) {
        const bool fade = q.gridPoint >= 0 && dropped.count(q.gridPoint) != 0;
        const Vec3 at = {q.p.x, q.p.y + kLift, q.p.z};
        return mesh.Vertex(at, fade ? 0.0f : (q.p.x - x0) / (2 * r), fade ? 0.0f : (q.p.z - z0) / (2 * r));
    };
    for (const GroundTriangle* t : kept)
    {
        std::vector<PatchPoint> poly = {{t->a, t->v[0]}, {t->b, t->v[1]}, {t->c, t->v[2]}};
        poly = CutPolygon(poly, 0, x0, true);
        poly = CutPolygon(poly, 0, x1, false);
        poly = CutPolygon(poly, 2, z0, true);
        poly = CutPolygon(poly, 2, z1, false);
        if (poly.size() < 3)
            continue;
        std::vector<uint16_t> id;
        for (const PatchPoint& q : poly)
        {
            if (q.gridPoint < 0)
            {
                id.push_back(vertex(q));
                continue;
            }
            auto it = cornerIds.find(q.gridPoint);
            if (it == cornerIds.end())
                it = cornerIds.emplace(q.gridPoint, vertex(q)).first;
            id.push_back(it->second);
        }
        // the cut keeps the ground's winding
        for (size_t k = 1; k + 1 < id.size(); ++k)
            mesh.Tri(material, id[0], id[k], id[k + 1]);
    }
}

} // namespace

void AddLitterFringe(MeshBuilder& mesh, int material, const std::vector<LitterEdge>& edges)
{
    // The texture's rows are the litter's at its own scale: 128 of its 512
    // texels a repeat of 64 units across the band.
    constexpr float kRepeat = 64, kWidth = 16, kIn = kWidth * kLitterFringeEdge, kLift = 0.4f, kSmooth = 8;
    constexpr float kRows[] = {-kIn, 0, (kWidth - kIn) * 0.5f, kWidth - kIn};
    using Key = std::pair<float, float>;
    const auto key = [](Vec3 p) { return Key{p.x, p.z}; };
    std::map<Key, std::vector<size_t>> meeting;
    for (size_t i = 0; i < edges.size(); ++i)
    {
        meeting[key(edges[i].a)].push_back(i);
        meeting[key(edges[i].b)].push_back(i);
    }
    std::vector<bool> used(edges.size(), false);
    for (size_t first = 0; first < edges.size(); ++first)
    {
        if (used[first])
            continue;
        // The chain of edges through points where just two meet, in order.
        used[first] = true;
        std::deque<Vec3> pts = {edges[first].a, edges[first].b};
        std::deque<Vec3> outs = {edges[first].out};
        const auto next = [&](Vec3 p) -> long {
            const auto& m = meeting[key(p)];
            if (m.size() != 2)
                return -1;
            for (size_t e : m)
                if (!used[e])
                    return long(e);
            return -1;
        };
        for (long e; (e = next(pts.back())) >= 0;)
        {
            used[size_t(e)] = true;
            const LitterEdge& le = edges[size_t(e)];
            pts.push_back(key(le.a) == key(pts.back()) ? le.b : le.a);
            outs.push_back(le.out);
        }
        for (long e; (e = next(pts.front())) >= 0;)
        {
            used[size_t(e)] = true;
            const LitterEdge& le = edges[size_t(e)];
            pts.push_front(key(le.a) == key(pts.front()) ? le.b : le.a);
            outs.push_front(le.out);
        }
        const size_t m = pts.size();
        const bool closed = m > 3 && key(pts.front()) == key(pts.back());
        // Along the band; once round a closed one a whole number of repeats.
        std::vector<float> along(m, 0);
        for (size_t k = 1; k < m; ++k)
            along[k] = along[k - 1] + std::hypot(pts[k].x - pts[k - 1].x, pts[k].z - pts[k - 1].z);
        float scale = 1 / kRepeat;
        if (closed)
            scale = std::max(1.0f, std::round(along.back() / kRepeat)) / along.back();
        std::vector<std::array<uint16_t, 4>> ids(m);
        std::vector<std::array<float, 4>> ys(m);
        std::vector<float> miters(m);
        for (size_t k = 0; k < m; ++k)
        {
            // Out along the mean of the sides within a few units either
            // way, so the band runs smoothly past the cells' steps and
            // sharp corners instead of folding there; widened where it
            // leaves the sides at a slant, as a mitre.
            const size_t segs = m - 1;
            Vec3 sum = {0, 0, 0};
            const auto len = [&](size_t j) { return std::hypot(pts[j + 1].x - pts[j].x, pts[j + 1].z - pts[j].z); };
            float back = 0, ahead = 0;
            for (size_t j = k, n = 0; n < segs && back < kSmooth; ++n)
            {
                if (j == 0 && !closed)
                    break;
                j = (j == 0 ? segs : j) - 1;
                sum = sum + outs[j] * len(j);
                back += len(j);
            }
            for (size_t j = k, n = 0; n < segs && ahead < kSmooth; ++n, ++j)
            {
                if (j == segs && !closed)
                    break;
                j %= segs;
                sum = sum + outs[j] * len(j);
                ahead += len(j);
            }
            const Vec3 before = k > 0 ? outs[k - 1] : (closed ? outs[m - 2] : outs[0]);
            const Vec3 after = k + 1 < m ? outs[k] : (closed ? outs[0] : outs[m - 2]);
            // At a sharp turn only its own two sides: a mean from further
            // off could lie along one of them and fold the band onto it.
            Vec3 dir = Dot(sum, sum) > 1e-4f ? Norm(sum) : after;
            if (Dot(dir, before) < 0.3f || Dot(dir, after) < 0.3f)
            {
                const Vec3 local = before + after;
                dir = Dot(local, local) > 1e-4f ? Norm(local) : after;
            }
            // Round a spike's tip the band would fan out far along its
            // axis, its texture streaked: there it keeps its plain width.
            const float miter = miters[k] =
                Dot(before, after) < 0 ? 1.0f : 1.0f / std::max(0.5f, 0.5f * (Dot(dir, before) + Dot(dir, after)));
            for (int r = 0; r < 4; ++r)
            {
                const float x = pts[k].x + dir.x * kRows[r] * miter, z = pts[k].z + dir.z * kRows[r] * miter;
                ys[k][size_t(r)] = Grid().Height(x, z) + kLift;
                ids[k][size_t(r)] = mesh.Vertex({x, ys[k][size_t(r)], z}, along[k] * scale, (kRows[r] + kIn) / kWidth);
            }
        }
        for (size_t k = 0; k + 1 < m; ++k)
            for (size_t r = 0; r < 3; ++r)
            {
                // Not down a drop beyond the edge: it would hang over it as
                // a sheet. The litter's own side is level ground.
                const float step = kRows[r + 1] - kRows[r];
                if (r > 0 && (std::fabs(ys[k][r + 1] - ys[k][r]) > 1.5f * step * miters[k] ||
                              std::fabs(ys[k + 1][r + 1] - ys[k + 1][r]) > 1.5f * step * miters[k + 1]))
                    continue;
                // Wound as the grid: its normal up.
                const Vec3 a = pts[k], b = pts[k + 1];
                const bool up = Cross(b - a, outs[k]).y > 0;
                const uint16_t p = ids[k][r], q = ids[k + 1][r], u = ids[k][r + 1], w = ids[k + 1][r + 1];
                if (up)
                {
                    mesh.Tri(material, p, q, u);
                    mesh.Tri(material, u, q, w);
                }
                else
                {
                    mesh.Tri(material, p, u, q);
                    mesh.Tri(material, u, w, q);
                }
            }
    }
}

// Where a stone sits on the ground, the ground round its foot takes less of
// the sky: a patch a little wider than the stone, moved off the sun's way
// as the trees' are. (The baked light itself is laid over the ground in the
// banks' model, RiverBeds.cpp, where the river's mirror shows it too.)
void BuildStoneShadows(SceneContent& s)
{
    MeshBuilder shade;
    const int mContact = shade.Material("tree_shadow.tga");
    for (const SeatedProp& seat : s.seated)
    {
        if (seat.what != "stone" || seat.feet.empty())
            continue;
        Vec3 c = {0, 0, 0};
        for (const Vec3& f : seat.feet)
            c = c + f;
        c = c * (1.0f / float(seat.feet.size()));
        float r = 0;
        for (const Vec3& f : seat.feet)
            r = std::max(r, std::hypot(f.x - c.x, f.z - c.z));
        r *= 1.6f;
        AddDrapedPatch(shade, mContact, {c.x + r * 0.12f, 0, c.z + r * 0.08f}, r, true);
    }
    s.models["shadow.singleobject"] = shade.Build(10, 1);
    s.textures[kLightOverlayTexture] = SceneLight(s).OverlayTga();
}

// A soft dark patch under every tree, draped over the ground.
void BuildTreeShadows(SceneContent& s)
{
    MeshBuilder treeShade;
    const int mTreeShade = treeShade.Material("tree_shadow.tga");
    for (const auto& t : s.trees)
    {
        const float r = t.radius * 1.2f;
        AddDrapedPatch(treeShade, mTreeShade, {t.root.x + r * 0.25f, 0, t.root.z + r * 0.15f}, r, false);
    }
    s.models["tree_shadow.singleobject"] = treeShade.Build(10, 1);
}

} // namespace sg
