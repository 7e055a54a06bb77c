// Host tool: the ground grid the meshes triangulate, its heights, and the
// part of the valley each of its triangles belongs to.
#include <algorithm>
#include <map>

#include "TerrainMesh.h"

namespace sg {

namespace {

std::vector<float> Nodes(const std::vector<std::pair<float, float>>& spans, float end)
{
    // spans: (start, spacing) pairs; nodes run from the first start to end.
    std::vector<float> out;
    for (size_t i = 0; i < spans.size(); ++i)
    {
        float stop = i + 1 < spans.size() ? spans[i + 1].first : end;
        int n = std::max(1, int(std::lround((stop - spans[i].first) / spans[i].second)));
        for (int k = 0; k < n; ++k)
            out.push_back(spans[i].first + (stop - spans[i].first) * float(k) / float(n));
    }
    out.push_back(end);
    return out;
}

GroundTriangle MakeGroundTriangle(int p0, int p1, int p2)
{
    const std::vector<Vec3>& pts = Grid().pts;
    GroundTriangle t;
    t.v[0] = p0, t.v[1] = p1, t.v[2] = p2;
    const Vec3 a = pts[size_t(p0)], b = pts[size_t(p1)], c = pts[size_t(p2)];
    t.a = a, t.b = b, t.c = c;
    t.n = TriNormal(a, b, c);
    t.cx = (a.x + b.x + c.x) / 3, t.cy = (a.y + b.y + c.y) / 3, t.cz = (a.z + b.z + c.z) / 3;
    t.rd = RiverDistance(t.cx, t.cz);
    t.pd = PoolDistance(t.cx, t.cz);
    // A steep bank rising out of the river belongs to the banks, whichever
    // side of the water's edge its middle falls on. What lies in a pool at or
    // under its water line is the pool's bed; a steep face up from the water
    // line is its rim, not the cliff's, east of x = 250 too.
    const bool riverWall = std::fabs(t.n.y) < 0.35f && std::max({a.y, b.y, c.y}) > kRiverY + 3 && t.rd < 1;
    if (riverWall)
        t.part = GroundPart::Bank;
    else if ((t.rd < 0 && t.cy < kRiverY + 1) || (t.pd < -2 && std::max({a.y, b.y, c.y}) < kPoolY) ||
             (t.pd < 0 && std::max({a.y, b.y, c.y}) <= kPoolY))
        t.part = t.rd < 0 ? GroundPart::RiverBed : GroundPart::PoolBed;
    else if (t.pd > 4 && ((t.rd < 30 && t.cy < 34) ||
                          (t.n.y < 0.9f && std::min({a.y, b.y, c.y}) < 30 &&
                           std::min({RiverDistance(a.x, a.z), RiverDistance(b.x, b.z), RiverDistance(c.x, c.z)}) < 40)))
        t.part = t.cy < 17.5f ? GroundPart::Sand : GroundPart::Bank; // a slope down to the river is all bank
    else if (t.n.y < 0.5f && t.cx > 250 && t.cy > kPoolY && std::max({p0, p1, p2}) < Grid().waterFrom)
        t.part = GroundPart::Cliff;
    else
        t.part = GroundPart::Scenery;
    return t;
}

// Cells worth halving: where a pool's water line crosses them, and where
// the cliff breaks over the fall notches.
uint8_t HalvingWanted(const TerrainGrid& t, int i, int j)
{
    const float x0 = t.xs[size_t(i)], x1 = t.xs[size_t(i + 1)], z0 = t.zs[size_t(j)], z1 = t.zs[size_t(j + 1)];
    const float dx = x1 - x0, dz = z1 - z0;
    if (dz < 10)
        return 0;
    const int nx = int(t.xs.size());
    const float h[4] = {t.pts[size_t(j * nx + i)].y, t.pts[size_t(j * nx + i + 1)].y, t.pts[size_t((j + 1) * nx + i)].y,
                        t.pts[size_t((j + 1) * nx + i + 1)].y};
    const float lo = std::min({h[0], h[1], h[2], h[3]}), hi = std::max({h[0], h[1], h[2], h[3]});
    const float cx = (x0 + x1) / 2, cz = (z0 + z1) / 2;
    bool want = false;
    // A pool's water line: the ground crosses the pool's plane here.
    if (lo < kPoolY - 0.2f && hi > kPoolY + 0.2f && std::fabs(PoolDistance(cx, cz)) < std::max(dx, dz))
        want = true;
    // The brink of the cliff by a fall's notch.
    const float nearFall = std::min(std::fabs(cz - kFallA.z), std::fabs(cz - kFallB.z));
    const float top = EastCliffTop(cz);
    if (cx > 250 && nearFall < 70 && hi > top - 3 && lo < top - 8)
        want = true;
    // Only the narrow columns, halved along z: their rows are what the
    // rim steps along. Halving wider cells too fans their neighbours, whose
    // triangles then take rock or grass in a saw-tooth.
    return want && dx < 5 && dz >= 10 ? 2 : 0;
}

void Refine(TerrainGrid& t)
{
    const int nx = int(t.xs.size()), nz = int(t.zs.size());
    const int cells = (nx - 1) * (nz - 1);
    t.halve.assign(size_t(cells), 0);
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 1 < nx; ++i)
            t.halve[size_t(j * (nx - 1) + i)] = HalvingWanted(t, i, j);
    // A cell halved one way that a neighbour's halving leaves a point on
    // its other sides is halved both ways, until no such cell is left.
    auto h = [&](int i, int j) -> uint8_t {
        return (i < 0 || j < 0 || i >= nx - 1 || j >= nz - 1) ? 0 : t.halve[size_t(j * (nx - 1) + i)];
    };
    for (bool changed = true; changed;)
    {
        changed = false;
        for (int j = 0; j + 1 < nz; ++j)
            for (int i = 0; i + 1 < nx; ++i)
            {
                uint8_t& c = t.halve[size_t(j * (nx - 1) + i)];
                if (c == 0 || c == 3)
                    continue;
                const bool xEdges = (h(i, j - 1) & 1) || (h(i, j + 1) & 1);
                const bool zEdges = (h(i - 1, j) & 2) || (h(i + 1, j) & 2);
                if ((c == 2 && xEdges) || (c == 1 && zEdges))
                    c = 3, changed = true;
            }
    }
    auto add = [&](float x, float z) {
        t.pts.push_back({x, GroundHeight(x, z), z});
        return int(t.pts.size()) - 1;
    };
    t.midX.assign(size_t(nx * nz), -1);
    t.midZ.assign(size_t(nx * nz), -1);
    t.centre.assign(size_t(cells), -1);
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i)
        {
            if (i + 1 < nx && ((h(i, j) & 1) || (h(i, j - 1) & 1)))
                t.midX[size_t(j * nx + i)] = add((t.xs[size_t(i)] + t.xs[size_t(i + 1)]) / 2, t.zs[size_t(j)]);
            if (j + 1 < nz && ((h(i, j) & 2) || (h(i - 1, j) & 2)))
                t.midZ[size_t(j * nx + i)] = add(t.xs[size_t(i)], (t.zs[size_t(j)] + t.zs[size_t(j + 1)]) / 2);
        }
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 1 < nx; ++i)
        {
            const uint8_t c = h(i, j);
            const bool edgePoint = t.midX[size_t(j * nx + i)] >= 0 || t.midX[size_t((j + 1) * nx + i)] >= 0 ||
                                   t.midZ[size_t(j * nx + i)] >= 0 || t.midZ[size_t(j * nx + i + 1)] >= 0;
            if (c == 3 || (c == 0 && edgePoint))
                t.centre[size_t(j * (nx - 1) + i)] =
                    add((t.xs[size_t(i)] + t.xs[size_t(i + 1)]) / 2, (t.zs[size_t(j)] + t.zs[size_t(j + 1)]) / 2);
        }
}

// A quad's two triangles, split along its corners of like height (see
// CellTriangles), else along the diagonal that alternates with `parity`.
void Quad(const std::vector<Vec3>& pts, int p00, int p10, int p01, int p11, bool parity, std::vector<int>& out)
{
    const float h00 = pts[size_t(p00)].y, h10 = pts[size_t(p10)].y, h01 = pts[size_t(p01)].y, h11 = pts[size_t(p11)].y;
    const float along = std::fabs(h00 - h11), across = std::fabs(h10 - h01);
    bool cross = std::fabs(along - across) > 0.5f ? across < along : parity;
    // Where a pool's edge crosses the cell, the diagonal that meets the edge
    // nearer its middle: the water line is cut where the edge crosses it,
    // and a diagonal that meets the edge at a corner (a node just off the
    // water) takes no cut, so the water line would run along the grid.
    const float lo = std::min({h00, h10, h01, h11}), hi = std::max({h00, h10, h01, h11});
    if (lo < kPoolY && hi > kPoolY)
    {
        auto pd = [&](int p) { return PoolDistance(pts[size_t(p)].x, pts[size_t(p)].z); };
        // Where along a diagonal (0..1) the pool's edge crosses it, or -1
        // where it does not.
        auto at = [](float a, float b) {
            return (a < 0) == (b < 0) ? -1.0f : std::fabs(a) / (std::fabs(a) + std::fabs(b));
        };
        const float d00 = pd(p00), d10 = pd(p10), d01 = pd(p01), d11 = pd(p11);
        if (std::max({d00, d10, d01, d11}) > -20 && std::min({d00, d10, d01, d11}) < 20)
        {
            const float a = at(d00, d11), c = at(d10, d01);
            if (a >= 0 && c >= 0 && std::fabs(std::fabs(a - 0.5f) - std::fabs(c - 0.5f)) > 0.1f)
                cross = std::fabs(c - 0.5f) < std::fabs(a - 0.5f);
        }
    }
    if (cross)
        out.insert(out.end(), {p00, p01, p10, p10, p01, p11});
    else
        out.insert(out.end(), {p00, p01, p11, p00, p11, p10});
}

// Height at (x, z) on the triangles `tri` (points, three a triangle): the
// one holding it, or the one it is least outside of.
float HeightOn(const std::vector<Vec3>& pts, const std::vector<int>& tri, float x, float z)
{
    float bestOut = 1e30f, best = 0;
    for (size_t k = 0; k + 2 < tri.size(); k += 3)
    {
        const Vec3 a = pts[size_t(tri[k])], b = pts[size_t(tri[k + 1])], c = pts[size_t(tri[k + 2])];
        const float d = (b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z);
        if (std::fabs(d) < 1e-12f)
            continue;
        const float u = ((x - a.x) * (c.z - a.z) - (c.x - a.x) * (z - a.z)) / d;
        const float v = ((b.x - a.x) * (z - a.z) - (x - a.x) * (b.z - a.z)) / d;
        const float out = std::max({0.0f, -u, -v, u + v - 1});
        if (out < bestOut)
        {
            bestOut = out;
            best = a.y + (b.y - a.y) * u + (c.y - a.y) * v;
            if (out == 0)
                break;
        }
    }
    return best;
}

// Pairs of plain cells side by side, or one above the other, whose middle
// nodes lie within a small height of the pair's own two triangles are drawn
// as one: the far hills' and the open flats' narrow columns and rows (there
// for the cliffs and pools nearer by) cost half as much, which pays for the
// rows and columns the hills' rounded tops need against the sky. Each pair joins the cells along their narrow
// side, and starts on an even column (side by side) or row (one above the
// other), so the pairs of a run share whole sides.
void Pair(TerrainGrid& t)
{
    const int nx = int(t.xs.size()), nz = int(t.zs.size());
    t.paired.assign(size_t((nx - 1) * (nz - 1)), 0);
    auto plain = [&](int cell) {
        return !t.halve[size_t(cell)] && t.centre[size_t(cell)] < 0 && !t.paired[size_t(cell)];
    };
    // How far (units, about 2 cm) the dropped middle nodes may lie off the
    // pair's triangles, or 0 where no pair may stand. The hills, a
    // kilometre or more off and one texture throughout, take a little
    // more; the open flats almost none, and only well clear of water,
    // banks and cliffs, where the whole pair is one kind of grass.
    auto tolerance = [](float x0, float x1, float z0, float z1) {
        if (x0 >= 590 || x1 <= -620 || z0 >= 1120 || z1 <= -1120)
            return 1.0f;
        const float cx = (x0 + x1) / 2, cz = (z0 + z1) / 2, r = 0.5f * std::hypot(x1 - x0, z1 - z0);
        if (PoolDistance(cx, cz) < 20 + r || RiverDistance(cx, cz) < 20 + r || std::fabs(cx - EastCliffX(cz)) < 30 + r)
            return 0.0f;
        const bool meadow = Meadow(cx, cz);
        for (float x : {x0, x1})
            for (float z : {z0, z1})
                if (Meadow(x, z) != meadow)
                    return 0.0f;
        return 0.3f;
    };
    std::vector<int> tri;
    auto flat = [&](int p00, int p10, int p01, int p11, bool parity, int m0, int m1) {
        const float tol =
            tolerance(t.pts[size_t(p00)].x, t.pts[size_t(p11)].x, t.pts[size_t(p00)].z, t.pts[size_t(p11)].z);
        tri.clear();
        Quad(t.pts, p00, p10, p01, p11, parity, tri);
        for (int m : {m0, m1})
            if (std::fabs(HeightOn(t.pts, tri, t.pts[size_t(m)].x, t.pts[size_t(m)].z) - t.pts[size_t(m)].y) >= tol)
                return false;
        return true;
    };
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 2 < nx; i += 2)
        {
            const int cell = j * (nx - 1) + i, n00 = j * nx + i, n01 = n00 + nx;
            const float dx = (t.xs[size_t(i + 2)] - t.xs[size_t(i)]) / 2, dz = t.zs[size_t(j + 1)] - t.zs[size_t(j)];
            if (plain(cell) && plain(cell + 1) && dx <= dz &&
                flat(n00, n00 + 2, n01, n01 + 2, ((i + j) & 1) != 0, n00 + 1, n01 + 1))
                t.paired[size_t(cell)] = 1, t.paired[size_t(cell + 1)] = 2;
        }
    for (int j = 0; j + 2 < nz; j += 2)
        for (int i = 0; i + 1 < nx; ++i)
        {
            const int cell = j * (nx - 1) + i, above = cell + nx - 1, n00 = j * nx + i, n02 = n00 + 2 * nx;
            if (plain(cell) && plain(above) &&
                flat(n00, n00 + 1, n02, n02 + 1, ((i + j) & 1) != 0, n00 + nx, n00 + nx + 1))
                t.paired[size_t(cell)] = 3, t.paired[size_t(above)] = 4;
        }
}

// The points where the pools' water lines cross the edges of the triangles:
// on the edge where it leaves the pool, at the pool's plane. Only edges from
// under the water to rim ground above it, where the ground steps up at the
// pool's edge (not where a bank or a cliff's foot meets the water), and of
// those the ones nearest the paths' eyes, as many as the models have room
// for: from afar the cells' steps are too small to see.
// Calls visit(cell, p, q) for every edge p-q of every uncut triangle.
template <class Visit> void ForEachTriangleEdge(const TerrainGrid& t, Visit visit)
{
    const int nx = int(t.xs.size()), nz = int(t.zs.size());
    std::vector<int> tri;
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 1 < nx; ++i)
        {
            tri.clear();
            t.UncutTriangles(i, j, tri);
            for (size_t k = 0; k < tri.size(); ++k)
                visit(j * (nx - 1) + i, tri[k], tri[k % 3 == 2 ? k - 2 : k + 1]);
        }
}

void CutWaterLine(TerrainGrid& t)
{
    const int nx = int(t.xs.size()), nz = int(t.zs.size());
    std::map<std::pair<int, int>, Vec3> found;
    ForEachTriangleEdge(t, [&](int, int p, int q) {
        const std::pair<int, int> key = {std::min(p, q), std::max(p, q)};
        Vec3 wet = t.pts[size_t(p)], dry = t.pts[size_t(q)];
        if (wet.y > dry.y)
            std::swap(wet, dry);
        if (wet.y >= kPoolY - 0.02f || dry.y <= kPoolY + 0.02f || found.count(key))
            return;
        if (PoolDistance(wet.x, wet.z) >= 0 || PoolDistance(dry.x, dry.z) < 0)
            return;
        const Vec3 ends[2] = {wet, dry};
        for (int n = 0; n < 24; ++n)
        {
            const Vec3 m = (wet + dry) * 0.5f;
            (PoolDistance(m.x, m.z) < 0 ? wet : dry) = m;
        }
        if (GroundHeight(wet.x, wet.z) >= kPoolY || GroundHeight(dry.x, dry.z) <= kPoolY + 0.5f)
            return;
        // Kept half a unit off the nodes, and off the points of other
        // edges (the river band's cells a hair wide): no slivers.
        const float len = std::hypot(ends[1].x - ends[0].x, ends[1].z - ends[0].z);
        const float at = std::clamp(std::hypot(wet.x - ends[0].x, wet.z - ends[0].z), 0.5f, len - 0.5f) / len;
        const Vec3 c = {ends[0].x + (ends[1].x - ends[0].x) * at, kPoolY, ends[0].z + (ends[1].z - ends[0].z) * at};
        bool near = len < 1.5f;
        for (const auto& f : found)
            near = near || std::hypot(f.second.x - c.x, f.second.z - c.z) < 0.5f;
        if (!near)
            found[key] = c;
    });
    SceneContent flights;
    BuildCameraPaths(flights);
    const std::vector<Vec3> eyes = SampledEyes(flights);
    std::vector<std::pair<float, std::pair<int, int>>> nearest;
    for (const auto& e : found)
    {
        float d = 1e30f;
        for (const Vec3& eye : eyes)
            d = std::min(d, Len(eye - e.second));
        nearest.push_back({d, e.first});
    }
    std::sort(nearest.begin(), nearest.end());
    // The scenery model has room for these (about half a triangle each)
    // after the stones' reorder; the pools' mirror (about one each) has
    // room for this many beside its trees: those within about 55 units.
    constexpr size_t kWaterLineCuts = 350;
    if (nearest.size() > kWaterLineCuts)
        nearest.resize(kWaterLineCuts);
    t.waterFrom = int(t.pts.size());
    for (const auto& e : nearest)
    {
        t.waterLine[e.second] = int(t.pts.size());
        t.pts.push_back(found[e.second]);
    }
    t.waterCells.assign(size_t((nx - 1) * (nz - 1)), 0);
    ForEachTriangleEdge(t, [&](int cell, int p, int q) {
        if (t.waterLine.count({std::min(p, q), std::max(p, q)}))
            t.waterCells[size_t(cell)] = 1;
    });
}

} // namespace

const TerrainGrid& Grid()
{
    static const TerrainGrid g = [] {
        TerrainGrid t;
        // Fine where the pools, banks and cliffs are, coarse over the river's
        // middle (its own model) and the far hills, except where those round
        // off against the sky: a model's triangle list must stay below
        // 65,536 indices.
        t.xs = Nodes({{-1290, 110},
                      {-640, 50},
                      {-440, 24},
                      {-220, 14},
                      {300, 3.2f},
                      {333, 9},
                      {360, 20},
                      {440, 4},
                      {500, 30},
                      {590, 18}},
                     680);
        // The river's banks stand at the edges of the rain's river band: a
        // node on each side of each edge makes them steep walls. The pools
        // beside the river end a rim's width from it, just past a node.
        for (float x : {kRainRiverX0 - 6.0f, kRainRiverX0 - 0.05f, kRainRiverX0, kRainRiverX1 - 0.05f, kRainRiverX1,
                        kRainRiverX1 + 6.0f})
            t.xs.push_back(x);
        std::sort(t.xs.begin(), t.xs.end());
        t.xs.erase(std::unique(t.xs.begin(), t.xs.end(), [](float a, float b) { return std::fabs(a - b) < 0.01f; }),
                   t.xs.end());
        t.zs = Nodes({{-1770, 55}, {-1150, 16}, {-700, 20}, {680, 15}, {820, 30}, {940, 80}, {1400, 40}}, 1800);
        const size_t nx = t.xs.size();
        t.pts.resize(nx * t.zs.size());
        for (size_t j = 0; j < t.zs.size(); ++j)
            for (size_t i = 0; i < nx; ++i)
                t.pts[j * nx + i] = {t.xs[i], GroundHeight(t.xs[i], t.zs[j]), t.zs[j]};
        Refine(t);
        Pair(t);
        CutWaterLine(t);
        return t;
    }();
    return g;
}

void TerrainGrid::CellTriangles(int i, int j, std::vector<int>& out) const
{
    const size_t from = out.size();
    UncutTriangles(i, j, out);
    if (waterCells.empty() || !waterCells[size_t(j * (int(xs.size()) - 1) + i)])
        return;
    // Each triangle with water-line points on its sides, as the polygon round
    // it: the corner between two points goes off as an ear (the water's side
    // or the rim's), what is left is split along its shorter diagonal.
    std::vector<int> cut(out.begin() + long(from), out.end());
    out.resize(from);
    for (size_t k = 0; k + 2 < cut.size(); k += 3)
    {
        int poly[6], n = 0, corners = 0;
        bool isCut[6];
        for (int e = 0; e < 3; ++e)
        {
            const int p = cut[k + size_t(e)], q = cut[k + size_t((e + 1) % 3)];
            poly[n] = p, isCut[n++] = false;
            const auto w = waterLine.find({std::min(p, q), std::max(p, q)});
            if (w != waterLine.end())
                poly[n] = w->second, isCut[n++] = true, ++corners;
        }
        if (corners == 0)
        {
            out.insert(out.end(), {poly[0], poly[1], poly[2]});
            continue;
        }
        // A plane meets a level one along two sides at most.
        int at = 0;
        if (corners == 2)
            while (isCut[at] || !isCut[(at + n - 1) % n] || !isCut[(at + 1) % n])
                ++at;
        else
            while (!isCut[at])
                ++at;
        if (corners == 2)
        {
            out.insert(out.end(), {poly[(at + n - 1) % n], poly[at], poly[(at + 1) % n]});
            // The quad left: from the ear's second point on round.
            const int q0 = poly[(at + 1) % n], q1 = poly[(at + 2) % n], q2 = poly[(at + 3) % n],
                      q3 = poly[(at + 4) % n];
            auto len = [&](int a, int b) {
                return std::hypot(pts[size_t(a)].x - pts[size_t(b)].x, pts[size_t(a)].z - pts[size_t(b)].z);
            };
            if (len(q0, q2) <= len(q1, q3))
                out.insert(out.end(), {q0, q1, q2, q0, q2, q3});
            else
                out.insert(out.end(), {q1, q2, q3, q1, q3, q0});
        }
        else
            out.insert(out.end(), {poly[at], poly[(at + 1) % n], poly[(at + 2) % n], poly[at], poly[(at + 2) % n],
                                   poly[(at + 3) % n]});
    }
}

void TerrainGrid::UncutTriangles(int i, int j, std::vector<int>& out) const
{
    // A cell with one corner off the plane of the other three (a pool's rim,
    // a cliff's edge or a bank crossing it aslant) is split along the corners
    // of like height, so the edge runs along the diagonal instead of
    // stepping across the cells. Elsewhere the diagonal alternates, so the
    // flats do not ripple one way.
    const int nx = int(xs.size());
    if (const uint8_t p = paired.empty() ? 0 : paired[size_t(j * (nx - 1) + i)]; p != 0)
    {
        PairTriangles(p == 2 ? i - 1 : i, p == 4 ? j - 1 : j, out);
        return;
    }
    const int n00 = j * nx + i, n10 = n00 + 1, n01 = n00 + nx, n11 = n01 + 1;
    const int cell = j * (nx - 1) + i;
    const bool parity = ((i + j) & 1) != 0;
    const uint8_t h = halve.empty() ? 0 : halve[size_t(cell)];
    const int c = centre.empty() ? -1 : centre[size_t(cell)];
    if (h == 0 && c < 0)
    {
        Quad(pts, n00, n10, n01, n11, parity, out);
        return;
    }
    const int bottom = midX[size_t(n00)], top = midX[size_t(n01)], left = midZ[size_t(n00)], right = midZ[size_t(n10)];
    if (h == 0)
    {
        // A neighbour's halving left points on this cell's sides: a fan
        // from its middle takes them in, so no crack opens along them.
        int loop[8], n = 0;
        for (int p : {n00, left, n01, top, n11, right, n10, bottom})
            if (p >= 0)
                loop[n++] = p;
        for (int k = 0; k < n; ++k)
            out.insert(out.end(), {c, loop[k], loop[(k + 1) % n]});
        return;
    }
    if (h == 3)
    {
        Quad(pts, n00, bottom, left, c, parity, out);
        Quad(pts, bottom, n10, c, right, !parity, out);
        Quad(pts, left, c, n01, top, !parity, out);
        Quad(pts, c, right, top, n11, parity, out);
    }
    else if (h == 1)
    {
        Quad(pts, n00, bottom, n01, top, parity, out);
        Quad(pts, bottom, n10, top, n11, !parity, out);
    }
    else
    {
        Quad(pts, n00, n10, left, right, parity, out);
        Quad(pts, left, right, n01, n11, !parity, out);
    }
}

void TerrainGrid::PairTriangles(int i, int j, std::vector<int>& out) const
{
    // The middle node of a long side stays in where the cells across that
    // side are not a pair of the same kind: they end at it.
    const int nx = int(xs.size()), nz = int(zs.size());
    const int n00 = j * nx + i;
    const bool parity = ((i + j) & 1) != 0;
    auto across = [&](int ci, int cj, uint8_t kind) {
        return ci >= 0 && cj >= 0 && ci < nx - 1 && cj < nz - 1 && paired[size_t(cj * (nx - 1) + ci)] != kind;
    };
    int corner[4], mid[2], ends[2];
    if (paired[size_t(j * (nx - 1) + i)] == 1)
    {
        // Side by side: corners going round as the grid winds, then the
        // lower and upper middle nodes, each between two of those corners.
        const int n01 = n00 + nx;
        if (across(i, j - 1, 1) && across(i, j + 1, 1))
        {
            Quad(pts, n00, n00 + 1, n01, n01 + 1, parity, out);
            Quad(pts, n00 + 1, n00 + 2, n01 + 1, n01 + 2, !parity, out);
            return;
        }
        corner[0] = n00, corner[1] = n01, corner[2] = n01 + 2, corner[3] = n00 + 2;
        mid[0] = n00 + 1, mid[1] = n01 + 1;
        ends[0] = across(i, j - 1, 1) ? 3 : -1; // the lower middle node comes after corner 3
        ends[1] = across(i, j + 1, 1) ? 1 : -1; // the upper after corner 1
    }
    else
    {
        // One above the other: the left and right middle nodes.
        const int n02 = n00 + 2 * nx;
        if (across(i - 1, j, 3) && across(i + 1, j, 3))
        {
            Quad(pts, n00, n00 + 1, n00 + nx, n00 + nx + 1, parity, out);
            Quad(pts, n00 + nx, n00 + nx + 1, n02, n02 + 1, !parity, out);
            return;
        }
        corner[0] = n00, corner[1] = n02, corner[2] = n02 + 1, corner[3] = n00 + 1;
        mid[0] = n00 + nx, mid[1] = n00 + nx + 1;
        ends[0] = across(i - 1, j, 3) ? 0 : -1; // the left middle node comes after corner 0
        ends[1] = across(i + 1, j, 3) ? 2 : -1; // the right after corner 2
    }
    if (ends[0] < 0 && ends[1] < 0)
    {
        Quad(pts, corner[0], corner[3], corner[1], corner[2], parity, out);
        return;
    }
    // A fan from the one middle node left in, round the four corners.
    const int k = ends[0] >= 0 ? 0 : 1, apex = mid[k];
    for (int s = 1; s <= 3; ++s)
        out.insert(out.end(), {apex, corner[(ends[k] + s) % 4], corner[(ends[k] + s + 1) % 4]});
}

float TerrainGrid::Height(float x, float z) const
{
    const int nx = int(xs.size());
    int i = int(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
    int j = int(std::upper_bound(zs.begin(), zs.end(), z) - zs.begin()) - 1;
    i = std::clamp(i, 0, nx - 2);
    j = std::clamp(j, 0, int(zs.size()) - 2);
    std::vector<int> tri;
    tri.reserve(24);
    CellTriangles(i, j, tri);
    return HeightOn(pts, tri, x, z);
}

float TerrainHeight(float x, float z)
{
    return Grid().Height(x, z);
}

void ForEachGroundTriangle(const std::function<void(const GroundTriangle&)>& visit)
{
    const TerrainGrid& grid = Grid();
    const int nx = int(grid.xs.size()), nz = int(grid.zs.size());
    std::vector<int> tri;
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 1 < nx; ++i)
        {
            if (const uint8_t p = grid.paired.empty() ? 0 : grid.paired[size_t(j * (nx - 1) + i)]; p == 2 || p == 4)
                continue; // drawn with the first cell of its pair
            tri.clear();
            grid.CellTriangles(i, j, tri);
            for (size_t k = 0; k + 2 < tri.size(); k += 3)
                visit(MakeGroundTriangle(tri[k], tri[k + 1], tri[k + 2]));
        }
}

namespace {

// The middle of the rim's flat top, from the water line: faces beyond it are
// the rim's outer ones.
constexpr float kRimTop = 7.0f;
// Where the length down the rim is measured from: the pool's bed a little
// inside the water line, nearly level all the way round. (The rim's top
// would be, but where a pool lies at the foot of the cliff or by the river
// the line from the middle through it runs up the cliff or down the bank.)
constexpr float kRimFrom = -4.0f;
constexpr int kRoundSteps = 2048;

float ShapeRadius(const PoolShape& s)
{
    return std::min(s.rx, s.rz);
}

// Where round its shape a point lies (radians from -pi), and the scale q of
// the shape through it (1 on the edge, without the ragged noise): the
// points of one parameter lie on a line from the pool's middle.
float ShapeParameter(const PoolShape& s, float x, float z, float* q)
{
    const float dx = (x - s.cx) / s.rx, dz = (z - s.cz) / s.rz;
    *q = std::max(1e-3f, std::pow(std::pow(std::fabs(dx), s.power) + std::pow(std::fabs(dz), s.power), 1 / s.power));
    const float h = s.power / 2;
    return std::atan2(std::copysign(std::pow(std::fabs(dz) / *q, h), dz),
                      std::copysign(std::pow(std::fabs(dx) / *q, h), dx));
}

// The point of a pool's edge (without the ragged noise) at step k round
// from parameter -pi, from its middle.
Vec3 RoundPoint(const PoolShape& s, int k)
{
    const float a = -kPi + 2 * kPi * float(k) / kRoundSteps, c = std::cos(a), n = std::sin(a), e = 2 / s.power;
    return {s.rx * std::copysign(std::pow(std::fabs(c), e), c), 0, s.rz * std::copysign(std::pow(std::fabs(n), e), n)};
}

// Each pool's edge length from parameter -pi, at kRoundSteps + 1 even steps.
const std::vector<float>& RoundLengths(int pool)
{
    static const std::vector<std::vector<float>> all = [] {
        std::vector<std::vector<float>> r;
        for (const PoolShape& s : PoolShapes())
        {
            std::vector<float> len(kRoundSteps + 1, 0.0f);
            for (int k = 1; k <= kRoundSteps; ++k)
                len[size_t(k)] = len[size_t(k - 1)] + Len(RoundPoint(s, k) - RoundPoint(s, k - 1));
            r.push_back(std::move(len));
        }
        return r;
    }();
    return all[size_t(pool)];
}

// The scale of the shape the rim's length is measured on: a unit from the
// water for the face up from it, past the top for the face beyond.
float RimScale(const RimFace& rim)
{
    return 1 + (rim.outer ? 13.0f : 1.0f) / ShapeRadius(PoolShapes()[size_t(rim.pool)]);
}

} // namespace

bool OnPoolRim(const GroundTriangle& t, RimFace* rim)
{
    // The river's banks run along the river, not round a pool, even where
    // a pool lies near.
    if (t.part != GroundPart::Scenery || t.pd > 16 || t.pd < -6)
        return false;
    const std::vector<PoolShape>& shapes = PoolShapes();
    int pool = 0;
    for (int i = 1; i < int(shapes.size()); ++i)
        if (ShapeDistance(shapes[size_t(i)], t.cx, t.cz) < ShapeDistance(shapes[size_t(pool)], t.cx, t.cz))
            pool = i;
    const PoolShape& s = shapes[size_t(pool)];
    const float rx = t.cx - s.cx, rz = t.cz - s.cz, rl = std::hypot(rx, rz);
    if (rl < 1)
        return false;
    // Whether it falls away from the pool or toward it.
    const float sx = t.n.y < 0 ? -t.n.x : t.n.x, sz = t.n.y < 0 ? -t.n.z : t.n.z;
    rim->pool = pool;
    rim->outward = sx * rx + sz * rz > 0;
    rim->outer = ShapeDistance(s, t.cx, t.cz) > kRimTop;
    return true;
}

float RimLength(const RimFace& rim, float repeat)
{
    const float len = RoundLengths(rim.pool).back() * RimScale(rim);
    return repeat * std::max(1.0f, std::round(len / repeat));
}

void RimCoordinates(const RimFace& rim, float repeat, Vec3 p, float* along, float* down)
{
    const PoolShape& s = PoolShapes()[size_t(rim.pool)];
    const std::vector<float>& len = RoundLengths(rim.pool);
    float q;
    const float a = ShapeParameter(s, p.x, p.z, &q);
    // From the step before it on, along the chord: the parameter runs
    // unevenly along the edge (fast across the flat sides).
    const int k = std::clamp(int((a + kPi) / (2 * kPi) * kRoundSteps), 0, kRoundSteps - 1);
    const Vec3 onEdge = {(p.x - s.cx) / q, 0, (p.z - s.cz) / q};
    const float round = len[size_t(k)] + Len(onEdge - RoundPoint(s, k));
    *along = round * RimLength(rim, repeat) / len.back();
    // The length over the drawn ground along the line from the middle, from
    // the bed out to the point, in steps of a quarter unit.
    const float ux = (p.x - s.cx) / q, uz = (p.z - s.cz) / q, ul = std::hypot(ux, uz);
    const float q0 = 1 + kRimFrom / ShapeRadius(s);
    const int n = std::max(1, int(std::ceil(std::fabs(q - q0) * ul / 0.25f)));
    const TerrainGrid& grid = Grid();
    float h = grid.Height(s.cx + q0 * ux, s.cz + q0 * uz), length = 0;
    for (int i = 1; i <= n; ++i)
    {
        const float qi = q0 + (q - q0) * float(i) / float(n);
        const float hi = i == n ? p.y : grid.Height(s.cx + qi * ux, s.cz + qi * uz);
        length += std::hypot((q - q0) / float(n) * ul, hi - h);
        h = hi;
    }
    if (q < q0)
        length = -length;
    // Left to right and top up as seen from in front of the face, as the
    // other slopes: a face falling toward the pool takes both the other way.
    if (!rim.outward)
        *along = -*along, length = -length;
    *down = length;
}

} // namespace sg
