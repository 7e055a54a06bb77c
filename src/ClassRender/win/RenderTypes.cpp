// Windows layer: the device pointer and the texture-stage state cache.
#include "src/ClassRender/win/RenderTypes.h"

#include "src/ClassRender/Log.h"

#include <algorithm>
#include <cstring>

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
    if (FAILED(hr))
    {
        LogFailure(static_cast<int>(hr), kRenderTypesSource, kSetStateLine);
        LogWrite(g_szLogFile, "stage %d, type %d, value %d\n", static_cast<int>(stage), static_cast<int>(type),
                 static_cast<int>(value));
    }
    if (entry)
        *entry = value;
}

// Two records per error: the message, then where it was detected.
static void LogRenderTypesError(const char* message, int line)
{
    LogWrite(g_szLogFile, "***ERROR!!! %s\n", message);
    LogWrite(g_szLogFile, "[ %s %d ]\n", kRenderTypesSource, line);
}

int RACalculateVertexSize(DWORD fvf, UINT count, UINT* vertexSize, UINT* size)
{
    if (count == 0)
    {
        LogRenderTypesError("RACalculateVertexSize m_nCount==0", __LINE__);
        return 1;
    }
    UINT stride = 0;
    switch (fvf)
    {
    case RA_FVF_XYZ_DIFFUSE:
        stride = 16;
        break;
    case RA_FVF_XYZ_TEX1:
        stride = 20;
        break;
    case RA_FVF_XYZ_DIFFUSE_TEX1:
        stride = 24;
        break;
    case RA_FVF_XYZ_TEX2:
        stride = 28;
        break;
    default:
        LogRenderTypesError("CALCULATE_VERTEX_SIZE unknow format vertex", __LINE__);
        return 1;
    }
    // a wrapped total would give a buffer smaller than the owner fills
    if (count > 0xFFFFFFFFu / stride)
    {
        LogRenderTypesError("RACalculateVertexSize m_nCount too large", __LINE__);
        return 1;
    }
    if (vertexSize)
        *vertexSize = stride;
    if (size)
        *size = count * stride;
    return 0;
}

int RACalculateFaceSize(D3DFORMAT indexFormat, UINT count, D3DPRIMITIVETYPE primitiveType, UINT* size)
{
    if (count == 0)
    {
        LogRenderTypesError("RACalculateFaceSize m_nCount==0", __LINE__);
        return 1;
    }
    UINT indexSize = 0;
    if (indexFormat == D3DFMT_INDEX16)
        indexSize = 2;
    else if (indexFormat == D3DFMT_INDEX32)
        indexSize = 4;
    else
    {
        LogRenderTypesError("CALCULATE_FACE_SIZE unknow format face", __LINE__);
        return 1;
    }
    unsigned long long indices = 0;
    switch (primitiveType)
    {
    case D3DPT_TRIANGLELIST:
        indices = 3ull * count;
        break;
    case D3DPT_TRIANGLESTRIP:
        indices = count + 2ull;
        break;
    case D3DPT_TRIANGLEFAN:
        indices = 2ull * count + 1;
        break;
    default:
        LogRenderTypesError("CALCULATE_FACE_SIZE unknow format face", __LINE__);
        return 1;
    }
    if (indices * indexSize > 0xFFFFFFFFull)
    {
        LogRenderTypesError("RACalculateFaceSize m_nCount too large", __LINE__);
        return 1;
    }
    if (size)
        *size = static_cast<UINT>(indices * indexSize);
    return 0;
}

int CVertexRenderBuffer::CreateRenderBuffer()
{
    if (m_pRenderBuffer)
    {
        LogRenderTypesError("CVertexBuffer::CreateRenderBuffer m_pRenderBuffer", __LINE__);
        return 1;
    }
    if (RACalculateVertexSize(m_dwFVF, m_nCount, &m_nVertexSize, &m_nSize) != 0)
    {
        LogRenderTypesError("CVertexRenderBuffer::CreateRenderBuffer RACalculateVertexSize", __LINE__);
        return 1;
    }
    if (g_pd3dDevice)
    {
        if (SUCCEEDED(
                g_pd3dDevice->CreateVertexBuffer(m_nSize, m_dwUsage, m_dwFVF, m_Pool, &m_pRenderBuffer, nullptr)) &&
            m_pRenderBuffer)
            return 0;
        m_pRenderBuffer = nullptr;
        // video memory may be short: one more try in the managed pool
        if (SUCCEEDED(g_pd3dDevice->CreateVertexBuffer(m_nSize, m_dwUsage, m_dwFVF, D3DPOOL_MANAGED, &m_pRenderBuffer,
                                                       nullptr)) &&
            m_pRenderBuffer)
            return 0;
        m_pRenderBuffer = nullptr;
    }
    LogRenderTypesError("CVertexRenderBuffer::CreateRenderBuffer g_pd3dDevice->CreateVertexBuffer", __LINE__);
    return 1;
}

namespace {

// Copies bytes into a freshly created buffer of either kind.
template <class Buffer> int FillBuffer(Buffer* buffer, UINT bufferSize, const void* data, UINT size)
{
    void* p = nullptr;
    if (buffer == nullptr || FAILED(buffer->Lock(0, bufferSize, &p, 0)) || p == nullptr)
        return 1;
    std::memcpy(p, data, std::min(size, bufferSize));
    buffer->Unlock();
    return 0;
}

} // namespace

int CVertexRenderBuffer::CreateFilled(const void* data, UINT size)
{
    if (CreateRenderBuffer() != 0)
        return 1;
    return FillBuffer(m_pRenderBuffer, m_nSize, data, size);
}

void CVertexRenderBuffer::Release()
{
    if (m_pRenderBuffer)
    {
        m_pRenderBuffer->Release();
        m_pRenderBuffer = nullptr;
    }
}

int CFaceRenderBuffer::CreateRenderBuffer()
{
    if (m_pRenderBuffer)
    {
        LogRenderTypesError("CFaceRenderBuffer::CreateRenderBuffer m_pRenderBuffer", __LINE__);
        return 1;
    }
    if (RACalculateFaceSize(m_Format, m_nCount, m_PrimitiveType, &m_nSize) != 0)
    {
        LogRenderTypesError("CFaceRenderBuffer::CreateRenderBuffer RACalculateFaceSize", __LINE__);
        return 1;
    }
    if (g_pd3dDevice)
    {
        if (SUCCEEDED(
                g_pd3dDevice->CreateIndexBuffer(m_nSize, m_dwUsage, m_Format, m_Pool, &m_pRenderBuffer, nullptr)) &&
            m_pRenderBuffer)
            return 0;
        m_pRenderBuffer = nullptr;
        if (SUCCEEDED(g_pd3dDevice->CreateIndexBuffer(m_nSize, m_dwUsage, m_Format, D3DPOOL_MANAGED, &m_pRenderBuffer,
                                                      nullptr)) &&
            m_pRenderBuffer)
            return 0;
        m_pRenderBuffer = nullptr;
    }
    LogRenderTypesError("CFaceRenderBuffer::CreateRenderBuffer CreateFaceBuffer()", __LINE__);
    return 1;
}

int CFaceRenderBuffer::CreateFilled(const void* data, UINT size)
{
    if (CreateRenderBuffer() != 0)
        return 1;
    return FillBuffer(m_pRenderBuffer, m_nSize, data, size);
}

void CFaceRenderBuffer::Release()
{
    if (m_pRenderBuffer)
    {
        m_pRenderBuffer->Release();
        m_pRenderBuffer = nullptr;
    }
}
