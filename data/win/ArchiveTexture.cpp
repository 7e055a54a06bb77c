// Windows layer: textures of the scene, read from the data archive.
#include "data/win/ArchiveTexture.h"

#include <cstdlib>
#include <cstring>

#include "data/TextureEntry.h"
#include "data/win/ArchiveResource.h"
#include "data/win/TextureCreate.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"

void LoadArchiveTextureFrom(IDirect3DDevice9* device, const ArchiveView& archive, const char* name,
                            IDirect3DTexture9** texture)
{
    if (!texture)
        return;
    *texture = nullptr;
    char entry[TEXTURE_ENTRY_NAME_MAX];
    unsigned char* data = nullptr;
    uint32_t size = 0;
    bool isTga = false;
    const bool found = ExtractTextureEntry(archive, name, entry, &data, &size, &isTga);
    // a picture that is not yet compressed is compressed on the way in
    const D3DFORMAT format = isTga ? D3DFMT_DXT3 : D3DFMT_UNKNOWN;

    HRESULT hr = D3DERR_INVALIDCALL;
    if (device && found)
    {
        hr = gfx::CreateTextureFromFileInMemoryEx(device, data, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                  gfx::TEXTURE_DEFAULT, 0, format, D3DPOOL_DEFAULT, texture);
        if (FAILED(hr))
            hr = gfx::CreateTextureFromFileInMemoryEx(device, data, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                      gfx::TEXTURE_DEFAULT, 0, format, D3DPOOL_MANAGED, texture);
    }
    if (FAILED(hr))
    {
        *texture = nullptr;
        LogWrite(g_szLogFile, "%s\t%s\n", "error load texture", entry);
    }
    std::free(data);
}

void LoadArchiveTexture(const char* name, IDirect3DTexture9** texture)
{
    ArchiveView archive = {nullptr, 0, 0};
    GetArchiveView(&archive); // a missing resource leaves an empty view: every read fails
    LoadArchiveTextureFrom(g_pd3dDevice, archive, name, texture);
}
