// Windows layer: the rain's streaks.
#include "src/ClassBase/win/Rain.h"

#include "src/ClassBase/win/World.h"

int CRain::Build(uint32_t count)
{
    Release();
    if (count > RAIN_MAX_DROPS)
        count = RAIN_MAX_DROPS;
    if (count != 0)
    {
        // Both buffers fail on a count of 0, so they are made only for drops.
        m_FaceBuffer.m_nCount = count;
        static uint16_t indices[3 * RAIN_MAX_DROPS];
        RainIndices(count, indices);
        if (m_FaceBuffer.CreateFilled(indices, 3 * count * sizeof(uint16_t)) != 0)
            m_FaceBuffer.Release();
        m_VertexBuffer.m_nCount = RAIN_VERTICES_PER_DROP * count;
        if (m_VertexBuffer.CreateRenderBuffer() != 0)
            m_VertexBuffer.Release();
    }
    m_Drops.Build(count);
    return 0;
}

void CRain::Advance(float dt)
{
    if (m_Drops.m_nCount == 0)
        return;
    IDirect3DVertexBuffer9* buffer = m_VertexBuffer.m_pRenderBuffer;
    void* locked = nullptr;
    if (buffer != nullptr && FAILED(buffer->Lock(0, 0, &locked, D3DLOCK_DISCARD)))
        locked = nullptr;
    // Without a buffer the drops still fall, so the splashes and rings keep time.
    m_Drops.Advance(dt, static_cast<RainVertex*>(locked));
    if (locked != nullptr)
        buffer->Unlock();
}

void CRain::Draw()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    const UINT count = m_Drops.m_nCount;
    if (device == nullptr || count == 0 || m_VertexBuffer.m_pRenderBuffer == nullptr ||
        m_FaceBuffer.m_pRenderBuffer == nullptr)
        return;
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTransform(D3DTS_WORLD, &g_mIdentity);
    device->SetFVF(m_VertexBuffer.m_dwFVF);
    device->SetStreamSource(0, m_VertexBuffer.m_pRenderBuffer, 0, m_VertexBuffer.m_nVertexSize);
    device->SetIndices(m_FaceBuffer.m_pRenderBuffer);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, RAIN_VERTICES_PER_DROP * count, 0, count);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void CRain::Release()
{
    m_VertexBuffer.Release();
    m_FaceBuffer.Release();
}
