// Host tool: what the builders of the ground, the beds and the scenery share:
// the ground grid's triangles in mesh order, each with the part of the
// valley it belongs to, and grid vertices shared inside one mesh.
#pragma once

#include <array>
#include <cmath>
#include <functional>

#include "Scene.h"

namespace sg {

inline Vec3 TriNormal(Vec3 a, Vec3 b, Vec3 c)
{
    return Norm(Cross(b - a, c - a));
}

// Where a triangle of the ground grid goes.
enum class GroundPart
{
    RiverBed, // under the river, seen through the water
    PoolBed,  // under a pool
    Sand,     // bank below the sand line, seen from above and mirrored
    Bank,     // bank above it
    Cliff,    // the steep faces of the east cliff, drawn with the banks
    Scenery,  // everything else: the scenery's ground
};

struct GroundTriangle
{
    int v[3];         // the corners' points in Grid().pts
    Vec3 a, b, c;     // the corners
    Vec3 n;           // normal, up for the grid's order
    float cx, cy, cz; // centroid
    float rd, pd;     // river and pool distance of the centroid
    GroundPart part;
};

// Which triangles of the scenery's ground the pools mirror: those above
// their plane that some eye of the camera paths can see in a pool.
class PoolsMirror
{
public:
    explicit PoolsMirror(const SceneContent& s);
    bool operator()(const GroundTriangle& t) const;

private:
    std::vector<Vec3> m_Eyes; // the eyes mirrored in the pools' plane
};

// Every triangle of the ground grid, cell by cell with alternating diagonals.
void ForEachGroundTriangle(const std::function<void(const GroundTriangle&)>& visit);

// Grid vertices of one mesh, each made the first time a triangle uses it.
struct GridVertices
{
    explicit GridVertices(MeshBuilder& m) : mesh(&m), index(Grid().pts.size(), -1), points(&Grid().pts) {}
    // A triangle's three corners, created in corner order (never inside one
    // call's arguments, whose order the compiler picks).
    std::array<uint16_t, 3> Three(const GroundTriangle& t)
    {
        std::array<uint16_t, 3> r;
        for (int k = 0; k < 3; ++k)
            r[size_t(k)] = Get(t.v[k]);
        return r;
    }
    // The same, except that a steep triangle (a bank or a cliff face) gets
    // corners of its own with the texture laid along the face and up it,
    // rather than stretched down from above.
    std::array<uint16_t, 3> Corners(const GroundTriangle& t)
    {
        if (std::fabs(t.n.y) >= 0.35f)
            return Three(t);
        std::array<uint16_t, 3> r;
        const Vec3 p[3] = {t.a, t.b, t.c};
        const bool alongZ = std::fabs(t.n.x) > std::fabs(t.n.z);
        for (int k = 0; k < 3; ++k)
            r[size_t(k)] = mesh->Vertex(p[k], (alongZ ? p[k].z : p[k].x) / 48.0f, -p[k].y / 48.0f);
        return r;
    }
    uint16_t Get(int id)
    {
        int& slot = index[size_t(id)];
        if (slot < 0)
        {
            const Vec3 p = (*points)[size_t(id)];
            slot = mesh->Vertex(p, p.x / 64.0f, p.z / 64.0f);
        }
        return uint16_t(slot);
    }

    MeshBuilder* mesh;
    std::vector<int> index;
    const std::vector<Vec3>* points;
};

} // namespace sg
