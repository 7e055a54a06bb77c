// Windows layer: the scene application.
#include "src/ClassBase/win/Ostrel.h"

#include <cstring>

#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/RenderTypes.h"

void COstrel::Init()
{
    LogWrite(g_szLogFile, "%s\n", "COstrel::Init()");
    std::strcpy(m_szClassName, "Screensaver");
    m_OverlayColor[0] = 0;
    m_OverlayColor[1] = 255;
    m_OverlayColor[2] = 0;
    ClearTextureStageCache();
}

HRESULT COstrel::EE_Core_InitD3Device(IDirect3DDevice9* device)
{
    LogWrite(g_szLogFile, "%s\n", "COstrel::EE_Core_InitD3Device()");
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHAREF, 2);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    SetDefaultSamplersMaterialAndTransforms(device);
    return S_OK;
}

HRESULT COstrel::InitScene(IDirect3DDevice9*)
{
    // the generator is never seeded: the start time picks where it stands
    CrtRandDiscard(ClockReadMs() % 100);
    return m_World.RenderInit(m_Settings);
}

HRESULT COstrel::UpdateFrame(IDirect3DDevice9*, float)
{
    return S_OK; // the world keeps its own clock
}

HRESULT COstrel::DrawFrame(IDirect3DDevice9*)
{
    return m_World.RenderFrame();
}

HRESULT COstrel::ReleaseScene()
{
    m_World.ReleaseWorld();
    return S_OK;
}
