// Windows layer: the world's fixed render states, its render targets and
// the screen quad the targets are laid over the screen with.
#include "src/ClassBase/win/World.h"

#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/DeviceCreate.h"

namespace {

struct QuadVertex
{
    float x, y, z;
    float u0, v0; // the screen, one to one
    float u1, v1; // the same, flipped vertically (reflections)
};

// A screen-format render target and its surface; false (logged) on failure.
bool CreateTarget(IDirect3DDevice9* device, UINT width, UINT height, const char* message, IDirect3DTexture9** texture)
{
    const HRESULT hr = device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                             texture, nullptr);
    if (FAILED(hr) || *texture == nullptr)
    {
        *texture = nullptr;
        LogWrite(g_szLogFile, "%s\n", message);
        LogWrite(g_szLogFile, "error = 0x%x\n", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

void TakeSurface(IDirect3DTexture9* texture, IDirect3DSurface9** surface)
{
    if (texture != nullptr && FAILED(texture->GetSurfaceLevel(0, surface)))
        *surface = nullptr;
}

} // namespace

void CWorld::CreateRenderTargets()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    const UINT width = g_d3dpp.BackBufferWidth;
    const UINT height = g_d3dpp.BackBufferHeight;
    LogWrite(g_szLogFile, "%d x %d\n", static_cast<int>(width), static_cast<int>(height));
    if (device == nullptr)
        return;

    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, SCENE_FOG_COLOR);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGSTART, FloatBits(SCENE_FOG_START));
    device->SetRenderState(D3DRS_FOGEND, FloatBits(SCENE_FOG_END));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    for (DWORD s = 0; s < 4; ++s)
    {
        device->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_MAXANISOTROPY, 1);
    }
    device->SetRenderState(D3DRS_ALPHAREF, 128);

    m_bCameraBlend = true;
    if (!CreateTarget(device, width, height, "error create render target 0", &m_pViewTexture[0]))
        m_bCameraBlend = false;
    if (!CreateTarget(device, width, height, "error create render target 1", &m_pViewTexture[1]))
        m_bCameraBlend = false;
    if (!m_bCameraBlend)
    {
        LogWrite(g_szLogFile, "camera blend disable\n");
        ReleaseNull(m_pViewTexture[0]);
        ReleaseNull(m_pViewTexture[1]);
        ReleaseNull(m_pViewSurface[0]);
        ReleaseNull(m_pViewSurface[1]);
    }
    else
    {
        TakeSurface(m_pViewTexture[0], &m_pViewSurface[0]);
        TakeSurface(m_pViewTexture[1], &m_pViewSurface[1]);
    }

    if (FAILED(device->GetRenderTarget(0, &m_pBackBuffer)))
        m_pBackBuffer = nullptr;

    m_bReflection = true;
    if (!CreateTarget(device, width, height, "error create render water mask", &m_pWaterMaskTexture))
        m_bReflection = false;
    if (!CreateTarget(device, SCENE_REFLECTION_SIZE, SCENE_REFLECTION_SIZE, "error create render reflection L",
                      &m_pReflectionLTexture))
        m_bReflection = false;
    if (!CreateTarget(device, SCENE_REFLECTION_SIZE, SCENE_REFLECTION_SIZE, "error create render reflection R",
                      &m_pReflectionRTexture))
        m_bReflection = false;
    if (!m_bReflection)
    {
        LogWrite(g_szLogFile, "reflection disable\n");
        ReleaseNull(m_pWaterMaskTexture);
        ReleaseNull(m_pReflectionLTexture);
        ReleaseNull(m_pReflectionRTexture);
    }
    else
    {
        TakeSurface(m_pWaterMaskTexture, &m_pWaterMaskSurface);
        TakeSurface(m_pReflectionLTexture, &m_pReflectionLSurface);
        TakeSurface(m_pReflectionRTexture, &m_pReflectionRSurface);
    }

    // Half a texel so texel centres meet pixel centres; once per process.
    static const float hx = 0.5f / static_cast<float>(width ? width : 1);
    static const float hy = 0.5f / static_cast<float>(height ? height : 1);
    const QuadVertex quad[4] = {
        {-1.0f, -1.0f, 0.5f, hx, 1.0f + hy, hx, hy},
        {-1.0f, 1.0f, 0.5f, hx, hy, hx, 1.0f + hy},
        {1.0f, 1.0f, 0.5f, 1.0f + hx, hy, 1.0f + hx, 1.0f + hy},
        {1.0f, -1.0f, 0.5f, 1.0f + hx, 1.0f + hy, 1.0f + hx, hy},
    };
    const WORD indices[6] = {0, 1, 3, 1, 2, 3};
    m_QuadFaces.m_nCount = 2;
    m_QuadFaces.CreateFilled(indices, sizeof(indices));
    m_QuadVertices.m_nCount = 4;
    m_QuadVertices.CreateFilled(quad, sizeof(quad));
    m_SplashPool.Fill();
}

void CWorld::DrawScreenQuad()
{
    IDirect3DDevice9* device = g_pd3dDevice;
    device->SetTransform(D3DTS_PROJECTION, &g_mIdentity);
    device->SetTransform(D3DTS_VIEW, &g_mIdentity);
    device->SetTransform(D3DTS_WORLD, &g_mIdentity);
    if (m_QuadVertices.m_pRenderBuffer == nullptr || m_QuadFaces.m_pRenderBuffer == nullptr)
        return;
    device->SetFVF(m_QuadVertices.m_dwFVF);
    device->SetStreamSource(0, m_QuadVertices.m_pRenderBuffer, 0, m_QuadVertices.m_nVertexSize);
    device->SetIndices(m_QuadFaces.m_pRenderBuffer);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
}
