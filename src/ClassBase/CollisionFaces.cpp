// Portable core: the collision faces of the scene.
#include "src/ClassBase/CollisionFaces.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "src/ClassRender/Log.h"

namespace {

float DotFrom(const gfx::Vec3& p, const gfx::Vec3& origin, const gfx::Vec3& n)
{
    return (p.x - origin.x) * n.x + (p.y - origin.y) * n.y + (p.z - origin.z) * n.z;
}

} // namespace

CCollisionFaces::~CCollisionFaces()
{
    Release();
}

int CCollisionFaces::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    ArchiveView view = {archive.data, archive.size, 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!ExtractArchiveEntry("", fileName, &data, &size, &view))
    {
        LogWrite(g_szLogFile, "collision faces %s: not in the archive\n", fileName != nullptr ? fileName : "(null)");
        Release();
        return 1;
    }
    const int status = LoadBytes(data, size);
    free(data);
    if (status != 0)
        LogWrite(g_szLogFile, "collision faces %s: bad file (%d)\n", fileName, status);
    return status;
}

int CCollisionFaces::LoadBytes(const void* data, size_t size)
{
    Release();
    CollFaceData file;
    const int status = ReadCollFaceFile(data, size, file);
    if (status != 0)
        return 10 + status;
    if (file.faces.empty())
        return 0;
    m_pFaces = new (std::nothrow) CollFace[file.faces.size()];
    if (m_pFaces == nullptr)
        return 20;
    memcpy(m_pFaces, file.faces.data(), file.faces.size() * sizeof(CollFace));
    m_nCount = static_cast<int>(file.faces.size());
    return 0;
}

bool CCollisionFaces::HeightAbove(const gfx::Vec3& p, float& height) const
{
    for (int i = 0; i < m_nCount; ++i)
    {
        const CollFace& f = m_pFaces[i];
        if (DotFrom(p, f.a2, f.nab) >= 0.0f && DotFrom(p, f.b, f.nbc) >= 0.0f && DotFrom(p, f.c, f.nca) >= 0.0f)
        {
            height = DotFrom(p, f.a, f.n);
            return true;
        }
    }
    return false;
}

void CCollisionFaces::Release()
{
    delete[] m_pFaces;
    m_pFaces = nullptr;
    m_nCount = 0;
}
