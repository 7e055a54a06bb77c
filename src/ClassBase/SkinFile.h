// Portable core: the .skin skinned mesh file (one bone per vertex).
//   u16 6, u16 1 (not read), u16 NV, u16 NF, u8 influences (1, not read),
//   u8 B, NV bone indices, NV positions, NV weights (1.0, not read),
//   NV texture coordinates, NF x 3 u16 indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "src/ClassRender/GfxMath.h"

struct SkinData
{
    uint8_t boneCount = 0;
    std::vector<uint8_t> bones;       // per vertex, below boneCount
    std::vector<gfx::Vec3> positions; // in the bone's space
    std::vector<float> texcoords;     // u, v per vertex
    std::vector<uint16_t> indices;    // 3 per triangle
};

// 0 and out filled, or non-zero with out empty: short or long file, a bone
// index at or above B, a triangle index at or above NV.
int ReadSkinFile(const void* data, size_t size, SkinData& out);

// Empty vector when the arrays disagree or exceed the format's counts.
std::vector<uint8_t> WriteSkinFile(const SkinData& in);
