// Bark, leaf clusters, reeds, grass and single leaves. The cards carry alpha
// that the runtime alpha-tests, so their edges are drawn anti-aliased and the
// colour is bled into the transparent texels.
#include <array>
#include <cmath>

#include "tools/content/Canvas.h"
#include "tools/content/Noise.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

Rgba Scale(Rgba c, float k)
{
    return {c.r * k, c.g * k, c.b * k, c.a};
}

Image Bark(uint32_t seed, Rgba dark, Rgba light, int furrows, float depth, bool lenticels)
{
    const int n = 256;
    Field h = MakeField(n, n, [&](float u, float v) {
        float ridge = 1 - std::fabs(Fbm2(u, v, furrows, 2, 3, 0.5f, seed));
        return depth * ridge * ridge + 0.25f * Fbm(u, v, 16, 3, 0.5f, seed + 1);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float ridge = 1 - std::fabs(Fbm2(u, v, furrows, 2, 3, 0.5f, seed));
        Rgba c = Mix(dark, light, SmoothStep(0.3f, 0.9f, ridge));
        c = Mix(c, FromHex(0x55603A), SmoothStep(0.3f, 0.7f, Fbm(u, v, 4, 3, 0.5f, seed + 2)) * 0.3f); // green algae
        if (lenticels)
        {
            float l = Gradient2(u, v, 8, 64, seed + 3);
            if (l > 0.55f)
                c = Scale(c, 0.35f);
        }
        return Scale(c, Light(h, x, y, 8.0f) * (0.93f + 0.14f * Gradient2(u, v, 64, 16, seed + 4)));
    });
}

struct LeafStyle
{
    Rgba base, alt; // two colours the leaves are mixed from
    float altShare; // share of leaves in the second colour
    float len, widthRatio;
};

Image LeafCluster(uint32_t seed, const LeafStyle& st)
{
    const int n = 256;
    Canvas cv(n, n);
    Random rng(seed);
    const Rgba twig = FromHex(0x4A3A2A);
    auto leafColour = [&](float depth) {
        Rgba c = rng.Uniform() < st.altShare ? st.alt : st.base;
        c = Scale(c, (0.75f + 0.35f * rng.Uniform()) * (0.7f + 0.3f * depth));
        return c;
    };
    // Twigs: a main stem from the lower middle and side twigs reaching out.
    struct Pt
    {
        float x, y;
    };
    std::vector<std::pair<Pt, Pt>> twigs;
    Pt base{128 + rng.Range(-10, 10), 246}, top{128 + rng.Range(-20, 20), 50};
    twigs.push_back({base, top});
    int sides = 6;
    for (int i = 0; i < sides; ++i)
    {
        float t = 0.15f + 0.75f * (i + rng.Uniform() * 0.5f) / sides;
        Pt from{base.x + (top.x - base.x) * t, base.y + (top.y - base.y) * t};
        float dir = (i & 1) ? -1.0f : 1.0f;
        float a = -kPi / 2 + dir * rng.Range(0.6f, 1.2f);
        float l = rng.Range(60, 100) * (1 - 0.4f * std::fabs(t - 0.5f));
        twigs.push_back({from, {from.x + std::cos(a) * l, from.y + std::sin(a) * l}});
    }
    for (auto& tw : twigs)
        cv.Capsule(tw.first.x, tw.first.y, 2.2f, tw.second.x, tw.second.y, 0.8f, twig);
    // Back layer: darker leaves filling the crown; front layer along the twigs.
    for (int i = 0; i < 70; ++i)
    {
        float r = 95 * std::sqrt(rng.Uniform()), a = rng.Range(0, 2 * kPi);
        float x = 128 + r * std::cos(a), y = 122 + r * std::sin(a) * 0.95f;
        float ang = a + rng.Range(-0.6f, 0.6f);
        float len = st.len * rng.Range(0.8f, 1.15f);
        cv.Leaf(x, y, ang, len, len * st.widthRatio, leafColour(0.3f));
    }
    for (auto& tw : twigs)
    {
        float dx = tw.second.x - tw.first.x, dy = tw.second.y - tw.first.y;
        float l = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        int count = int(l / 9);
        for (int k = 1; k <= count; ++k)
        {
            float t = float(k) / count;
            float x = tw.first.x + dx * t, y = tw.first.y + dy * t;
            for (float side : {-1.0f, 1.0f})
            {
                float ang = a + side * rng.Range(0.5f, 1.1f);
                float len = st.len * rng.Range(0.75f, 1.1f);
                cv.Leaf(x, y, ang, len, len * st.widthRatio, leafColour(0.6f + 0.4f * t));
            }
        }
        float len = st.len * 1.05f;
        cv.Leaf(tw.second.x, tw.second.y, a, len, len * st.widthRatio, leafColour(1.0f));
    }
    Image img = cv.ToImage();
    BleedColour(img);
    return img;
}

Image GrassTuft()
{
    const int n = 256;
    Canvas cv(n, n);
    Random rng(301);
    for (int i = 0; i < 90; ++i)
    {
        float bx = 128 + rng.Range(-60, 60) * rng.Uniform();
        float lean = (bx - 128) / 60 * 0.5f + rng.Range(-0.35f, 0.35f);
        float len = rng.Range(110, 235) * (1 - 0.45f * std::fabs(bx - 128) / 60);
        float bend = rng.Range(-0.6f, 0.6f) + lean;
        float w = rng.Range(2.2f, 3.6f);
        Rgba c = Mix(FromHex(0x3E5A22), FromHex(0x7E9A40), rng.Uniform());
        if (rng.Uniform() < 0.15f)
            c = Mix(c, FromHex(0xB0A060), 0.6f); // a dry blade
        const int segs = 16;
        float x = bx, y = n - 1.0f;
        for (int s = 0; s < segs; ++s)
        {
            float t0 = float(s) / segs, t1 = float(s + 1) / segs;
            float ang = -kPi / 2 + lean + bend * t1 * t1;
            float step = len / segs;
            float nx = x + std::cos(ang) * step, ny = y + std::sin(ang) * step;
            Rgba sc = Scale(c, 0.6f + 0.5f * t1); // darker at the root
            cv.Capsule(x, y, w * (1 - t0 * 0.9f), nx, ny, w * (1 - t1 * 0.9f), sc);
            x = nx;
            y = ny;
        }
    }
    Image img = cv.ToImage();
    BleedColour(img);
    return img;
}

Image ReedClumpCard()
{
    const int n = 256;
    Canvas cv(n, n);
    Random rng(311);
    std::vector<std::array<float, 3>> heads;
    for (int i = 0; i < 34; ++i)
    {
        float bx = rng.Range(30, 226);
        float len = rng.Range(150, 250);
        float lean = (bx - 128) / 128 * 0.25f + rng.Range(-0.12f, 0.12f);
        float bend = rng.Range(-0.4f, 0.4f);
        bool stem = i % 6 == 0; // round stems with a cattail head
        float w = stem ? 1.6f : rng.Range(2.4f, 3.6f);
        Rgba c = Mix(FromHex(0x4C5E2A), FromHex(0x8A9A4A), rng.Uniform());
        const int segs = 20;
        float x = bx, y = n - 1.0f;
        for (int s = 0; s < segs; ++s)
        {
            float t0 = float(s) / segs, t1 = float(s + 1) / segs;
            float ang = -kPi / 2 + lean + (stem ? 0.1f * bend : bend) * t1 * t1;
            float step = len / segs;
            float nx = x + std::cos(ang) * step, ny = y + std::sin(ang) * step;
            Rgba sc =
                Mix(Scale(c, 0.65f + 0.45f * t1), FromHex(0xC2B070), stem ? 0 : SmoothStep(0.75f, 1.0f, t1) * 0.6f);
            float taper = stem ? 1.0f : 1 - t0 * 0.92f, taper1 = stem ? 1.0f : 1 - t1 * 0.92f;
            cv.Capsule(x, y, w * taper, nx, ny, w * taper1, sc);
            if (stem && s == segs - 4)
                heads.push_back({nx, ny, ang});
            x = nx;
            y = ny;
        }
    }
    for (auto& h : heads)
    {
        float ex = h[0] + std::cos(h[2]) * 34, ey = h[1] + std::sin(h[2]) * 34;
        cv.Capsule(h[0], h[1], 5.0f, ex, ey, 4.6f, FromHex(0x5A3A22));
        cv.Capsule(h[0] - 1.5f, h[1], 2.0f, ex - 1.5f, ey, 1.8f, FromHex(0x7A5234)); // highlight
    }
    Image img = cv.ToImage();
    BleedColour(img);
    return img;
}

// Reed blades as the reed model maps them: blade k of each plant spans u from
// 0.1 + 0.2 (k mod 3) to 0.2 + 0.2 (k mod 3), root at v = 1, tip at v = 0.
// Each strip is one blade: olive at the root, straw at the tip, a pale midrib,
// and a pointed tip cut by the alpha.
Image ReedBlades()
{
    const int n = 256;
    const Rgba shades[3] = {FromHex(0x56682E), FromHex(0x6A7A36), FromHex(0x4C5E2A)};
    Image img = Fill(n, n, [&](int, int, float u, float v) {
        int j = int(std::floor((u - 0.05f) / 0.2f));
        if (j < 0 || j > 2)
            return Rgba{0, 0, 0, 0};
        float centre = 0.15f + 0.2f * j, half = 0.065f;
        float d = std::fabs(u - centre) / half; // 0 on the midrib, 1 at the strip edge
        float tip = SmoothStep(0.0f, 0.14f, v); // the blade narrows to a point at the top
        if (d > tip)
            return Rgba{0, 0, 0, 0};
        Rgba c = Mix(Scale(shades[j], 0.7f), shades[j], SmoothStep(1.0f, 0.6f, v));
        c = Mix(c, FromHex(0xC2B070), SmoothStep(0.3f, 0.05f, v) * 0.7f);
        c = Scale(c, 1.12f - 0.25f * d + 0.05f * Gradient2(u, v, 64, 4, 321));
        c.a = Clamp01((tip - d) * 12);
        return c;
    });
    BleedColour(img);
    return img;
}

// One leaf filling a square card, stem at the bottom.
Image SingleLeaf(uint32_t seed, Rgba c, float widthRatio)
{
    const int n = 128;
    Canvas cv(n, n);
    Random rng(seed);
    cv.Capsule(64, 124, 1.6f, 64, 104, 1.4f, Scale(c, 0.6f));
    cv.Leaf(64, 108, -kPi / 2, 100, 100 * widthRatio, c, 0.2f);
    // Veins and a few darker blotches.
    for (int i = 1; i <= 5; ++i)
    {
        float y = 108 - i * 15.0f;
        for (float side : {-1.0f, 1.0f})
            cv.Capsule(64, y, 0.7f, 64 + side * 22 * (1 - i * 0.13f), y - 14, 0.4f, Scale(c, 0.8f));
    }
    for (int i = 0; i < 6; ++i)
        cv.Spot(rng.Range(48, 80), rng.Range(25, 95), rng.Range(3, 7), {0.35f, 0.2f, 0.1f, 0.25f});
    Image img = cv.ToImage();
    // Blotches must not reach outside the leaf: keep only where the leaf itself is.
    Canvas mask(n, n);
    mask.Capsule(64, 124, 1.6f, 64, 104, 1.4f, {1, 1, 1, 1});
    mask.Leaf(64, 108, -kPi / 2, 100, 100 * widthRatio, {1, 1, 1, 1}, 0);
    Image m = mask.ToImage();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            img.At(x, y)[3] = m.At(x, y)[3];
    BleedColour(img);
    return img;
}

} // namespace

Image ReedClump()
{
    return ReedClumpCard();
}

std::vector<TextureEntry> PlantTextures()
{
    std::vector<TextureEntry> t;
    t.push_back({"bark01.tga", Bark(401, FromHex(0x3A3630), FromHex(0xD8D4C8), 3, 0.3f, true), true, AlphaUse::Opaque});
    t.push_back(
        {"bark02.tga", Bark(411, FromHex(0x2E261E), FromHex(0x6E6252), 10, 1.0f, false), true, AlphaUse::Opaque});
    t.push_back(
        {"bark03.tga", Bark(421, FromHex(0x4A463E), FromHex(0x8A867A), 6, 0.6f, false), true, AlphaUse::Opaque});
    t.push_back({"Leaves01.tga", LeafCluster(501, {FromHex(0x6E9A3A), FromHex(0x9AB84A), 0.3f, 20, 0.6f}), false,
                 AlphaUse::Cutout});
    t.push_back({"Leaves02.tga", LeafCluster(511, {FromHex(0x3E6A26), FromHex(0x5E8A30), 0.35f, 26, 0.5f}), false,
                 AlphaUse::Cutout});
    t.push_back({"Leaves03.tga", LeafCluster(521, {FromHex(0x5A7E2C), FromHex(0xC89A38), 0.22f, 24, 0.55f}), false,
                 AlphaUse::Cutout});
    t.push_back({"grass.tga", GrassTuft(), false, AlphaUse::Cutout});
    t.push_back({"kamish.tga", ReedBlades(), false, AlphaUse::Cutout});
    t.push_back({"leaf.tga", SingleLeaf(601, FromHex(0xD08A2A), 0.55f), false, AlphaUse::Cutout});
    t.push_back({"Leaveswater01.tga", SingleLeaf(611, FromHex(0xC8A030), 0.5f), false, AlphaUse::Cutout});
    return t;
}

} // namespace qmc
