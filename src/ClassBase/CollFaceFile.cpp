// Portable core: the .collface collision face file.
#include "src/ClassBase/CollFaceFile.h"

#include <cmath>

#include "src/ClassBase/SceneBytes.h"

using scenefile::ByteReader;
using scenefile::ByteWriter;

namespace {

gfx::Vec3 Sub(const gfx::Vec3& a, const gfx::Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
gfx::Vec3 Cross(const gfx::Vec3& a, const gfx::Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const gfx::Vec3& a, const gfx::Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
bool Normalize(gfx::Vec3& v)
{
    const float len = std::sqrt(Dot(v, v));
    if (!(len > 1e-9f))
        return false;
    v = {v.x / len, v.y / len, v.z / len};
    return true;
}

// Inward normal of edge p->q: perpendicular to the face normal and the edge,
// on the side of the opposite corner.
bool EdgeNormal(const gfx::Vec3& p, const gfx::Vec3& q, const gfx::Vec3& opposite, const gfx::Vec3& n, gfx::Vec3& out)
{
    out = Cross(n, Sub(q, p));
    if (!Normalize(out))
        return false;
    if (Dot(Sub(opposite, p), out) < 0)
        out = {-out.x, -out.y, -out.z};
    return true;
}

} // namespace

bool MakeCollFace(const gfx::Vec3& a, const gfx::Vec3& b, const gfx::Vec3& c, CollFace& out)
{
    CollFace f;
    f.n = Cross(Sub(b, a), Sub(c, a));
    if (!Normalize(f.n))
        return false;
    f.a = f.a2 = a;
    f.b = b;
    f.c = c;
    if (!EdgeNormal(a, b, c, f.n, f.nab) || !EdgeNormal(b, c, a, f.n, f.nbc) || !EdgeNormal(c, a, b, f.n, f.nca))
        return false;
    out = f;
    return true;
}

int ReadCollFaceFile(const void* data, size_t size, CollFaceData& out)
{
    out = CollFaceData();
    ByteReader r(data, size);
    uint32_t f;
    if (!r.GetU32(f))
        return 1;
    if (r.Remaining() % 96 != 0 || r.Remaining() / 96 != f)
        return 2;
    CollFaceData d;
    d.faces.resize(f);
    for (auto& face : d.faces)
        r.GetFloats(reinterpret_cast<float*>(&face), 24);
    out = std::move(d);
    return 0;
}

std::vector<uint8_t> WriteCollFaceFile(const CollFaceData& in)
{
    ByteWriter w;
    w.PutU32(uint32_t(in.faces.size()));
    for (const auto& face : in.faces)
        w.PutFloats(reinterpret_cast<const float*>(&face), 24);
    return std::move(w.Bytes());
}
