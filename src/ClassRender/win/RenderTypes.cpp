// Windows layer: the device pointer and the texture-stage state cache.
#include "src/ClassRender/win/RenderTypes.h"

#include "src/ClassRender/Log.h"

IDirect3DDevice9* g_pd3dDevice = nullptr;
DWORD g_TextureStageCache[TEXTURE_STAGE_CACHE_STAGES * TEXTURE_STAGE_CACHE_TYPES];

// The source location that failure records name.
static const char kRenderTypesSource[] = "src\\ClassRender\\RenderTypes.cpp";
static const int kSetStateLine = 166;

void ClearTextureStageCache()
{
    for (DWORD& entry : g_TextureStageCache)
        entry = TEXTURE_STAGE_UNKNOWN;
}

void SetTextureStageStateCached(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    // out-of-table arguments bypass the cache rather than index past it
    const bool cached = stage < TEXTURE_STAGE_CACHE_STAGES && static_cast<DWORD>(type) < TEXTURE_STAGE_CACHE_TYPES;
    DWORD* entry = cached ? &g_TextureStageCache[stage * TEXTURE_STAGE_CACHE_TYPES + type] : nullptr;
    if (entry && *entry == value)
        return;

    const HRESULT hr = g_pd3dDevice ? g_pd3dDevice->SetTextureStageState(stage, type, value) : E_POINTER;
    if (FAILED(hr)) {
        LogWrite(g_szLogFile, "%d %s %d\n", static_cast<int>(hr), kRenderTypesSource, kSetStateLine);
        LogWrite(g_szLogFile, "stage %d, type %d, value %d\n", static_cast<int>(stage), static_cast<int>(type),
                 static_cast<int>(value));
    }
    if (entry)
        *entry = value;
}
