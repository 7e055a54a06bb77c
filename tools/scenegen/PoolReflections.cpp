// Host tool: what the pools mirror besides the ground: the nearest trees,
// posed at rest, added to scene_refl_lusa.singleobject.
#include <algorithm>

#include "Scene.h"

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
        if (triangles + cost > 21000)
            break;
        triangles += cost;
        const Mat4& world = s.lists.at(k.list).placements[c.index];
        const gfx::Mat4* bones = s.anims.at(k.anim).Frame(0);
        const int bark = refl.Material(k.bark), leaves = refl.Material(k.leaves);
        std::vector<uint16_t> v;
        for (size_t i = 0; i < skin.positions.size(); ++i)
            v.push_back(refl.Vertex(XformPoint(XformPoint(skin.positions[i], bones[skin.bones[i]]), world),
                                    skin.texcoords[i * 2], skin.texcoords[i * 2 + 1]));
        for (size_t i = 0; i < skin.indices.size(); i += 3)
            refl.Tri(bark, v[skin.indices[i]], v[skin.indices[i + 1]], v[skin.indices[i + 2]]);
        const Vec3 corner[4] = {{-0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}};
        const float uv[4][2] = {{0, 0}, {2, 0}, {0, 2}, {2, 2}};
        for (size_t i = 0; i < link.cards.size(); ++i)
        {
            // The card as the program turns and sizes it.
            const float fi = float(i);
            const Mat4 m = Mul(Mul(Mul(RotYPR(fi, fi, fi), link.cards[i]), bones[link.bones[i]]), world);
            const float size = std::sin(0.737f * fi) + 0.5f;
            uint16_t q[4];
            for (int j = 0; j < 4; ++j)
                q[j] = refl.Vertex(XformPoint(corner[j] * size, m), uv[j][0], uv[j][1]);
            refl.TwoSided(leaves, q[0], q[1], q[2]);
            refl.TwoSided(leaves, q[2], q[1], q[3]);
        }
    }
    s.models["scene_refl_lusa.singleobject"] = refl.Build(10, 1);
}

} // namespace sg
