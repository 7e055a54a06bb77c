// Windows layer: textures of the scene, read from the data archive.
#include "data/win/ArchiveTexture.h"

#include <cstdlib>
#include <cstring>

#include "data/win/ArchiveResource.h"
#include "data/win/TextureCreate.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"

namespace {

constexpr size_t kNameBuffer = 256;

// Reads one entry through a fresh view; a missing entry gives size 0.
void ReadEntry(const ArchiveView& archive, const char* name, unsigned char** data, uint32_t* size)
{
    ArchiveView view = {archive.data, archive.size, 0};
    *data = nullptr;
    *size = 0;
    if (!ExtractArchiveEntry("", name, data, size, &view)) {
        *data = nullptr;
        *size = 0;
    }
}

} // namespace

void LoadArchiveTextureFrom(IDirect3DDevice9* device, const ArchiveView& archive, const char* name,
                            IDirect3DTexture9** texture)
{
    if (!texture)
        return;
    *texture = nullptr;
    char entry[kNameBuffer] = "";
    if (name)
        std::strncpy(entry, name, kNameBuffer - 1);
    const size_t length = std::strlen(entry);
    if (length < 3) { // no extension to replace: outside the contract, but logged
        LogWrite(g_szLogFile, "%s\t%s\n", "error load texture", entry);
        return;
    }
    char* extension = entry + length - 3;

    std::memcpy(extension, "dds", 3);
    unsigned char* data = nullptr;
    uint32_t size = 0;
    ReadEntry(archive, entry, &data, &size);
    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (size == 0) {
        std::free(data); // an empty entry still has a buffer
        std::memcpy(extension, "tga", 3);
        ReadEntry(archive, entry, &data, &size);
        format = D3DFMT_DXT3;
    }

    HRESULT hr = D3DERR_INVALIDCALL;
    if (device && size > 0) {
        hr = gfx::CreateTextureFromFileInMemoryEx(device, data, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                  gfx::TEXTURE_DEFAULT, 0, format, D3DPOOL_DEFAULT, texture);
        if (FAILED(hr))
            hr = gfx::CreateTextureFromFileInMemoryEx(device, data, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                      gfx::TEXTURE_DEFAULT, 0, format, D3DPOOL_MANAGED, texture);
    }
    if (FAILED(hr)) {
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
