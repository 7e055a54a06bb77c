// Portable core: the .anim bone animation file.
//   u16 5, u16 1 (not read), u16 B, u16 F, F x B matrices, frame-major.
// Each matrix maps its bone's space to the model's space for that frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "src/ClassRender/GfxMath.h"

struct AnimData
{
    uint16_t boneCount = 0;
    uint16_t frameCount = 0;
    std::vector<gfx::Mat4> matrices; // bone b of frame f at f x boneCount + b

    const gfx::Mat4* Frame(uint32_t f) const { return &matrices[size_t(f) * boneCount]; }
};

// 0 and out filled, or non-zero with out empty: short or long file, or no
// bones or no frames (playback would divide by the frame count).
int ReadAnimFile(const void* data, size_t size, AnimData& out);

// Empty vector when the matrix count is not B x F.
std::vector<uint8_t> WriteAnimFile(const AnimData& in);
