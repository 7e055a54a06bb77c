// Host tool: the layers multiplied over the ground: a patch round the foot of
// every stone (shadow.singleobject) and under every tree (tree_shadow.singleobject).
#include <algorithm>
#include <deque>
#include <map>

#include "Lighting.h"
#include "TerrainMesh.h"

namespace sg {

namespace {

// A soft dark patch of `material` round (c.x, c.z), draped over the ground
// half a unit up. With `dryOnly`, only where the ground is above the water.
void AddDrapedPatch(MeshBuilder& mesh, int material, Vec3 c, float r, bool dryOnly)
{
    // Cells as flat as the ground under them: a cell as wide as a tree's
    // patch would cut into a hollow or stand off a hump, so on uneven
    // ground the patch is laid in cells of at most about 14 units.
    auto unevenAt = [&](int n) {
        float worst = 0;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
            {
                const float x = c.x + (float(2 * i + 1) / float(n) - 1) * r,
                            z = c.z + (float(2 * j + 1) / float(n) - 1) * r, h = r / float(n);
                const float mid = SurfaceHeight(x, z);
                const float corners = 0.25f * (SurfaceHeight(x - h, z - h) + SurfaceHeight(x + h, z - h) +
                                               SurfaceHeight(x - h, z + h) + SurfaceHeight(x + h, z + h));
                worst = std::max(worst, std::fabs(mid - corners));
            }
        return worst;
    };
    const int n = unevenAt(6) > 0.5f ? std::max(6, int(std::ceil(2 * r / 14.0f))) : 6;
    const float cell = 2 * r / float(n);
    std::vector<float> ys;
    std::vector<bool> dry;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
        {
            float x = c.x + (float(i) / float(n) * 2 - 1) * r, z = c.z + (float(j) / float(n) * 2 - 1) * r;
            ys.push_back(SurfaceHeight(x, z) + 0.5f);
            dry.push_back(GroundHeight(x, z) >= SurfaceHeight(x, z) - 0.05f);
        }
    // A patch draped over a cliff's edge would hang down its face as a dark
    // sheet: only the cells that lie on the ground, and no steeper than a
    // bank's face.
    auto node = [&](int i, int j) { return size_t(j * (n + 1) + i); };
    std::vector<bool> kept(size_t(n * n));
    std::vector<bool> edge(ys.size(), false);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
        {
            float lo = 1e9f, hi = -1e9f;
            bool wet = false;
            for (size_t k : {node(i, j), node(i + 1, j), node(i, j + 1), node(i + 1, j + 1)})
            {
                lo = std::min(lo, ys[k]);
                hi = std::max(hi, ys[k]);
                wet = wet || !dry[k];
            }
            kept[size_t(j * n + i)] = hi - lo <= std::max(4.0f, 1.5f * cell) && !(dryOnly && wet);
            if (!kept[size_t(j * n + i)])
                for (size_t k : {node(i, j), node(i + 1, j), node(i, j + 1), node(i + 1, j + 1)})
                    edge[k] = true;
        }
    // Where cells are left out the patch fades to the texture's white corner
    // rather than ending at its dark middle in a hard edge.
    std::vector<uint16_t> id;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
        {
            const float x = c.x + (float(i) / float(n) * 2 - 1) * r, z = c.z + (float(j) / float(n) * 2 - 1) * r;
            const bool fade = edge[node(i, j)];
            id.push_back(mesh.Vertex({x, ys[node(i, j)], z}, fade ? 0.0f : float(i) / float(n),
                                     fade ? 0.0f : float(j) / float(n)));
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
        {
            if (!kept[size_t(j * n + i)])
                continue;
            const uint16_t a = id[node(i, j)], b = id[node(i, j + 1)], c2 = id[node(i + 1, j)],
                           d = id[node(i + 1, j + 1)];
            mesh.Tri(material, a, b, c2);
            mesh.Tri(material, c2, b, d);
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
