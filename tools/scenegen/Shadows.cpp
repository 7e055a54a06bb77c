// Host tool: the layers multiplied over the ground: the baked light
// (shadow.singleobject) and a patch under every tree (tree_shadow.singleobject).
#include <algorithm>

#include "Lighting.h"
#include "TerrainMesh.h"

namespace sg {

// The baked light multiplied over the scenery's ground (the banks carry it
// in their own model, which the river mirrors too).
void BuildBankShadows(SceneContent& s)
{
    const LightMap& light = SceneLight(s);
    MeshBuilder shade;
    const int mLight = shade.Material(kLightTexture);
    AddLightLayer(
        shade, mLight, light, [](const GroundTriangle& t) { return t.part == GroundPart::Scenery; }, false);
    s.models["shadow.singleobject"] = shade.Build(10, 1);
    s.textures[kLightTexture] = light.MultiplyTga();
    s.textures[kLightOverlayTexture] = light.OverlayTga();
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
        std::vector<float> ys;
        const uint16_t base = treeShade.VertexCount();
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
            {
                float x = c.x + (float(i) / n * 2 - 1) * r, z = c.z + (float(j) / n * 2 - 1) * r;
                ys.push_back(SurfaceHeight(x, z) + 0.5f);
                id.push_back(treeShade.Vertex({x, ys.back(), z}, float(i) / n, float(j) / n));
            }
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
            {
                uint16_t a = id[size_t(j * (n + 1) + i)], b = id[size_t((j + 1) * (n + 1) + i)];
                uint16_t c2 = id[size_t(j * (n + 1) + i + 1)], d = id[size_t((j + 1) * (n + 1) + i + 1)];
                // A patch draped over a cliff's edge would hang down its face
                // as a dark sheet: only the cells that lie on the ground.
                float lo = 1e9f, hi = -1e9f;
                for (uint16_t k : {a, b, c2, d})
                {
                    lo = std::min(lo, ys[k - base]);
                    hi = std::max(hi, ys[k - base]);
                }
                if (hi - lo > 4.0f)
                    continue;
                treeShade.Tri(mTreeShade, a, b, c2);
                treeShade.Tri(mTreeShade, c2, b, d);
            }
    }
    s.models["tree_shadow.singleobject"] = treeShade.Build(10, 1);
}

} // namespace sg
