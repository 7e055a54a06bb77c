// Portable core: the .singleobject static mesh file.
#include "src/ClassBase/SingleObjectFile.h"

#include "src/ClassBase/SceneBytes.h"

using scenefile::ByteReader;
using scenefile::ByteWriter;

int ReadSingleObjectFile(const void* data, size_t size, SingleObjectData& out)
{
    out = SingleObjectData();
    ByteReader r(data, size);
    SingleObjectData d;
    uint16_t nv, nf, nm;
    if (!r.GetU16(d.tag) || !r.GetU16(d.kind) || !r.GetU16(nv) || !r.GetU16(nf) || !r.GetU16(nm))
        return 1;
    // Fixed part first, so a lying count is caught before anything is allocated.
    const size_t fixed = size_t(nv) * 20 + size_t(nf) * 6 + size_t(nm) * 16;
    if (fixed > r.Remaining())
        return 2;
    d.vertices.resize(nv);
    for (auto& v : d.vertices)
        r.GetFloats(&v.x, 5);
    d.indices.resize(size_t(nf) * 3);
    for (auto& i : d.indices)
    {
        r.GetU16(i);
        if (i >= nv)
            return 3;
    }
    d.materials.resize(nm);
    for (auto& m : d.materials)
    {
        uint32_t unused;
        r.GetU32(unused);
        r.GetU16(m.firstIndex);
        r.GetU16(m.triangleCount);
        if (size_t(m.firstIndex) + size_t(m.triangleCount) * 3 > d.indices.size())
            return 4;
    }
    for (auto& m : d.materials)
    {
        uint32_t len, unused;
        if (!r.GetU32(len) || len > r.Remaining())
            return 5;
        m.texture.resize(len);
        r.GetBytes(&m.texture[0], len);
        if (!r.GetU32(unused))
            return 5;
    }
    if (r.Remaining() != 0)
        return 6;
    out = std::move(d);
    return 0;
}

std::vector<uint8_t> WriteSingleObjectFile(const SingleObjectData& in)
{
    if (in.vertices.size() > 0xFFFF || in.indices.size() % 3 != 0 || in.indices.size() / 3 > 0xFFFF ||
        in.materials.size() > 0xFFFF)
        return {};
    ByteWriter w;
    w.PutU16(in.tag);
    w.PutU16(in.kind);
    w.PutU16(uint16_t(in.vertices.size()));
    w.PutU16(uint16_t(in.indices.size() / 3));
    w.PutU16(uint16_t(in.materials.size()));
    for (const auto& v : in.vertices)
        w.PutFloats(&v.x, 5);
    for (uint16_t i : in.indices)
        w.PutU16(i);
    const size_t recordStart = w.Position();
    for (const auto& m : in.materials)
    {
        w.PutU32(0);
        w.PutU16(m.firstIndex);
        w.PutU16(m.triangleCount);
    }
    // The exporter follows each name with the file offset of its material record.
    for (size_t k = 0; k < in.materials.size(); ++k)
    {
        const auto& m = in.materials[k];
        w.PutU32(uint32_t(m.texture.size()));
        w.PutBytes(m.texture.data(), m.texture.size());
        w.PutU32(uint32_t(recordStart + 8 * k));
    }
    return std::move(w.Bytes());
}

size_t SingleObjectFileSize(size_t vertices, size_t triangles, const std::vector<size_t>& nameLengths)
{
    size_t s = 10 + 20 * vertices + 6 * triangles;
    for (size_t l : nameLengths)
        s += 16 + l;
    return s;
}
