// Portable core: reader and writer of DirectDraw Surface files (2D textures only):
// DXT1, DXT3, DXT5, A8R8G8B8, X8R8G8B8 and V8U8, with their mip levels.
#pragma once
#include "data/TextureData.h"

namespace gfx {

struct DdsHeader
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mipLevels = 1; // as stored, capped at the full chain
    uint32_t format = FMT_UNKNOWN;
};

// Checks the magic, header size, dimensions and pixel format. Cube maps,
// volumes and other pixel formats are refused.
bool ReadDdsHeader(const uint8_t* data, size_t size, DdsHeader& header);

// Reads the header and every stored level; false when the file is shorter
// than its levels need (nothing is guessed).
bool ReadDds(const uint8_t* data, size_t size, PreparedTexture& out);

// Number of levels of a full chain down to 1 x 1.
uint32_t FullMipCount(uint32_t width, uint32_t height);

// A DDS file of the given levels (level 0 first, each half the size of the
// one before, rows as MakeLevelLayout lays them out) in a format the reader
// takes: DXT1, DXT3, DXT5, A8R8G8B8, X8R8G8B8 or V8U8. ReadDds gives the
// same levels back. Empty for another format or no levels.
std::vector<uint8_t> WriteDds(const PreparedTexture& texture);

} // namespace gfx
