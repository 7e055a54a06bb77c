// Windows layer: the scene.
#include "src/ClassBase/win/World.h"

#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

CWorld::CWorld() = default;

CWorld::~CWorld()
{
    ReleaseWorld();
}

HRESULT CWorld::RenderInit(CSaverCore*)
{
    LogWrite(g_szLogFile, "%s\n", "RenderInit() - ok");
    return S_OK;
}

HRESULT CWorld::RenderFrame(CSaverCore*)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr)
        return E_FAIL;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0x88, 0x8F, 0x8F), 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    if (g_IdleThrottle.ShouldSleep())
        Sleep(1);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

void CWorld::ReleaseWorld()
{
}
