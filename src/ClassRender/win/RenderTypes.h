// Windows layer: the device pointer and the texture-stage state cache.
#pragma once
#include <windows.h>
#include <d3d9.h>

// The one device; all drawing goes through it (tests may put a fake here).
extern IDirect3DDevice9* g_pd3dDevice;

constexpr int TEXTURE_STAGE_CACHE_STAGES = 16;
constexpr int TEXTURE_STAGE_CACHE_TYPES = 256;
// Marks an entry whose value the device has not been given yet.
constexpr DWORD TEXTURE_STAGE_UNKNOWN = 0xABABABAB;

// Last value set per (stage, state type), indexed stage * 256 + type.
extern DWORD g_TextureStageCache[TEXTURE_STAGE_CACHE_STAGES * TEXTURE_STAGE_CACHE_TYPES];

// Fills the cache with the unknown marker.
void ClearTextureStageCache();

// Sets a texture-stage state unless the cache says it already holds the
// value. A failed call is logged; the cache is updated all the same.
void SetTextureStageStateCached(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
