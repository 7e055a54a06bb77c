// Host tool: the scenery's ground (scene.singleobject) with its stones,
// ledges, bridge and falls, and the part of it the pools mirror
// (scene_refl_lusa.singleobject, trees added later).
#include <algorithm>

#include "SceneryProps.h"
#include "TerrainMesh.h"

namespace sg {

PoolsMirror::PoolsMirror(const SceneContent& s)
{
    // Every few frames of every path: what a pool shows changes slowly
    // as the eye moves, and the margin below covers the frames between.
    for (const auto& c : s.cameras)
        for (size_t f = 0; f < c.eyes.size(); f += 6)
            if (c.eyes[f].y > kPoolY + 1)
                m_Eyes.push_back({c.eyes[f].x, 2 * kPoolY - c.eyes[f].y, c.eyes[f].z});
}

bool PoolsMirror::operator()(const GroundTriangle& t) const
{
    if (t.part != GroundPart::Scenery && t.part != GroundPart::Cliff)
        return false;
    if (std::min({t.a.y, t.b.y, t.c.y}) <= kPoolY - 0.5f || t.pd <= -1)
        return false;
    float nearPool = 1e9f;
    for (const auto& p : PoolShapes())
        nearPool = std::min(nearPool, std::hypot(t.cx - p.cx, t.cz - p.cz));
    if (nearPool >= 650)
        return false;
    // Seen in a pool: the line from the mirrored eye to a corner (or the
    // middle) crosses the pools' plane on a pool, or within a margin of it
    // for the ripples and the frames between.
    constexpr float kMargin = 8.0f;
    const auto& pools = PoolShapes();
    const Vec3 pts[4] = {t.a, t.b, t.c, {t.cx, t.cy, t.cz}};
    for (const Vec3& e : m_Eyes)
        for (const Vec3& p : pts)
        {
            if (p.y <= kPoolY)
                continue;
            const float k = (kPoolY - e.y) / (p.y - e.y);
            const float qx = e.x + (p.x - e.x) * k, qz = e.z + (p.z - e.z) * k;
            for (const auto& pool : pools)
                if (std::fabs(qx - pool.cx) < pool.rx + kMargin && std::fabs(qz - pool.cz) < pool.rz + kMargin &&
                    ShapeDistance(pool, qx, qz) < kMargin)
                    return true;
        }
    return false;
}

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
    // drops none on the terrace above or the meadow below.
    auto underTree = [&](float x, float y, float z) {
        for (const auto& t : s.trees)
        {
            const float dx = x - t.root.x, dz = z - t.root.z;
            const float d2 = dx * dx + dz * dz;
            if (d2 < t.radius * t.radius * 0.8f && std::fabs(y - t.root.y) < 4 + 0.3f * std::sqrt(d2))
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

    const PoolsMirror mirrored(s);
    ForEachGroundTriangle([&](const GroundTriangle& t) {
        if (t.part != GroundPart::Scenery && t.part != GroundPart::Cliff)
            return;
        const Vec3 n = t.n;
        const float cx = t.cx, cy = t.cy, cz = t.cz, pd = t.pd;
        int mat;
        if (n.y < 0.5f && cy > kPoolY + 6)
            mat = (cx > 250 && cy > 45) ? mCliff : mRock; // cliffs, also where they stand in a pool
        else if (pd < 0)
            mat = mRim; // the pool's edge above the water line
        else if (n.y < 0.5f)
            mat = (cx > 250 && cy > 45) ? mCliff : mRock;
        else if (pd < 9)
            mat = mRim;
        else if (std::fabs(cz) > 1120 || cx < -620 || cx > 590)
            mat = mHill;
        else if (n.y < 0.8f && !aboveCliffs(cx, cy, cz))
            mat = mEarth;
        else if (underTree(cx, cy, cz))
            mat = mForest;
        else
            mat = Meadow(cx, cz) ? mMeadow : mGrass;
        // The scenery's ground is wound to face down: the main pass draws it
        // without culling, and the mirrored views look at it from below.
        // The cliffs' faces are in the banks' model (RiverBeds.cpp).
        if (t.part == GroundPart::Scenery)
        {
            const auto v = gScene.Corners(t);
            scene.Tri(mat, v[0], v[2], v[1]);
        }
        if (mirrored(t))
        {
            const auto r = gRefl.Corners(t);
            refl.Tri(mat, r[0], r[2], r[1]);
        }
    });

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
