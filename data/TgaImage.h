// Portable core: reader of Truevision TGA pictures: true colour (16, 24
// and 32 bits) and 8-bit grey, uncompressed or RLE, either origin corner.
#pragma once
#include "data/TextureData.h"

namespace gfx {

struct TgaHeader
{
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasAlpha = false;
};

// Header checks only: known image type, depth and size, no colour map.
bool ReadTgaHeader(const uint8_t* data, size_t size, TgaHeader& header);

// Decodes into RGBA (grey spread to R = G = B; A = 255 without alpha).
// A file whose pixel data ends early, or whose RLE packets run past the
// image, is refused rather than padded.
bool DecodeTga(const uint8_t* data, size_t size, RgbaImage& out);

} // namespace gfx
