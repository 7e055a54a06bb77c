// Windows layer: the rain rings drawn into a water mask, multiplying it by
// their picture so the reflection shows through less where a ring is.
#pragma once
#include <windows.h>
#include <d3d9.h>
#include "src/ClassBase/RippleRings.h"
#include "src/ClassRender/win/RenderTypes.h"

class CRippleField
{
public:
    DWORD m_dwColor = 0xFFFFFFFF;
    RippleRings m_Rings;
    CVertexRenderBuffer m_VertexBuffer{D3DUSAGE_WRITEONLY, RA_FVF_XYZ_TEX1, D3DPOOL_MANAGED};
    CFaceRenderBuffer m_FaceBuffer{D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_MANAGED};
    IDirect3DTexture9* m_pWaves[RIPPLE_FRAMES] = {};

    CRippleField() = default;
    ~CRippleField() { Release(); }
    CRippleField(const CRippleField&) = delete;
    CRippleField& operator=(const CRippleField&) = delete;

    // Wave textures, the ring quad and every ring's first place; 0.
    int Build(const gfx::Vec3& eye);
    void Advance(int count, float dt, const gfx::Vec3& eye) { m_Rings.Advance(count, dt, eye); }
    // The first count rings of a set, grouped by animation frame.
    void Draw(int set, float fade, int count);
    void Release();
};
