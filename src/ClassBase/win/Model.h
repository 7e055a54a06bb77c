// Windows layer: a static textured mesh of the scene (.singleobject), drawn
// in one of three blend modes. One draw per material; render states other
// than the blend (depth, culling, samplers) are the caller's.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassRender/win/RenderTypes.h"

struct ModelMaterial
{
    IDirect3DTexture9* m_pTexture = nullptr; // owned; null draws untextured
    uint16_t m_nFirstIndex = 0;              // into the index buffer
    uint16_t m_nTriangleCount = 0;
};

constexpr DWORD MODEL_COLOR_WHITE = 0xFFFFFFFF;

// Stage 0 colour and alpha: `op` of the texture (argument 1) and the texture
// factor (argument 2); stage 1 off (through the stage cache). Models and
// skins draw with D3DTOP_MODULATE, leaf and grass cards with the texture
// alone (D3DTOP_SELECTARG1).
void SetSingleTextureStages(DWORD op);

class CModel
{
public:
    DWORD m_dwColor = MODEL_COLOR_WHITE; // tint; white means none
    CVertexRenderBuffer m_VertexBuffer;  // XYZ + TEX1, write-only, managed
    CFaceRenderBuffer m_FaceBuffer;      // INDEX16 triangle list, write-only, managed
    UINT m_nMaterials = 0;
    ModelMaterial* m_pMaterials = nullptr; // m_nMaterials records, owned

    CModel();
    ~CModel();
    CModel(const CModel&) = delete;
    CModel& operator=(const CModel&) = delete;

    // Reads the named mesh and its textures from the executable's data
    // archive. 0; non-zero (logged) when the file is missing or malformed
    // or its buffers cannot be made, and the model then stays empty. A
    // texture that fails leaves its material untextured and is no failure.
    int Load(const char* fileName);
    // The same over a given archive (textures from that archive too).
    int LoadFrom(const ArchiveView& archive, const char* fileName);

    // Alpha blending: source alpha over inverse source alpha. Texture factor
    // white with alpha fade x 255, or the colour scaled by fade.
    void Render(const D3DMATRIX& world, float fade, bool alphaTest);
    // Multiplies what is behind (destination colour, zero); the shadows.
    void RenderMultiply(const D3DMATRIX& world, float fade, bool alphaTest);
    // Adds (one, one); the colour, white too, fades to black.
    void RenderAdditive(const D3DMATRIX& world, float fade, bool alphaTest);

    // True when there is something to draw.
    bool IsLoaded() const { return m_nMaterials != 0; }

    // Releases textures, materials and buffers; the model is then empty.
    void Release();

private:
    void Draw(const D3DMATRIX& world, DWORD factor, DWORD srcBlend, DWORD destBlend, bool alphaTest,
              bool logTextureFailures);
};
