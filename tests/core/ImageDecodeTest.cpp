// Image decoders: every TGA variant gives the same pixels, JPEG comes back
// close, DDS levels are taken as stored, and broken files are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "data/DdsImage.h"
#include "data/DxtBlocks.h"
#include "data/ImageDecode.h"
#include "data/TexturePrepare.h"
#include "tests/common/TestJpeg.h"
#include "tests/common/ProgressiveJpeg.h"
#include "tools/samples/SamplePictures.h"

namespace {

using gfxtest::MakeTga;
using gfxtest::TgaOptions;

TEST(ImageDecode, TgaVariantsDecodeToTheSamePixels)
{
    const int w = 37, h = 11; // odd sizes catch row and packet mistakes
    std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(w, h, 3);
    for (int x = 5; x < 30; ++x) // a flat stretch so RLE writes run packets
        std::memcpy(&px[(4 * w + x) * 4], &px[4 * w * 4], 4);

    struct Case
    {
        TgaOptions o;
        const char* name;
    };
    const Case cases[] = {
        {{32, false, false}, "32 bottom-up"},   {{32, false, true}, "32 top-down"},
        {{32, true, false}, "32 RLE"},          {{24, false, false}, "24"},
        {{24, true, true}, "24 RLE top-down"},  {{8, false, false}, "grey"},
        {{8, true, true}, "grey RLE top-down"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> file = MakeTga(w, h, px, c.o);
        gfx::ImageInfo info;
        ASSERT_TRUE(gfx::ReadImageInfo(file.data(), file.size(), info));
        EXPECT_EQ(info.width, uint32_t(w));
        EXPECT_EQ(info.height, uint32_t(h));
        EXPECT_EQ(info.fileFormat, c.o.bits == 32 ? gfx::FMT_A8R8G8B8 : gfx::FMT_X8R8G8B8);

        gfx::RgbaImage img;
        ASSERT_TRUE(gfx::DecodePictureRgba(file.data(), file.size(), img));
        ASSERT_EQ(img.pixels.size(), px.size());
        for (size_t i = 0; i < px.size(); i += 4)
        {
            const uint8_t r = px[i], g = c.o.bits == 8 ? px[i] : px[i + 1], b = c.o.bits == 8 ? px[i] : px[i + 2];
            const uint8_t a = c.o.bits == 32 ? px[i + 3] : 255;
            ASSERT_EQ(img.pixels[i], r) << "texel " << i / 4;
            ASSERT_EQ(img.pixels[i + 1], g) << "texel " << i / 4;
            ASSERT_EQ(img.pixels[i + 2], b) << "texel " << i / 4;
            ASSERT_EQ(img.pixels[i + 3], a) << "texel " << i / 4;
        }
    }
}

TEST(ImageDecode, JpegDecodesCloseToTheSource)
{
    const int w = 64, h = 48;
    const std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(w, h, 9);
    const std::vector<uint8_t> file = gfxtest::EncodeJpeg(w, h, px, 95);
    ASSERT_FALSE(file.empty());
    gfx::ImageInfo info;
    ASSERT_TRUE(gfx::ReadImageInfo(file.data(), file.size(), info));
    EXPECT_EQ(info.fileFormat, gfx::FMT_X8R8G8B8);
    gfx::RgbaImage img;
    ASSERT_TRUE(gfx::DecodePictureRgba(file.data(), file.size(), img));
    double sum = 0;
    for (size_t i = 0; i < px.size(); i += 4)
    {
        for (int k = 0; k < 3; ++k)
            sum += std::abs(int(img.pixels[i + k]) - int(px[i + k]));
        ASSERT_EQ(img.pixels[i + 3], 255);
    }
    EXPECT_LT(sum / (w * h * 3), 6.0); // mean error of a quality-95 JPEG

    // progressive: the same smooth picture family, decoded whole
    ASSERT_TRUE(gfx::DecodePictureRgba(gfxtest::PROGRESSIVE_JPEG, sizeof gfxtest::PROGRESSIVE_JPEG, img));
    EXPECT_EQ(img.width, uint32_t(gfxtest::PROGRESSIVE_JPEG_WIDTH));
    EXPECT_EQ(img.height, uint32_t(gfxtest::PROGRESSIVE_JPEG_HEIGHT));
    // its top-right corner: red near 128 + 100 sin 6, green near 128 + 100 cos 2
    const uint8_t* corner = img.Row(0) + (img.width - 1) * 4;
    EXPECT_NEAR(corner[0], 128 + 100 * std::sin(6.0 * 63 / 64) + 4, 12);
    EXPECT_NEAR(corner[1], 128 + 100 * std::cos(2.0 * 63 / 64), 12);
}

TEST(ImageDecode, DdsLevelsAreTakenAsStored)
{
    // A8R8G8B8 with three levels, then a DXT1 and a V8U8 file
    std::vector<std::vector<uint8_t>> levels;
    for (int s : {4, 2, 1})
    {
        std::vector<uint8_t> l(s * s * 4);
        for (size_t i = 0; i < l.size(); ++i)
            l[i] = static_cast<uint8_t>(i * 7 + s);
        levels.push_back(l);
    }
    std::vector<uint8_t> file = gfxtest::MakeDds(4, 4, gfx::FMT_A8R8G8B8, levels);
    gfx::PreparedTexture tex;
    ASSERT_TRUE(gfx::ReadDds(file.data(), file.size(), tex));
    EXPECT_EQ(tex.format, gfx::FMT_A8R8G8B8);
    ASSERT_EQ(tex.levels.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(tex.levels[i].bytes, levels[i]);

    // a level short: refused, not padded
    file.pop_back();
    EXPECT_FALSE(gfx::ReadDds(file.data(), file.size(), tex));
    EXPECT_TRUE(tex.levels.empty());

    const std::vector<uint8_t> dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0x1B, 0x1B, 0x1B, 0x1B}; // red over blue
    file = gfxtest::MakeDds(4, 4, gfx::FMT_DXT1, {dxt1});
    gfx::ImageInfo info;
    ASSERT_TRUE(gfx::ReadImageInfo(file.data(), file.size(), info));
    EXPECT_EQ(info.kind, gfx::ImageFileKind::Dds);
    EXPECT_EQ(info.fileFormat, gfx::FMT_DXT1);
    // asking for A8R8G8B8 converts; every row is indices 3,2,1,0
    gfx::TextureRequest request;
    request.format = gfx::FMT_A8R8G8B8;
    request.mipLevels = 1;
    ASSERT_TRUE(gfx::PrepareTexture(file.data(), file.size(), request, tex));
    ASSERT_EQ(tex.levels.size(), 1u);
    const uint8_t* row = tex.levels[0].bytes.data(); // B, G, R, A
    EXPECT_EQ(row[0 * 4 + 2], 85) << "one third red";
    EXPECT_EQ(row[3 * 4 + 2], 255) << "pure red";
    EXPECT_EQ(row[3 * 4 + 0], 0);

    file = gfxtest::MakeDds(2, 1, gfx::FMT_V8U8, {{0x80, 0x7F, 0x00, 0x01}});
    ASSERT_TRUE(gfx::ReadDds(file.data(), file.size(), tex));
    EXPECT_EQ(tex.format, gfx::FMT_V8U8);
}

TEST(ImageDecode, BrokenFilesAreRefused)
{
    const std::vector<uint8_t> px(8 * 8 * 4, 200);
    std::vector<uint8_t> tga = MakeTga(8, 8, px, {32, false, false});
    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"TGA cut short", std::vector<uint8_t>(tga.begin(), tga.begin() + 100)});
    std::vector<uint8_t> huge = tga;
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF; // 65535 x 65535
    cases.push_back({"TGA claiming a huge size", huge});
    std::vector<uint8_t> zero = tga;
    zero[12] = zero[13] = 0;
    cases.push_back({"TGA of width 0", zero});
    std::vector<uint8_t> rle = MakeTga(2, 1, std::vector<uint8_t>(8, 9), {24, true, false});
    rle[18] = 0x82; // a run of three texels in a two-texel image
    cases.push_back({"RLE run past the image", rle});
    std::vector<uint8_t> jpeg(gfxtest::PROGRESSIVE_JPEG, gfxtest::PROGRESSIVE_JPEG + sizeof gfxtest::PROGRESSIVE_JPEG);
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4)
        { // first Huffman table: counts of 17 per length
            for (int k = 0; k < 16; ++k)
                jpeg[i + 5 + k] = 17;
            break;
        }
    cases.push_back({"JPEG Huffman table of 272 codes", jpeg});
    std::vector<uint8_t> dds = gfxtest::MakeDds(4, 4, gfx::FMT_DXT3, {std::vector<uint8_t>(16)});
    std::vector<uint8_t> cube = dds;
    cube[113] = 0x02; // cube-map flag
    cases.push_back({"DDS cube map", cube});
    std::vector<uint8_t> odd = dds;
    odd[84] = 'Q'; // unknown FOURCC
    cases.push_back({"DDS unknown format", odd});
    cases.push_back({"DDS header only", std::vector<uint8_t>(dds.begin(), dds.begin() + 128)});

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        gfx::PreparedTexture tex;
        std::string why;
        EXPECT_FALSE(gfx::PrepareTexture(c.bytes.data(), c.bytes.size(), {}, tex, &why));
        EXPECT_TRUE(tex.levels.empty());
        EXPECT_FALSE(why.empty());
    }
}

} // namespace
