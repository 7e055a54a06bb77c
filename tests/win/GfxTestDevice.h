// Test helper: a real Direct3D 9 device on a hidden window (Wine under
// Xvfb in our runs), and Wine's builtin extension library loaded by name
// as a peer. Both are loaded at run time; nothing links d3d9 or d3dx9.
#pragma once
#include <windows.h>
#include <d3d9.h>

namespace gfxtest {

class TestDevice
{
public:
    TestDevice()
    {
        m_d3d9 = LoadLibraryA("d3d9.dll");
        using CreateFn = IDirect3D9*(WINAPI*)(UINT);
        auto create = m_d3d9 ? reinterpret_cast<CreateFn>(GetProcAddress(m_d3d9, "Direct3DCreate9")) : nullptr;
        m_d3d = create ? create(D3D_SDK_VERSION) : nullptr;
        if (!m_d3d)
            return;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GfxTestDeviceWindow";
        RegisterClassA(&wc);
        m_window = CreateWindowA("GfxTestDeviceWindow", "gfx test", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.hDeviceWindow = m_window;
        if (FAILED(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &pp, &m_device)))
            m_device = nullptr;
    }
    ~TestDevice()
    {
        if (m_device)
            m_device->Release();
        if (m_d3d)
            m_d3d->Release();
        if (m_window)
            DestroyWindow(m_window);
        if (m_d3d9)
            FreeLibrary(m_d3d9);
    }
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice9* Get() const { return m_device; }

    // References held on the device; a leaked texture keeps one.
    ULONG References() const
    {
        m_device->AddRef();
        return m_device->Release();
    }

private:
    HMODULE m_d3d9 = nullptr;
    IDirect3D9* m_d3d = nullptr;
    HWND m_window = nullptr;
    IDirect3DDevice9* m_device = nullptr;
};

// Reads level 0..n of a lockable texture as rows of rowBytes bytes.
inline bool ReadLevel(IDirect3DTexture9* texture, UINT level, UINT rowBytes, UINT rows, std::vector<uint8_t>& out)
{
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
        return false;
    out.resize(static_cast<size_t>(rowBytes) * rows);
    for (UINT r = 0; r < rows; ++r)
        std::memcpy(out.data() + static_cast<size_t>(r) * rowBytes,
                    static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(r) * locked.Pitch, rowBytes);
    texture->UnlockRect(level);
    return true;
}

} // namespace gfxtest
