// The loaded forms of the tracks, collision faces and plants over any bytes:
// a load either fills a consistent object or leaves it empty, and playing,
// querying, skinning or turning it never reads or writes outside what was
// loaded. The first byte picks the class; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <vector>

#include "src/ClassBase/BoneAnimation.h"
#include "src/ClassBase/CameraPath.h"
#include "src/ClassBase/CollisionFaces.h"
#include "src/ClassBase/GrassCards.h"
#include "src/ClassBase/LeafCards.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/SkinMesh.h"
#include "src/ClassBase/TransformList.h"
#include "src/ClassRender/Clock.h"

namespace {

uint32_t g_nowMs = 0;
uint32_t FuzzClock()
{
    return g_nowMs;
}
volatile float g_sink = 0.0f;

// Skins a loaded mesh with a block just long enough and one a bone short.
void SkinEveryWay(const CSkinMesh& mesh)
{
    if (!mesh.IsLoaded())
    {
        if (mesh.m_nVertices != 0 || mesh.m_nTriangles != 0)
            std::abort();
        return;
    }
    std::vector<gfx::Mat4> bones(mesh.m_nBoneLimit, gfx::MatrixIdentity());
    std::vector<TexturedVertex> out(mesh.m_nVertices);
    if (!mesh.Skin(bones.data(), mesh.m_nBoneLimit, out.data()))
        std::abort();
    if (mesh.Skin(bones.data(), mesh.m_nBoneLimit - 1, out.data()))
        std::abort();
    for (uint32_t i = 0; i < 3 * mesh.m_nTriangles; ++i)
        g_sink += out[mesh.m_pIndices[i]].x; // every index names a written vertex
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t n)
{
    if (n == 0)
        return 0;
    ClockSetSource(FuzzClock);
    const uint8_t* data = bytes + 1;
    const size_t size = n - 1;
    switch (bytes[0] % 8)
    {
    case 0:
    {
        CCameraPath path;
        const int status = path.LoadBytes(data, size);
        if ((status == 0) != (path.m_nCount > 0))
            std::abort();
        g_nowMs = 1000;
        path.Start();
        for (uint32_t step : {0u, 33u, 5000u, 40000u, 0x80000000u})
        {
            g_nowMs = path.m_dwStartTime + step;
            path.UpdateCamera();
            if (path.m_nCount > 0 && (path.m_nFrame < 0 || path.m_nFrame >= path.m_nCount))
                std::abort();
        }
        break;
    }
    case 1:
    {
        ObjectTrajectory t;
        if (t.LoadBytes(data, size) == 0 && t.m_nCount <= 0)
            std::abort();
        for (uint32_t now : {0u, 49u, 50u, 123456u, 0xFFFFFFFFu})
            for (int k = 0; k < 3; ++k)
            {
                const gfx::Mat4* m = t.Matrix(k, now);
                if ((m == nullptr) != (t.m_nCount == 0))
                    std::abort();
                if (m != nullptr)
                    g_sink += m->m[3][0]; // the sanitizer sees every read
            }
        break;
    }
    case 2:
    {
        CTransformList list;
        const int status = list.LoadBytes(data, size);
        for (uint32_t i = 0; i < list.m_nCount; ++i)
            g_sink += list.m_pMatrices[i].m[3][0];
        if (status != 0 && list.m_nCount != 0)
            std::abort();
        break;
    }
    case 3:
    {
        CCollisionFaces faces;
        const int status = faces.LoadBytes(data, size);
        if (status != 0 && faces.m_nCount != 0)
            std::abort();
        float h = 0.0f;
        faces.HeightAbove({0.0f, 20.0f, 0.0f}, h);
        break;
    }
    case 4:
    {
        CSkinMesh mesh;
        if ((mesh.LoadBytes(data, size) == 0) != mesh.IsLoaded())
            std::abort();
        SkinEveryWay(mesh);
        break;
    }
    case 5:
    {
        CSkinMesh cards;
        if ((LoadLeafCardBytes(data, size, cards) == 0) != cards.IsLoaded())
            std::abort();
        SkinEveryWay(cards);
        break;
    }
    case 6:
    {
        CBoneAnimation a;
        const int status = a.LoadBytes(data, size);
        for (uint32_t step : {1000u, 1031u, 1032u, 900000u, 0u})
        {
            g_nowMs = step;
            a.Advance();
            const gfx::Mat4* block = a.Bones();
            if ((block == nullptr) != (status != 0))
                std::abort();
            if (block != nullptr)
                g_sink += block[a.m_nBones - 1].m[3][3];
        }
        break;
    }
    default:
    {
        CGrassCards grass;
        if ((grass.LoadBytes(data, size) == 0) != (grass.m_nCount > 0))
            std::abort();
        std::vector<TexturedVertex> out(4 * static_cast<size_t>(grass.m_nCount));
        std::vector<uint16_t> indices(6 * static_cast<size_t>(grass.m_nCount));
        grass.Write(gfx::MatrixIdentity(), out.data());
        grass.WriteIndices(indices.data());
        for (uint16_t i : indices)
            g_sink += out[i].y;
        break;
    }
    }
    ClockSetSource(nullptr);
    return 0;
}
