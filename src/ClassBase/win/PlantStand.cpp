// Windows layer: one animated plant and the placements of its copies.
#include "src/ClassBase/win/PlantStand.h"

#include "src/ClassBase/win/World.h"

int CPlantStand::LoadFrom(const ArchiveView& archive, const char* placements, const PlantFiles& files)
{
    Release();
    int status = m_Plant.LoadFrom(archive, files);
    if (status == 0)
        status = m_Placements.LoadFrom(archive, placements);
    if (status != 0)
        Release();
    return status;
}

void CPlantStand::Render()
{
    if (!m_Plant.IsLoaded())
        return;
    for (uint32_t i = 0; i < m_Placements.m_nCount; ++i)
        m_Plant.Render(*AsD3D(m_Placements.m_pMatrices[i]));
}

void CPlantStand::Release()
{
    m_Plant.Release();
    m_Placements.Release();
}
