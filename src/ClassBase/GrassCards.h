// Portable core: a field of grass cards, one per placement, rebuilt for each
// camera so that every card faces it. Blade k stands on its placement point
// (the rest of the placement matrix is ignored), 12c wide and 15c tall with
// c = 0.5 sin(k) + 1.6, and uses vertices 4k..4k+3.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/TexturedVertex.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/GfxMath.h"

// Most blades one field holds: 4 vertices each under 16-bit indices.
constexpr uint32_t GRASS_BLADES_MAX = 16383;

struct GrassBlade
{
    gfx::Vec3 root;
    float size; // c
};

class CGrassCards
{
public:
    uint32_t m_nCount = 0;
    GrassBlade* m_pBlades = nullptr; // owned

    CGrassCards() = default;
    ~CGrassCards();
    CGrassCards(const CGrassCards&) = delete;
    CGrassCards& operator=(const CGrassCards&) = delete;

    // Reads the named instance list of an archive; 0, or non-zero (one log
    // line) and empty when the file is missing or malformed, or holds no
    // placement or more than the most.
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    int LoadBytes(const void* data, size_t size);
    // The blades of parsed placements; 0, or non-zero and empty as above.
    int Build(const InstanceListData& list);

    // The triangles of every blade, (4k, 4k+1, 4k+2) and (4k+1, 4k+3, 4k+2):
    // 6 m_nCount indices.
    void WriteIndices(uint16_t* out) const;
    // Every blade turned by the camera's rotation (the camera's world matrix,
    // the inverse view, without its translation): 4 m_nCount vertices,
    // written once each and never read.
    void Write(const gfx::Mat4& camera, TexturedVertex* out) const;

    void Release();
};
