// Portable core: fixed placements of the copies of one vegetation object.
#include "src/ClassBase/TransformList.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/Log.h"

CTransformList::~CTransformList()
{
    Release();
}

int CTransformList::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    ArchiveView view = {archive.data, archive.size, 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!ExtractArchiveEntry("", fileName, &data, &size, &view))
    {
        LogWrite(g_szLogFile, "placements %s: not in the archive\n", fileName != nullptr ? fileName : "(null)");
        Release();
        return 1;
    }
    const int status = LoadBytes(data, size);
    free(data);
    if (status != 0)
        LogWrite(g_szLogFile, "placements %s: bad file (%d)\n", fileName, status);
    return status;
}

int CTransformList::LoadBytes(const void* data, size_t size)
{
    Release();
    InstanceListData file;
    const int status = ReadInstanceListFile(data, size, file);
    if (status != 0)
        return 10 + status;
    if (file.placements.empty())
        return 0;
    m_pMatrices = new (std::nothrow) gfx::Mat4[file.placements.size()];
    if (m_pMatrices == nullptr)
        return 20;
    memcpy(m_pMatrices, file.placements.data(), file.placements.size() * sizeof(gfx::Mat4));
    m_nCount = static_cast<uint32_t>(file.placements.size());
    return 0;
}

void CTransformList::Release()
{
    delete[] m_pMatrices;
    m_pMatrices = nullptr;
    m_nCount = 0;
}
