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
    m_bFirstPictureLogged = false;
    m_bLoading = false;
    m_bCloseDuringLoad = false;
    m_bPaceFramePasses = false;
    m_bFrameStopped = false;
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
    if (app->m_bLoading)
    {
        // the load is still using the device and the scene below us
        app->m_bCloseDuringLoad = true;
        return;
    }
    app->OnShutdown();
    FrameFenceDrain(app->m_FrameFence, FRAME_DRAIN_MS);
    ReleaseOverlayTextures(app);
    app->ReleaseScene();
    FrameFenceClose(app->m_FrameFence);
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

bool PumpLoadMessages()
{
    CSaverCore* app = g_pSaverApp;
    if (app == nullptr || !app->m_bLoading)
        return true;
    const uint32_t now = ClockReadMs();
    const uint32_t gap = now - app->m_nLoadPumpMs;
    ++app->m_nLoadPumps;
    if (gap > app->m_nLongestLoadGapMs)
    {
        app->m_nLongestLoadGapMs = gap;
        app->m_nLongestLoadGapPump = app->m_nLoadPumps;
    }
    app->m_nLoadPumpMs = now;

    MSG msg = {};
    while (!app->m_bCloseDuringLoad && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            // left for the main loop, which ends on it once the load stopped
            PostQuitMessage(static_cast<int>(msg.wParam));
            app->m_bCloseDuringLoad = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return !app->m_bCloseDuringLoad;
}

// A key, a click or a posted message (a close among them) that the loop
// must see. Only the queue's state is read: nothing is dispatched, so nothing
// can close the saver in the middle of a frame. Mouse moves end the saver
// only past a jump, which their handler tells, so they wait for the frame.
static const UINT kFrameStopInput = QS_KEY | QS_MOUSEBUTTON | QS_POSTMESSAGE;

static bool FrameStopInputWaiting(const CSaverCore* app)
{
    return app->m_Mode == rmFullScreen && HIWORD(GetQueueStatus(kFrameStopInput)) != 0;
}

bool AwaitFramePass(CSaverCore* app)
{
    if (app == nullptr || !app->m_bPaceFramePasses)
        return true;
    FrameFenceMark(app->m_FrameFence);
    while (FrameFenceBusy(app->m_FrameFence) && !FrameStopInputWaiting(app))
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, kFrameStopInput);
    app->m_bFrameStopped = FrameStopInputWaiting(app);
    return !app->m_bFrameStopped;
}

// Overlay and scene on a device whose states are set and whose loading
// picture shows, with the message loop let in between the steps; false when
// an exit came meanwhile (the caller closes the saver).
static bool LoadSceneBehindLoadingPicture(CSaverCore* app, IDirect3DDevice9* device)
{
    app->m_bLoading = true;
    app->m_bCloseDuringLoad = false;
    app->m_nLoadPumpMs = ClockReadMs();
    app->m_nLongestLoadGapMs = 0;
    app->m_nLoadPumps = 0;
    app->m_nLongestLoadGapPump = 0;
    if (PumpLoadMessages())
        LoadOverlayTextures(app, device);
    if (PumpLoadMessages())
        app->InitScene(device);
    if (PumpLoadMessages())
        app->OnSceneReady(device);
    PumpLoadMessages();
    app->m_bLoading = false;
    // the pump's number tells which step the wait ended after
    LogWrite(g_szLogFile, "%s\t%u ms\tpump %d of %d\n", "longest wait for input during the load",
             static_cast<unsigned>(app->m_nLongestLoadGapMs), app->m_nLongestLoadGapPump, app->m_nLoadPumps);
    if (app->m_bCloseDuringLoad)
    {
        LogWrite(g_szLogFile, "%s\n", "exit during the load");
        return false;
    }
    app->m_fLastFrameTime = static_cast<float>(ClockReadMs());
    return true;
}

bool RestoreDevice(CSaverCore* app)
{
    IDirect3DDevice9* device = app->m_pDevice;
    LogWrite(g_szLogFile, "%s\n", "device reset");
    // Reset fails while anything of the default pool is alive
    ReleaseOverlayTextures(app);
    app->ReleaseScene();
    FrameFenceClose(app->m_FrameFence);
    const HRESULT hr = device->Reset(&g_d3dpp);
    if (hr == D3DERR_DEVICELOST)
        return true; // lost again before the reset: the next pass tries again
    if (FAILED(hr))
    {
        LogWrite(g_szLogFile, "%s\t0x%08x\n", "device reset failed, saver ends", static_cast<unsigned>(hr));
        CloseSaver(app);
        return false;
    }
    // a reset device is back at the default states
    ClearTextureStageCache();
    FrameFenceOpen(app->m_FrameFence, device);
    app->EE_Core_InitD3Device(device);
    app->EE_Core_DrawLoading(device);
    if (!LoadSceneBehindLoadingPicture(app, device))
    {
        CloseSaver(app);
        return false;
    }
    return true;
}

void FrameTick(CSaverCore* app)
{
    if (FrameFenceBusy(app->m_FrameFence))
    {
        // input is handled at once instead of after another queued frame
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        return;
    }
    const float elapsedMs = static_cast<float>(ClockReadMs()) - app->m_fLastFrameTime;
    app->m_fLastFrameTime = static_cast<float>(ClockReadMs());
    app->m_bPaceFramePasses = PacesFramePasses(elapsedMs);

    IDirect3DDevice9* device = app->m_pDevice;
    if (device)
    {
        const HRESULT level = device->TestCooperativeLevel();
        if (level == D3DERR_DEVICENOTRESET)
        {
            RestoreDevice(app);
        }
        else if (level == D3DERR_DRIVERINTERNALERROR)
        {
            LogWrite(g_szLogFile, "%s\n", "driver internal error, saver ends");
            CloseSaver(app);
        }
        else if (SUCCEEDED(level))
        {
            app->m_bFrameStopped = false;
            app->UpdateFrame(device, elapsedMs);
            app->DrawFrame(device);
            FrameFenceMark(app->m_FrameFence);
            // A stopped frame was never shown: the screen keeps the last
            // whole one, and the back buffer, part of this one, must not
            // be presented behind a password dialog.
            app->m_nFrameParity = app->m_bFrameStopped ? 1 : 1 - app->m_nFrameParity;
        }
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
    FrameFenceOpen(app->m_FrameFence, app->m_pDevice);
    return LoadSceneBehindLoadingPicture(app, app->m_pDevice);
}

int RunSaver(CSaverCore* app)
{
    if (app->m_Mode != rmPreview)
    {
        if (!StartDeviceAndScene(app))
            CloseSaver(app);
        else
            SetTimer(app->m_hWnd, TIMER_FPS_LATCH, FPS_LATCH_MS, nullptr);
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
