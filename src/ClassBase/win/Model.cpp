// Windows layer: a static textured mesh of the scene.
#include "src/ClassBase/win/Model.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "data/win/ArchiveResource.h"
#include "data/win/ArchiveTexture.h"
#include "src/ClassBase/ModelFade.h"
#include "src/ClassBase/SingleObjectFile.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

const char* const kSourcePath = "src/ClassBase/win/Model.cpp";

} // namespace

CModel::CModel()
    : m_VertexBuffer(D3DUSAGE_WRITEONLY, RA_FVF_XYZ_TEX1, D3DPOOL_MANAGED),
      m_FaceBuffer(D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_MANAGED)
{}

CModel::~CModel()
{
    Release();
}

int CModel::Load(const char* fileName)
{
    ArchiveView archive = {nullptr, 0, 0};
    GetArchiveView(&archive);
    return LoadFrom(archive, fileName);
}

int CModel::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    Release();
    const char* name = fileName != nullptr ? fileName : "(null)";
    ArchiveView view = {archive.data, archive.size, 0};
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    if (!ExtractArchiveEntry("", fileName, &bytes, &size, &view))
    {
        LogWrite(g_szLogFile, "model %s: not in the archive\n", name);
        return 1;
    }
    SingleObjectData file;
    const int status = ReadSingleObjectFile(bytes, size, file);
    free(bytes);
    if (status != 0 || file.vertices.empty() || file.indices.empty() || file.materials.empty())
    {
        LogWrite(g_szLogFile, "model %s: bad file (%d)\n", name, status);
        return 2;
    }

    m_VertexBuffer.m_nCount = static_cast<UINT>(file.vertices.size());
    void* locked = nullptr;
    if (m_VertexBuffer.CreateRenderBuffer() != 0 ||
        FAILED(m_VertexBuffer.m_pRenderBuffer->Lock(0, m_VertexBuffer.m_nSize, &locked, 0)) || locked == nullptr)
    {
        LogWrite(g_szLogFile, "model %s: no vertex buffer\n", name);
        Release();
        return 3;
    }
    memcpy(locked, file.vertices.data(), file.vertices.size() * sizeof(SingleObjectVertex));
    m_VertexBuffer.m_pRenderBuffer->Unlock();

    m_FaceBuffer.m_nCount = static_cast<UINT>(file.indices.size() / 3);
    locked = nullptr;
    if (m_FaceBuffer.CreateRenderBuffer() != 0 ||
        FAILED(m_FaceBuffer.m_pRenderBuffer->Lock(0, m_FaceBuffer.m_nSize, &locked, 0)) || locked == nullptr)
    {
        LogWrite(g_szLogFile, "model %s: no index buffer\n", name);
        Release();
        return 4;
    }
    memcpy(locked, file.indices.data(), file.indices.size() * sizeof(uint16_t));
    m_FaceBuffer.m_pRenderBuffer->Unlock();

    m_pMaterials = new (std::nothrow) ModelMaterial[file.materials.size()];
    if (m_pMaterials == nullptr)
    {
        Release();
        return 5;
    }
    m_nMaterials = static_cast<UINT>(file.materials.size());
    for (UINT i = 0; i < m_nMaterials; ++i)
    {
        const SingleObjectMaterial& source = file.materials[i];
        m_pMaterials[i].m_nFirstIndex = source.firstIndex;
        m_pMaterials[i].m_nTriangleCount = source.triangleCount;
        LoadArchiveTextureFrom(g_pd3dDevice, archive, source.texture.c_str(), &m_pMaterials[i].m_pTexture);
        // the scene's textures are the load's longest waits for input; an
        // exit seen here stops the load at its next step
        PumpLoadMessages();
    }
    m_dwColor = MODEL_COLOR_WHITE;
    return 0;
}

void SetSingleTextureStages(DWORD op)
{
    SetTextureStageStateCached(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    SetTextureStageStateCached(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(0, D3DTSS_COLOROP, op);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageStateCached(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    SetTextureStageStateCached(0, D3DTSS_ALPHAOP, op);
    SetTextureStageStateCached(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetTextureStageStateCached(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void CModel::Render(const D3DMATRIX& world, float fade, bool alphaTest)
{
    Draw(world, ModelFadeFactor(m_dwColor, fade, false), D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, alphaTest, true);
}

void CModel::RenderMultiply(const D3DMATRIX& world, float fade, bool alphaTest)
{
    Draw(world, ModelFadeFactor(m_dwColor, fade, false), D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, alphaTest, false);
}

void CModel::RenderAdditive(const D3DMATRIX& world, float fade, bool alphaTest)
{
    Draw(world, ModelFadeFactor(m_dwColor, fade, true), D3DBLEND_ONE, D3DBLEND_ONE, alphaTest, false);
}

void CModel::Draw(const D3DMATRIX& world, DWORD factor, DWORD srcBlend, DWORD destBlend, bool alphaTest,
                  bool logTextureFailures)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    // an empty model (failed load) draws nothing
    if (device == nullptr || m_nMaterials == 0 || m_VertexBuffer.m_pRenderBuffer == nullptr ||
        m_FaceBuffer.m_pRenderBuffer == nullptr)
        return;

    SetSingleTextureStages(D3DTOP_MODULATE);

    device->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, alphaTest ? TRUE : FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, srcBlend);
    device->SetRenderState(D3DRS_DESTBLEND, destBlend);

    device->SetTransform(D3DTS_WORLD, &world);
    device->SetFVF(m_VertexBuffer.m_dwFVF);
    device->SetStreamSource(0, m_VertexBuffer.m_pRenderBuffer, 0, m_VertexBuffer.m_nVertexSize);
    device->SetIndices(m_FaceBuffer.m_pRenderBuffer);

    for (UINT i = 0; i < m_nMaterials; ++i)
    {
        const ModelMaterial& material = m_pMaterials[i];
        const HRESULT hr = device->SetTexture(0, material.m_pTexture);
        if (FAILED(hr) && logTextureFailures)
            LogFailure(static_cast<int>(hr), kSourcePath, __LINE__);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_VertexBuffer.m_nCount, material.m_nFirstIndex,
                                     material.m_nTriangleCount);
    }
}

void CModel::Release()
{
    if (m_pMaterials != nullptr)
    {
        for (UINT i = 0; i < m_nMaterials; ++i)
        {
            if (m_pMaterials[i].m_pTexture != nullptr)
            {
                m_pMaterials[i].m_pTexture->Release();
                m_pMaterials[i].m_pTexture = nullptr;
            }
        }
        delete[] m_pMaterials;
        m_pMaterials = nullptr;
    }
    m_nMaterials = 0;
    m_FaceBuffer.Release();
    m_VertexBuffer.Release();
}
