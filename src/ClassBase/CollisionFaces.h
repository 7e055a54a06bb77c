// Portable core: the walkable and water surfaces of the scene as triangles
// with their face and edge planes. Loaded with the scene; nothing queries
// them yet beyond the point test below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/CollFaceFile.h"

class CCollisionFaces
{
public:
    int m_nCount = 0;             // faces
    CollFace* m_pFaces = nullptr; // m_nCount records, owned

    CCollisionFaces() = default;
    ~CCollisionFaces();
    CCollisionFaces(const CCollisionFaces&) = delete;
    CCollisionFaces& operator=(const CCollisionFaces&) = delete;

    // Reads the named faces ("coll.collface") of an archive; 0, or non-zero
    // (logged) and empty when the file is missing or its size disagrees
    // with its count.
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    int LoadBytes(const void* data, size_t size);

    // Height of p above the first face it lies over (inside all three edge
    // planes); false when it lies over none.
    bool HeightAbove(const gfx::Vec3& p, float& height) const;

    void Release();
};
