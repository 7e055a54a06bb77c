// Host tool: text on the pictures, drawn from a TrueType font.
#pragma once
#include <string>

#include "tools/content/Image.h"
#include "tools/content/StbCodecs.h"

namespace qmc {

// The font in the file at path (an empty font when it cannot be read).
Font LoadFont(const std::string& path);

// Text with a soft dark shadow, px high, on the baseline; x is the centre
// when centred is set, else the left end.
void DrawText(Image& img, const Font& font, const std::string& text, float px, float x, float baseline, Rgba colour,
              bool centred);

} // namespace qmc
