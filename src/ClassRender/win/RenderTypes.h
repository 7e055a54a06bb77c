// Windows layer: the device pointer and the texture-stage state cache.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstring>

// A float as the bits a render or stage state takes it in.
inline DWORD FloatBits(float f)
{
    DWORD d;
    std::memcpy(&d, &f, sizeof(d));
    return d;
}

// Releases a Direct3D object if there is one and forgets it.
template <class T> void ReleaseNull(T*& p)
{
    if (p != nullptr)
    {
        p->Release();
        p = nullptr;
    }
}

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

// Vertex formats the size table accepts.
constexpr DWORD RA_FVF_XYZ_DIFFUSE = 0x042;      // 16 bytes
constexpr DWORD RA_FVF_XYZ_TEX1 = 0x102;         // 20 bytes
constexpr DWORD RA_FVF_XYZ_DIFFUSE_TEX1 = 0x142; // 24 bytes
constexpr DWORD RA_FVF_XYZ_TEX2 = 0x202;         // 28 bytes

// Vertex size and total size of count vertices of format fvf. Returns 0,
// or 1 (logged) for a count of 0, a format outside the table, or a total
// that does not fit 32 bits.
int RACalculateVertexSize(DWORD fvf, UINT count, UINT* vertexSize, UINT* size);

// Total size of the indices of count primitives: list 3 x count, strip
// count + 2, fan 2 x count + 1 indices of 2 (INDEX16) or 4 (INDEX32)
// bytes. Returns 0, or 1 (logged) as above.
int RACalculateFaceSize(D3DFORMAT indexFormat, UINT count, D3DPRIMITIVETYPE primitiveType, UINT* size);

// A vertex buffer and the numbers that describe it. The owner sets usage,
// format, pool and m_nCount, calls CreateRenderBuffer, locks
// m_pRenderBuffer (offset 0, m_nSize bytes), fills it, and calls Release
// at teardown. An owner whose buffer is still null after creation skips
// filling and drawing it.
class CVertexRenderBuffer
{
public:
    DWORD m_dwUsage = 0;
    DWORD m_dwFVF = 0;
    D3DPOOL m_Pool = D3DPOOL_MANAGED;
    UINT m_nCount = 0;
    UINT m_nSize = 0;       // computed by CreateRenderBuffer
    UINT m_nVertexSize = 0; // stream stride, computed by CreateRenderBuffer
    IDirect3DVertexBuffer9* m_pRenderBuffer = nullptr;

    CVertexRenderBuffer() = default;
    CVertexRenderBuffer(DWORD usage, DWORD fvf, D3DPOOL pool) : m_dwUsage(usage), m_dwFVF(fvf), m_Pool(pool) {}

    // 0 on success; 1 (logged) when the buffer exists already, the sizes
    // are refused, or creation fails in the given pool and once more in
    // D3DPOOL_MANAGED.
    int CreateRenderBuffer();
    // CreateRenderBuffer, then copies `size` bytes (at most m_nSize) into the
    // new buffer; 0, or non-zero when creation or the lock fails.
    int CreateFilled(const void* data, UINT size);
    void Release();
};

// An index buffer ("faces") and the numbers that describe it.
class CFaceRenderBuffer
{
public:
    DWORD m_dwUsage = 0;
    D3DFORMAT m_Format = D3DFMT_INDEX16;
    D3DPRIMITIVETYPE m_PrimitiveType = D3DPT_TRIANGLELIST;
    D3DPOOL m_Pool = D3DPOOL_MANAGED;
    UINT m_nCount = 0; // primitives
    UINT m_nSize = 0;  // computed by CreateRenderBuffer
    IDirect3DIndexBuffer9* m_pRenderBuffer = nullptr;

    CFaceRenderBuffer() = default;
    CFaceRenderBuffer(DWORD usage, D3DFORMAT format, D3DPRIMITIVETYPE type, D3DPOOL pool)
        : m_dwUsage(usage), m_Format(format), m_PrimitiveType(type), m_Pool(pool)
    {}

    // As CVertexRenderBuffer::CreateRenderBuffer and CreateFilled.
    int CreateRenderBuffer();
    int CreateFilled(const void* data, UINT size);
    void Release();
};
