// Windows layer: the application framework and its message and frame loop.
#include "src/ClassRender/win/SaverCore.h"

#include <cstring>

#include "settings/SceneOptions.h"
#include "settings/win/SettingsTexts.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/GfxMath.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/Overlay.h"
#include "src/ClassRender/win/RenderTypes.h"

CSaverCore* g_pSaverApp = nullptr;

CSaverCore::CSaverCore()
{
    // the labels come first, then the default text and what it fills
    LoadLabelTable(m_Labels);
    LoadDefaultSettingsText(m_DefaultText);
    ReadSceneOptionDefaults(m_DefaultText);
    FillSettingsDefaults(m_DefaultText, m_DefaultSettings);
    m_Settings = m_DefaultSettings;
    g_pSaverApp = this;
}

CSaverCore::~CSaverCore()
{
    if (g_pSaverApp == this)
        g_pSaverApp = nullptr;
}

void CSaverCore::Reset()
{
    OnReset();
    m_Settings = m_DefaultSettings;
    m_pD3D = nullptr;
    m_pDevice = nullptr;
    m_hPreviewBitmap = nullptr;
    std::memset(m_pOverlayTextures, 0, sizeof(m_pOverlayTextures));
    m_pOverlayQuad = nullptr;
    m_nMouseGrace = MOUSE_GRACE_MOVES;
    m_OverlayColor[0] = m_OverlayColor[1] = m_OverlayColor[2] = 255;
    m_nFrameParity = 1;
    g_pSaverApp = this;
}

void CSaverCore::Init()
{
    std::strcpy(m_szClassName, "Screensaver");
}

LRESULT CSaverCore::WindowMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

HRESULT CSaverCore::UpdateFrame(IDirect3DDevice9* device, float)
{
    gfx::Mat4 view;
    if (gfx::MatrixLookAtLH(view, {0, 0, 0}, {0, 0, -1}, {0, 1, 0}))
        device->SetTransform(D3DTS_VIEW, reinterpret_cast<const D3DMATRIX*>(&view));
    return S_OK;
}

HRESULT CSaverCore::DrawFrame(IDirect3DDevice9* device)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    DrawOverlay(this, device);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

void CloseSaver(CSaverCore* app)
{
    app->OnShutdown();
    ReleaseOverlayTextures(app);
    app->ReleaseScene();
    if (app->m_pDevice)
    {
        app->m_pDevice->Release();
        app->m_pDevice = nullptr;
    }
    g_pd3dDevice = nullptr;
    if (app->m_pD3D)
    {
        app->m_pD3D->Release();
        app->m_pD3D = nullptr;
    }
    if (app->m_hWnd)
        KillTimer(app->m_hWnd, TIMER_FPS_LATCH);
    if (app->m_hPasswordDll)
    {
        FreeLibrary(app->m_hPasswordDll);
        app->m_hPasswordDll = nullptr;
        app->m_pfnPasswordCheck = nullptr;
    }
    PostQuitMessage(0);
}

void FrameTick(CSaverCore* app)
{
    const float elapsedMs = static_cast<float>(ClockReadMs()) - app->m_fLastFrameTime;
    app->m_fLastFrameTime = static_cast<float>(ClockReadMs());

    IDirect3DDevice9* device = app->m_pDevice;
    if (device && SUCCEEDED(device->TestCooperativeLevel()))
    {
        app->UpdateFrame(device, elapsedMs);
        app->DrawFrame(device);
        app->m_nFrameParity = 1 - app->m_nFrameParity;
    }
    ++app->m_nFrameCounter;
}

// Device, scene and the first frame time; false when there is no device to
// draw on, in which case the saver is closed.
static bool StartDeviceAndScene(CSaverCore* app)
{
    if (FAILED(EE_Core_CreateD3Device(app)) || app->m_pDevice == nullptr)
    {
        LogWrite(g_szLogFile, "%s\n", "no device, saver ends");
        return false;
    }
    app->OnDeviceCreated();
    IDirect3DDevice9* device = app->m_pDevice;
    LoadOverlayTextures(app, device);
    app->InitScene(device);
    app->OnSceneReady(device);
    app->m_fLastFrameTime = static_cast<float>(ClockReadMs());
    return true;
}

int RunSaver(CSaverCore* app)
{
    if (app->m_Mode != rmPreview && !StartDeviceAndScene(app))
    {
        CloseSaver(app);
    }
    else
    {
        SetTimer(app->m_hWnd, TIMER_FPS_LATCH, FPS_LATCH_MS, nullptr);
    }

    MSG msg = {};
    while (msg.message != WM_QUIT)
    {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        else if (app->m_Mode != rmPreview)
        {
            FrameTick(app);
        }
        else
        {
            // the preview only paints a bitmap: wait instead of spinning
            WaitMessage();
        }
        if (g_IdleThrottle.Advance())
            Sleep(1);
    }
    return 0;
}
