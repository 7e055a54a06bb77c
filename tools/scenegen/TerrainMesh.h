// Host tool: what the builders of the ground, the beds and the scenery share:
// the ground grid's triangles in mesh order, each with the part of the
// valley it belongs to, and grid vertices shared inside one mesh.
#pragma once

#include <array>
#include <cmath>
#include <functional>
#include <unordered_map>

#include "Scene.h"
#include "ToolMath.h"

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

// A steep face by a pool's rim: which pool, which way down, and which side
// of the rim's flat top.
struct RimFace
{
    int pool;
    bool outward; // falls away from the pool
    bool outer;   // beyond the rim's top, not down to the water
};
bool OnPoolRim(const GroundTriangle& t, RimFace* rim);
// A point's place on the rim, in world units: along it round the pool, the
// way that reads left to right from where the face looks, and down the face
// as the length over the ground along the line from the pool's middle.
void RimCoordinates(const RimFace& rim, float repeat, Vec3 p, float* along, float* down);
// The length once round, a whole number of the texture's repeats.
float RimLength(const RimFace& rim, float repeat);

// The world lengths that one unit of a face's texture coordinates spans,
// the longest and the shortest way across the face: the square roots of the
// Gram matrix's eigenvalues of [e1 e2] times the inverse of [du dv]. False
// for a mapping that collapses the face to a line.
inline bool MappedAxisLengths(const Vec3 p[3], const float u[3], const float v[3], float* longest, float* shortest)
{
    const Vec3 e1 = p[1] - p[0], e2 = p[2] - p[0];
    const float du1 = u[1] - u[0], dv1 = v[1] - v[0], du2 = u[2] - u[0], dv2 = v[2] - v[0];
    const float det = du1 * dv2 - du2 * dv1;
    if (std::fabs(det) < 1e-9f)
        return false;
    const Vec3 ju = (e1 * dv2 - e2 * dv1) * (1 / det), jv = (e2 * du1 - e1 * du2) * (1 / det);
    const float g11 = Dot(ju, ju), g22 = Dot(jv, jv), g12 = Dot(ju, jv);
    const float mid = (g11 + g22) / 2, off = std::sqrt((g11 - g22) * (g11 - g22) / 4 + g12 * g12);
    *longest = std::sqrt(mid + off);
    *shortest = std::sqrt(std::max(mid - off, 1e-12f));
    return true;
}

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
    // The ground's own faces (grass, earth, rim, bank, sand): where a face
    // is steep enough that the texture laid from above would stretch down
    // it, the same texture scale is laid over it as the ground's, with the
    // coordinate down the slope taken as the length along the slope, not
    // across the map. The texture's top is up the face, as on the cliffs,
    // so the light drawn into the pebbles falls from above, and it reads
    // left to right as seen from outside (not mirrored).
    std::array<uint16_t, 3> Slope(const GroundTriangle& t) { return Along(t, 64.0f, 0); }
    // Rock (the cliffs and the scenery's rock faces) the same way, at the
    // cliffs' finer scale.
    std::array<uint16_t, 3> Rock(const GroundTriangle& t) { return Along(t, 48.0f, 1); }
    // Below this |normal.y| (a slope of about 37 degrees) a face takes its
    // own projection: laid from above it would stretch by more than a
    // quarter.
    static constexpr float kSlopeFrom = 0.8f;

    // How far a face's mapping (world units per unit of u and v) stretches
    // or shrinks the texture, the worse way across the face (1: not at all).
    static float Stretch(const Vec3 p[3], const float u[3], const float v[3])
    {
        float longest, shortest;
        if (!MappedAxisLengths(p, u, v, &longest, &shortest))
            return 1e9f;
        return std::max(longest, 1 / shortest);
    }
    // A steep face by a pool's rim is laid round the pool, continuous all
    // the way round (the rim's length is a whole number of repeats). Any
    // other steep face is sorted into one of a few directions down the
    // slope and a few steepnesses. Neighbours of one kind share their
    // corners, so the pattern runs on unbroken across them; a corner where
    // kinds meet is split.
    std::array<uint16_t, 3> Along(const GroundTriangle& t, float scale, int set)
    {
        const float ny = std::fabs(t.n.y);
        if (ny >= kSlopeFrom)
            return Three(t);
        const Vec3 p[3] = {(*points)[size_t(t.v[0])], (*points)[size_t(t.v[1])], (*points)[size_t(t.v[2])]};
        float u[3], v[3];
        uint32_t kind;
        RimFace rim;
        bool round = OnPoolRim(t, &rim);
        if (round)
        {
            for (int k = 0; k < 3; ++k)
                RimCoordinates(rim, scale, p[k], &u[k], &v[k]);
            // A face across the place where the way round starts again
            // takes its far corners a whole round back.
            const float once = RimLength(rim, scale), lo = std::min({u[0], u[1], u[2]});
            bool wrapped = false;
            for (float& x : u)
                if (x - lo > once / 2)
                    x -= once, wrapped = true;
            kind = 64 + uint32_t(rim.pool * 8 + rim.outward * 4 + rim.outer * 2 + wrapped);
            // A coarse cell from the water line far over the rim's top, where
            // a squarish pool turns its corner, would stretch: it is laid as
            // the other slopes.
            round = Stretch(p, u, v) < 1.25f;
        }
        if (!round)
        {
            // Which way down (eight ways) and how steep (four bands, each
            // laid by its middle's sine, within a tenth of its faces').
            const float sx = t.n.y < 0 ? -t.n.x : t.n.x, sz = t.n.y < 0 ? -t.n.z : t.n.z;
            const int way = (int(std::lround(std::atan2(sz, sx) / (kPi / 4))) + 8) % 8;
            const int band = ny < 0.3f ? 0 : ny < 0.55f ? 1 : ny < 0.7f ? 2 : 3;
            constexpr float kSine[4] = {1.0f, 0.89f, 0.77f, 0.655f};
            const float qx = std::cos(float(way) * kPi / 4), qz = std::sin(float(way) * kPi / 4); // down the slope
            const float ax = -qz, az = qx; // along the face, to the right as seen from outside (left-handed)
            for (int k = 0; k < 3; ++k)
                u[k] = p[k].x * ax + p[k].z * az, v[k] = -p[k].y / kSine[band];
            kind = uint32_t(way * 4 + band);
        }
        std::array<uint16_t, 3> r;
        for (int k = 0; k < 3; ++k)
        {
            int& slot = laid[(uint64_t(kind * 2 + uint32_t(set)) << 32) | uint32_t(t.v[k])];
            if (slot == 0)
                slot = 1 + mesh->Vertex(p[k], u[k] / scale, v[k] / scale);
            r[size_t(k)] = uint16_t(slot - 1);
        }
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
    std::unordered_map<uint64_t, int> laid; // Along's corners (plus one), per kind of face and grid point
};

} // namespace sg
