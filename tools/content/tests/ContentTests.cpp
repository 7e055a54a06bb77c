// Checks on the generated content as written by the build (QM_CONTENT_DIR,
// QM_PICTURE_DIR) and on the measuring and encoding pieces behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "src/ClassBase/SceneConstants.h"
#include "tools/content/ContentSet.h"
#include "tools/content/Pictures.h"
#include "tools/content/Sounds.h"
#include "tools/content/StbCodecs.h"
#include "tools/content/TgaFile.h"
#include "tools/content/Textures.h"

using namespace qmc;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string EntryPath(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    return std::string(QM_CONTENT_DIR) + "/" + name;
}

Image LoadEntry(const std::string& name)
{
    return DecodeImage(ReadAll(EntryPath(name)));
}

bool PowerOfTwo(int v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

double MeanAbsDiff(const Image& a, const Image& b)
{
    double s = 0;
    for (size_t i = 0; i < a.Bytes().size(); ++i)
        s += std::abs(int(a.Bytes()[i]) - int(b.Bytes()[i]));
    return s / a.Bytes().size();
}

// Mean colour step between columns x0 and x1 (wrapping), over all rows.
double ColumnStep(const Image& img, int x0, int x1)
{
    double s = 0;
    for (int y = 0; y < img.Height(); ++y)
        for (int c = 0; c < 3; ++c)
            s += std::abs(int(img.At(x0, y)[c]) - int(img.At(x1, y)[c]));
    return s / (img.Height() * 3);
}
double RowStep(const Image& img, int y0, int y1)
{
    double s = 0;
    for (int x = 0; x < img.Width(); ++x)
        for (int c = 0; c < 3; ++c)
            s += std::abs(int(img.At(x, y0)[c]) - int(img.At(x, y1)[c]));
    return s / (img.Width() * 3);
}

struct TextureCase
{
    const char* name;
    AlphaUse alpha;
    bool tiles;
};

// Every texture the meshes, particles and water name, with how it is drawn.
const TextureCase kTextures[] = {
    {"ground01.tga", AlphaUse::Opaque, true},       {"ground02.tga", AlphaUse::Opaque, true},
    {"ground03.tga", AlphaUse::Opaque, true},       {"ground04.tga", AlphaUse::Opaque, true},
    {"hill01.tga", AlphaUse::Opaque, true},         {"border01.tga", AlphaUse::Opaque, true},
    {"bereg01.tga", AlphaUse::Opaque, true},        {"sand01.tga", AlphaUse::Opaque, true},
    {"ruslo01.tga", AlphaUse::Opaque, true},        {"lusha_dno.tga", AlphaUse::Opaque, true},
    {"rock01.tga", AlphaUse::Opaque, true},         {"rock02.tga", AlphaUse::Opaque, true},
    {"stone01.tga", AlphaUse::Opaque, true},        {"stone02.tga", AlphaUse::Opaque, true},
    {"ledge01.tga", AlphaUse::Opaque, true},        {"most.tga", AlphaUse::Opaque, true},
    {"sky.tga", AlphaUse::Opaque, false},           {"reka.tga", AlphaUse::Blend, true},
    {"lusha.tga", AlphaUse::Blend, true},           {"waterfall01.tga", AlphaUse::Blend, true},
    {"waterfall02.tga", AlphaUse::Blend, true},     {"foam01.tga", AlphaUse::Blend, false},
    {"bark01.tga", AlphaUse::Opaque, true},         {"bark02.tga", AlphaUse::Opaque, true},
    {"bark03.tga", AlphaUse::Opaque, true},         {"Leaves01.tga", AlphaUse::Cutout, false},
    {"Leaves02.tga", AlphaUse::Cutout, false},      {"Leaves03.tga", AlphaUse::Cutout, false},
    {"kamish.tga", AlphaUse::Cutout, false},        {"grass.tga", AlphaUse::Cutout, false},
    {"duck.tga", AlphaUse::Opaque, false},          {"leaf.tga", AlphaUse::Cutout, false},
    {"Leaveswater01.tga", AlphaUse::Cutout, false}, {"brizg.tga", AlphaUse::Blend, false},
    {"tree_shadow.tga", AlphaUse::Opaque, false},   {"litter_edge.tga", AlphaUse::Blend, false},
};

} // namespace

TEST(TgaFile, RoundTripsColourAndAlpha)
{
    Image img(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
        {
            uint8_t* p = img.At(x, y);
            p[0] = uint8_t(x * 60);
            p[1] = uint8_t(y * 200);
            p[2] = 7;
            p[3] = uint8_t(x * 80 + y);
        }
    std::vector<uint8_t> tga = EncodeTga(img);
    ASSERT_EQ(tga.size(), 18u + 4 * 2 * 4);
    EXPECT_EQ(tga[2], 2);
    EXPECT_EQ(tga[16], 32);
    Image back = DecodeImage(tga);
    ASSERT_EQ(back.Width(), 4);
    ASSERT_EQ(back.Height(), 2);
    EXPECT_EQ(back.Bytes(), img.Bytes());
}

TEST(Textures, ExistDecodeHavePowerOfTwoSidesAndTheAlphaTheirDrawingNeeds)
{
    for (const TextureCase& c : kTextures)
    {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = ReadAll(EntryPath(c.name));
        ASSERT_GT(bytes.size(), 18u);
        EXPECT_EQ(bytes[2], 2);   // uncompressed true colour
        EXPECT_EQ(bytes[16], 32); // 32 bits with alpha
        Image img = DecodeImage(bytes);
        ASSERT_FALSE(img.Empty());
        EXPECT_TRUE(PowerOfTwo(img.Width()) && PowerOfTwo(img.Height())) << img.Width() << "x" << img.Height();
        size_t clear = 0, solid = 0, n = size_t(img.Width()) * img.Height();
        for (size_t i = 0; i < n; ++i)
        {
            uint8_t a = img.Bytes()[i * 4 + 3];
            clear += a == 0;
            solid += a == 255;
        }
        switch (c.alpha)
        {
        case AlphaUse::Opaque:
            EXPECT_EQ(solid, n);
            break;
        case AlphaUse::Cutout:
            // A card: real holes and a real shape, not a faint veil.
            EXPECT_GT(clear, n / 10);
            EXPECT_GT(solid, n / 20);
            break;
        case AlphaUse::Blend:
            EXPECT_LT(solid, n);
            break;
        }
    }
}

TEST(Textures, CutoutCardsCarryLeafColourIntoTheirHoles)
{
    // Filtering mixes the colour of transparent texels into the edge; black
    // there would draw a dark rim around every leaf.
    for (const char* name : {"Leaves02.tga", "grass.tga", "kamish.tga", "leaf.tga", "foam01.tga"})
    {
        SCOPED_TRACE(name);
        Image img = LoadEntry(name);
        ASSERT_FALSE(img.Empty());
        double sum = 0;
        size_t n = 0;
        for (int y = 0; y < img.Height(); ++y)
            for (int x = 0; x < img.Width(); ++x)
                if (img.At(x, y)[3] == 0)
                {
                    sum += img.At(x, y)[0] + img.At(x, y)[1] + img.At(x, y)[2];
                    ++n;
                }
        ASSERT_GT(n, 0u);
        EXPECT_GT(sum / n, 90.0);
    }
}

TEST(Textures, TiledTexturesMeetThemselvesAtTheEdges)
{
    for (const TextureCase& c : kTextures)
    {
        if (!c.tiles)
            continue;
        SCOPED_TRACE(c.name);
        Image img = LoadEntry(c.name);
        ASSERT_FALSE(img.Empty());
        const int w = img.Width(), h = img.Height();
        double inner = 0;
        for (int x = 0; x + 1 < w; ++x)
            inner += ColumnStep(img, x, x + 1);
        inner /= w - 1;
        EXPECT_LT(ColumnStep(img, w - 1, 0), inner * 2.0 + 1.0);
        double innerRows = 0;
        for (int y = 0; y + 1 < h; ++y)
            innerRows += RowStep(img, y, y + 1);
        innerRows /= h - 1;
        EXPECT_LT(RowStep(img, h - 1, 0), innerRows * 2.0 + 1.0);
    }
}

TEST(Textures, SkyMeetsTheFogColourAtTheHorizon)
{
    // The dome's v is linear in elevation with the horizon at v = 0.713: from
    // there down the sky is the fog colour, above it it is not.
    Image sky = LoadEntry("sky.tga");
    ASSERT_FALSE(sky.Empty());
    const uint8_t fog[3] = {uint8_t(SCENE_FOG_COLOR >> 16), uint8_t(SCENE_FOG_COLOR >> 8), uint8_t(SCENE_FOG_COLOR)};
    const int horizon = int(0.713f * sky.Height()) + 1;
    for (int y : {horizon, (horizon + sky.Height()) / 2, sky.Height() - 1})
        for (int x = 0; x < sky.Width(); x += 7)
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(sky.At(x, y)[c], fog[c], 3) << "row " << y << " column " << x;
    int differs = 0;
    for (int x = 0; x < sky.Width(); ++x)
    {
        const uint8_t* p = sky.At(x, sky.Height() / 4);
        differs += std::abs(p[0] - fog[0]) + std::abs(p[1] - fog[1]) + std::abs(p[2] - fog[2]) > 12;
    }
    EXPECT_GT(differs, sky.Width() / 2);
    // u wraps round the horizon.
    double inner = 0;
    for (int x = 0; x + 1 < sky.Width(); ++x)
        inner += ColumnStep(sky, x, x + 1);
    EXPECT_LT(ColumnStep(sky, sky.Width() - 1, 0), inner / (sky.Width() - 1) * 2.0 + 1.0);
}

// Frame sequences that the runtime plays in a loop: the step from the last
// frame back to the first must look like any other step.
TEST(Textures, BumpAndRingFramesLoop)
{
    struct Seq
    {
        const char* pattern;
        int frames;
    };
    for (Seq s : {Seq{"water\\CAUST%02d_ddn.tga", 32}, Seq{"wave%02d.tga", 16}})
    {
        SCOPED_TRACE(s.pattern);
        std::vector<Image> f;
        char name[64];
        for (int i = 0; i < s.frames; ++i)
        {
            std::snprintf(name, sizeof name, s.pattern, i);
            f.push_back(LoadEntry(name));
            ASSERT_FALSE(f.back().Empty()) << name;
            ASSERT_EQ(f.back().Width(), f[0].Width());
            ASSERT_TRUE(PowerOfTwo(f.back().Width()) && PowerOfTwo(f.back().Height()));
        }
        double maxStep = 0, sumStep = 0;
        for (int i = 0; i + 1 < s.frames; ++i)
        {
            double d = MeanAbsDiff(f[i], f[i + 1]);
            maxStep = std::max(maxStep, d);
            sumStep += d;
        }
        double wrap = MeanAbsDiff(f.back(), f.front());
        EXPECT_LE(wrap, maxStep * 1.2);
        EXPECT_GT(sumStep / (s.frames - 1), 0.2); // it does move
    }
}

TEST(Textures, BumpMapsAreSignedSlopesAroundMidGrey)
{
    // Red and green hold the slopes with 128 as flat: over a tiling frame of a
    // periodic height field they average out to 128, and they use the range.
    for (int i : {0, 13, 31})
    {
        char name[64];
        std::snprintf(name, sizeof name, "water\\CAUST%02d_ddn.tga", i);
        Image img = LoadEntry(name);
        ASSERT_FALSE(img.Empty());
        for (int c = 0; c < 2; ++c)
        {
            double sum = 0;
            int lo = 255, hi = 0;
            for (int y = 0; y < img.Height(); ++y)
                for (int x = 0; x < img.Width(); ++x)
                {
                    int v = img.At(x, y)[c];
                    sum += v;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            EXPECT_NEAR(sum / (img.Width() * img.Height()), 128.0, 2.0) << name << " channel " << c;
            EXPECT_LT(lo, 80);
            EXPECT_GT(hi, 176);
        }
    }
}

TEST(Textures, RingsOnlyDarken)
{
    // Drawn multiplicatively: white is "no change", so the quad's border must be
    // white (no visible square) and nothing may be brighter than white anyway.
    for (int i = 0; i < 16; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof name, "wave%02d.tga", i);
        Image img = LoadEntry(name);
        ASSERT_FALSE(img.Empty());
        for (int k = 0; k < img.Width(); ++k)
            for (const uint8_t* p :
                 {img.At(k, 0), img.At(0, k), img.At(k, img.Height() - 1), img.At(img.Width() - 1, k)})
                EXPECT_GE(p[0], 250) << name;
    }
    Image mid = LoadEntry("wave05.tga");
    int darkest = 255;
    for (int y = 0; y < mid.Height(); ++y)
        for (int x = 0; x < mid.Width(); ++x)
            darkest = std::min<int>(darkest, mid.At(x, y)[0]);
    EXPECT_LT(darkest, 220); // the ring is visible
    EXPECT_GT(darkest, 100); // but only slightly darker
}

TEST(Glyphs, FourteenWhiteGlyphsInADarkRimOfOneSizeAndHeight)
{
    const char* names[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ddot", "dot", "am", "pm"};
    int digitTop = -1, digitBottom = -1;
    for (const char* n : names)
    {
        std::string name = std::string("digits\\") + n + ".tga";
        SCOPED_TRACE(name);
        Image img = LoadEntry(name);
        ASSERT_FALSE(img.Empty());
        EXPECT_EQ(img.Width(), 64);
        EXPECT_EQ(img.Height(), 64);
        int top = img.Height(), bottom = -1, white = 0, rim = 0, partial = 0;
        for (int y = 0; y < img.Height(); ++y)
            for (int x = 0; x < img.Width(); ++x)
            {
                const uint8_t* p = img.At(x, y);
                EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "grey only";
                if (p[3] > 128 && p[0] > 240)
                {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    ++white;
                }
                rim += p[3] > 128 && p[0] < 40;
                partial += p[3] > 0 && p[3] < 200;
                // a texel that shows nothing has the rim's colour: filtering
                // never pulls white outside the rim
                if (p[3] == 0)
                    EXPECT_LT(p[0], 40);
                // the rim fits inside the texture
                if (x == 0 || y == 0 || x == img.Width() - 1 || y == img.Height() - 1)
                    EXPECT_EQ(p[3], 0);
            }
        EXPECT_GT(white, 20);
        EXPECT_GT(rim, white / 4); // readable over a bright sky
        EXPECT_GT(partial, 10);    // soft edges
        if (n[0] >= '0' && n[0] <= '9' && n[1] == 0)
        {
            if (digitTop < 0)
            {
                digitTop = top;
                digitBottom = bottom;
            }
            EXPECT_NEAR(top, digitTop, 2);
            EXPECT_NEAR(bottom, digitBottom, 2);
        }
    }
    EXPECT_GT(digitBottom - digitTop, 30);
}

TEST(Loudness, SineAtFullScaleMeasuresMinusThree)
{
    // The reference point of BS.1770: a 997 Hz sine at 0 dBFS in one channel
    // reads -3.01 LUFS. Ten seconds of silence after it must be gated away
    // (ungated, the figure would drop by 3 dB).
    std::vector<float> mono(size_t(kSampleRate) * 20, 0.0f);
    for (int i = 0; i < kSampleRate * 10; ++i)
        mono[i] = float(std::sin(2 * 3.14159265358979 * 997 * i / kSampleRate));
    EXPECT_NEAR(IntegratedLoudness(mono, 1, kSampleRate), -3.01, 0.1);
    // Both channels count: two channels at -20 dB read as one at -17 dB.
    std::vector<float> stereo(mono.size() * 2);
    for (size_t i = 0; i < mono.size(); ++i)
        stereo[i * 2] = stereo[i * 2 + 1] = mono[i] * 0.1f;
    EXPECT_NEAR(IntegratedLoudness(stereo, 2, kSampleRate), -20.0, 0.1);
    EXPECT_FALSE(std::isfinite(IntegratedLoudness(std::vector<float>(kSampleRate, 0.0f), 1, kSampleRate)));
}

TEST(Loudness, NormaliseHitsTheTargetUnderTheCeiling)
{
    std::vector<float> pcm(kSampleRate * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = 0.01f * std::sin(0.05f * i) * (1 + 3 * ((i / 5000) % 2));
    Normalise(pcm, 1, -10.0, 0.89f);
    EXPECT_NEAR(IntegratedLoudness(pcm, 1, kSampleRate), -10.0, 0.5);
    for (float s : pcm)
        ASSERT_LE(std::fabs(s), 0.89f);
}

TEST(Sounds, DecodeAsSeamlessLoopsWithHeadroom)
{
    struct Case
    {
        const char* name;
        int channels;
        double minSeconds;
    };
    double music = 0;
    for (Case c : {Case{"music.ogg", 2, 60}, Case{"rain.ogg", 1, 8}, Case{"water_wall.ogg", 1, 8}})
    {
        SCOPED_TRACE(c.name);
        DecodedSound s = DecodeVorbis(ReadAll(EntryPath(c.name)));
        ASSERT_EQ(s.channels, c.channels);
        EXPECT_EQ(s.rate, 44100);
        const size_t frames = s.samples.size() / s.channels;
        EXPECT_GE(frames, size_t(c.minSeconds * 44100));
        EXPECT_EQ(frames % 44100, 0u) << "a whole number of seconds, as synthesised";
        float peak = 0;
        for (float v : s.samples)
            peak = std::max(peak, std::fabs(v));
        EXPECT_LT(peak, 1.0f);
        // Seam: the step from the last sample to the first is no bigger than the
        // steps the signal takes anyway (99.9th percentile of its own steps).
        for (int ch = 0; ch < s.channels; ++ch)
        {
            std::vector<float> steps;
            for (size_t i = 0; i + 1 < frames; ++i)
                steps.push_back(std::fabs(s.samples[(i + 1) * s.channels + ch] - s.samples[i * s.channels + ch]));
            std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
            float typical = steps[steps.size() * 999 / 1000];
            float seam = std::fabs(s.samples[ch] - s.samples[(frames - 1) * s.channels + ch]);
            EXPECT_LE(seam, typical) << "channel " << ch;
        }
        double lufs = IntegratedLoudness(s.samples, s.channels, s.rate);
        std::printf("%s lufs=%.1f peak_dbfs=%.1f seconds=%.1f\n", c.name, lufs, 20 * std::log10(peak),
                    double(frames) / 44100);
        RecordProperty(std::string(c.name) + "_lufs", std::to_string(lufs));
        if (c.channels == 2)
        {
            music = lufs;
            EXPECT_NEAR(lufs, -16.0, 1.0);
        }
        else
        {
            EXPECT_LT(lufs, music - 3.0) << "ambience quieter than the music";
        }
    }
}

TEST(Determinism, RegeneratedTexturesMatchTheWrittenFiles)
{
    // The build wrote these in another process; the same code must give the same bytes.
    for (auto& t : WaterTextures())
    {
        SCOPED_TRACE(t.name);
        EXPECT_TRUE(EncodeTga(t.image) == ReadAll(EntryPath(t.name)));
    }
    for (auto& t : SkyAndMiscTextures())
    {
        SCOPED_TRACE(t.name);
        EXPECT_TRUE(EncodeTga(t.image) == ReadAll(EntryPath(t.name)));
    }
}

TEST(Determinism, SoundEncodingIsRepeatable)
{
    std::vector<float> pcm(kSampleRate);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = 0.3f * std::sin(0.02f * i) + 0.05f * std::sin(1.3f * i * i * 1e-5f);
    std::vector<uint8_t> a = EncodeVorbis(pcm, 1, kSampleRate, 0.3f), b = EncodeVorbis(pcm, 1, kSampleRate, 0.3f);
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b);
    DecodedSound d = DecodeVorbis(a);
    EXPECT_EQ(d.samples.size(), pcm.size());
}

namespace {
std::vector<uint8_t> ReadPicture(const char* file)
{
    return ReadAll(std::string(QM_PICTURE_DIR) + "/" + file);
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
} // namespace

TEST(Pictures, HaveTheFormatsAndSizesTheirResourcesNeed)
{
    // Loading screen: a JPEG background and four 32-bit corner TGAs whose
    // transparent texels let the background through.
    std::vector<uint8_t> jpg = ReadPicture("loading467.jpg");
    ASSERT_GT(jpg.size(), 4u);
    EXPECT_TRUE(jpg[0] == 0xFF && jpg[1] == 0xD8);
    Image bg = DecodeImage(jpg);
    EXPECT_EQ(bg.Width(), 512);
    EXPECT_EQ(bg.Height(), 512);
    for (const char* corner : {"loading471.tga", "loading472.tga", "loading473.tga", "loading474.tga"})
    {
        SCOPED_TRACE(corner);
        std::vector<uint8_t> tga = ReadPicture(corner);
        ASSERT_GT(tga.size(), 18u);
        EXPECT_EQ(tga[16], 32);
        Image img = DecodeImage(tga);
        ASSERT_EQ(img.Width(), 256);
        ASSERT_EQ(img.Height(), 128);
        size_t clear = 0, shown = 0;
        for (size_t i = 3; i < img.Bytes().size(); i += 4)
        {
            clear += img.Bytes()[i] == 0;
            shown += img.Bytes()[i] > 128;
        }
        EXPECT_GT(clear, 256u * 128 / 4);
        EXPECT_GT(shown, 200u);
    }
    // Bitmaps: 24-bit, the sizes their windows show.
    struct Bmp
    {
        const char* file;
        uint32_t w, h;
    };
    for (Bmp b : {Bmp{"preview432.bmp", 155, 115}, Bmp{"dialog434.bmp", 192, 145}, Bmp{"about437.bmp", 74, 75}})
    {
        SCOPED_TRACE(b.file);
        std::vector<uint8_t> bmp = ReadPicture(b.file);
        ASSERT_GT(bmp.size(), 54u);
        EXPECT_TRUE(bmp[0] == 'B' && bmp[1] == 'M');
        EXPECT_EQ(Le32(bmp, 2), bmp.size());
        EXPECT_EQ(Le32(bmp, 18), b.w);
        EXPECT_EQ(Le32(bmp, 22), b.h);
        EXPECT_EQ(bmp[28], 24);
        EXPECT_EQ(bmp.size(), 54u + ((b.w * 3 + 3) & ~3u) * b.h);
        Image img = DecodeImage(bmp);
        EXPECT_EQ(img.Width(), int(b.w));
    }
    // Icon: 16, 32, 48 and 256 pixels, each image inside the file.
    std::vector<uint8_t> ico = ReadPicture("icon224.ico");
    ASSERT_GT(ico.size(), 6u);
    EXPECT_EQ(ico[2] | ico[3] << 8, 1);
    ASSERT_EQ(ico[4] | ico[5] << 8, 4);
    const int sizes[] = {16, 32, 48, 256};
    for (int i = 0; i < 4; ++i)
    {
        size_t e = 6 + 16 * size_t(i);
        EXPECT_EQ(ico[e] == 0 ? 256 : ico[e], sizes[i]);
        uint32_t len = Le32(ico, e + 8), off = Le32(ico, e + 12);
        ASSERT_LE(size_t(off) + len, ico.size());
        if (sizes[i] == 256)
        {
            Image png = DecodeImage(std::vector<uint8_t>(ico.begin() + off, ico.begin() + off + len));
            EXPECT_EQ(png.Width(), 256);
        }
        else
        {
            EXPECT_EQ(Le32(ico, off + 4), uint32_t(sizes[i]));
            EXPECT_EQ(Le32(ico, off + 8), uint32_t(sizes[i] * 2));
            EXPECT_EQ(len, 40u + sizes[i] * sizes[i] * 4 + ((sizes[i] + 31) / 32 * 4) * sizes[i]);
        }
    }
}

TEST(Pictures, SceneShotIsCentreCroppedToEachPicture)
{
    // A wide shot whose left and right quarters are red and the middle green:
    // a square picture must show only the middle.
    Image shot(8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            shot.Set(x, y, (x < 2 || x >= 6) ? Rgba{1, 0, 0, 1} : Rgba{0, 1, 0, 1});
    for (int size : {2, 16})
    { // reduced and enlarged
        Image fit = FitTo(shot, size, size);
        ASSERT_EQ(fit.Width(), size);
        ASSERT_EQ(fit.Height(), size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                EXPECT_LT(fit.At(x, y)[0], 8) << size << " at " << x << "," << y;
    }
}

TEST(Pictures, AnUnreadableSceneShotIsAnErrorNotAPaintedFallback)
{
    ContentSet set = BuildContent(QM_GLYPH_FONT, std::string(QM_CONTENT_DIR) + "/no-such-shot.png");
    EXPECT_FALSE(set.error.empty());
    EXPECT_TRUE(set.entries.empty());
}
