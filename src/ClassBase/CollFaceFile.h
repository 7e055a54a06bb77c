// Portable core: the .collface collision face file.
//   u32 F, F records of eight float3: A, N, A, nAB, B, nBC, C, nCA
// (the face plane and the three edge planes, each as point and unit normal;
// edge normals point into the triangle).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "src/ClassRender/GfxMath.h"

struct CollFace
{
    gfx::Vec3 a, n, a2, nab, b, nbc, c, nca;
};
static_assert(sizeof(CollFace) == 96, "one record of the file");

struct CollFaceData
{
    std::vector<CollFace> faces;
};

// Builds a face with its planes from three corners; false for a degenerate
// triangle, which has no plane.
bool MakeCollFace(const gfx::Vec3& a, const gfx::Vec3& b, const gfx::Vec3& c, CollFace& out);

// 0 and out filled, or non-zero with out empty when the size is not 4 + 96 F.
int ReadCollFaceFile(const void* data, size_t size, CollFaceData& out);

std::vector<uint8_t> WriteCollFaceFile(const CollFaceData& in);
