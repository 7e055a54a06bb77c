// Windows layer: the spray of one waterfall.
#include "src/ClassBase/win/WaterfallSpray.h"

int CWaterfallSpray::Build(const ArchiveView& archive)
{
    uint16_t indices[3 * SPRAY_TRIANGLES];
    SprayIndices(indices);
    m_Mesh.Create(archive, "spray", SPRAY_VERTICES, indices, SPRAY_TRIANGLES, "brizg.tga");
    m_Particles.Build();
    return 0;
}

void CWaterfallSpray::Advance(float dt, float depth)
{
    // Without a buffer the particles still move, so the draws keep their order.
    TexturedVertex* out = m_Mesh.Lock();
    m_Particles.Advance(dt, depth, out);
    if (out != nullptr)
        m_Mesh.Unlock();
}

void CWaterfallSpray::Draw(const ScenePoint& at)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    // untextured, the factor alone would add flat quads
    if (device == nullptr || !m_Mesh.CanDraw() || m_Mesh.m_Material.m_pTexture == nullptr)
        return;
    // texture times the factor, colour and alpha
    SetSingleTextureStages(D3DTOP_MODULATE);
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
    m_Mesh.Draw(device);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}
