// Windows layer: creates a Direct3D texture from image file bytes in memory
// (the extension library's texture-from-memory function, our own build).
// Decoding, sizing, mips and compression happen in the portable core
// (data/TexturePrepare); this file creates the texture and fills it.
#pragma once
#include <windows.h>
#include <d3d9.h>

namespace gfx {

// The "take it from the file / build it all" value of width, height and
// mip levels, as the extension library spells it.
constexpr UINT TEXTURE_DEFAULT = 0xFFFFFFFFu;
// The extension library's code for bytes that are no image it can read.
constexpr HRESULT TEXTURE_E_INVALIDDATA = static_cast<HRESULT>(0x88760B59);

// width, height: TEXTURE_DEFAULT or 0 for the image's size rounded up to
// powers of two (capped to the device's maximum); mipLevels:
// TEXTURE_DEFAULT or 0 for a full chain (a DDS file: its stored levels);
// format: D3DFMT_UNKNOWN for the file's own format. A format the device
// cannot create falls back to A8R8G8B8, except V8U8, which fails.
// D3DPOOL_DEFAULT textures are filled through a system-memory copy and
// UpdateTexture; other pools are locked directly.
// Returns D3D_OK with *texture set, or a failure code with *texture null
// and nothing left allocated.
HRESULT CreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height,
                                        UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DTexture9** texture);

// The format CreateTextureFromFileInMemoryEx would use for a wanted one:
// the wanted format when the device can create it, else A8R8G8B8, else
// D3DFMT_UNKNOWN (no texture possible; always so for V8U8).
D3DFORMAT ChooseTextureFormat(IDirect3DDevice9* device, DWORD usage, D3DFORMAT wanted);

} // namespace gfx
