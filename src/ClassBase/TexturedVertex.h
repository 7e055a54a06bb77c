// Portable core: the vertex of every textured mesh the scene hands the device
// (position and one texture coordinate pair; XYZ | TEX1, 20 bytes).
#pragma once

struct TexturedVertex
{
    float x, y, z, u, v;
};
static_assert(sizeof(TexturedVertex) == 20, "the device reads 20-byte vertices");
