// Host tool: the pools' water surface (lusha.singleobject).
#include <algorithm>

#include "Scene.h"

namespace sg {

namespace {

// Ground of a pool below the rain's pool level, which must be under water:
// in the basin, or at the water's edge (the bank down to the river beside
// some pools, a few units out, lies far lower).
bool LowRim(const PoolShape& p, Vec3 q)
{
    const float h = TerrainHeight(q.x, q.z), d = ShapeDistance(p, q.x, q.z);
    return h < SCENE_RAIN_POOL_LEVEL + 0.05f && (d < 0 || (d < 4 && h > kPoolY - 1));
}

// Where the ray from a pool's centre at angle a ends: past the last ground
// of the basin on it below the rain's pool level (the coarse ground may
// rise over the water and dip again at the water line), then on under the rim to the middle
// of its top, so the edge between two ring points cuts through rim ground,
// never through water; and no further than 8 units out (beyond the rim the
// ground may fall away again). Where two pools run into each other, each
// surface stops where the other pool is nearer, so the two never overlap in
// the mask.
Vec3 RayEnd(const PoolShape& p, float a)
{
    auto at = [&](float r) { return Vec3{p.cx + std::cos(a) * p.rx * r, kPoolY, p.cz + std::sin(a) * p.rz * r}; };
    float low = 0.5f, stop = 3;
    for (float reach = 0.5f; reach < 3; reach += 0.01f)
    {
        const Vec3 q = at(reach + 0.01f);
        if (ShapeDistance(p, q.x, q.z) >= 8.0f)
        {
            stop = reach;
            break;
        }
        if (PoolDistance(q.x, q.z) < ShapeDistance(p, q.x, q.z) - 0.01f)
        {
            stop = low = reach;
            break;
        }
        if (LowRim(p, q))
            low = reach + 0.01f;
    }
    float reach = low;
    while (reach < stop)
    {
        const Vec3 q = at(reach + 0.01f);
        if (TerrainHeight(q.x, q.z) < kPoolY + 0.3f)
            break;
        reach += 0.01f;
    }
    return at(reach);
}

} // namespace

// Every pool shape, a little larger, at the pool plane.
void BuildPoolSurface(SceneContent& s)
{
    MeshBuilder pool;
    const int mPool = pool.Material("lusha.tga");
    for (const auto& p : PoolShapes())
    {
        uint16_t centre = pool.Vertex({p.cx, kPoolY, p.cz}, p.cx / 100, p.cz / 100);
        // About one ray for every 6 units of rim, so the fan follows the basin.
        const int rays = std::max(28, int(2 * kPi * std::max(p.rx, p.rz) / 6.0f));
        std::vector<uint16_t> ids;
        for (int k = 0; k < rays; ++k)
        {
            const Vec3 q = RayEnd(p, float(k) / float(rays) * 2 * kPi);
            ids.push_back(pool.Vertex(q, q.x / 100, q.z / 100));
        }
        // Going round clockwise seen from above (x east, z north).
        for (size_t k = 0; k < ids.size(); ++k)
            pool.Tri(mPool, centre, ids[(k + 1) % ids.size()], ids[k]);
    }
    s.models["lusha.singleobject"] = pool.Build(11, 1);
}

} // namespace sg
