// Windows layer: the picture shown while the scene loads: a background over
// the whole screen and four corner pictures at their own pixel size, laid
// out by the core (src/ClassRender/LoadingLayout), drawn and presented once.
#include "src/ClassRender/win/SaverCore.h"

#include "data/win/CustomDataResource.h"
#include "data/win/TextureCreate.h"
#include "resources/ResourceIds.h"
#include "src/ClassRender/LoadingLayout.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/Overlay.h"
#include "src/ClassRender/win/RenderTypes.h"

namespace {

// Resources of the pictures, in LoadingPicture order.
const int kPictureResources[LOADING_PICTURES] = {IDR_LOADING_SCREEN, IDR_LOADING_CORNER_FIRST,
                                                 IDR_LOADING_CORNER_FIRST + 1, IDR_LOADING_CORNER_FIRST + 2,
                                                 IDR_LOADING_CORNER_FIRST + 3};

// One level only: the picture is drawn once, near its own size, and the
// first picture comes sooner without a mip chain.
IDirect3DTexture9* LoadPicture(IDirect3DDevice9* device, int id)
{
    const unsigned char* bytes = nullptr;
    uint32_t size = 0;
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = D3DERR_NOTFOUND;
    if (FindCustomData(nullptr, id, &bytes, &size))
        hr = gfx::CreateTextureFromFileInMemoryEx(device, bytes, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT, 1, 0,
                                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture);
    if (FAILED(hr))
    {
        LogWrite(g_szLogFile, "%s\t%d\n", "error load loading picture", id);
        return nullptr;
    }
    return texture;
}

// Milliseconds since this process was created.
unsigned long MsSinceProcessStart()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER from, to;
    from.LowPart = created.dwLowDateTime;
    from.HighPart = created.dwHighDateTime;
    to.LowPart = now.dwLowDateTime;
    to.HighPart = now.dwHighDateTime;
    return to.QuadPart > from.QuadPart ? static_cast<unsigned long>((to.QuadPart - from.QuadPart) / 10000) : 0;
}

} // namespace

HRESULT CSaverCore::EE_Core_DrawLoading(IDirect3DDevice9* device)
{
    LogWrite(g_szLogFile, "%s\n", "EE_Core_DrawLoading");
    IDirect3DVertexBuffer9* quad = nullptr;
    if (FAILED(CreateScreenQuadBuffer(device, &quad)))
        return E_FAIL;
    IDirect3DTexture9* pictures[LOADING_PICTURES] = {};
    for (int i = 0; i < LOADING_PICTURES; ++i)
        pictures[i] = LoadPicture(device, kPictureResources[i]);

    // The background covers every pixel; without it the colour target is
    // cleared, so that no stale memory shows behind the corners.
    const DWORD clear = pictures[lpBackground] ? D3DCLEAR_ZBUFFER : D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    device->Clear(0, nullptr, clear, 0, 1.0f, 0);
    device->BeginScene();
    D3DVIEWPORT9 viewport = {};
    device->GetViewport(&viewport);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ScreenRect rects[LOADING_PICTURES];
    LayoutLoadingScreen(static_cast<float>(viewport.Width), static_cast<float>(viewport.Height), rects);
    for (int i = 0; i < LOADING_PICTURES; ++i)
    {
        if (pictures[i] == nullptr || FAILED(DrawScreenQuad(0xFFFFFFFF, quad, viewport, rects[i])))
            continue;
        device->SetFVF(SCREEN_QUAD_FVF);
        device->SetStreamSource(0, quad, 0, sizeof(ScreenQuadVertex));
        device->SetTexture(0, pictures[i]);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->EndScene();
    // unbound, so that releasing them below frees them
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    m_nFrameParity = 1 - m_nFrameParity;
    device->Present(nullptr, nullptr, nullptr, nullptr);
    // a reset device shows it again; only the first one tells the start-up time
    if (!m_bFirstPictureLogged)
        LogWrite(g_szLogFile, "%s\t%lu ms\n", "first picture", MsSinceProcessStart());
    m_bFirstPictureLogged = true;

    for (IDirect3DTexture9*& picture : pictures)
        ReleaseNull(picture);
    ReleaseNull(quad);
    return S_OK;
}
