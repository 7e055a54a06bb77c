// Windows layer: the falling leaves.
#include "src/ClassBase/win/LeafFall.h"

#include <cstdio>

#include "src/ClassBase/win/World.h"

int CLeafFall::Build(const ArchiveView& archive, uint32_t count)
{
    for (int k = 0; k < LEAF_MODELS; ++k)
    {
        char name[32];
        std::snprintf(name, sizeof(name), "leaf%02d.singleobject", k + 1);
        m_Models[k].LoadFrom(archive, name);
    }
    m_Leaves.Build(count);
    return 0;
}

void CLeafFall::Draw()
{
    for (uint32_t i = 0; i < m_Leaves.m_nCount; ++i)
    {
        const FallingLeaf& leaf = m_Leaves.m_Leaves[i];
        gfx::Mat4 world;
        float fade;
        LeafPlacement(leaf, world, fade);
        m_Models[leaf.model].Render(*AsD3D(world), fade, true);
    }
}

void CLeafFall::Release()
{
    for (CModel& m : m_Models)
        m.Release();
}
