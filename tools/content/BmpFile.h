// 24-bit Windows bitmap, the form of the preview and dialog pictures.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/content/Image.h"

namespace qmc {

std::vector<uint8_t> EncodeBmp24(const Image& img);

} // namespace qmc
