// Windows layer: the rain's streaks. The core moves the drops and writes
// their vertices into a dynamic buffer locked here; all drops draw as one
// triangle list in the main pass.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "src/ClassBase/RainDrops.h"
#include "src/ClassRender/win/RenderTypes.h"

class CRain
{
public:
    RainDrops m_Drops; // holds the drop count
    CVertexRenderBuffer m_VertexBuffer{D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, RA_FVF_XYZ_DIFFUSE, D3DPOOL_DEFAULT};
    CFaceRenderBuffer m_FaceBuffer{D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_MANAGED};

    CRain() = default;
    ~CRain() { Release(); }
    CRain(const CRain&) = delete;
    CRain& operator=(const CRain&) = delete;

    // Buffers for count drops (at most 1000), then the drops' places; 0.
    // No drops (rain off, or a strength of 0): no buffers and nothing
    // logged. A buffer that cannot be made leaves the rain undrawn.
    int Build(uint32_t count);
    uint32_t Count() const { return m_Drops.m_nCount; }
    // Writes the streaks (buffer discarded first) and moves the drops.
    void Advance(float dt);
    // One triangle list of every streak: diffuse colour only, no culling,
    // blended over the scene.
    void Draw();
    void Release();
};
