// Portable core: the .linkanim leaf card file.
//   u32 L, L matrices (a unit card in its bone's space), L u8 bone indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "src/ClassRender/GfxMath.h"

struct LinkAnimData
{
    std::vector<gfx::Mat4> cards;
    std::vector<uint8_t> bones; // one per card
};

// 0 and out filled, or non-zero with out empty: short or long file, or a
// bone index at or above boneCount (pass the skin's bone count; 256 checks
// nothing).
int ReadLinkAnimFile(const void* data, size_t size, LinkAnimData& out, unsigned boneCount = 256);

// Empty vector when the two arrays differ in length.
std::vector<uint8_t> WriteLinkAnimFile(const LinkAnimData& in);
