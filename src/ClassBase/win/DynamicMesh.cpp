// Windows layer: a mesh with rewritten vertices over fixed triangles.
#include "src/ClassBase/win/DynamicMesh.h"

#include "data/win/ArchiveTexture.h"
#include "src/ClassRender/Log.h"

int CDynamicMesh::Create(const ArchiveView& archive, const char* owner, UINT vertices, const uint16_t* indices,
                         UINT triangles, const char* texture)
{
    Release();
    m_VertexBuffer.m_nCount = vertices;
    m_FaceBuffer.m_nCount = triangles;
    if (indices == nullptr || triangles > 0xFFFF || m_VertexBuffer.CreateRenderBuffer() != 0 ||
        m_FaceBuffer.CreateFilled(indices, triangles * 3 * static_cast<UINT>(sizeof(uint16_t))) != 0)
    {
        LogWrite(g_szLogFile, "%s: no buffers\n", owner);
        Release();
        return 30;
    }
    LoadArchiveTextureFrom(g_pd3dDevice, archive, texture, &m_Material.m_pTexture);
    m_Material.m_nFirstIndex = 0;
    m_Material.m_nTriangleCount = static_cast<uint16_t>(triangles);
    m_nMaterials = 1;
    return 0;
}

TexturedVertex* CDynamicMesh::Lock()
{
    IDirect3DVertexBuffer9* buffer = m_VertexBuffer.m_pRenderBuffer;
    if (buffer == nullptr)
        return nullptr;
    void* p = nullptr;
    const HRESULT hr = buffer->Lock(0, m_VertexBuffer.m_nSize, &p, D3DLOCK_DISCARD);
    if (FAILED(hr) || p == nullptr)
    {
        LOG_FAILURE(hr);
        return nullptr;
    }
    return static_cast<TexturedVertex*>(p);
}

void CDynamicMesh::Unlock()
{
    m_VertexBuffer.m_pRenderBuffer->Unlock();
    m_bWritten = true;
}

void CDynamicMesh::Draw(IDirect3DDevice9* device) const
{
    if (device == nullptr || !CanDraw())
        return;
    device->SetFVF(m_VertexBuffer.m_dwFVF);
    device->SetStreamSource(0, m_VertexBuffer.m_pRenderBuffer, 0, m_VertexBuffer.m_nVertexSize);
    device->SetIndices(m_FaceBuffer.m_pRenderBuffer);
    device->SetTexture(0, m_Material.m_pTexture);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_VertexBuffer.m_nCount, m_Material.m_nFirstIndex,
                                 m_Material.m_nTriangleCount);
}

void CDynamicMesh::Release()
{
    ReleaseNull(m_Material.m_pTexture);
    m_nMaterials = 0;
    m_VertexBuffer.Release();
    m_FaceBuffer.Release();
    m_bWritten = false;
}
