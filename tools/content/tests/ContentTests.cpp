#include <gtest/gtest.h>

#include "tools/content/StbCodecs.h"
#include "tools/content/TgaFile.h"

using namespace qmc;

TEST(TgaFile, RoundTripsColourAndAlpha) {
    Image img(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = img.At(x, y);
            p[0] = uint8_t(x * 60);
            p[1] = uint8_t(y * 200);
            p[2] = 7;
            p[3] = uint8_t(x * 80 + y);
        }
    std::vector<uint8_t> tga = EncodeTga(img);
    ASSERT_EQ(tga.size(), 18u + 4 * 2 * 4);
    EXPECT_EQ(tga[16], 32);
    Image back = DecodeImage(tga);
    ASSERT_EQ(back.Width(), 4);
    ASSERT_EQ(back.Height(), 2);
    EXPECT_EQ(back.Bytes(), img.Bytes());
}
