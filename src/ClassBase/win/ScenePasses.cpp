// Windows layer: the world's frame, its views and the object order of each
// scene pass.
#include "src/ClassBase/win/World.h"

#include "settings/SceneOptions.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/Overlay.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

void SetAlphaBlend(IDirect3DDevice9* device)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

// A render-target switch whose failure is logged and otherwise ignored.
#define SET_TARGET(device, surface) LOG_IF_FAILED((device)->SetRenderTarget(0, (surface)))

} // namespace

HRESULT CWorld::RenderFrame()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr)
        return E_FAIL;

    m_FrameBuilder.Build(m_Frame, m_Cameras, m_Switch, m_bCameraBlend, m_Rain.Count());
    m_Sound.UpdateWater(m_Frame.vSoundEye);
    // Rain, falling leaves, both sprays, the ducks and the reeds advance in
    // this order, which is the order of their random draws.
    m_Rain.Advance(m_Frame.fFrameTime);
    m_LeafFall.Advance(m_Frame.fFrameTime);
    m_Sprays[0].Advance(m_Frame.fFrameTime, SCENE_FALL_A_DEPTH);
    m_Sprays[1].Advance(m_Frame.fFrameTime, SCENE_FALL_B_DEPTH);
    for (CDuck& duck : m_Ducks)
        duck.Advance();
    m_Reeds.Update();

    device->BeginScene();
    // A slow frame's passes are drawn one at a time (AwaitFramePass): a key
    // that comes meanwhile stops the frame at the next pass, unshown, and
    // ends the saver sooner.
    bool whole;
    if (m_Frame.nViews == 2)
    {
        whole = UpdateAndRenderView(m_Frame.views[0], m_pViewSurface[0]) && AwaitFramePass(g_pSaverApp) &&
                UpdateAndRenderView(m_Frame.views[1], m_pViewSurface[1]);
        if (whole)
            BlendCameraViews();
    }
    else
    {
        whole = UpdateAndRenderView(m_Frame.views[0], m_pBackBuffer);
    }
    if (!whole)
    {
        device->EndScene();
        return S_OK;
    }

    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    SetAlphaBlend(device);
    DrawOverlay(g_pSaverApp, device);
    device->EndScene();
    if (g_IdleThrottle.ShouldSleep())
        Sleep(1);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

bool CWorld::UpdateAndRenderView(const WorldFrameView& view, IDirect3DSurface9* target)
{
    // A blended frame moves the rings once per camera.
    if (m_Frame.nRings != 0)
        m_Ripples.Advance(m_Frame.nRings, m_Frame.fFrameTime, g_vCameraEye);
    // Each camera sees the grass turned to itself.
    m_Grass[wgUpper].Update(view.mInverseView);
    m_Grass[wgLower].Update(view.mInverseView);
    for (CPlantStand& trees : m_Trees)
        trees.Update();
    return RenderView(view, target);
}

// The next camera's picture over the current one's, weighted by the blend.
void CWorld::BlendCameraViews()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    SET_TARGET(device, m_pBackBuffer);
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
    device->SetRenderState(D3DRS_TEXTUREFACTOR, m_Frame.dwBlendFactor);
    device->SetTexture(0, m_pViewTexture[1]);
    DrawScreenQuad();
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
}

namespace {

D3DCOLOR g_dwClearColor = 0;

} // namespace

void WorldSetClearColor(D3DCOLOR color)
{
    g_dwClearColor = color;
}

bool CWorld::RenderView(const WorldFrameView& view, IDirect3DSurface9* target)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    const DWORD clear = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (m_bReflection && WaterReflection != 0)
    {
        SET_TARGET(device, m_pReflectionLSurface);
        device->Clear(0, nullptr, clear, g_dwClearColor, 1.0f, 0);
        DrawScene(view, spPondReflection);
        if (!AwaitFramePass(g_pSaverApp))
            return false;
        SET_TARGET(device, m_pReflectionRSurface);
        device->Clear(0, nullptr, clear, g_dwClearColor, 1.0f, 0);
        DrawScene(view, spRiverReflection);
        if (!AwaitFramePass(g_pSaverApp))
            return false;
        SET_TARGET(device, target);
        device->Clear(0, nullptr, clear, g_dwClearColor, 1.0f, 0);
        if (!DrawScene(view, spMain) || !AwaitFramePass(g_pSaverApp))
            return false;
        DrawPondWater(view, target);
        if (!AwaitFramePass(g_pSaverApp))
            return false;
        DrawRiverWater(view, target);
        return true;
    }
    SET_TARGET(device, target);
    device->Clear(0, nullptr, clear, g_dwClearColor, 1.0f, 0);
    return DrawScene(view, spMain);
}

bool CWorld::DrawScene(const WorldFrameView& view, ScenePass pass)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    device->SetTransform(D3DTS_PROJECTION, AsD3D(view.mProjection));
    device->SetTransform(D3DTS_VIEW, AsD3D(view.mSkyView[pass]));
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    SetAlphaBlend(device);
    m_Models[wmSky].Render(g_mIdentity, 1.0f, true);

    device->SetTransform(D3DTS_VIEW, AsD3D(view.mView[pass]));
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
        m_LeafFall.Draw();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_Grass[wgUpper].Render();
        return true;
    }

    m_Models[wmScene].Render(g_mIdentity, 1.0f, true);
    for (CPlantStand& trees : m_Trees)
        trees.Render();
    m_Reeds.Render();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    // The main pass is most of the frame: it is drawn in parts too, each
    // ending where the states are back at what the next pass expects.
    if (pass == spMain && !AwaitFramePass(g_pSaverApp))
        return false;

    if (pass == spMain)
    {
        RenderDucks(m_Ducks, m_DuckTrajectory, m_Frame.dwNow, 1.0f);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_Models[wmRiverBedUp].Render(g_mIdentity, 1.0f, true);
        m_Models[wmRiverBedDown].Render(g_mIdentity, 1.0f, true);

        // The river's texture slides along v, the way it flows.
        SetTextureStageStateCached(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
        D3DMATRIX flow = g_mIdentity;
        flow._32 = view.fRiverFlow;
        device->SetTransform(D3DTS_TEXTURE0, &flow);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        SetAlphaBlend(device);
        m_Models[wmRiver].Render(g_mIdentity, 1.0f, true);
        SetTextureStageStateCached(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        if (!AwaitFramePass(g_pSaverApp))
            return false;

        for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
        {
            D3DMATRIX world = g_mIdentity;
            world._41 = view.fLeafX[k];
            world._43 = view.fLeafZ[k];
            m_FloatingLeaves[k].Render(world, 1.0f, true);
        }

        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        m_Models[wmShadow].RenderMultiply(g_mIdentity, 1.0f, false);
        m_Models[wmTreeShadow].RenderMultiply(g_mIdentity, 1.0f, false);
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        m_Sprays[0].Draw(SCENE_FALL_A);
        m_Sprays[1].Draw(SCENE_FALL_B);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_LeafFall.Draw();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        DrawRainSplashes(view);
        m_Grass[wgLower].Render();
        m_Grass[wgUpper].Render();
        return true;
    }

    // River reflection.
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    SetAlphaBlend(device);
    RenderDucks(m_Ducks, m_DuckTrajectory, m_Frame.dwNow, 0.4f);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    SetAlphaBlend(device);
    m_Models[wmRiverBedUp].Render(g_mIdentity, 1.0f, true);
    m_Grass[wgLower].Render();
    return true;
}
