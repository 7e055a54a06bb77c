// Windows layer: a mesh whose vertices are rewritten whole for a frame (a
// write-only dynamic vertex buffer in the default pool, locked with
// D3DLOCK_DISCARD) over fixed triangles (a managed index buffer filled once),
// drawn with one texture. Skins, leaf cards and grass cards are drawn from
// one each; their owners set the states.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/TexturedVertex.h"
#include "src/ClassBase/win/Model.h"
#include "src/ClassRender/win/RenderTypes.h"

class CDynamicMesh
{
public:
    CVertexRenderBuffer m_VertexBuffer{D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, RA_FVF_XYZ_TEX1, D3DPOOL_DEFAULT};
    CFaceRenderBuffer m_FaceBuffer{D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_MANAGED};
    UINT m_nMaterials = 0;    // 1 once created
    ModelMaterial m_Material; // every triangle
    bool m_bWritten = false;  // the vertex buffer holds garbage until the first write

    CDynamicMesh() = default;
    ~CDynamicMesh() { Release(); }
    CDynamicMesh(const CDynamicMesh&) = delete;
    CDynamicMesh& operator=(const CDynamicMesh&) = delete;

    // Both buffers (`vertices` vertices, `triangles` triangles copied from
    // indices) and the named texture of the archive. 0, or non-zero with one
    // log line naming `owner`, everything released. A texture that fails
    // leaves the mesh untextured and is no failure.
    int Create(const ArchiveView& archive, const char* owner, UINT vertices, const uint16_t* indices, UINT triangles,
               const char* texture);

    // The whole vertex buffer, its old contents discarded; null (logged) when
    // it cannot be locked. Unlock after writing every vertex.
    TexturedVertex* Lock();
    void Unlock();

    // Something to draw: created and written at least once.
    bool CanDraw() const { return m_nMaterials != 0 && m_bWritten; }
    // Format, stream 0, indices and texture set, every triangle drawn; the
    // other states are the caller's. Nothing unless CanDraw.
    void Draw(IDirect3DDevice9* device) const;

    bool IsCreated() const { return m_nMaterials != 0; }
    void Release();
};
