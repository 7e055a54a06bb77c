// Windows layer: the pond and the river. Each water body renders a mask of
// where its surface is seen (with rain rings), then lays its mirrored scene
// over the screen through the mask, rippled by a bump map where possible.
#include "src/ClassBase/win/World.h"

#include "src/ClassRender/Log.h"

void CWorld::WaterComposite(IDirect3DSurface9* target, IDirect3DTexture9* reflection, int bumpFrame, float bump,
                            float tiling)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    LOG_IF_FAILED(device->SetRenderTarget(0, target));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ZENABLE, FALSE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA));

    if (g_bBumpWater)
    {
        device->SetTexture(0, m_pBumpTextures[bumpFrame]);
        SetTextureStageStateCached(0, D3DTSS_TEXCOORDINDEX, 1);
        SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
        SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_CURRENT);
        SetTextureStageStateCached(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
        SetTextureStageStateCached(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
        SetTextureStageStateCached(0, D3DTSS_BUMPENVMAT00, FloatBits(bump));
        SetTextureStageStateCached(0, D3DTSS_BUMPENVMAT01, FloatBits(0.0f));
        SetTextureStageStateCached(0, D3DTSS_BUMPENVMAT10, FloatBits(0.0f));
        SetTextureStageStateCached(0, D3DTSS_BUMPENVMAT11, FloatBits(bump));
        SetTextureStageStateCached(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        D3DMATRIX tile = g_mIdentity;
        tile._11 = tiling;
        tile._22 = tiling;
        LOG_IF_FAILED(device->SetTransform(D3DTS_TEXTURE0, &tile));

        device->SetTexture(1, reflection);
        SetTextureStageStateCached(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        SetTextureStageStateCached(1, D3DTSS_TEXCOORDINDEX, 1);
        SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        SetTextureStageStateCached(1, D3DTSS_RESULTARG, D3DTA_CURRENT);

        device->SetTexture(2, m_pWaterMaskTexture);
        SetTextureStageStateCached(2, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        SetTextureStageStateCached(2, D3DTSS_TEXCOORDINDEX, 0);
        SetTextureStageStateCached(2, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(2, D3DTSS_COLORARG1, D3DTA_CURRENT);
        SetTextureStageStateCached(2, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(2, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        SetTextureStageStateCached(2, D3DTSS_RESULTARG, D3DTA_CURRENT);

        SetTextureStageStateCached(3, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetTextureStageStateCached(3, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    else
    {
        device->SetTexture(0, reflection);
        SetTextureStageStateCached(0, D3DTSS_TEXCOORDINDEX, 1);
        SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);

        device->SetTexture(1, m_pWaterMaskTexture);
        SetTextureStageStateCached(1, D3DTSS_TEXCOORDINDEX, 0);
        SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
        SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);

        SetTextureStageStateCached(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetTextureStageStateCached(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }

    DrawScreenQuad();
}

namespace {

void ResetWaterStages(IDirect3DDevice9* device)
{
    SetTextureStageStateCached(0, D3DTSS_TEXCOORDINDEX, 0);
    SetTextureStageStateCached(1, D3DTSS_TEXCOORDINDEX, 0);
    SetTextureStageStateCached(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTexture(1, nullptr);
    device->SetTexture(2, nullptr);
}

} // namespace

void CWorld::DrawPondWater(const WorldFrameView& view, IDirect3DSurface9* target)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    LOG_IF_FAILED(device->SetRenderTarget(0, m_pWaterMaskSurface));
    LOG_IF_FAILED(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE));
    LOG_IF_FAILED(device->SetTransform(D3DTS_VIEW, AsD3D(view.mView[spMain])));
    m_Models[wmPond].Render(g_mIdentity, 1.0f, false);
    if (m_Frame.nRings != 0)
        m_Ripples.Draw(RIPPLE_SET_POND, 1.0f, m_Frame.nRings);

    WaterComposite(target, m_pReflectionLTexture, view.nPondBumpFrame, SCENE_POND_BUMP_SCALE, SCENE_POND_BUMP_TILING);
    ResetWaterStages(device);
}

void CWorld::DrawRiverWater(const WorldFrameView& view, IDirect3DSurface9* target)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    LOG_IF_FAILED(device->SetTransform(D3DTS_PROJECTION, AsD3D(view.mProjection)));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA));
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    LOG_IF_FAILED(device->SetRenderTarget(0, m_pWaterMaskSurface));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE));
    LOG_IF_FAILED(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    LOG_IF_FAILED(device->SetTransform(D3DTS_VIEW, AsD3D(view.mView[spMain])));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE));

    LOG_IF_FAILED(device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER));
    LOG_IF_FAILED(device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0));
    m_Models[wmRiver].Render(g_mIdentity, 0.5f, false);
    LOG_IF_FAILED(device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP));
    if (m_Frame.nRings != 0)
        m_Ripples.Draw(RIPPLE_SET_RIVER, 1.0f, m_Frame.nRings);

    WaterComposite(target, m_pReflectionRTexture, view.nRiverBumpFrame, SCENE_RIVER_BUMP_SCALE,
                   SCENE_RIVER_BUMP_TILING);
    LOG_IF_FAILED(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    ResetWaterStages(device);
}
