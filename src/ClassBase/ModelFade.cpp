// Portable core: the texture factor a static model is drawn with.
#include "src/ClassBase/ModelFade.h"

namespace {

uint32_t ScaleChannel(uint32_t channel, float fade)
{
    // truncation toward zero; a fade outside 0..1 must not spill into the
    // neighbouring channel
    const float scaled = static_cast<float>(channel) * fade;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint32_t>(static_cast<int>(scaled));
}

} // namespace

uint32_t ModelFadeFactor(uint32_t colour, float fade, bool additive)
{
    if (!additive && colour == 0xFFFFFFFFu)
        return (ScaleChannel(255, fade) << 24) | 0x00FFFFFFu;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= ScaleChannel((colour >> shift) & 0xFF, fade) << shift;
    return out;
}
