// exit_peer: the least a Direct3D 9 program ending on a key can take, as a
// peer for the saver's exit latency. A full-screen popup window with a
// windowed device clears and presents frames as fast as it can; a key or a
// click ends it, after the device and the window are released as any
// program would. It writes exit_peer.ready in its working folder once the
// first frame is presented.
#include <windows.h>

#include <d3d9.h>

#include <cstdio>

namespace {

LRESULT CALLBACK PeerWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return 1;
    default:
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PeerWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QuenmoorExitPeer";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&windowClass);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "QuenmoorExitPeer", "exit peer", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                  height, nullptr, nullptr, instance, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (window == nullptr || d3d == nullptr)
        return 1;
    D3DPRESENT_PARAMETERS present = {};
    present.Windowed = TRUE;
    present.SwapEffect = D3DSWAPEFFECT_DISCARD;
    present.BackBufferFormat = D3DFMT_UNKNOWN;
    present.EnableAutoDepthStencil = TRUE;
    present.AutoDepthStencilFormat = D3DFMT_D16;
    present.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                 &present, &device)))
    {
        d3d->Release();
        return 1;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    bool ready = false;
    MSG msg = {};
    for (unsigned frame = 0; msg.message != WM_QUIT; ++frame)
    {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(40, 60 + frame % 64, 80), 1.0f, 0);
        device->BeginScene();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        if (!ready)
        {
            if (FILE* f = std::fopen("exit_peer.ready", "w"))
                std::fclose(f);
            ready = true;
        }
    }
    device->Release();
    d3d->Release();
    DestroyWindow(window);
    return 0;
}
