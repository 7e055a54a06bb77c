// Windows layer: the falling leaves.
#include "src/ClassBase/win/LeafFall.h"

#include <cstdio>

#include "src/ClassBase/ModelFade.h"
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
    m_Leaves.Place(m_World, m_Fade);
    return 0;
}

void CLeafFall::Advance(float dt)
{
    m_Leaves.Advance(dt);
    m_Leaves.Place(m_World, m_Fade);
}

void CLeafFall::Draw()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr || m_Leaves.m_nCount == 0)
        return;
    // Up to 1000 leaves a pass: what CModel::Render would set for each, once.
    SetSingleTextureStages(D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetFVF(RA_FVF_XYZ_TEX1);

    // Per leaf only what changes: its model's buffers, its fade, its place.
    const CModel* bound = nullptr;
    DWORD factor = 0;
    bool factorSet = false;
    for (uint32_t i = 0; i < m_Leaves.m_nCount; ++i)
    {
        const CModel& model = m_Models[m_Leaves.m_Leaves[i].model];
        if (!model.IsLoaded() || model.m_VertexBuffer.m_pRenderBuffer == nullptr ||
            model.m_FaceBuffer.m_pRenderBuffer == nullptr)
            continue;
        if (&model != bound)
        {
            device->SetStreamSource(0, model.m_VertexBuffer.m_pRenderBuffer, 0, model.m_VertexBuffer.m_nVertexSize);
            device->SetIndices(model.m_FaceBuffer.m_pRenderBuffer);
            bound = &model;
        }
        const DWORD f = ModelFadeFactor(model.m_dwColor, m_Fade[i], false);
        if (!factorSet || f != factor)
        {
            device->SetRenderState(D3DRS_TEXTUREFACTOR, f);
            factor = f;
            factorSet = true;
        }
        device->SetTransform(D3DTS_WORLD, AsD3D(m_World[i]));
        for (UINT m = 0; m < model.m_nMaterials; ++m)
        {
            const ModelMaterial& material = model.m_pMaterials[m];
            device->SetTexture(0, material.m_pTexture);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, model.m_VertexBuffer.m_nCount,
                                         material.m_nFirstIndex, material.m_nTriangleCount);
        }
    }
}

void CLeafFall::Release()
{
    for (CModel& m : m_Models)
        m.Release();
}
