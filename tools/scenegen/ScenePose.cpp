// Host tool: the scene posed at one moment for the preview.
#include "ScenePose.h"

#include "src/ClassBase/GrassCards.h"
#include "src/ClassBase/LeafCards.h"

namespace sg {

Posed FromModel(const SingleObjectData& m, const Mat4& world)
{
    Posed p;
    for (const auto& v : m.vertices)
    {
        p.pos.push_back(XformPoint({v.x, v.y, v.z}, world));
        p.uv.push_back(v.u);
        p.uv.push_back(v.v);
    }
    p.idx = m.indices;
    p.mats = m.materials;
    return p;
}

Posed FromSkin(const SkinData& s, const gfx::Mat4* bones, const Mat4& world, const std::string& texture)
{
    Posed p;
    for (size_t i = 0; i < s.positions.size(); ++i)
    {
        Vec3 q = XformPoint(s.positions[i], bones[s.bones[i]]);
        p.pos.push_back(XformPoint(q, world));
        p.uv.push_back(s.texcoords[i * 2]);
        p.uv.push_back(s.texcoords[i * 2 + 1]);
    }
    p.idx = s.indices;
    p.mats.push_back({0, uint16_t(s.indices.size() / 3), texture});
    return p;
}

Posed LeafCards(const LinkAnimData& l, const gfx::Mat4* bones, const Mat4& world, const std::string& texture)
{
    SkinData cards;
    if (!LeafCardSkin(l, cards))
        return {};
    return FromSkin(cards, bones, world, texture);
}

Posed Grass(const InstanceListData& l, const Mat4& invView)
{
    CGrassCards cards;
    if (cards.Build(l) != 0)
        return {};
    Posed p;
    std::vector<TexturedVertex> vertices(4 * cards.m_nCount);
    cards.Write(invView, vertices.data());
    for (const TexturedVertex& v : vertices)
    {
        p.pos.push_back({v.x, v.y, v.z});
        p.uv.push_back(v.u);
        p.uv.push_back(v.v);
    }
    p.idx.resize(6 * cards.m_nCount);
    cards.WriteIndices(p.idx.data());
    p.mats.push_back({0, uint16_t(p.idx.size() / 3), "grass.tga"});
    return p;
}

Animated Animate(const SceneContent& s, int timeMs)
{
    Animated a;
    const int step = timeMs / 32;
    struct Kind
    {
        const char *skin, *anim, *link, *list, *bark, *leaves;
    } kinds[3] = {
        {"tree02.skin", "tree02_stay.anim", "tree02.linkanim", "tree01.transobj", "bark02.tga", "Leaves02.tga"},
        {"tree02.skin", "tree02_stay.anim", "tree02.linkanim", "tree02.transobj", "bark02.tga", "Leaves02.tga"},
        {"tree03.skin", "tree03_stay.anim", "tree03.linkanim", "tree03.transobj", "bark03.tga", "Leaves03.tga"}};
    for (const auto& k : kinds)
    {
        const auto& anim = s.anims.at(k.anim);
        const gfx::Mat4* bones = anim.Frame(uint32_t(step % anim.frameCount));
        for (const auto& m : s.lists.at(k.list).placements)
        {
            a.trees.push_back(FromSkin(s.skins.at(k.skin), bones, m, k.bark));
            a.leaves.push_back(LeafCards(s.links.at(k.link), bones, m, k.leaves));
        }
    }
    const auto& reedAnim = s.anims.at("kamish_stay.anim");
    for (const auto& m : s.lists.at("kamish.transobj").placements)
        a.reeds.push_back(
            FromSkin(s.skins.at("kamish.skin"), reedAnim.Frame(uint32_t(step % reedAnim.frameCount)), m, "kamish.tga"));
    const auto& swim = s.anims.at("duck_plavat.anim");
    const auto& tr = s.duckTrajectory;
    const uint32_t f = uint32_t(timeMs / 50) % tr.frames;
    for (uint32_t d = 0; d < 3; ++d)
    {
        Mat4 world = Mul(Scale(30, 30, 30), tr.matrices[d * tr.frames + f]);
        a.ducks.push_back(
            FromSkin(s.skins.at("duck.skin"), swim.Frame(uint32_t(step % swim.frameCount)), world, "duck.tga"));
    }
    return a;
}

} // namespace sg
