// Uncompressed 32-bit TGA, the form every texture of the archive takes.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/content/Image.h"

namespace qmc {

// Type 2, 32 bits per pixel, 8 alpha bits, top-left origin, BGRA order.
std::vector<uint8_t> EncodeTga(const Image& img);

} // namespace qmc
