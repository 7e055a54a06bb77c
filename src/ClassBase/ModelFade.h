// Portable core: the texture factor a static model is drawn with.
#pragma once
#include <cstdint>

// Each channel of colour (ARGB) scaled by fade, truncated toward zero and
// kept within 0..255. Unless additive, white is special: it keeps its colour
// and only the alpha fades, so fading never darkens an untinted model.
uint32_t ModelFadeFactor(uint32_t colour, float fade, bool additive);
