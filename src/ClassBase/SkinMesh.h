// Portable core: a skinned mesh: every vertex rides on one bone. Skinning
// moves each vertex from its bone's space into the model's by that bone's
// matrix of the current frame and writes the result into the caller's
// buffer (a locked dynamic vertex buffer on Windows).
//
// The vertices are kept grouped by bone (the triangles renumbered to match),
// so skinning walks runs of vertices that share one matrix.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/SkinFile.h"
#include "src/ClassBase/TexturedVertex.h"
#include "src/ClassRender/GfxMath.h"

// Vertices first..first + count - 1 ride on one bone.
struct SkinRun
{
    uint16_t first;
    uint16_t count;
    uint8_t bone;
};

class CSkinMesh
{
public:
    uint16_t m_nVertices = 0;
    uint32_t m_nTriangles = 0;
    unsigned m_nBoneLimit = 0; // one above the highest bone a vertex uses
    // Bone-space positions and texture coordinates, one array each (x, y,
    // z, u, v, m_nVertices floats apiece) in one owned block.
    float* m_pSource = nullptr;
    SkinRun* m_pRuns = nullptr; // owned, by bone
    uint32_t m_nRuns = 0;
    uint16_t* m_pIndices = nullptr; // 3 per triangle, owned

    CSkinMesh() = default;
    ~CSkinMesh();
    CSkinMesh(const CSkinMesh&) = delete;
    CSkinMesh& operator=(const CSkinMesh&) = delete;

    // Reads the named .skin of an archive; 0, or non-zero (one log line) and
    // empty when the file is missing or malformed (short, long, a bone index
    // at or above its bone count, a triangle index outside its vertices).
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    int LoadBytes(const void* data, size_t size);
    // Takes the mesh from parsed data; 0, or non-zero and empty when there
    // are no triangles, the arrays disagree or memory runs out. Triangle t
    // stays triangle t; its vertices may be numbered otherwise.
    int Build(const SkinData& data);

    // Writes every vertex moved by its bone (first three columns of the
    // matrix, no division by w), texture coordinates unchanged, to out
    // (m_nVertices vertices, written once each in order and never read).
    // False and nothing written when the block is null, has fewer than
    // m_nBoneLimit bones, or the mesh is empty.
    bool Skin(const gfx::Mat4* bones, unsigned boneCount, TexturedVertex* out) const;

    bool IsLoaded() const { return m_pSource != nullptr; }
    void Release();
};
