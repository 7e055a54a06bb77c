// Portable core: the .linkanim leaf card file.
#include "src/ClassBase/LinkAnimFile.h"

#include "src/ClassBase/SceneBytes.h"

using scenefile::ByteReader;
using scenefile::ByteWriter;

int ReadLinkAnimFile(const void* data, size_t size, LinkAnimData& out, unsigned boneCount)
{
    out = LinkAnimData();
    ByteReader r(data, size);
    uint32_t l;
    if (!r.GetU32(l))
        return 1;
    if (r.Remaining() % 65 != 0 || r.Remaining() / 65 != l)
        return 2;
    LinkAnimData d;
    d.cards.resize(l);
    for (auto& m : d.cards)
        r.GetFloats(&m.m[0][0], 16);
    d.bones.resize(l);
    r.GetBytes(d.bones.data(), l);
    for (uint8_t b : d.bones)
        if (b >= boneCount)
            return 3;
    out = std::move(d);
    return 0;
}

std::vector<uint8_t> WriteLinkAnimFile(const LinkAnimData& in)
{
    if (in.cards.size() != in.bones.size())
        return {};
    ByteWriter w;
    w.PutU32(uint32_t(in.cards.size()));
    for (const auto& m : in.cards)
        w.PutFloats(&m.m[0][0], 16);
    w.PutBytes(in.bones.data(), in.bones.size());
    return std::move(w.Bytes());
}
