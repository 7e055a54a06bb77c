// Host tool: the shadow decals draped over the ground: shade along the banks
// and the cliffs (shadow.singleobject), and a patch under every tree
// (tree_shadow.singleobject).
#include <algorithm>

#include "Scene.h"

namespace sg {

// Shade along the foot of the banks and the cliffs.
void BuildBankShadows(SceneContent& s)
{
    MeshBuilder shade;
    const int mShade = shade.Material("shadow.tga");
    for (int side = 0; side < 3; ++side)
    {
        std::vector<uint16_t> prevRow;
        for (float z = -1100; z <= 900.5f; z += 16)
        {
            float w, e;
            RiverEdges(z, w, e);
            std::vector<uint16_t> row;
            for (int k = 0; k <= 3; ++k)
            {
                float t = float(k) / 3;
                float x;
                if (side == 0)
                    x = w - 2 + t * 16; // from the bank into the water
                else if (side == 1)
                    x = e + 2 - t * 16;
                else
                    x = EastCliffX(z) + 2 - t * 34; // at the foot of the east cliff
                float zz = z;
                float y = std::max(GroundHeight(x, zz), RiverDistance(x, zz) < 0 ? kRiverY : -1e9f);
                if (PoolDistance(x, zz) < 0)
                    y = std::max(y, kPoolY);
                row.push_back(shade.Vertex({x, y + 0.4f, zz}, t, z / 64));
            }
            if (!prevRow.empty())
                for (int k = 0; k < 3; ++k)
                {
                    // Keep clockwise from above whichever way x runs.
                    bool flip = side != 0;
                    uint16_t a = prevRow[size_t(k)], b = row[size_t(k)], c = prevRow[size_t(k + 1)],
                             d = row[size_t(k + 1)];
                    if (!flip)
                    {
                        shade.Tri(mShade, a, b, c);
                        shade.Tri(mShade, c, b, d);
                    }
                    else
                    {
                        shade.Tri(mShade, a, c, b);
                        shade.Tri(mShade, c, d, b);
                    }
                }
            prevRow = row;
        }
    }
    s.models["shadow.singleobject"] = shade.Build(10, 1);
}

// A soft dark patch under every tree, draped over the ground.
void BuildTreeShadows(SceneContent& s)
{
    MeshBuilder treeShade;
    const int mTreeShade = treeShade.Material("tree_shadow.tga");
    for (const auto& t : s.trees)
    {
        const int n = 6;
        const float r = t.radius * 1.2f;
        const Vec3 c = {t.root.x + r * 0.25f, 0, t.root.z + r * 0.15f};
        std::vector<uint16_t> id;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
            {
                float x = c.x + (float(i) / n * 2 - 1) * r, z = c.z + (float(j) / n * 2 - 1) * r;
                id.push_back(treeShade.Vertex({x, SurfaceHeight(x, z) + 0.5f, z}, float(i) / n, float(j) / n));
            }
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
            {
                uint16_t a = id[size_t(j * (n + 1) + i)], b = id[size_t((j + 1) * (n + 1) + i)];
                uint16_t c2 = id[size_t(j * (n + 1) + i + 1)], d = id[size_t((j + 1) * (n + 1) + i + 1)];
                treeShade.Tri(mTreeShade, a, b, c2);
                treeShade.Tri(mTreeShade, c2, b, d);
            }
    }
    s.models["tree_shadow.singleobject"] = treeShade.Build(10, 1);
}

} // namespace sg
