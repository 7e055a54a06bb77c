// Windows layer: the clock and frame-rate overlay.
#include "src/ClassRender/win/Overlay.h"

#include <cstdlib>

#include "data/TextureEntry.h"
#include "data/win/ArchiveResource.h"
#include "data/win/TextureCreate.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/OverlayLayout.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

static_assert(OVERLAY_TEXTURE_COUNT == OVERLAY_GLYPH_SLOTS, "a texture slot for every glyph");

namespace {

// Archive entries of the glyph slots, in slot order.
const char* const kGlyphEntries[OVERLAY_GLYPH_SLOTS] = {
    "digits\\0.tga",    "digits\\1.tga",   "digits\\2.tga",  "digits\\3.tga",  "digits\\4.tga",
    "digits\\5.tga",    "digits\\6.tga",   "digits\\7.tga",  "digits\\8.tga",  "digits\\9.tga",
    "digits\\ddot.tga", "digits\\dot.tga", "digits\\am.tga", "digits\\pm.tga",
};

ScreenViewport ToScreenViewport(const D3DVIEWPORT9& viewport)
{
    return {static_cast<float>(viewport.X), static_cast<float>(viewport.Y), static_cast<float>(viewport.Width),
            static_cast<float>(viewport.Height)};
}

// A glyph in its own format (soft alpha, no compression), with the mip chain
// that its reduced size on screen wants.
IDirect3DTexture9* LoadGlyph(IDirect3DDevice9* device, const ArchiveView& archive, const char* name)
{
    char entry[TEXTURE_ENTRY_NAME_MAX];
    unsigned char* data = nullptr;
    uint32_t size = 0;
    bool isTga = false;
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = D3DERR_NOTFOUND;
    if (ExtractTextureEntry(archive, name, entry, &data, &size, &isTga))
        hr = gfx::CreateTextureFromFileInMemoryEx(device, data, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                  gfx::TEXTURE_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture);
    std::free(data);
    if (FAILED(hr))
    {
        LogWrite(g_szLogFile, "%s\t%s\n", "error load texture", entry);
        return nullptr;
    }
    return texture;
}

} // namespace

HRESULT CreateScreenQuadBuffer(IDirect3DDevice9* device, IDirect3DVertexBuffer9** buffer)
{
    *buffer = nullptr;
    IDirect3DVertexBuffer9* created = nullptr;
    HRESULT hr = device->CreateVertexBuffer(SCREEN_QUAD_BYTES, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, SCREEN_QUAD_FVF,
                                            D3DPOOL_DEFAULT, &created, nullptr);
    if (FAILED(hr) || created == nullptr)
    {
        LOG_FAILURE(FAILED(hr) ? hr : E_FAIL);
        return FAILED(hr) ? hr : E_FAIL;
    }
    // the fixed values: depth, rhw, white, texture corners
    hr = DrawScreenQuad(0xFFFFFFFF, created, D3DVIEWPORT9{}, ScreenRect{0.0f, 0.0f, 0.0f, 0.0f});
    if (FAILED(hr))
    {
        created->Release();
        return hr;
    }
    *buffer = created;
    return S_OK;
}

HRESULT DrawScreenQuad(D3DCOLOR colour, IDirect3DVertexBuffer9* quad, const D3DVIEWPORT9& viewport,
                       const ScreenRect& rect)
{
    void* bytes = nullptr;
    const HRESULT hr = quad->Lock(0, SCREEN_QUAD_BYTES, &bytes, D3DLOCK_DISCARD);
    if (FAILED(hr) || bytes == nullptr)
    {
        LOG_FAILURE(FAILED(hr) ? hr : E_FAIL);
        return FAILED(hr) ? hr : E_FAIL;
    }
    WriteScreenQuad(static_cast<ScreenQuadVertex*>(bytes), colour, ToScreenViewport(viewport), rect);
    quad->Unlock();
    return S_OK;
}

HRESULT LoadOverlayTexturesFrom(CSaverCore* app, IDirect3DDevice9* device, const ArchiveView& archive)
{
    ReleaseOverlayTextures(app);
    for (int slot = 0; slot < OVERLAY_GLYPH_SLOTS; ++slot)
    {
        app->m_pOverlayTextures[slot] = LoadGlyph(device, archive, kGlyphEntries[slot]);
        PumpLoadMessages(); // an exit stops the load after the overlay
    }
    return SUCCEEDED(CreateScreenQuadBuffer(device, &app->m_pOverlayQuad)) ? S_OK : E_FAIL;
}

HRESULT LoadOverlayTextures(CSaverCore* app, IDirect3DDevice9* device)
{
    return LoadOverlayTexturesFrom(app, device, ExecutableArchive());
}

void ReleaseOverlayTextures(CSaverCore* app)
{
    for (IDirect3DTexture9*& texture : app->m_pOverlayTextures)
        ReleaseNull(texture);
    ReleaseNull(app->m_pOverlayQuad);
}

void DrawOverlay(CSaverCore* app, IDirect3DDevice9* device)
{
    if (app == nullptr || device == nullptr)
        return;
    const SaverSettings& settings = app->m_Settings;
    const OverlayOptions options = {settings.ShowTime != 0, settings.TimeModeAMPM != 0, settings.ShowFPS != 0};
    LocalClockTime now = {};
    const bool haveTime = options.showTime && LocalTimeRead(&now);
    OverlayLayout layout;
    BuildOverlayLayout(options, haveTime ? &now : nullptr, app->m_nFramesPerSecond, layout);

    D3DVIEWPORT9 viewport = {};
    device->GetViewport(&viewport);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    IDirect3DVertexBuffer9* quad = app->m_pOverlayQuad;
    if (layout.count > 0 && quad != nullptr)
    {
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetFVF(SCREEN_QUAD_FVF);
        device->SetStreamSource(0, quad, 0, sizeof(ScreenQuadVertex));
        const D3DCOLOR colour = D3DCOLOR_XRGB(app->m_OverlayColor[0], app->m_OverlayColor[1], app->m_OverlayColor[2]);
        for (int i = 0; i < layout.count; ++i)
        {
            const OverlayGlyph& glyph = layout.glyphs[i];
            IDirect3DTexture9* texture = app->m_pOverlayTextures[glyph.slot];
            // a glyph that did not load is left out, not drawn with the last texture
            if (texture == nullptr)
                continue;
            device->SetTexture(0, texture);
            if (FAILED(DrawScreenQuad(colour, quad, viewport, glyph.rect)))
                continue;
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }
    }
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
}
