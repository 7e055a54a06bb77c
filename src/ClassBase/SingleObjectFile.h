// Portable core: the .singleobject static mesh file (read and write).
//   u16 tag, u16 kind (not read), u16 NV, u16 NF, u16 NM,
//   NV x (x y z u v floats), NF x 3 u16 indices,
//   NM x (u32 0, u16 first index, u16 triangle count),
//   NM x (u32 L, L name bytes, u32 offset of that material's record).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SingleObjectVertex
{
    float x, y, z, u, v;
};

struct SingleObjectMaterial
{
    uint16_t firstIndex = 0; // into the index array, 3 x first triangle
    uint16_t triangleCount = 0;
    std::string texture; // as the modelling tool wrote it ("ground01.tga")
};

struct SingleObjectData
{
    uint16_t tag = 10; // the two leading u16 values nobody reads
    uint16_t kind = 1;
    std::vector<SingleObjectVertex> vertices;
    std::vector<uint16_t> indices; // 3 per triangle
    std::vector<SingleObjectMaterial> materials;
};

// Parses a whole file. On any inconsistency (short file, trailing bytes, an
// index at or above NV, a material run outside the index list, a name running
// past the end) returns non-zero and leaves out empty.
int ReadSingleObjectFile(const void* data, size_t size, SingleObjectData& out);

// Serialises; the caller keeps counts below 65,536 and names below 2^31.
// Returns an empty vector when the data cannot be represented.
std::vector<uint8_t> WriteSingleObjectFile(const SingleObjectData& in);

// Size of a file with these counts and name lengths.
size_t SingleObjectFileSize(size_t vertices, size_t triangles, const std::vector<size_t>& nameLengths);
