// Portable core: fixed placements of the copies of one vegetation object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassRender/GfxMath.h"

class CTransformList
{
public:
    uint32_t m_nCount = 0;            // instances
    gfx::Mat4* m_pMatrices = nullptr; // m_nCount placements, owned

    CTransformList() = default;
    ~CTransformList();
    CTransformList(const CTransformList&) = delete;
    CTransformList& operator=(const CTransformList&) = delete;

    // Reads the named instance list of an archive; 0, or non-zero (logged)
    // and empty when the file is missing or its size disagrees with its count.
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    int LoadBytes(const void* data, size_t size);

    void Release();
};
