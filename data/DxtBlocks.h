// Portable core: DXT (BC1..BC3) block decoding, and the DXT3 encoder used
// for every texture compressed at load time.
#pragma once
#include <cstdint>

#include "data/TextureData.h"

namespace gfx {

// Decodes one 8-byte DXT1 block into 16 RGBA texels (row by row). Blocks
// with colour0 <= colour1 use the three-colour mode with transparent black.
void DecodeDxt1Block(const uint8_t* block, uint8_t rgba[64]);
// 16-byte DXT3 block: explicit 4-bit alpha, colour always in four-colour mode.
void DecodeDxt3Block(const uint8_t* block, uint8_t rgba[64]);
// 16-byte DXT5 block: interpolated alpha, colour in four-colour mode.
void DecodeDxt5Block(const uint8_t* block, uint8_t rgba[64]);

// Encodes 16 RGBA texels (row by row) into a 16-byte DXT3 block. Alpha is
// rounded to the nearest 4-bit value; the colour block is written with
// colour0 > colour1 (four-colour mode) unless both endpoints are equal, in
// which case every index is 0.
void EncodeDxt3Block(const uint8_t rgba[64], uint8_t block[16]);

// Whole images. Edge blocks of sizes that are not multiples of 4 repeat
// the last row and column.
void EncodeDxt3Image(const RgbaImage& image, TextureLevel& level);
// Decodes a DXT1/3/5 level into RGBA; false for other formats or a level
// whose byte count does not match its size.
bool DecodeDxtLevel(uint32_t format, const TextureLevel& level, RgbaImage& out);

} // namespace gfx
