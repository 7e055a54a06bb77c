// Host tool: the layers multiplied over the ground: a patch round the foot of
// every stone (shadow.singleobject) and under every tree (tree_shadow.singleobject).
#include <algorithm>

#include "Lighting.h"
#include "TerrainMesh.h"

namespace sg {

namespace {

// A soft dark patch of `material` round (c.x, c.z), draped over the ground
// half a unit up. With `dryOnly`, only where the ground is above the water.
void AddDrapedPatch(MeshBuilder& mesh, int material, Vec3 c, float r, bool dryOnly)
{
    const int n = 6;
    std::vector<uint16_t> id;
    std::vector<float> ys;
    std::vector<bool> dry;
    const uint16_t base = mesh.VertexCount();
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
        {
            float x = c.x + (float(i) / n * 2 - 1) * r, z = c.z + (float(j) / n * 2 - 1) * r;
            ys.push_back(SurfaceHeight(x, z) + 0.5f);
            dry.push_back(GroundHeight(x, z) >= SurfaceHeight(x, z) - 0.05f);
            id.push_back(mesh.Vertex({x, ys.back(), z}, float(i) / n, float(j) / n));
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
        {
            uint16_t a = id[size_t(j * (n + 1) + i)], b = id[size_t((j + 1) * (n + 1) + i)];
            uint16_t c2 = id[size_t(j * (n + 1) + i + 1)], d = id[size_t((j + 1) * (n + 1) + i + 1)];
            // A patch draped over a cliff's edge would hang down its face
            // as a dark sheet: only the cells that lie on the ground.
            float lo = 1e9f, hi = -1e9f;
            bool wet = false;
            for (uint16_t k : {a, b, c2, d})
            {
                lo = std::min(lo, ys[k - base]);
                hi = std::max(hi, ys[k - base]);
                wet = wet || !dry[k - base];
            }
            if (hi - lo > 4.0f || (dryOnly && wet))
                continue;
            mesh.Tri(material, a, b, c2);
            mesh.Tri(material, c2, b, d);
        }
}

} // namespace

// Where a stone sits on the ground, the ground round its foot takes less of
// the sky: a patch a little wider than the stone, moved off the sun's way
// as the trees' are. (The baked light itself is laid over the ground in the
// banks' model, RiverBeds.cpp, where the river's mirror shows it too.)
void BuildStoneShadows(SceneContent& s)
{
    MeshBuilder shade;
    const int mContact = shade.Material("tree_shadow.tga");
    for (const SeatedProp& seat : s.seated)
    {
        if (seat.what != "stone" || seat.feet.empty())
            continue;
        Vec3 c = {0, 0, 0};
        for (const Vec3& f : seat.feet)
            c = c + f;
        c = c * (1.0f / float(seat.feet.size()));
        float r = 0;
        for (const Vec3& f : seat.feet)
            r = std::max(r, std::hypot(f.x - c.x, f.z - c.z));
        r *= 1.6f;
        AddDrapedPatch(shade, mContact, {c.x + r * 0.12f, 0, c.z + r * 0.08f}, r, true);
    }
    s.models["shadow.singleobject"] = shade.Build(10, 1);
    s.textures[kLightOverlayTexture] = SceneLight(s).OverlayTga();
}

// A soft dark patch under every tree, draped over the ground.
void BuildTreeShadows(SceneContent& s)
{
    MeshBuilder treeShade;
    const int mTreeShade = treeShade.Material("tree_shadow.tga");
    for (const auto& t : s.trees)
    {
        const float r = t.radius * 1.2f;
        AddDrapedPatch(treeShade, mTreeShade, {t.root.x + r * 0.25f, 0, t.root.z + r * 0.15f}, r, false);
    }
    s.models["tree_shadow.singleobject"] = treeShade.Build(10, 1);
}

} // namespace sg
