// Windows layer: the world's frame, its views and the object order of each
// scene pass.
#include "src/ClassBase/win/World.h"

#include <cmath>
#include "settings/SceneOptions.h"
#include "src/ClassBase/WorldRules.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/Log.h"

namespace {

uint32_t g_dwPreviousFrameMs = 0;

// Phase and amplitude of the drift of each floating leaf, across and along.
struct LeafDrift
{
    float a, A, b, B;
};
const LeafDrift kLeafDrift[WORLD_FLOATING_LEAVES] = {
    {41, 1.3f, 35, 1.3f}, {11, 1.2f, 61, 0.8f}, {17, 1.1f, 73, 1.0f}, {23, 1.0f, 95, 1.1f},
    {79, 1.1f, 57, 1.0f}, {92, 1.4f, 53, 1.1f}, {47, 1.5f, 72, 1.2f},
};

void SetAlphaBlend(IDirect3DDevice9* device)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

// A render-target switch whose failure is logged and otherwise ignored.
void SetTarget(IDirect3DDevice9* device, IDirect3DSurface9* surface, int line)
{
    const HRESULT hr = device->SetRenderTarget(0, surface);
    if (FAILED(hr))
        LogFailure(static_cast<int>(hr), __FILE__, line);
}

} // namespace

HRESULT CWorld::RenderFrame(CSaverCore*)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr)
        return E_FAIL;

    const uint32_t now = ClockReadMs();
    g_fFrameTime = WorldFrameTime(now, g_dwPreviousFrameMs);
    g_dwPreviousFrameMs = now;

    m_Switch.Update(m_Cameras);
    m_Switch.UpdatePaths(m_Cameras);
    // Water sounds, rain, falling leaves, sprays, ducks and reeds advance
    // here once they exist.

    const int rings = m_nRainDrops / 3;
    CCameraPath& current = m_Cameras[m_Switch.m_nCamera];
    if (m_bCameraBlend && m_Switch.m_bBlending)
    {
        CCameraPath& next = m_Cameras[m_Switch.m_nNextCamera];
        device->BeginScene();
        if (rings != 0)
            m_Ripples.Advance(rings, g_fFrameTime, g_vCameraEye);
        RenderView(current, m_pViewSurface[0]);
        if (rings != 0)
            m_Ripples.Advance(rings, g_fFrameTime, g_vCameraEye);
        RenderView(next, m_pViewSurface[1]);

        SetTarget(device, m_pBackBuffer, __LINE__);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTexture(0, m_pViewTexture[0]);
        DrawScreenQuad();

        SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
        SetAlphaBlend(device);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, WorldBlendFactor(m_Switch.m_fBlend));
        device->SetTexture(0, m_pViewTexture[1]);
        DrawScreenQuad();
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    }
    else
    {
        if (rings != 0)
            m_Ripples.Advance(rings, g_fFrameTime, g_vCameraEye);
        device->BeginScene();
        RenderView(current, m_pBackBuffer);
    }

    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    SetAlphaBlend(device);
    // The clock and frame-rate overlay draws here once it exists.
    device->EndScene();
    if (g_IdleThrottle.ShouldSleep())
        Sleep(1);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

void CWorld::RenderView(CCameraPath& path, IDirect3DSurface9* target)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    const DWORD clear = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (m_bReflection && WaterReflection != 0)
    {
        SetTarget(device, m_pReflectionLSurface, __LINE__);
        device->Clear(0, nullptr, clear, 0, 1.0f, 0);
        DrawScene(path, spPondReflection);
        SetTarget(device, m_pReflectionRSurface, __LINE__);
        device->Clear(0, nullptr, clear, 0, 1.0f, 0);
        DrawScene(path, spRiverReflection);
        SetTarget(device, target, __LINE__);
        device->Clear(0, nullptr, clear, 0, 1.0f, 0);
        DrawScene(path, spMain);
        DrawPondWater(path, target);
        DrawRiverWater(path, target);
    }
    else
    {
        SetTarget(device, target, __LINE__);
        device->Clear(0, nullptr, clear, 0, 1.0f, 0);
        DrawScene(path, spMain);
    }
}

void CWorld::DrawScene(CCameraPath& path, ScenePass pass)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    device->SetTransform(D3DTS_PROJECTION, AsD3D(path.m_mProjection));
    device->SetTransform(D3DTS_VIEW, AsD3D(path.SkyView(pass)));
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    SetAlphaBlend(device);
    m_Models[wmSky].Render(g_mIdentity, 1.0f, true);

    device->SetTransform(D3DTS_VIEW, AsD3D(path.View(pass)));
    if (pass == spMain)
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    SetAlphaBlend(device);

    if (pass == spPondReflection)
    {
        m_Models[wmSceneReflPond].Render(g_mIdentity, 1.0f, true);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        // Falling leaves draw here once they exist.
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        // So does the upper grass.
        return;
    }

    m_Models[wmScene].Render(g_mIdentity, 1.0f, true);
    // Trees and reeds draw here once they exist.
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    if (pass == spMain)
    {
        // Ducks draw here once they exist.
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_Models[wmRiverBedUp].Render(g_mIdentity, 1.0f, true);
        m_Models[wmRiverBedDown].Render(g_mIdentity, 1.0f, true);

        // The river slides 0.05 texture units a second along v.
        SetTextureStageStateCached(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
        D3DMATRIX flow = g_mIdentity;
        flow._32 = static_cast<float>(ClockReadMs()) * 0.00005f;
        device->SetTransform(D3DTS_TEXTURE0, &flow);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        SetAlphaBlend(device);
        m_Models[wmRiver].Render(g_mIdentity, 1.0f, true);
        SetTextureStageStateCached(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);

        const float t1 = static_cast<float>(ClockReadMs()) * 0.001f;
        const float t2 = static_cast<float>(ClockReadMs()) * 0.0013f;
        for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
        {
            D3DMATRIX world = g_mIdentity;
            world._41 = std::sin(t1 + kLeafDrift[k].a) * kLeafDrift[k].A;
            world._43 = std::cos(t2 + kLeafDrift[k].b) * kLeafDrift[k].B;
            m_FloatingLeaves[k].Render(world, 1.0f, true);
        }

        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        m_Models[wmShadow].RenderMultiply(g_mIdentity, 1.0f, false);
        m_Models[wmTreeShadow].RenderMultiply(g_mIdentity, 1.0f, false);
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        // Sprays draw here once they exist.
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        // Falling leaves draw here once they exist.
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        // Then the rain splashes and the lower and upper grass.
        return;
    }

    // River reflection.
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    SetAlphaBlend(device);
    // Ducks (faded to 0.4) draw here once they exist.
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    SetAlphaBlend(device);
    m_Models[wmRiverBedUp].Render(g_mIdentity, 1.0f, true);
    // Then the lower grass.
}
