// Windows layer: a field of camera-facing grass cards.
#include "src/ClassBase/win/GrassField.h"

#include <vector>

#include "src/ClassBase/win/World.h"

int CGrassField::LoadFrom(const ArchiveView& archive, const char* fileName, const char* textureName)
{
    Release();
    int status = m_Cards.LoadFrom(archive, fileName);
    if (status == 0)
    {
        std::vector<uint16_t> indices(6 * static_cast<size_t>(m_Cards.m_nCount));
        m_Cards.WriteIndices(indices.data());
        status = m_Buffers.Create(archive, fileName, 4 * m_Cards.m_nCount, indices.data(), 2 * m_Cards.m_nCount,
                                  textureName);
    }
    if (status != 0)
        Release();
    return status;
}

void CGrassField::Update(const gfx::Mat4& camera)
{
    if (!IsLoaded())
        return;
    TexturedVertex* out = m_Buffers.Lock();
    if (out == nullptr)
        return;
    m_Cards.Write(camera, out);
    m_Buffers.Unlock();
}

void CGrassField::Render()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr || !m_Buffers.CanDraw())
        return;
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    SetSingleTextureStages(D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTransform(D3DTS_WORLD, &g_mIdentity);
    m_Buffers.Draw(device);
}

void CGrassField::Release()
{
    m_Buffers.Release();
    m_Cards.Release();
}
