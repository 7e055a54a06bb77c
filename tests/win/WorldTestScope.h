// Windows-side tests: what a world test puts in place of the program's
// device, back-buffer size and clock, restored when the scope ends.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "src/ClassRender/Clock.h"
#include "src/ClassRender/win/DeviceCreate.h"
#include "src/ClassRender/win/RenderTypes.h"

namespace testsupport {

class ScopedWorldDevice
{
public:
    // The device becomes g_pd3dDevice, the back buffer 64 x 48, `clock` the
    // program's clock; the texture-stage cache starts empty.
    ScopedWorldDevice(IDirect3DDevice9* device, ClockSource clock) : m_saved(g_pd3dDevice), m_savedPp(g_d3dpp)
    {
        g_pd3dDevice = device;
        g_d3dpp.BackBufferWidth = 64;
        g_d3dpp.BackBufferHeight = 48;
        ClockSetSource(clock);
        ClearTextureStageCache();
    }
    ~ScopedWorldDevice()
    {
        ClockSetSource(nullptr);
        g_d3dpp = m_savedPp;
        g_pd3dDevice = m_saved;
        ClearTextureStageCache();
    }
    ScopedWorldDevice(const ScopedWorldDevice&) = delete;
    ScopedWorldDevice& operator=(const ScopedWorldDevice&) = delete;

private:
    IDirect3DDevice9* m_saved;
    D3DPRESENT_PARAMETERS m_savedPp;
};

} // namespace testsupport
