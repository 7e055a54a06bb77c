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
    // The ground's own faces (grass, earth, rim, bank, sand): where a face
    // is steep enough that the texture laid from above would stretch down
    // it, the same texture scale is laid over it as the ground's, with the
    // coordinate down the slope taken as the length along the slope, not
    // across the map. Faces are sorted into a few directions down the
    // slope and a few steepnesses, and neighbours of one kind share their
    // corners, so the pattern runs on unbroken across them; a corner where
    // kinds meet is split. The texture's top is up the face, as on the
    // cliffs, so the light drawn into the pebbles falls from above, and it
    // reads left to right as seen from outside (not mirrored).
    std::array<uint16_t, 3> Slope(const GroundTriangle& t)
    {
        const float ny = std::fabs(t.n.y);
        if (ny >= kSlopeFrom)
            return Three(t);
        // Which way down (eight ways) and how steep (four bands, each laid
        // by its middle's sine, within a tenth of its faces').
        constexpr float kPi = 3.14159265f;
        const float sx = t.n.y < 0 ? -t.n.x : t.n.x, sz = t.n.y < 0 ? -t.n.z : t.n.z;
        const int way = (int(std::lround(std::atan2(sz, sx) / (kPi / 4))) + 8) % 8;
        const int band = ny < 0.3f ? 0 : ny < 0.55f ? 1 : ny < 0.7f ? 2 : 3;
        constexpr float kSine[4] = {1.0f, 0.89f, 0.77f, 0.655f};
        const float qx = std::cos(float(way) * kPi / 4), qz = std::sin(float(way) * kPi / 4); // down the slope
        const float ax = -qz, az = qx; // along the face, to the right as seen from outside (left-handed)
        auto& ids = slopes[size_t(way * 4 + band)];
        if (ids.empty())
            ids.assign(points->size(), -1);
        std::array<uint16_t, 3> r;
        for (int k = 0; k < 3; ++k)
        {
            int& slot = ids[size_t(t.v[k])];
            if (slot < 0)
            {
                const Vec3 p = (*points)[size_t(t.v[k])];
                const float along = p.x * ax + p.z * az, down = -p.y / kSine[band];
                slot = mesh->Vertex(p, along / 64.0f, down / 64.0f);
            }
            r[size_t(k)] = uint16_t(slot);
        }
        return r;
    }
    // Below this |normal.y| (a slope of about 37 degrees) the ground takes
    // its own face projection: laid from above it would stretch by more
    // than a quarter.
    static constexpr float kSlopeFrom = 0.8f;

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
    std::array<std::vector<int>, 32> slopes; // Slope's corners, per way down and steepness
};

} // namespace sg
