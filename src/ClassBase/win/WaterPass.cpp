// Windows layer: the pond and the river. Each water body renders a mask of
// where its surface is seen (with rain rings), then lays its mirrored scene
// over the screen through the mask, rippled by a bump map where possible.
#include "src/ClassBase/win/World.h"

#include "src/ClassRender/Clock.h"
#include "src/ClassRender/Log.h"

namespace {

void Check(HRESULT hr, int line)
{
    if (FAILED(hr))
        LogFailure(static_cast<int>(hr), __FILE__, line);
}

} // namespace

void CWorld::WaterComposite(IDirect3DSurface9* target, IDirect3DTexture9* reflection, float bump, float tiling)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    Check(device->SetRenderTarget(0, target), __LINE__);
    Check(device->SetRenderState(D3DRS_ZENABLE, FALSE), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), __LINE__);
    Check(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), __LINE__);
    Check(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), __LINE__);

    if (g_bBumpWater)
    {
        const int frame = static_cast<int>((ClockReadMs() / 100) % WORLD_BUMP_TEXTURES);
        device->SetTexture(0, m_pBumpTextures[frame]);
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
        Check(device->SetTransform(D3DTS_TEXTURE0, &tile), __LINE__);

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

void CWorld::DrawPondWater(CCameraPath& path, IDirect3DSurface9* target)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    Check(device->SetRenderTarget(0, m_pWaterMaskSurface), __LINE__);
    Check(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), __LINE__);
    Check(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), __LINE__);
    Check(device->SetTransform(D3DTS_VIEW, AsD3D(path.View(spMain))), __LINE__);
    m_Models[wmPond].Render(g_mIdentity, 1.0f, false);
    if (m_nRainDrops != 0)
        m_Ripples.Draw(RIPPLE_SET_POND, 1.0f, m_nRainDrops / 3);

    WaterComposite(target, m_pReflectionLTexture, 0.004f, 8.0f);
    ResetWaterStages(device);
}

void CWorld::DrawRiverWater(CCameraPath& path, IDirect3DSurface9* target)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    Check(device->SetTransform(D3DTS_PROJECTION, AsD3D(path.m_mProjection)), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), __LINE__);
    Check(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), __LINE__);
    Check(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), __LINE__);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    Check(device->SetRenderTarget(0, m_pWaterMaskSurface), __LINE__);
    Check(device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), __LINE__);
    Check(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), __LINE__);
    Check(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), __LINE__);
    Check(device->SetTransform(D3DTS_VIEW, AsD3D(path.View(spMain))), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), __LINE__);
    Check(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), __LINE__);
    Check(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), __LINE__);
    Check(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE), __LINE__);

    Check(device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER), __LINE__);
    Check(device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0), __LINE__);
    m_Models[wmRiver].Render(g_mIdentity, 0.5f, false);
    Check(device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP), __LINE__);
    if (m_nRainDrops != 0)
        m_Ripples.Draw(RIPPLE_SET_RIVER, 1.0f, m_nRainDrops / 3);

    WaterComposite(target, m_pReflectionRTexture, 0.005f, 5.0f);
    Check(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), __LINE__);
    ResetWaterStages(device);
}
