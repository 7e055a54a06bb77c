// Portable core: the leaf cards of a tree as a skinned mesh.
#include "src/ClassBase/LeafCards.h"

#include <cmath>

#include "src/ClassBase/SceneEntryLoad.h"

namespace {

struct CardCorner
{
    float x, y, u, v;
};
const CardCorner kCorners[4] = {{-0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 2, 0}, {-0.5f, -0.5f, 0, 2}, {0.5f, -0.5f, 2, 2}};
const uint16_t kCardIndices[6] = {0, 1, 2, 2, 1, 3};

} // namespace

bool LeafCardSkin(const LinkAnimData& cards, SkinData& out)
{
    out = SkinData();
    const size_t count = cards.cards.size();
    if (count == 0 || count > LEAF_CARDS_MAX || cards.bones.size() != count)
        return false;
    unsigned limit = 0;
    for (size_t k = 0; k < count; ++k)
    {
        const float turn = static_cast<float>(k);
        const float size = std::sin(0.737f * turn) + 0.5f;
        gfx::Mat4 m;
        gfx::MatrixMultiply(m, gfx::MatrixRotationYawPitchRoll(turn, turn, turn), cards.cards[k]);
        for (const CardCorner& c : kCorners)
        {
            const float x = c.x * size, y = c.y * size;
            out.positions.push_back({x * m.m[0][0] + y * m.m[1][0] + m.m[3][0],
                                     x * m.m[0][1] + y * m.m[1][1] + m.m[3][1],
                                     x * m.m[0][2] + y * m.m[1][2] + m.m[3][2]});
            out.texcoords.push_back(c.u);
            out.texcoords.push_back(c.v);
            out.bones.push_back(cards.bones[k]);
        }
        for (uint16_t i : kCardIndices)
            out.indices.push_back(static_cast<uint16_t>(4 * k + i));
        if (cards.bones[k] >= limit)
            limit = cards.bones[k] + 1u;
    }
    out.boneCount = static_cast<uint8_t>(limit > 255 ? 255 : limit);
    return true;
}

int LoadLeafCardsFrom(const ArchiveView& archive, const char* fileName, CSkinMesh& mesh)
{
    mesh.Release();
    return LoadSceneEntry(archive, "leaf cards", fileName,
                          [&mesh](const void* data, size_t size) { return LoadLeafCardBytes(data, size, mesh); });
}

int LoadLeafCardBytes(const void* data, size_t size, CSkinMesh& mesh)
{
    mesh.Release();
    LinkAnimData file;
    const int status = ReadLinkAnimFile(data, size, file);
    if (status != 0)
        return 10 + status;
    SkinData skin;
    if (!LeafCardSkin(file, skin))
        return 2;
    return mesh.Build(skin);
}
