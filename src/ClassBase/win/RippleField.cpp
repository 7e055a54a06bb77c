#include "src/ClassBase/win/RippleField.h"

#include <cstdio>
#include "data/win/ArchiveTexture.h"

namespace {

struct RingVertex
{
    float x, y, z, u, v;
};

const RingVertex kRingQuad[4] = {
    {-1.0f, 0.0f, -1.0f, 0.0f, 1.0f},
    {-1.0f, 0.0f, 1.0f, 0.0f, 0.0f},
    {1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
    {1.0f, 0.0f, -1.0f, 1.0f, 1.0f},
};
const WORD kRingIndices[6] = {0, 1, 2, 0, 2, 3};

} // namespace

int CRippleField::Build(const gfx::Vec3& eye)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    for (int i = 0; i < RIPPLE_FRAMES; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof(name), "wave%02d.dds", i);
        LoadArchiveTexture(name, &m_pWaves[i]);
    }
    m_VertexBuffer.m_nCount = 4;
    m_FaceBuffer.m_nCount = 2;
    if (device != nullptr)
    {
        m_VertexBuffer.CreateFilled(kRingQuad, sizeof(kRingQuad));
        m_FaceBuffer.CreateFilled(kRingIndices, sizeof(kRingIndices));
    }
    m_Rings.Build(eye);
    return 0;
}

void CRippleField::Draw(int set, float fade, int count)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr || m_VertexBuffer.m_pRenderBuffer == nullptr || m_FaceBuffer.m_pRenderBuffer == nullptr)
        return;
    if (count > RIPPLE_SET_SIZE)
        count = RIPPLE_SET_SIZE;
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_ADD);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_ADD);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetFVF(m_VertexBuffer.m_dwFVF);
    device->SetStreamSource(0, m_VertexBuffer.m_pRenderBuffer, 0, m_VertexBuffer.m_nVertexSize);
    device->SetIndices(m_FaceBuffer.m_pRenderBuffer);

    // Each channel of the colour scaled by (1 - fade): a fading ring turns white.
    const float keep = 1.0f - fade;
    DWORD factor = 0;
    for (int shift = 0; shift < 32; shift += 8)
    {
        const DWORD c = (m_dwColor >> shift) & 0xFF;
        factor |= (static_cast<DWORD>(static_cast<float>(c) * keep) & 0xFF) << shift;
    }
    for (int i = 0; i < RIPPLE_FRAMES; ++i)
    {
        device->SetTexture(0, m_pWaves[i]);
        for (int k = 0; k < count; ++k)
        {
            const RippleRing& r = m_Rings.Ring(set, k);
            if (RippleFrame(r.phase) != i)
                continue;
            device->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
            D3DMATRIX world = {};
            world._11 = r.size;
            world._22 = 1.0f;
            world._33 = r.size;
            world._44 = 1.0f;
            world._41 = r.x;
            world._42 = r.y;
            world._43 = r.z;
            device->SetTransform(D3DTS_WORLD, &world);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        }
    }
}

void CRippleField::Release()
{
    for (IDirect3DTexture9*& t : m_pWaves)
    {
        if (t != nullptr)
        {
            t->Release();
            t = nullptr;
        }
    }
    m_VertexBuffer.Release();
    m_FaceBuffer.Release();
}
