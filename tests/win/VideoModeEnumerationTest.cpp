// Display mode enumeration over every adapter, and the back buffer the device
// asks for, against a small stand-in for the Direct3D object.
#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <vector>

#include "settings/win/VideoModeEnumeration.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

// Adapters with fixed mode tables; device creation is refused after the
// presentation parameters were recorded.
class ModeTableDirect3D : public IDirect3D9
{
public:
    std::vector<std::vector<D3DDISPLAYMODE>> adapters;
    D3DDISPLAYMODE desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    D3DPRESENT_PARAMETERS lastParameters = {};
    int createAttempts = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) override { return E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override
    {
        UINT count = 0;
        for (const D3DDISPLAYMODE& mode : adapters.at(adapter))
            count += mode.Format == format;
        return count;
    }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* out) override
    {
        for (const D3DDISPLAYMODE& mode : adapters.at(adapter))
        {
            if (mode.Format == format && index-- == 0)
            {
                *out = mode;
                return D3D_OK;
            }
        }
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* out) override
    {
        *out = desktop;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) override
    {
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE,
                                                         DWORD*) override
    {
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override
    {
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) override
    {
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9*) override { return E_NOTIMPL; }
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS* parameters,
                                           IDirect3DDevice9** device) override
    {
        ++createAttempts;
        lastParameters = *parameters;
        *device = nullptr;
        return D3DERR_NOTAVAILABLE;
    }
};

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT hz, D3DFORMAT format)
{
    return {width, height, hz, format};
}

TEST(VideoModeEnumeration, EveryAdapterBothFormatsOneEntryEach)
{
    ModeTableDirect3D d3d;
    const std::vector<D3DDISPLAYMODE> shared = {
        Mode(512, 384, 60, D3DFMT_X8R8G8B8), Mode(800, 600, 60, D3DFMT_X8R8G8B8),
        Mode(800, 600, 75, D3DFMT_X8R8G8B8), Mode(640, 480, 60, D3DFMT_R5G6B5),
        Mode(800, 600, 72, D3DFMT_R5G6B5),   Mode(1024, 768, 60, D3DFMT_A8R8G8B8), // never asked for
    };
    d3d.adapters = {shared, shared};
    d3d.adapters[1].push_back(Mode(1280, 1024, 85, D3DFMT_X8R8G8B8));

    VideoModeList list;
    list.Append({320, 200, 60, 22}); // an earlier run's entries go first
    EnumerateDisplayModes(&d3d, list);

    ASSERT_EQ(list.Count(), 4);
    const struct
    {
        uint32_t width, height, hz;
        int32_t format;
    } expected[] = {
        {640, 480, 60, D3DFMT_R5G6B5},
        {800, 600, 72, D3DFMT_R5G6B5},
        {800, 600, 75, D3DFMT_X8R8G8B8},
        {1280, 1024, 85, D3DFMT_X8R8G8B8},
    };
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(list.Mode(i).Width, expected[i].width) << i;
        EXPECT_EQ(list.Mode(i).Height, expected[i].height) << i;
        EXPECT_EQ(list.Mode(i).RefreshRate, expected[i].hz) << i;
        EXPECT_EQ(list.Mode(i).Format, expected[i].format) << i;
    }
}

TEST(DeviceBackBuffer, FollowsTheDesktopOrTheSelectedMode)
{
    ModeTableDirect3D d3d;
    d3d.adapters = {{Mode(800, 600, 60, D3DFMT_R5G6B5), Mode(1024, 768, 60, D3DFMT_X8R8G8B8)}};

    CSaverCore app;
    EnumerateDisplayModes(&d3d, app.m_VideoModes);
    app.m_pD3D = &d3d;
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);

    const struct
    {
        int32_t useDesktop;
        int32_t selected;
        UINT width, height;
        D3DFORMAT format;
    } cases[] = {
        {1, 0, static_cast<UINT>(desktop.right), static_cast<UINT>(desktop.bottom), D3DFMT_X8R8G8B8},
        {0, 0, 800, 600, D3DFMT_R5G6B5},
        {0, -1, 1024, 768, D3DFMT_X8R8G8B8}, // the default choice
        // nothing can be made current: the desktop mode
        {0, 7, static_cast<UINT>(desktop.right), static_cast<UINT>(desktop.bottom), D3DFMT_X8R8G8B8},
    };
    for (const auto& c : cases)
    {
        VideoModeList& modes = app.m_VideoModes;
        modes.m_nCurrentWidth = modes.m_nCurrentHeight = modes.m_nCurrentFormat = modes.m_nCurrentDepthFormat = 0;
        modes.m_nSelectedMode = c.selected;
        app.m_Settings.UseDesktopSettings = c.useDesktop;
        ApplySelectedVideoMode(modes, app.m_Settings);

        d3d.createAttempts = 0;
        EXPECT_EQ(EE_Core_CreateD3Device(&app), E_FAIL);
        EXPECT_EQ(d3d.createAttempts, 3);
        EXPECT_EQ(d3d.lastParameters.BackBufferWidth, c.width) << c.selected;
        EXPECT_EQ(d3d.lastParameters.BackBufferHeight, c.height) << c.selected;
        EXPECT_EQ(d3d.lastParameters.BackBufferFormat, c.format) << c.selected;
        EXPECT_EQ(d3d.lastParameters.AutoDepthStencilFormat, D3DFMT_D24S8) << c.selected;
        EXPECT_EQ(d3d.lastParameters.MultiSampleType, D3DMULTISAMPLE_NONE);
    }
    app.m_pD3D = nullptr;
}

} // namespace
