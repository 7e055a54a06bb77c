// Test harness: the real application and world on a real device, clock
// driven from here, frames read back with GetRenderTargetData.
#include "tests/render/SceneHarness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "src/ClassRender/Clock.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/LocalTime.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/Direct3DLoader.h"
#include "src/ClassRender/win/Overlay.h"
#include "src/ClassRender/win/RenderTypes.h"

namespace shots {

namespace {

uint32_t g_harnessMs = 0;

uint32_t HarnessClock()
{
    return g_harnessMs;
}

LocalClockTime g_harnessTime = {12, 0, 0};

bool HarnessLocalTime(LocalClockTime* out)
{
    *out = g_harnessTime;
    return true;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

double ElapsedMs(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void WithoutBumpMapping(D3DCAPS9& caps)
{
    caps.TextureOpCaps &= ~static_cast<DWORD>(D3DTEXOPCAPS_BUMPENVMAP);
}

double MeanDifference(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty())
        return -1.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        sum += std::abs(static_cast<int>(a.rgb[i]) - static_cast<int>(b.rgb[i]));
    return sum / static_cast<double>(a.rgb.size());
}

double GreyDeviation(const Picture& picture)
{
    const size_t n = static_cast<size_t>(picture.width) * picture.height;
    if (n == 0)
        return 0.0;
    double sum = 0.0, squares = 0.0;
    for (size_t i = 0; i < n; ++i)
    {
        const uint8_t* p = &picture.rgb[i * 3];
        const double grey = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        sum += grey;
        squares += grey * grey;
    }
    const double mean = sum / static_cast<double>(n);
    return std::sqrt(std::max(0.0, squares / static_cast<double>(n) - mean * mean));
}

CSceneHarness::CSceneHarness()
{
    ClockSetSource(HarnessClock);
    LocalTimeSetSource(HarnessLocalTime);
}

CSceneHarness::~CSceneHarness()
{
    ReleaseOverlayTextures(&m_app);
    m_app.ReleaseScene();
    if (m_ownDevice != nullptr)
        m_ownDevice->Release();
    g_pd3dDevice = nullptr;
    m_app.m_pDevice = nullptr;
    if (m_app.m_pD3D != nullptr)
        m_app.m_pD3D->Release();
    m_app.m_pD3D = nullptr;
    if (m_window != nullptr)
        DestroyWindow(m_window);
    ClockSetSource(nullptr);
    LocalTimeSetSource(nullptr);
}

bool CSceneHarness::Open(int width, int height, bool fullScreen, std::string& error)
{
    m_app.Reset();
    m_app.Init();
    m_app.m_pD3D = CreateDirect3D9();
    if (m_app.m_pD3D == nullptr)
    {
        error = "no Direct3D 9";
        return false;
    }

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "QuenmoorSceneHarness";
    RegisterClassA(&wc);
    m_window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Quenmoor scene harness", WS_POPUP | WS_VISIBLE, 0, 0,
                               width, height, nullptr, nullptr, wc.hInstance, nullptr);
    if (m_window == nullptr)
    {
        error = "no window";
        return false;
    }
    m_app.m_hWnd = m_window;
    PumpMessages();

    D3DDISPLAYMODE desktop = {};
    m_app.m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);
    // What the framework asks for, except that the back buffer survives
    // Present (copy swap) so that a finished frame can be read back.
    ZeroMemory(&g_d3dpp, sizeof(g_d3dpp));
    g_d3dpp.BackBufferWidth = fullScreen ? desktop.Width : static_cast<UINT>(width);
    g_d3dpp.BackBufferHeight = fullScreen ? desktop.Height : static_cast<UINT>(height);
    g_d3dpp.BackBufferFormat = fullScreen ? desktop.Format : D3DFMT_X8R8G8B8;
    g_d3dpp.BackBufferCount = 1;
    g_d3dpp.SwapEffect = D3DSWAPEFFECT_COPY;
    g_d3dpp.hDeviceWindow = m_window;
    g_d3dpp.Windowed = fullScreen ? FALSE : TRUE;
    g_d3dpp.EnableAutoDepthStencil = TRUE;
    g_d3dpp.AutoDepthStencilFormat = D3DFMT_D24S8;
    g_d3dpp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    HRESULT hr = m_app.m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                                            D3DCREATE_HARDWARE_VERTEXPROCESSING, &g_d3dpp, &m_ownDevice);
    if (FAILED(hr))
        hr = m_app.m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &g_d3dpp, &m_ownDevice);
    if (FAILED(hr) || m_ownDevice == nullptr)
    {
        char text[64];
        std::snprintf(text, sizeof(text), "no device (0x%08lx)", static_cast<unsigned long>(hr));
        error = text;
        m_ownDevice = nullptr;
        return false;
    }
    UseDevice(m_ownDevice);
    return true;
}

void CSceneHarness::UseDevice(IDirect3DDevice9* device)
{
    m_device = device;
    g_pd3dDevice = device;
    m_app.m_pDevice = device;
    m_app.EE_Core_InitD3Device(device);
    m_app.OnDeviceCreated();
}

double CSceneHarness::LoadScene()
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    m_app.InitScene(m_device);
    const double ms = ElapsedMs(start);
    m_app.OnSceneReady(m_device);
    PumpMessages();
    return ms;
}

HRESULT CSceneHarness::DrawLoadingScreen()
{
    const HRESULT hr = m_app.EE_Core_DrawLoading(m_device);
    PumpMessages();
    return hr;
}

bool CSceneHarness::LoadOverlay()
{
    LoadOverlayTextures(&m_app, m_device);
    return m_app.m_pOverlayQuad != nullptr;
}

void CSceneHarness::SetLocalTime(int hour, int minute, int second)
{
    g_harnessTime = {hour, minute, second};
}

void CSceneHarness::StartPath(int index)
{
    g_harnessMs = HARNESS_START_MS;
    CCameraSwitch& cameras = World().m_Switch;
    cameras.m_nCamera = index;
    // As after a finished switch: a next path other than this one would be
    // updated too and, started earlier, would set the eye (and the rings'
    // centre) from its own point.
    cameras.m_nNextCamera = index;
    cameras.m_bBlending = false;
    cameras.m_fBlend = 0.0f;
    World().m_Cameras[index].Start();
}

void CSceneHarness::RenderPathFrame(int frame)
{
    RunFrameAt(PathFrameMs(frame));
}

void CSceneHarness::RenderPathFrameLater(int frame, uint32_t laterMs)
{
    World().m_Cameras[World().m_Switch.m_nCamera].m_dwStartTime = HARNESS_START_MS + laterMs;
    RunFrameAt(PathFrameMs(frame) + laterMs);
}

void CSceneHarness::RunFrameAt(uint32_t ms)
{
    g_harnessMs = ms;
    FrameTick(&m_app);
    // The message loop's pass count paces the plants' skinning (counter B);
    // counter C stays even: the harness draws and measures, it never idles.
    g_IdleThrottle.Advance();
    g_IdleThrottle.c = 0;
    PumpMessages();
}

void CSceneHarness::RenderHalfwayBlend(int index)
{
    // The switch reads the frame index the previous frame reached: the blend
    // starts on the frame after 440, and weight 0.5 is drawn after frame 470.
    StartPath(index);
    for (int frame : {440, 441, 470, 471})
        RenderPathFrame(frame);
}

bool CSceneHarness::CaptureSurface(IDirect3DSurface9* surface, Picture& out)
{
    if (surface == nullptr)
        return false;
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    if (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8)
        return false;
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                     nullptr)))
        return false;
    bool ok = SUCCEEDED(m_device->GetRenderTargetData(surface, copy));
    D3DLOCKED_RECT locked;
    if (ok && SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    {
        out.width = static_cast<int>(desc.Width);
        out.height = static_cast<int>(desc.Height);
        out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
        out.alpha.resize(static_cast<size_t>(out.width) * out.height);
        for (int y = 0; y < out.height; ++y)
        {
            const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
            for (int x = 0; x < out.width; ++x)
            {
                const size_t i = static_cast<size_t>(y) * out.width + x;
                out.rgb[i * 3 + 0] = row[x * 4 + 2];
                out.rgb[i * 3 + 1] = row[x * 4 + 1];
                out.rgb[i * 3 + 2] = row[x * 4 + 0];
                out.alpha[i] = desc.Format == D3DFMT_A8R8G8B8 ? row[x * 4 + 3] : 255;
            }
        }
        copy->UnlockRect();
    }
    else
    {
        ok = false;
    }
    copy->Release();
    return ok;
}

bool CSceneHarness::CaptureBackBuffer(Picture& out)
{
    IDirect3DSurface9* back = nullptr;
    if (FAILED(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)))
        return false;
    const bool ok = CaptureSurface(back, out);
    back->Release();
    return ok;
}

bool CSceneHarness::CaptureWaterMasks(Picture& out)
{
    CWorld& world = World();
    if (!world.m_bReflection || !world.m_bCameraBlend)
        return false;
    // the current camera of the frame drawn last
    const WorldFrameView& view = world.m_Frame.views[0];
    // The view is drawn again into a spare target for its depth (Present may
    // drop the frame's), then each water pass leaves its mask behind.
    IDirect3DSurface9* spare = world.m_pViewSurface[0];
    Picture pond, river;
    m_device->BeginScene();
    m_device->SetRenderTarget(0, spare);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    world.DrawScene(view, spMain);
    world.DrawPondWater(view, spare);
    m_device->EndScene();
    bool ok = CaptureSurface(world.m_pWaterMaskSurface, pond);
    m_device->BeginScene();
    world.DrawRiverWater(view, spare);
    m_device->EndScene();
    ok = ok && CaptureSurface(world.m_pWaterMaskSurface, river);
    m_device->SetRenderTarget(0, world.m_pBackBuffer);
    if (!ok)
        return false;
    out = pond;
    for (size_t i = 0; i < out.alpha.size(); ++i)
        out.alpha[i] = std::max(pond.alpha[i], river.alpha[i]);
    return true;
}

} // namespace shots
