// Windows layer: creation of the one Direct3D 9 device and its fixed states.
#include "src/ClassRender/win/DeviceCreate.h"

#include <cmath>

#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

D3DPRESENT_PARAMETERS g_d3dpp;

// The back buffer follows the desktop or the current video mode; the desktop
// mode when no video mode could be made current.
static void FillPresentParameters(CSaverCore* app, const D3DDISPLAYMODE& adapterMode)
{
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const BackBufferChoice choice = ChooseBackBuffer(
        app->m_Settings.UseDesktopSettings != 0, static_cast<uint32_t>(desktop.right),
        static_cast<uint32_t>(desktop.bottom), static_cast<int32_t>(adapterMode.Format), app->m_VideoModes);

    ZeroMemory(&g_d3dpp, sizeof(g_d3dpp));
    g_d3dpp.BackBufferWidth = choice.Width;
    g_d3dpp.BackBufferHeight = choice.Height;
    g_d3dpp.BackBufferFormat = static_cast<D3DFORMAT>(choice.Format);
    g_d3dpp.BackBufferCount = 1;
    g_d3dpp.MultiSampleType = D3DMULTISAMPLE_NONE;
    g_d3dpp.MultiSampleQuality = 0;
    g_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    g_d3dpp.hDeviceWindow = app->m_hWnd;
    g_d3dpp.Windowed = FALSE;
    g_d3dpp.EnableAutoDepthStencil = TRUE;
    g_d3dpp.AutoDepthStencilFormat = static_cast<D3DFORMAT>(choice.DepthFormat);
    g_d3dpp.Flags = 0;
    g_d3dpp.FullScreen_RefreshRateInHz = 0;
    g_d3dpp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
}

HRESULT EE_Core_CreateD3Device(CSaverCore* app)
{
    LogWrite(g_szLogFile, "%s\n", "EE_Core_CreateD3Device");
    if (app->m_pD3D == nullptr)
        return E_FAIL;

    D3DDISPLAYMODE mode = {};
    if (FAILED(app->m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
    {
        LogWrite(g_szLogFile, "%s\n", "GetAdapterDisplayMode failed");
        return E_FAIL;
    }
    FillPresentParameters(app, mode);

    struct Attempt
    {
        D3DDEVTYPE type;
        DWORD vertexProcessing;
        const char* logLine;
    };
    static const Attempt kAttempts[] = {
        {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, "hal hardware"},
        {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "hal software"},
        {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "ref software"},
    };

    IDirect3DDevice9* device = nullptr;
    HRESULT hr = E_FAIL;
    for (const Attempt& attempt : kAttempts)
    {
        hr = app->m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, attempt.type, app->m_hWnd, attempt.vertexProcessing,
                                       &g_d3dpp, &device);
        if (SUCCEEDED(hr) && device)
        {
            LogWrite(g_szLogFile, "%s\n", attempt.logLine);
            break;
        }
        device = nullptr;
    }
    if (device == nullptr)
    {
        LogWrite(g_szLogFile, "%s\n", "error create 3d device (unknown error code)");
        LogWrite(g_szLogFile, "0x%08x\n", static_cast<unsigned>(hr));
        return E_FAIL;
    }

    g_pd3dDevice = device;
    app->m_pDevice = device;
    app->EE_Core_InitD3Device(device);
    app->m_bFirstPictureLogged = false; // the log times the new device's first picture
    app->EE_Core_DrawLoading(device);
    return S_OK;
}

void SetDefaultSamplersMaterialAndTransforms(IDirect3DDevice9* device)
{
    for (DWORD sampler = 0; sampler < 4; ++sampler)
    {
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MAXANISOTROPY, 1);
    }

    D3DMATERIAL9 material = {};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    material.Specular = {1, 1, 1, 1};
    material.Emissive = {0, 0, 0, 0};
    material.Power = 50.0f;
    device->SetMaterial(&material);

    D3DMATRIX identity = {};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    device->SetTransform(D3DTS_WORLD, &identity);

    D3DMATRIX projection = identity;
    projection._11 = projection._22 = static_cast<float>(1.0 / std::tan(13.5));
    projection._33 = 1.0f;
    projection._34 = 1.0f;
    projection._43 = 0.0f;
    projection._44 = 1.0f;
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

HRESULT CSaverCore::EE_Core_InitD3Device(IDirect3DDevice9* device)
{
    LogWrite(g_szLogFile, "%s\n", "EE_Core_InitD3Device");
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHAREF, 2);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    SetDefaultSamplersMaterialAndTransforms(device);
    LogWrite(g_szLogFile, "%s\n", "EE_Core_InitD3Device - ok");
    return S_OK;
}
