// Texture preparation: DXT3 blocks, V8U8 mapping, power-of-two sizes, mip
// chains and the coverage of cut-out textures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "data/DdsImage.h"
#include "data/DxtBlocks.h"
#include "data/ImageResample.h"
#include "data/TextureBake.h"
#include "data/TexturePrepare.h"
#include "tools/samples/SamplePictures.h"

namespace {

double ColourRmse(const gfx::RgbaImage& a, const gfx::RgbaImage& b)
{
    return std::sqrt(gfxtest::SquaredColourError(a.pixels, b.pixels) / (a.pixels.size() / 4 * 3));
}

gfx::RgbaImage Picture(int w, int h, const std::vector<uint8_t>& px)
{
    gfx::RgbaImage img;
    img.width = w;
    img.height = h;
    img.pixels = px;
    return img;
}

TEST(Dxt3, BlocksDecodeBackWithinAMeasuredErrorAndExactAlpha)
{
    // a smooth picture: what the scene's textures look like
    const gfx::RgbaImage src = Picture(64, 64, gfxtest::MakeSmoothPicture(64, 64, 1));
    gfx::TextureLevel level;
    gfx::EncodeDxt3Image(src, level);
    ASSERT_EQ(level.bytes.size(), 16u * 16 * 16);
    gfx::RgbaImage back;
    ASSERT_TRUE(gfx::DecodeDxtLevel(gfx::FMT_DXT3, level, back));
    EXPECT_LT(ColourRmse(src, back), 6.0);
    for (size_t i = 3; i < src.pixels.size(); i += 4)
    {
        const int a4 = (src.pixels[i] + 8) / 17;
        ASSERT_EQ(back.pixels[i], a4 * 17) << "alpha is the nearest 4-bit value";
        ASSERT_LE(std::abs(int(back.pixels[i]) - int(src.pixels[i])), 8);
    }
    // every alpha value, through the encoder: nearest 4-bit value, and the
    // alpha test at the scene's reference 128 keeps its answer
    gfx::RgbaImage ramp = Picture(16, 16, std::vector<uint8_t>(16 * 16 * 4, 90));
    for (int i = 0; i < 256; ++i)
        ramp.pixels[i * 4 + 3] = static_cast<uint8_t>(i);
    gfx::TextureLevel rampLevel;
    gfx::EncodeDxt3Image(ramp, rampLevel);
    ASSERT_TRUE(gfx::DecodeDxtLevel(gfx::FMT_DXT3, rampLevel, back));
    for (int i = 0; i < 256; ++i)
    {
        EXPECT_EQ(back.pixels[i * 4 + 3], (i + 8) / 17 * 17) << "alpha " << i;
        EXPECT_EQ(back.pixels[i * 4 + 3] >= 128, i >= 128) << "alpha " << i;
    }

    // every colour block is in four-colour mode (or has one colour)
    for (size_t b = 0; b < level.bytes.size(); b += 16)
    {
        const int c0 = level.bytes[b + 8] | (level.bytes[b + 9] << 8);
        const int c1 = level.bytes[b + 10] | (level.bytes[b + 11] << 8);
        ASSERT_GE(c0, c1);
        if (c0 == c1)
            ASSERT_EQ(level.bytes[b + 12] | level.bytes[b + 13] | level.bytes[b + 14] | level.bytes[b + 15], 0);
    }
}

TEST(Dxt3, HardBlocksStayCloseToTheirBestEncoding)
{
    struct Case
    {
        const char* name;
        uint8_t texels[16][4];
        double maxRmse;
    };
    Case cases[] = {
        {"solid odd colour", {}, 1.5},
        {"two colours", {}, 0.5},
        {"four colours on a line", {}, 2.0},
        {"random", {}, 60.0},
    };
    gfxtest::Rng rng;
    for (int i = 0; i < 16; ++i)
    {
        const uint8_t solid[4] = {77, 141, 203, 255};
        std::memcpy(cases[0].texels[i], solid, 4);
        const uint8_t two[2][4] = {{255, 0, 0, 255}, {0, 0, 255, 0}};
        std::memcpy(cases[1].texels[i], two[(i * 7) % 3 == 0], 4);
        const uint8_t v = static_cast<uint8_t>((i % 4) * 85);
        const uint8_t line[4] = {v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(v / 2), 255};
        std::memcpy(cases[2].texels[i], line, 4);
        for (int k = 0; k < 4; ++k)
            cases[3].texels[i][k] = static_cast<uint8_t>(rng.Next());
    }
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        uint8_t block[16], back[64];
        gfx::EncodeDxt3Block(&c.texels[0][0], block);
        gfx::DecodeDxt3Block(block, back);
        double sum = 0;
        for (int i = 0; i < 16; ++i)
            for (int k = 0; k < 3; ++k)
                sum += std::pow(double(back[i * 4 + k]) - c.texels[i][k], 2);
        EXPECT_LE(std::sqrt(sum / 48), c.maxRmse);
        EXPECT_GE(block[8] | (block[9] << 8), block[10] | (block[11] << 8));
    }
}

TEST(TexturePrepare, SizesRoundUpToPowersOfTwoWithAFullChain)
{
    struct Case
    {
        int w, h;
        uint32_t format, maxEdge, mipLevels;
        uint32_t expectW, expectH, expectLevels;
    };
    const Case cases[] = {
        {300, 200, gfx::FMT_DXT3, 4096, 0, 512, 256, 10},
        {64, 64, gfx::FMT_A8R8G8B8, 4096, 0, 64, 64, 7},
        {1, 5, gfx::FMT_X8R8G8B8, 4096, 0, 1, 8, 4},
        {100, 100, gfx::FMT_DXT3, 64, 0, 64, 64, 7}, // capped by the device
        {100, 70, gfx::FMT_DXT3, 100, 1, 64, 64, 1}, // a limit that is no power of two
        {128, 32, gfx::FMT_DXT3, 4096, 3, 128, 32, 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const std::vector<uint8_t> file =
            gfxtest::MakeTga(c.w, c.h, gfxtest::MakeSmoothPicture(c.w, c.h, 2), {32, false, false});
        gfx::TextureRequest request;
        request.format = c.format;
        request.maxEdge = c.maxEdge;
        request.mipLevels = c.mipLevels;
        gfx::PreparedTexture tex;
        ASSERT_TRUE(gfx::PrepareTexture(file.data(), file.size(), request, tex));
        EXPECT_EQ(tex.format, c.format);
        ASSERT_EQ(tex.levels.size(), c.expectLevels);
        uint32_t w = c.expectW, h = c.expectH;
        for (const gfx::TextureLevel& l : tex.levels)
        {
            EXPECT_EQ(l.width, w);
            EXPECT_EQ(l.height, h);
            const gfx::TextureLevel layout = gfx::MakeLevelLayout(c.format, w, h);
            EXPECT_EQ(l.bytes.size(), size_t(layout.rowPitch) * layout.rowCount);
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
    }
}

TEST(TexturePrepare, CutoutCoverageHoldsThroughTheMipLevels)
{
    const gfx::RgbaImage leaves = Picture(256, 256, gfxtest::MakeLeafPicture(256, 256, 5));
    ASSERT_TRUE(gfx::IsCutout(leaves));
    const float top = gfx::AlphaCoverage(leaves, gfx::CUTOUT_ALPHA_REF);
    ASSERT_GT(top, 0.1f);
    ASSERT_LT(top, 0.9f);

    std::vector<gfx::RgbaImage> chain;
    gfx::BuildMipChain(leaves, 0, chain);
    ASSERT_EQ(chain.size(), 9u);
    // down to 8 x 8: a leaf card must not thin out in the distance
    for (size_t i = 1; i + 3 < chain.size(); ++i)
        EXPECT_NEAR(gfx::AlphaCoverage(chain[i], gfx::CUTOUT_ALPHA_REF), top, 0.03f) << "level " << i;

    // the plain box chain loses it, which is what the scaling is for
    gfx::RgbaImage plain = leaves, next;
    for (int i = 0; i < 5; ++i)
    {
        gfx::Downsample2x(plain, next);
        plain = next;
    }
    EXPECT_GT(std::fabs(gfx::AlphaCoverage(plain, gfx::CUTOUT_ALPHA_REF) - top), 0.03f);

    // smooth alpha is left alone
    const gfx::RgbaImage smooth = Picture(64, 64, gfxtest::MakeSmoothPicture(64, 64, 4));
    EXPECT_FALSE(gfx::IsCutout(smooth));
    gfx::BuildMipChain(smooth, 2, chain);
    gfx::Downsample2x(smooth, next);
    EXPECT_EQ(chain[1].pixels, next.pixels);
}

TEST(TexturePrepare, V8U8TakesRedAndGreenAroundOneTwentyEight)
{
    std::vector<uint8_t> px = {0, 255, 9, 9, 128, 128, 9, 9, 255, 0, 9, 9, 129, 127, 9, 9};
    const std::vector<uint8_t> file = gfxtest::MakeTga(4, 1, px, {32, false, true});
    gfx::TextureRequest request;
    request.format = gfx::FMT_V8U8;
    request.mipLevels = 1;
    gfx::PreparedTexture tex;
    ASSERT_TRUE(gfx::PrepareTexture(file.data(), file.size(), request, tex));
    ASSERT_EQ(tex.levels.size(), 1u);
    const auto& b = tex.levels[0].bytes;
    ASSERT_EQ(b.size(), 8u);
    const int8_t expected[8] = {-128, 127, 0, 0, 127, -128, 1, -1}; // u, v per texel
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(static_cast<int8_t>(b[i]), expected[i]) << i;

    // a bump map whose alpha channel holds something else: alpha must not
    // weight u and v while the chain is reduced
    std::vector<uint8_t> stripes;
    for (int i = 0; i < 8 * 4; ++i)
    {
        const std::vector<uint8_t> texel =
            i % 2 ? std::vector<uint8_t>{96, 140, 0, 255} : std::vector<uint8_t>{160, 100, 0, 0};
        stripes.insert(stripes.end(), texel.begin(), texel.end());
    }
    const std::vector<uint8_t> bump = gfxtest::MakeTga(8, 4, stripes, {32, false, false});
    request.mipLevels = 2;
    ASSERT_TRUE(gfx::PrepareTexture(bump.data(), bump.size(), request, tex));
    ASSERT_EQ(tex.levels.size(), 2u);
    for (size_t i = 0; i < tex.levels[1].bytes.size(); i += 2)
    {
        ASSERT_EQ(static_cast<int8_t>(tex.levels[1].bytes[i]), 0);      // (160 + 96) / 2 - 128
        ASSERT_EQ(static_cast<int8_t>(tex.levels[1].bytes[i + 1]), -8); // (100 + 140) / 2 - 128
    }
}

TEST(TexturePrepare, FileFormatAndConversionsAreChosenByTheRequest)
{
    const std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(8, 8, 1);
    const std::vector<uint8_t> tga24 = gfxtest::MakeTga(8, 8, px, {24, false, false});
    gfx::PreparedTexture tex;
    ASSERT_TRUE(gfx::PrepareTexture(tga24.data(), tga24.size(), {}, tex));
    EXPECT_EQ(tex.format, gfx::FMT_X8R8G8B8);
    EXPECT_EQ(tex.levels.size(), 4u);

    // a DXT3 DDS asked for as is keeps its bytes, even with one level only
    gfx::TextureLevel level;
    gfx::EncodeDxt3Image(Picture(8, 8, px), level);
    const std::vector<uint8_t> dds = gfxtest::MakeDds(8, 8, gfx::FMT_DXT3, {level.bytes});
    ASSERT_TRUE(gfx::PrepareTexture(dds.data(), dds.size(), {}, tex));
    EXPECT_EQ(tex.format, gfx::FMT_DXT3);
    ASSERT_EQ(tex.levels.size(), 1u);
    EXPECT_EQ(tex.levels[0].bytes, level.bytes);

    // a format we cannot produce is a failure, not a wrong texture
    gfx::TextureRequest request;
    request.format = gfx::FMT_DXT5;
    EXPECT_FALSE(gfx::PrepareTexture(tga24.data(), tga24.size(), request, tex));
    EXPECT_TRUE(tex.levels.empty());
}

} // namespace

// A texture baked when the content is built loads to exactly the levels the
// saver would have made from the picture at load time.
TEST(TextureBake, DdsHoldsTheLevelsTheLoadWouldMake)
{
    std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(48, 20, 3);
    for (size_t i = 3; i < px.size(); i += 4)
        px[i] = (i / 4) % 7 < 3 ? 0 : 255; // a cut-out: coverage matters on every level
    const std::vector<uint8_t> tga = gfxtest::MakeTga(48, 20, px, {32, false, false});
    struct Case
    {
        const char* name;
        uint32_t format;
    } cases[] = {{"Leaves02.tga", gfx::FMT_DXT3},
                 {"water\\CAUST07_ddn.tga", gfx::FMT_V8U8},
                 {"digits/ddot.tga", gfx::FMT_A8R8G8B8}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gfx::BakedTextureFormat(c.name), c.format);
        std::vector<uint8_t> dds;
        ASSERT_TRUE(gfx::BakeTexture(tga.data(), tga.size(), c.format, dds));

        gfx::TextureRequest atLoad;
        atLoad.format = c.format;
        gfx::PreparedTexture fromPicture, fromDds;
        ASSERT_TRUE(gfx::PrepareTexture(tga.data(), tga.size(), atLoad, fromPicture));
        // the saver asks for the file's own format when it finds the .dds
        ASSERT_TRUE(gfx::PrepareTexture(dds.data(), dds.size(), {}, fromDds));
        EXPECT_EQ(fromDds.format, c.format);
        ASSERT_EQ(fromDds.levels.size(), fromPicture.levels.size());
        EXPECT_EQ(fromDds.levels.size(), 7u); // 64 x 32 down to 1 x 1
        for (size_t i = 0; i < fromDds.levels.size(); ++i)
        {
            EXPECT_EQ(fromDds.levels[i].width, fromPicture.levels[i].width) << i;
            EXPECT_EQ(fromDds.levels[i].height, fromPicture.levels[i].height) << i;
            EXPECT_EQ(fromDds.levels[i].bytes, fromPicture.levels[i].bytes) << i;
        }
    }
    // a picture that cannot be read bakes to nothing
    std::vector<uint8_t> dds = {1};
    std::string error;
    EXPECT_FALSE(gfx::BakeTexture(tga.data(), 10, gfx::FMT_DXT3, dds, &error));
    EXPECT_TRUE(dds.empty());
    EXPECT_FALSE(error.empty());
}
