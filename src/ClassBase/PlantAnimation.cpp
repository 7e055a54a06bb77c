// Portable core: the sway of an animated plant.
#include "src/ClassBase/PlantAnimation.h"

int CPlantAnimation::LoadFrom(const ArchiveView& archive, const char* first, const char* second)
{
    int status = m_First.LoadFrom(archive, first);
    if (status == 0)
        status = m_Second.LoadFrom(archive, second);
    if (status != 0)
        Release();
    return status;
}

const gfx::Mat4* CPlantAnimation::Advance(uint32_t counterB)
{
    m_First.Advance();
    m_Second.Advance();
    if (!m_First.m_bHasFrame || ((counterB & 1u) == 0 && m_bPosed))
        return nullptr;
    m_bPosed = true;
    return m_First.Bones();
}

void CPlantAnimation::Release()
{
    m_First.Release();
    m_Second.Release();
    m_bPosed = false;
}
