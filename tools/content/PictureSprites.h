// Host tool: what the painted pictures are drawn with: textures looked up
// by name, clamped sampling, and texture cards drawn into a picture.
#pragma once
#include <vector>

#include "tools/content/Canvas.h"
#include "tools/content/Image.h"
#include "tools/content/Textures.h"

namespace qmc {

// The texture of that name, or a 1 x 1 blank when there is none.
const Image& Tex(const std::vector<TextureEntry>& t, const char* name);

Rgba Scale(Rgba c, float k);

// Bilinear sample with u, v in 0..1, clamped at the edges.
Rgba SampleClamp(const Image& img, float u, float v);

// Draws a card scaled into the rectangle, tinted, over the picture; its
// bottom fades out.
void Sprite(Image& dst, const Image& src, float x, float y, float w, float h, Rgba tint, bool flip = false);
// The same onto a transparent card, without the fade.
void Sprite(Canvas& dst, const Image& src, float x, float y, float w, float h, Rgba tint, bool flip = false);

} // namespace qmc
