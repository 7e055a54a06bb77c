// Portable core: resizing to texture sizes and building mip chains.
#pragma once
#include "data/TextureData.h"

namespace gfx {

// Smallest power of two >= value (value >= 1), capped at limit.
uint32_t RoundUpPow2(uint32_t value, uint32_t limit);

// Resamples with a Mitchell filter (downsizing) or Catmull-Rom
// (enlarging), colour weighted by alpha so transparent texels do not bleed.
// False only when an edge is 0.
bool ResizeRgba(const RgbaImage& src, uint32_t width, uint32_t height, RgbaImage& out);

// Alpha reference the scene draws cut-out textures with.
constexpr int CUTOUT_ALPHA_REF = 128;

// True for textures whose alpha is mostly fully in or fully out (leaves,
// grass, reeds): at least 90 % of texels below 16 or above 239, and some
// of them out.
bool IsCutout(const RgbaImage& image);

// Fraction of texels whose alpha is >= ref.
float AlphaCoverage(const RgbaImage& image, int ref);

// Halves each edge (not below 1) with a 2x2 box, colour weighted by alpha.
void Downsample2x(const RgbaImage& src, RgbaImage& out);

// Builds count levels from level 0 (count 0 = down to 1 x 1). For cut-out
// textures the alpha of each smaller level is scaled so that the share of
// texels passing the alpha test stays that of level 0; each level is built
// from the unscaled one above it, so errors do not pile up.
void BuildMipChain(const RgbaImage& top, uint32_t count, std::vector<RgbaImage>& levels);

} // namespace gfx
