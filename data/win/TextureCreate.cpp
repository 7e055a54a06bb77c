// Windows layer: creates a Direct3D texture from image file bytes.
#include "data/win/TextureCreate.h"

#include <cstring>

#include "data/TexturePrepare.h"

namespace gfx {

namespace {

bool DeviceSupports(IDirect3DDevice9* device, DWORD usage, D3DFORMAT format)
{
    IDirect3D9* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d)
        return false;
    D3DDEVICE_CREATION_PARAMETERS params;
    D3DDISPLAYMODE mode;
    bool ok = false;
    if (SUCCEEDED(device->GetCreationParameters(&params)))
    {
        if (FAILED(device->GetDisplayMode(0, &mode)) || mode.Format == D3DFMT_UNKNOWN)
            mode.Format = D3DFMT_X8R8G8B8;
        ok = SUCCEEDED(d3d->CheckDeviceFormat(params.AdapterOrdinal, params.DeviceType, mode.Format, usage,
                                              D3DRTYPE_TEXTURE, format));
    }
    d3d->Release();
    return ok;
}

// Copies every level into a lockable texture.
HRESULT FillTexture(IDirect3DTexture9* texture, const PreparedTexture& prepared)
{
    for (UINT i = 0; i < prepared.levels.size(); ++i)
    {
        const TextureLevel& level = prepared.levels[i];
        D3DLOCKED_RECT locked;
        HRESULT hr = texture->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        if (!locked.pBits || locked.Pitch < static_cast<INT>(level.rowPitch))
        {
            texture->UnlockRect(i);
            return E_FAIL;
        }
        for (UINT row = 0; row < level.rowCount; ++row)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(row) * locked.Pitch,
                        level.bytes.data() + static_cast<size_t>(row) * level.rowPitch, level.rowPitch);
        hr = texture->UnlockRect(i);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

void ReleaseAndClear(IDirect3DTexture9*& texture)
{
    if (texture)
    {
        texture->Release();
        texture = nullptr;
    }
}

} // namespace

D3DFORMAT ChooseTextureFormat(IDirect3DDevice9* device, DWORD usage, D3DFORMAT wanted)
{
    if (DeviceSupports(device, usage, wanted))
        return wanted;
    // a bump map converted to colour would be wrong, not degraded
    if (wanted == D3DFMT_V8U8)
        return D3DFMT_UNKNOWN;
    return DeviceSupports(device, usage, D3DFMT_A8R8G8B8) ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN;
}

HRESULT CreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height,
                                        UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DTexture9** texture)
{
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !data || size == 0)
        return D3DERR_INVALIDCALL;

    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    ImageInfo info;
    if (!ReadImageInfo(bytes, size, info))
        return TEXTURE_E_INVALIDDATA;
    const D3DFORMAT wanted = format == D3DFMT_UNKNOWN ? static_cast<D3DFORMAT>(info.fileFormat) : format;
    const D3DFORMAT chosen = ChooseTextureFormat(device, usage, wanted);
    if (chosen == D3DFMT_UNKNOWN)
        return D3DERR_NOTAVAILABLE;

    D3DCAPS9 caps;
    TextureRequest request;
    request.width = width == TEXTURE_DEFAULT ? 0 : width;
    request.height = height == TEXTURE_DEFAULT ? 0 : height;
    request.mipLevels = mipLevels == TEXTURE_DEFAULT ? 0 : mipLevels;
    request.format = static_cast<uint32_t>(chosen);
    if (SUCCEEDED(device->GetDeviceCaps(&caps)) && caps.MaxTextureWidth && caps.MaxTextureHeight)
        request.maxEdge = caps.MaxTextureWidth < caps.MaxTextureHeight ? caps.MaxTextureWidth : caps.MaxTextureHeight;

    PreparedTexture prepared;
    if (!PrepareTexture(bytes, size, request, prepared) || prepared.levels.empty())
        return TEXTURE_E_INVALIDDATA;
    const UINT w = prepared.levels[0].width, h = prepared.levels[0].height;
    const UINT levels = static_cast<UINT>(prepared.levels.size());

    IDirect3DTexture9* result = nullptr;
    HRESULT hr = device->CreateTexture(w, h, levels, usage, chosen, pool, &result, nullptr);
    if (FAILED(hr) || !result)
    {
        result = nullptr;
        return FAILED(hr) ? hr : E_FAIL;
    }
    if (result->GetLevelCount() != levels)
    {
        ReleaseAndClear(result);
        return E_FAIL;
    }

    if (pool != D3DPOOL_DEFAULT)
    {
        hr = FillTexture(result, prepared);
    }
    else
    {
        // default-pool textures cannot be locked: fill a system-memory copy
        IDirect3DTexture9* staging = nullptr;
        hr = device->CreateTexture(w, h, levels, 0, chosen, D3DPOOL_SYSTEMMEM, &staging, nullptr);
        if (SUCCEEDED(hr) && !staging)
            hr = E_FAIL;
        if (SUCCEEDED(hr))
            hr = FillTexture(staging, prepared);
        if (SUCCEEDED(hr))
            hr = device->UpdateTexture(staging, result);
        ReleaseAndClear(staging);
    }
    if (FAILED(hr))
    {
        ReleaseAndClear(result);
        return hr;
    }
    *texture = result;
    return D3D_OK;
}

} // namespace gfx
