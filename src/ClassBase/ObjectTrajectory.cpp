// Portable core: the recorded placements of the three ducks.
#include "src/ClassBase/ObjectTrajectory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/Log.h"

ObjectTrajectory::~ObjectTrajectory()
{
    Release();
}

int ObjectTrajectory::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    ArchiveView view = {archive.data, archive.size, 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!ExtractArchiveEntry("", fileName, &data, &size, &view))
    {
        LogWrite(g_szLogFile, "trajectory %s: not in the archive\n", fileName != nullptr ? fileName : "(null)");
        Release();
        return 1;
    }
    const int status = LoadBytes(data, size);
    free(data);
    if (status != 0)
        LogWrite(g_szLogFile, "trajectory %s: bad file (%d)\n", fileName, status);
    return status;
}

int ObjectTrajectory::LoadBytes(const void* data, size_t size)
{
    Release();
    TrajectoryData file;
    const int status = ReadTrajectoryFile(data, size, file);
    if (status != 0)
        return 10 + status;
    m_pMatrices = new (std::nothrow) gfx::Mat4[file.matrices.size()];
    if (m_pMatrices == nullptr)
        return 20;
    memcpy(m_pMatrices, file.matrices.data(), file.matrices.size() * sizeof(gfx::Mat4));
    m_nCount = static_cast<int>(file.frames);
    return 0;
}

int ObjectTrajectory::SampleIndex(uint32_t nowMs) const
{
    if (m_nCount <= 0)
        return -1;
    return static_cast<int>((nowMs / TRAJECTORY_FRAME_MS) % static_cast<uint32_t>(m_nCount));
}

const gfx::Mat4* ObjectTrajectory::Matrix(int object, uint32_t nowMs) const
{
    const int index = SampleIndex(nowMs);
    if (index < 0 || object < 0 || object >= static_cast<int>(TRAJECTORY_OBJECTS) || m_pMatrices == nullptr)
        return nullptr;
    return &m_pMatrices[static_cast<size_t>(object) * m_nCount + index];
}

void ObjectTrajectory::Release()
{
    delete[] m_pMatrices;
    m_pMatrices = nullptr;
    m_nCount = 0;
}
