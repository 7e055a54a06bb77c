// Portable core: the .skin skinned mesh file.
#include "src/ClassBase/SkinFile.h"

#include "src/ClassBase/SceneBytes.h"

using scenefile::ByteReader;
using scenefile::ByteWriter;

int ReadSkinFile(const void* data, size_t size, SkinData& out)
{
    out = SkinData();
    ByteReader r(data, size);
    uint16_t tag, kind, nv, nf;
    uint8_t influences, b;
    if (!r.GetU16(tag) || !r.GetU16(kind) || !r.GetU16(nv) || !r.GetU16(nf) || !r.GetU8(influences) || !r.GetU8(b))
        return 1;
    if (r.Remaining() != size_t(nv) * 25 + size_t(nf) * 6)
        return 2;
    SkinData d;
    d.boneCount = b;
    d.bones.resize(nv);
    r.GetBytes(d.bones.data(), nv);
    for (uint8_t bone : d.bones)
        if (bone >= b)
            return 3;
    d.positions.resize(nv);
    for (auto& p : d.positions)
        r.GetFloats(&p.x, 3);
    for (size_t i = 0; i < nv; ++i)
    {
        float weight;
        r.GetF32(weight);
    }
    d.texcoords.resize(size_t(nv) * 2);
    r.GetFloats(d.texcoords.data(), d.texcoords.size());
    d.indices.resize(size_t(nf) * 3);
    for (auto& i : d.indices)
    {
        r.GetU16(i);
        if (i >= nv)
            return 4;
    }
    out = std::move(d);
    return 0;
}

std::vector<uint8_t> WriteSkinFile(const SkinData& in)
{
    const size_t nv = in.positions.size();
    if (nv > 0xFFFF || in.bones.size() != nv || in.texcoords.size() != 2 * nv || in.indices.size() % 3 != 0 ||
        in.indices.size() / 3 > 0xFFFF)
        return {};
    ByteWriter w;
    w.PutU16(6);
    w.PutU16(1);
    w.PutU16(uint16_t(nv));
    w.PutU16(uint16_t(in.indices.size() / 3));
    w.PutU8(1);
    w.PutU8(in.boneCount);
    w.PutBytes(in.bones.data(), nv);
    for (const auto& p : in.positions)
        w.PutFloats(&p.x, 3);
    for (size_t i = 0; i < nv; ++i)
        w.PutF32(1.0f);
    w.PutFloats(in.texcoords.data(), in.texcoords.size());
    for (uint16_t i : in.indices)
        w.PutU16(i);
    return std::move(w.Bytes());
}
