// Windows layer: the spray of one waterfall.
#include "src/ClassBase/win/WaterfallSpray.h"

#include "data/win/ArchiveTexture.h"

int CWaterfallSpray::Build(const ArchiveView& archive)
{
    Release();
    uint16_t indices[3 * SPRAY_TRIANGLES];
    SprayIndices(indices);
    m_FaceBuffer.m_nCount = SPRAY_TRIANGLES;
    if (m_FaceBuffer.CreateFilled(indices, sizeof(indices)) != 0)
        m_FaceBuffer.Release();
    m_VertexBuffer.m_nCount = SPRAY_VERTICES;
    if (m_VertexBuffer.CreateRenderBuffer() != 0)
        m_VertexBuffer.Release();
    if (g_pd3dDevice != nullptr)
        LoadArchiveTextureFrom(g_pd3dDevice, archive, "brizg.tga", &m_pTexture);
    m_Particles.Build();
    return 0;
}

void CWaterfallSpray::Advance(float dt, float depth)
{
    IDirect3DVertexBuffer9* buffer = m_VertexBuffer.m_pRenderBuffer;
    void* locked = nullptr;
    if (buffer != nullptr && FAILED(buffer->Lock(0, 0, &locked, D3DLOCK_DISCARD)))
        locked = nullptr;
    m_Particles.Advance(dt, depth, static_cast<SprayVertex*>(locked));
    if (locked != nullptr)
        buffer->Unlock();
}

void CWaterfallSpray::Draw(const ScenePoint& at)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr || m_pTexture == nullptr || m_VertexBuffer.m_pRenderBuffer == nullptr ||
        m_FaceBuffer.m_pRenderBuffer == nullptr)
        return;
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, SPRAY_TEXTURE_FACTOR);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    D3DMATRIX world = {};
    world._11 = world._22 = world._33 = world._44 = 1.0f;
    world._41 = at.x;
    world._42 = at.y;
    world._43 = at.z;
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTexture(0, m_pTexture);
    device->SetFVF(m_VertexBuffer.m_dwFVF);
    device->SetStreamSource(0, m_VertexBuffer.m_pRenderBuffer, 0, m_VertexBuffer.m_nVertexSize);
    device->SetIndices(m_FaceBuffer.m_pRenderBuffer);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, SPRAY_VERTICES, 0, SPRAY_TRIANGLES);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void CWaterfallSpray::Release()
{
    ReleaseNull(m_pTexture);
    m_VertexBuffer.Release();
    m_FaceBuffer.Release();
}
