// Windows layer: the picture shown while the scene loads.
#include "src/ClassRender/win/SaverCore.h"

HRESULT CSaverCore::EE_Core_DrawLoading(IDirect3DDevice9* device)
{
    // A black frame for now: the loading pictures arrive with the scene
    // content. Presenting it replaces whatever the desktop showed.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}
