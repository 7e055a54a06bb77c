// The plants' loaded forms over any bytes: a skin, leaf cards, a bone
// animation or a grass field either loads whole or stays empty, and skinning,
// playing or turning it never reads or writes outside what it holds. The
// first byte picks the class; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "src/ClassBase/BoneAnimation.h"
#include "src/ClassBase/GrassCards.h"
#include "src/ClassBase/LeafCards.h"
#include "src/ClassBase/SkinMesh.h"
#include "src/ClassRender/Clock.h"

namespace {

uint32_t g_nowMs = 0;
uint32_t FuzzClock()
{
    return g_nowMs;
}
volatile float g_sink = 0.0f;

// Skins a loaded mesh with blocks just long enough and one bone short.
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
    if (mesh.m_nBoneLimit > 0 && mesh.Skin(bones.data(), mesh.m_nBoneLimit - 1, out.data()))
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
    switch (bytes[0] % 4)
    {
    case 0:
    {
        CSkinMesh mesh;
        if ((mesh.LoadBytes(data, size) == 0) != mesh.IsLoaded())
            std::abort();
        SkinEveryWay(mesh);
        break;
    }
    case 1:
    {
        CSkinMesh cards;
        if ((LoadLeafCardBytes(data, size, cards) == 0) != cards.IsLoaded())
            std::abort();
        SkinEveryWay(cards);
        break;
    }
    case 2:
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
        const int status = grass.LoadBytes(data, size);
        if ((status == 0) != (grass.m_nCount > 0))
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
