// Windows icon file with several sizes; 256-pixel images are stored as PNG.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/content/Image.h"

namespace qmc {

std::vector<uint8_t> EncodeIco(const std::vector<Image>& sizes);

} // namespace qmc
