// Host tool: the pools' water surface (lusha.singleobject).
#include <algorithm>

#include "Scene.h"

namespace sg {

// Every pool shape, a little larger, at the pool plane.
void BuildPoolSurface(SceneContent& s)
{
    MeshBuilder pool;
    const int mPool = pool.Material("lusha.tga");
    for (const auto& p : PoolShapes())
    {
        uint16_t centre = pool.Vertex({p.cx, kPoolY, p.cz}, p.cx / 100, p.cz / 100);
        std::vector<uint16_t> ring;
        // About one ray for every 6 units of rim, so the fan follows the basin.
        const int rays = std::max(28, int(2 * kPi * std::max(p.rx, p.rz) / 6.0f));
        for (int k = 0; k < rays; ++k)
        {
            // Out from the centre until the ground rises over the water, then
            // under the rim, and no further: beyond the rim the ground may
            // fall away again.
            float a = float(k) / float(rays) * 2 * kPi;
            float reach = 0.5f;
            // Where two pools run into each other, each surface stops where the
            // other pool is nearer, so the two never overlap in the mask.
            auto at = [&](float r, float& x, float& z) {
                x = p.cx + std::cos(a) * p.rx * r;
                z = p.cz + std::sin(a) * p.rz * r;
            };
            bool shared = false;
            for (;;)
            {
                float x, z;
                at(reach, x, z);
                if (reach >= 3 || TerrainHeight(x, z) >= kPoolY + 0.3f)
                    break;
                at(reach + 0.01f, x, z);
                if (PoolDistance(x, z) < ShapeDistance(p, x, z) - 0.01f)
                {
                    shared = true;
                    break;
                }
                reach += 0.01f;
            }
            // On, under the rim, to the middle of its top: the edge between two
            // ring points then cuts through rim ground, never through water.
            while (!shared && reach < 3)
            {
                float x, z;
                at(reach + 0.01f, x, z);
                if (ShapeDistance(p, x, z) >= 8.0f || TerrainHeight(x, z) < kPoolY + 0.3f)
                    break;
                reach += 0.01f;
            }
            Vec3 q = {p.cx + std::cos(a) * p.rx * reach, kPoolY, p.cz + std::sin(a) * p.rz * reach};
            ring.push_back(pool.Vertex(q, q.x / 100, q.z / 100));
        }
        // Going round clockwise seen from above (x east, z north).
        for (int k = 0; k < rays; ++k)
            pool.Tri(mPool, centre, ring[size_t((k + 1) % rays)], ring[size_t(k)]);
    }
    s.models["lusha.singleobject"] = pool.Build(11, 1);
}

} // namespace sg
