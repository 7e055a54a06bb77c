// Host tool: the ground grid the meshes triangulate, its heights, and the
// part of the valley each of its triangles belongs to.
#include <algorithm>

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

GroundTriangle MakeGroundTriangle(int i0, int j0, int i1, int j1, int i2, int j2)
{
    const TerrainGrid& grid = Grid();
    const int nx = int(grid.xs.size());
    const std::vector<Vec3>& pts = grid.pts;
    GroundTriangle t;
    t.i[0] = i0, t.i[1] = i1, t.i[2] = i2;
    t.j[0] = j0, t.j[1] = j1, t.j[2] = j2;
    const Vec3 a = pts[size_t(j0 * nx + i0)], b = pts[size_t(j1 * nx + i1)], c = pts[size_t(j2 * nx + i2)];
    t.a = a, t.b = b, t.c = c;
    t.n = TriNormal(a, b, c);
    t.cx = (a.x + b.x + c.x) / 3, t.cy = (a.y + b.y + c.y) / 3, t.cz = (a.z + b.z + c.z) / 3;
    t.rd = RiverDistance(t.cx, t.cz);
    t.pd = PoolDistance(t.cx, t.cz);
    // A steep bank rising out of the river belongs to the banks, whichever
    // side of the water's edge its middle falls on.
    const bool riverWall = std::fabs(t.n.y) < 0.35f && std::max({a.y, b.y, c.y}) > kRiverY + 3 && t.rd < 1;
    if (riverWall)
        t.part = GroundPart::Bank;
    else if ((t.rd < 0 && t.cy < kRiverY + 1) || (t.pd < -2 && std::max({a.y, b.y, c.y}) < kPoolY))
        t.part = t.rd < 0 ? GroundPart::RiverBed : GroundPart::PoolBed;
    else if (t.rd < 30 && t.cy < 34 && t.pd > 4)
        t.part = t.cy < 17.5f ? GroundPart::Sand : GroundPart::Bank;
    else if (t.n.y < 0.5f && t.cx > 250 && t.cy > kPoolY)
        t.part = GroundPart::Cliff;
    else
        t.part = GroundPart::Scenery;
    return t;
}

} // namespace

const TerrainGrid& Grid()
{
    static const TerrainGrid g = [] {
        TerrainGrid t;
        // Fine where the pools, banks and cliffs are, coarse over the river's
        // middle (its own model) and the far hills: a model's triangle list
        // must stay below 65,536 indices.
        t.xs = Nodes({{-1290, 110},
                      {-640, 50},
                      {-440, 24},
                      {-220, 14},
                      {300, 3.2f},
                      {333, 9},
                      {360, 20},
                      {440, 4},
                      {500, 30},
                      {600, 40}},
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
        t.zs = Nodes({{-1770, 110}, {-1150, 16}, {-700, 20}, {680, 15}, {820, 30}, {940, 80}}, 1800);
        const size_t nx = t.xs.size();
        t.pts.resize(nx * t.zs.size());
        for (size_t j = 0; j < t.zs.size(); ++j)
            for (size_t i = 0; i < nx; ++i)
                t.pts[j * nx + i] = {t.xs[i], GroundHeight(t.xs[i], t.zs[j]), t.zs[j]};
        return t;
    }();
    return g;
}

bool TerrainGrid::CrossDiagonal(int i, int j) const
{
    // A cell with one corner off the plane of the other three (a pool's rim,
    // a cliff's edge or a bank crossing it aslant) is split along the corners
    // of like height, so the edge runs along the diagonal instead of
    // stepping across the cells. Elsewhere the diagonal alternates, so the
    // flats do not ripple one way.
    const int nx = int(xs.size());
    const float h00 = pts[size_t(j * nx + i)].y, h10 = pts[size_t(j * nx + i + 1)].y;
    const float h01 = pts[size_t((j + 1) * nx + i)].y, h11 = pts[size_t((j + 1) * nx + i + 1)].y;
    const float along = std::fabs(h00 - h11), across = std::fabs(h10 - h01);
    if (std::fabs(along - across) > 0.5f)
        return across < along;
    return ((i + j) & 1) != 0;
}

float TerrainGrid::Height(float x, float z) const
{
    const int nx = int(xs.size());
    int i = int(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
    int j = int(std::upper_bound(zs.begin(), zs.end(), z) - zs.begin()) - 1;
    i = std::clamp(i, 0, nx - 2);
    j = std::clamp(j, 0, int(zs.size()) - 2);
    const float tx = (x - xs[size_t(i)]) / (xs[size_t(i + 1)] - xs[size_t(i)]);
    const float tz = (z - zs[size_t(j)]) / (zs[size_t(j + 1)] - zs[size_t(j)]);
    const float h00 = pts[size_t(j * nx + i)].y, h10 = pts[size_t(j * nx + i + 1)].y;
    const float h01 = pts[size_t((j + 1) * nx + i)].y, h11 = pts[size_t((j + 1) * nx + i + 1)].y;
    // The same diagonal as the mesh.
    if (CrossDiagonal(i, j))
    {
        // Diagonal from (i+1, j) to (i, j+1).
        if (tx + tz <= 1)
            return h00 + (h10 - h00) * tx + (h01 - h00) * tz;
        return h11 + (h01 - h11) * (1 - tx) + (h10 - h11) * (1 - tz);
    }
    // Diagonal from (i, j) to (i+1, j+1).
    if (tz >= tx)
        return h00 + (h11 - h01) * tx + (h01 - h00) * tz;
    return h00 + (h10 - h00) * tx + (h11 - h10) * tz;
}

float TerrainHeight(float x, float z)
{
    return Grid().Height(x, z);
}

void ForEachGroundTriangle(const std::function<void(const GroundTriangle&)>& visit)
{
    const TerrainGrid& grid = Grid();
    const int nx = int(grid.xs.size()), nz = int(grid.zs.size());
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 1 < nx; ++i)
        {
            if (grid.CrossDiagonal(i, j))
            {
                visit(MakeGroundTriangle(i, j, i, j + 1, i + 1, j));
                visit(MakeGroundTriangle(i + 1, j, i, j + 1, i + 1, j + 1));
            }
            else
            {
                visit(MakeGroundTriangle(i, j, i, j + 1, i + 1, j + 1));
                visit(MakeGroundTriangle(i, j, i + 1, j + 1, i + 1, j));
            }
        }
}

} // namespace sg
