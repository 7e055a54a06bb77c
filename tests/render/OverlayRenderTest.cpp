// The loading screen and the clock on a real device (Wine's Direct3D 9
// under Xvfb), against pictures composed here from the program's own
// pictures and glyphs: the loading screen at two screen sizes, the clock's
// pixels at a driven time over the scene, and a frame that the overlay
// leaves alone when both of its displays are off.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/ImageDecode.h"
#include "data/ImageResample.h"
#include "data/TextureEntry.h"
#include "data/TexturePrepare.h"
#include "data/win/ArchiveResource.h"
#include "src/ClassRender/IdleThrottle.h"
#include "data/win/CustomDataResource.h"
#include "resources/ResourceIds.h"
#include "src/ClassRender/LoadingLayout.h"
#include "src/ClassRender/OverlayLayout.h"
#include "src/ClassRender/win/Overlay.h"
#include "tests/common/PictureSampling.h"
#include "tests/render/SceneHarness.h"

namespace {

using picturetest::Texel;
using shots::Picture;
using Texture = picturetest::SampledPicture;

bool DecodeResource(int id, Texture& out)
{
    const unsigned char* bytes = nullptr;
    uint32_t size = 0;
    return FindCustomData(nullptr, id, &bytes, &size) && gfx::DecodePictureRgba(bytes, size, out.image);
}

bool DecodeGlyph(int slot, Texture& out)
{
    static const char* const names[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ddot", "dot", "am", "pm"};
    char entry[TEXTURE_ENTRY_NAME_MAX];
    unsigned char* data = nullptr;
    uint32_t size = 0;
    bool isTga = false;
    const std::string name = std::string("digits\\") + names[slot] + ".tga";
    // the archive holds the glyph as built (a DDS), or as its picture
    gfx::PreparedTexture prepared;
    const bool ok = ExtractTextureEntry(ExecutableArchive(), name.c_str(), entry, &data, &size, &isTga) &&
                    gfx::PrepareTexture(data, size, {}, prepared) && !prepared.levels.empty() &&
                    gfx::DecodeLevel(prepared.format, prepared.levels[0], out.image);
    std::free(data);
    return ok;
}

// `over` blended onto one pixel of `picture`, source alpha over inverse
// source alpha; alpha below `alphaRef` / 255 is not drawn (alpha test).
void Blend(Picture& picture, int x, int y, const Texel& over, int alphaRef)
{
    if (over.a * 255.0f + 0.5f < static_cast<float>(alphaRef))
        return;
    uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
    const float c[3] = {over.r, over.g, over.b};
    for (int i = 0; i < 3; ++i)
        p[i] =
            static_cast<uint8_t>(std::lround(std::clamp(c[i] * 255.0f * over.a + p[i] * (1 - over.a), 0.0f, 255.0f)));
}

// The pixels a quad over `rect` covers: centres on or right of / below its
// left and top edges and left of / above its right and bottom edges.
struct PixelSpan
{
    int x0, x1, y0, y1; // [x0, x1) x [y0, y1)
    float left, top, width, height;
};
PixelSpan SpanOf(const ScreenRect& rect, int width, int height)
{
    const ScreenPixelRect p = ScreenRectPixels({0, 0, static_cast<float>(width), static_cast<float>(height)}, rect);
    return {static_cast<int>(std::ceil(p.left - 0.5f)),
            static_cast<int>(std::ceil(p.right - 0.5f)),
            static_cast<int>(std::ceil(p.top - 0.5f)),
            static_cast<int>(std::ceil(p.bottom - 0.5f)),
            p.left,
            p.top,
            p.right - p.left,
            p.bottom - p.top};
}

// Largest channel difference of two pictures, over the pixels `inside`
// picks, and how many of those differ by more than `tolerance`.
struct Difference
{
    int most = 0;
    int over = 0;
    int pixels = 0;
};
template <class Inside> Difference Compare(const Picture& a, const Picture& b, int tolerance, Inside inside)
{
    Difference d;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
        {
            if (!inside(x, y))
                continue;
            int most = 0;
            for (int c = 0; c < 3; ++c)
                most =
                    std::max(most, std::abs(static_cast<int>(a.Pixel(x, y)[c]) - static_cast<int>(b.Pixel(x, y)[c])));
            d.most = std::max(d.most, most);
            d.over += most > tolerance ? 1 : 0;
            ++d.pixels;
        }
    return d;
}

// --- the loading screen ----------------------------------------------------

// The loading screen as the device should show it: the background stretched
// over the screen with bilinear filtering, the corners texel for pixel over
// it, blended by their alpha (alpha test at 2, as the device is set up).
Picture ComposeLoadingScreen(const Texture pictures[LOADING_PICTURES], int width, int height)
{
    Picture out;
    out.width = width;
    out.height = height;
    out.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    out.alpha.assign(static_cast<size_t>(width) * height, 255);
    ScreenRect rects[LOADING_PICTURES];
    LayoutLoadingScreen(static_cast<float>(width), static_cast<float>(height), rects);
    for (int i = 0; i < LOADING_PICTURES; ++i)
    {
        const Texture& t = pictures[i];
        const PixelSpan s = SpanOf(rects[i], width, height);
        for (int y = s.y0; y < s.y1; ++y)
            for (int x = s.x0; x < s.x1; ++x)
            {
                const float u = (x + 0.5f - s.left) / s.width, v = (y + 0.5f - s.top) / s.height;
                const Texel texel = t.Bilinear(u * t.image.width - 0.5f, v * t.image.height - 0.5f);
                Blend(out, x, y, i == lpBackground ? Texel{texel.r, texel.g, texel.b, 1.0f} : texel, 2);
            }
    }
    return out;
}

class LoadingScreenPicture : public testing::TestWithParam<std::pair<int, int>>
{};

TEST_P(LoadingScreenPicture, IsTheBackgroundWithTheFourCornersAtTheirOwnSize)
{
    const int width = GetParam().first, height = GetParam().second;
    Texture pictures[LOADING_PICTURES];
    const int ids[LOADING_PICTURES] = {IDR_LOADING_SCREEN, 471, 472, 473, 474};
    for (int i = 0; i < LOADING_PICTURES; ++i)
        ASSERT_TRUE(DecodeResource(ids[i], pictures[i])) << "resource " << ids[i];

    shots::CSceneHarness harness;
    std::string error;
    ASSERT_TRUE(harness.Open(width, height, false, error)) << error;
    ASSERT_EQ(harness.DrawLoadingScreen(), S_OK);
    EXPECT_EQ(harness.App().m_nFrameParity, 0) << "the loading picture counts as a frame";
    Picture shown;
    ASSERT_TRUE(harness.CaptureBackBuffer(shown));
    ASSERT_EQ(shown.width, width);
    ASSERT_EQ(shown.height, height);

    const Picture expected = ComposeLoadingScreen(pictures, width, height);
    EXPECT_LT(shots::MeanDifference(shown, expected), 1.0);
    const Difference all = Compare(shown, expected, 6, [](int, int) { return true; });
    EXPECT_LE(all.over, all.pixels / 1000) << "largest difference " << all.most;

    // The corners, pixel for pixel, and where they are transparent the
    // background shows.
    ScreenRect rects[LOADING_PICTURES];
    LayoutLoadingScreen(static_cast<float>(width), static_cast<float>(height), rects);
    for (int i = lpTopLeft; i < LOADING_PICTURES; ++i)
    {
        SCOPED_TRACE(ids[i]);
        const PixelSpan s = SpanOf(rects[i], width, height);
        EXPECT_EQ(s.x1 - s.x0, 256);
        EXPECT_EQ(s.y1 - s.y0, 128);
        auto inCorner = [&](int x, int y) { return x >= s.x0 && x < s.x1 && y >= s.y0 && y < s.y1; };
        EXPECT_LE(Compare(shown, expected, 3, inCorner).over, 0);
        auto clear = [&](int x, int y) { return inCorner(x, y) && pictures[i].At(x - s.x0, y - s.y0).a == 0.0f; };
        const Difference background = Compare(shown, expected, 3, clear);
        EXPECT_GT(background.pixels, 1000) << "the corner picture has transparent parts";
        EXPECT_EQ(background.over, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoadingScreenPicture,
                         testing::Values(std::make_pair(1024, 768), std::make_pair(640, 480)),
                         [](const testing::TestParamInfo<std::pair<int, int>>& info) {
                             return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

// --- the clock over the scene ------------------------------------------------

constexpr int kPath = 0;
constexpr int kFrame = 303;

class OverlayPicture : public testing::Test
{
protected:
    // One harness for the suite, with the scene loaded.
    static void SetUpTestSuite()
    {
        s_harness = new shots::CSceneHarness;
        std::string error;
        if (s_harness->Open(1024, 768, false, error))
            s_harness->LoadScene();
        s_error = error;
    }
    static void TearDownTestSuite()
    {
        delete s_harness;
        s_harness = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(s_error, "") << "no real Direct3D 9 device";
        ASSERT_TRUE(s_harness->LoadOverlay());
        for (int slot = 0; slot < OVERLAY_GLYPH_SLOTS; ++slot)
        {
            Texture top;
            ASSERT_TRUE(DecodeGlyph(slot, top)) << slot;
            // the levels the texture is made with
            std::vector<gfx::RgbaImage> levels;
            gfx::BuildMipChain(top.image, kGlyphLevels, levels);
            ASSERT_EQ(levels.size(), static_cast<size_t>(kGlyphLevels));
            for (int k = 0; k < kGlyphLevels; ++k)
                m_glyphs[slot][k].image = levels[k];
        }
    }
    void TearDown() override { ReleaseOverlayTextures(&s_harness->App()); }

    // The frame with the overlay as the settings say, at local time `time`.
    static Picture Frame(bool showTime, bool twelveHour, bool showFps, const LocalClockTime& time)
    {
        SaverSettings& settings = s_harness->App().m_Settings;
        settings.ShowTime = showTime;
        settings.TimeModeAMPM = twelveHour;
        settings.ShowFPS = showFps;
        s_harness->SetLocalTime(time.hour, time.minute, time.second);
        s_harness->StartPath(kPath);
        // Twice at the same clock: the particles move by the time since the
        // frame before, which the second drawing makes none, and the plants
        // are rewritten (counter B odd), so only the overlay differs.
        for (int twice = 0; twice < 2; ++twice)
        {
            g_IdleThrottle.b |= 1u;
            s_harness->RenderPathFrame(kFrame);
        }
        Picture picture;
        EXPECT_TRUE(s_harness->CaptureBackBuffer(picture));
        return picture;
    }

    // `scene` with the glyphs of `layout` drawn over it: each glyph filtered
    // as the device does (bilinear in the two mip levels around the
    // reduction, mixed), blended by its alpha (the stage takes the glyph's
    // colour).
    Picture Compose(const Picture& scene, const OverlayLayout& layout) const
    {
        Picture out = scene;
        for (int i = 0; i < layout.count; ++i)
        {
            const Texture* levels = m_glyphs[layout.glyphs[i].slot];
            const PixelSpan s = SpanOf(layout.glyphs[i].rect, scene.width, scene.height);
            const float reduction = std::max(levels[0].image.width / s.width, levels[0].image.height / s.height);
            const float lod = std::clamp(std::log2(reduction), 0.0f, static_cast<float>(kGlyphLevels - 1));
            const int lower = std::min(static_cast<int>(lod), kGlyphLevels - 2);
            const float mix = lod - static_cast<float>(lower);
            for (int y = s.y0; y < s.y1; ++y)
                for (int x = s.x0; x < s.x1; ++x)
                {
                    const float u = (x + 0.5f - s.left) / s.width, v = (y + 0.5f - s.top) / s.height;
                    Texel mixed = {0, 0, 0, 0};
                    for (int k = 0; k < 2; ++k)
                    {
                        const Texture& level = levels[lower + k];
                        const Texel t = level.Bilinear(u * level.image.width - 0.5f, v * level.image.height - 0.5f);
                        const float w = k == 0 ? 1 - mix : mix;
                        mixed = {mixed.r + t.r * w, mixed.g + t.g * w, mixed.b + t.b * w, mixed.a + t.a * w};
                    }
                    Blend(out, x, y, mixed, 0);
                }
        }
        return out;
    }

    static bool InClockCorner(int x, int y) { return x >= 670 && y >= 700; }

    static shots::CSceneHarness* s_harness;
    static std::string s_error;
    static constexpr int kGlyphLevels = 3; // 64, 32, 16: glyphs are drawn 20 to 64 pixels wide
    Texture m_glyphs[OVERLAY_GLYPH_SLOTS][kGlyphLevels];
};

shots::CSceneHarness* OverlayPicture::s_harness = nullptr;
std::string OverlayPicture::s_error;

TEST_F(OverlayPicture, TheClockShowsTheGlyphsOfTheDrivenTimeInTheLowerRightCorner)
{
    // the effects out of sight: only the overlay may differ between frames
    const ScopedHiddenEffects hidden(s_harness->World(), heAll);
    const Picture scene = Frame(false, false, false, {0, 0, 0});
    const struct
    {
        LocalClockTime time;
        bool twelveHour;
    } cases[] = {{{12, 34, 56}, false}, {{20, 17, 29}, true}};
    OverlayLayout layouts[2];
    for (int i = 0; i < 2; ++i)
        LayoutClock(cases[i].time, cases[i].twelveHour, layouts[i]);
    Picture shown[2];
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        shown[i] = Frame(true, cases[i].twelveHour, false, cases[i].time);
        const Difference clock = Compare(shown[i], Compose(scene, layouts[i]), 24, InClockCorner);
        EXPECT_LE(clock.over, clock.pixels / 200) << "largest difference " << clock.most;
        // the glyphs of the other time do not fit
        const Difference other = Compare(shown[i], Compose(scene, layouts[1 - i]), 24, InClockCorner);
        EXPECT_GT(other.over, 10 * (clock.over + 10));
        // nothing else changed
        EXPECT_EQ(Compare(shown[i], scene, 0, [](int x, int y) { return !InClockCorner(x, y); }).over, 0);
    }
    EXPECT_GT(Compare(shown[0], shown[1], 24, InClockCorner).over, 200) << "another time, other pixels";
}

TEST_F(OverlayPicture, WithBothDisplaysOffTheFrameIsTheFrameWithoutOverlay)
{
    const Picture off = Frame(false, true, false, {12, 34, 56});
    ReleaseOverlayTextures(&s_harness->App());
    const Picture without = Frame(true, true, true, {12, 34, 56});
    EXPECT_EQ(shots::MeanDifference(off, without), 0.0);
}

} // namespace
