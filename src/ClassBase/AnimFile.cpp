// Portable core: the .anim bone animation file.
#include "src/ClassBase/AnimFile.h"

#include "src/ClassBase/SceneBytes.h"

using scenefile::ByteReader;
using scenefile::ByteWriter;

int ReadAnimFile(const void* data, size_t size, AnimData& out)
{
    out = AnimData();
    ByteReader r(data, size);
    uint16_t tag, kind, b, f;
    if (!r.GetU16(tag) || !r.GetU16(kind) || !r.GetU16(b) || !r.GetU16(f))
        return 1;
    if (b == 0 || f == 0)
        return 2;
    const size_t count = size_t(b) * f;
    if (r.Remaining() != count * 64)
        return 3;
    AnimData d;
    d.boneCount = b;
    d.frameCount = f;
    d.matrices.resize(count);
    for (auto& m : d.matrices)
        r.GetFloats(&m.m[0][0], 16);
    out = std::move(d);
    return 0;
}

std::vector<uint8_t> WriteAnimFile(const AnimData& in)
{
    if (in.matrices.size() != size_t(in.boneCount) * in.frameCount)
        return {};
    ByteWriter w;
    w.PutU16(5);
    w.PutU16(1);
    w.PutU16(in.boneCount);
    w.PutU16(in.frameCount);
    for (const auto& m : in.matrices)
        w.PutFloats(&m.m[0][0], 16);
    return std::move(w.Bytes());
}
