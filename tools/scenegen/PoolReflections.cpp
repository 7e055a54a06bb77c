// Host tool: what the pools mirror besides the ground: the nearest trees,
// posed at rest, added to scene_refl_lusa.singleobject.
#include <algorithm>

#include "Lighting.h"
#include "Scene.h"
#include "TerrainMesh.h"
#include "src/ClassBase/LeafCards.h"

namespace sg {

void BuildPoolReflections(SceneContent& s)
{
    // The trees nearest the pools, posed as at rest, so the pools mirror
    // them too; as many as the model's index limit leaves room for.
    const SingleObjectData& base = s.models.at("scene_refl_lusa.singleobject");
    MeshBuilder refl;
    std::vector<uint16_t> ids;
    for (const auto& v : base.vertices)
        ids.push_back(refl.Vertex({v.x, v.y, v.z}, v.u, v.v));
    for (const auto& m : base.materials)
    {
        int mat = refl.Material(m.texture);
        for (size_t i = m.firstIndex; i < m.firstIndex + size_t(m.triangleCount) * 3; i += 3)
            refl.Tri(mat, ids[base.indices[i]], ids[base.indices[i + 1]], ids[base.indices[i + 2]]);
    }
    struct Kind
    {
        const char *list, *skin, *anim, *link, *bark, *leaves;
    } kinds[3] = {
        {"tree01.transobj", "tree02.skin", "tree02_stay.anim", "tree02.linkanim", "bark02.tga", "Leaves02.tga"},
        {"tree02.transobj", "tree02.skin", "tree02_stay.anim", "tree02.linkanim", "bark02.tga", "Leaves02.tga"},
        {"tree03.transobj", "tree03.skin", "tree03_stay.anim", "tree03.linkanim", "bark03.tga", "Leaves03.tga"}};
    struct Candidate
    {
        float distance;
        int kind;
        size_t index;
    };
    std::vector<Candidate> near;
    for (int k = 0; k < 3; ++k)
    {
        const auto& list = s.lists.at(kinds[k].list).placements;
        for (size_t i = 0; i < list.size(); ++i)
        {
            float d = std::max(0.0f, PoolDistance(list[i].m[3][0], list[i].m[3][2]));
            if (d < 160)
                near.push_back({d, k, i});
        }
    }
    std::sort(near.begin(), near.end(), [](const Candidate& a, const Candidate& b) {
        return a.distance != b.distance ? a.distance < b.distance
                                        : a.kind * 100 + int(a.index) < b.kind * 100 + int(b.index);
    });
    size_t triangles = base.indices.size() / 3;
    for (const auto& c : near)
    {
        const Kind& k = kinds[c.kind];
        const SkinData& skin = s.skins.at(k.skin);
        const LinkAnimData& link = s.links.at(k.link);
        const size_t cost = skin.indices.size() / 3 + link.cards.size() * 4;
        // every material must start within 16-bit indices
        if (triangles + cost > 0xFFFF / 3)
            break;
        triangles += cost;
        const Mat4& world = s.lists.at(k.list).placements[c.index];
        const gfx::Mat4* bones = s.anims.at(k.anim).Frame(0);
        // A skin posed by the first frame and placed; leaf cards two-sided.
        auto add = [&](const SkinData& d, const char* texture, bool twoSided) {
            const int material = refl.Material(texture);
            std::vector<uint16_t> v;
            for (size_t i = 0; i < d.positions.size(); ++i)
                v.push_back(refl.Vertex(XformPoint(XformPoint(d.positions[i], bones[d.bones[i]]), world),
                                        d.texcoords[i * 2], d.texcoords[i * 2 + 1]));
            for (size_t i = 0; i < d.indices.size(); i += 3)
            {
                const uint16_t a = v[d.indices[i]], b = v[d.indices[i + 1]], c = v[d.indices[i + 2]];
                if (twoSided)
                    refl.TwoSided(material, a, b, c);
                else
                    refl.Tri(material, a, b, c);
            }
        };
        add(skin, k.bark, false);
        // The cards as the program turns, sizes and places them.
        SkinData cards;
        if (LeafCardSkin(link, cards))
            add(cards, k.leaves, true);
    }
    // The light last: its run may start anywhere below the 16-bit cap; wound
    // as the ground under it, facing up.
    AddLightLayer(refl, refl.Material(kLightOverlayTexture), SceneLight(s), PoolsMirror(s), false);
    s.models["scene_refl_lusa.singleobject"] = refl.Build(10, 1);
}

} // namespace sg
