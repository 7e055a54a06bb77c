// The texture factor of a static model from its colour and the fade.
#include <gtest/gtest.h>

#include "src/ClassBase/ModelFade.h"

TEST(ModelFadeFactor, BlendedAdditiveAndTinted)
{
    struct Case
    {
        uint32_t colour;
        float fade;
        bool additive;
        uint32_t factor;
    };
    const Case cases[] = {
        {0xFFFFFFFFu, 0.5f, false, 0x7FFFFFFFu}, // white: only the alpha fades
        {0xFFFFFFFFu, 0.5f, true, 0x7F7F7F7Fu},  // additive: white fades to black
        {0xFFFFFFFFu, 1.0f, false, 0xFFFFFFFFu},
        {0xFFFFFFFFu, 0.2f, false, 0x33FFFFFFu}, // 51.000001 -> 51
        {0xFFFFFFFFu, 0.0f, false, 0x00FFFFFFu},
        {0xFFFFFFFFu, 0.0f, true, 0x00000000u},
        {0x80FF4020u, 0.5f, false, 0x407F2010u}, // a tint scales every channel
        {0x80FF4020u, 0.5f, true, 0x407F2010u},
        {0xFEFFFFFFu, 0.5f, false, 0x7F7F7F7Fu}, // not white: no special case
        {0xFF030303u, 0.5f, false, 0x7F010101u}, // 1.5 truncates to 1
        // fades outside 0..1 stay within each channel
        {0xFFFFFFFFu, 1.5f, false, 0xFFFFFFFFu},
        {0x80804020u, 1.5f, true, 0xC0C06030u},
        {0xFF808080u, 3.0f, true, 0xFFFFFFFFu},
        {0xFFFFFFFFu, -0.5f, false, 0x00FFFFFFu},
        {0xFF808080u, -1.0f, true, 0x00000000u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModelFadeFactor(c.colour, c.fade, c.additive), c.factor)
            << std::hex << c.colour << " fade " << c.fade << " additive " << c.additive;
}
