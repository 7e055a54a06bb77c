// Water surfaces, waterfall and foam, the rain-ring frames and the looping
// ripple bump maps.
#include <cmath>
#include <cstdio>

#include "tools/content/Noise.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

Image RiverSurface()
{
    // Flow runs along v: the streaks are long in v and narrow in u. Nearly
    // opaque: the river's mask is drawn at half this alpha and blended over
    // itself, so the reflection shows at a quarter of it at most.
    return Fill(256, 256, [](int, int, float u, float v) {
        float streak = Fbm2(u, v, 16, 2, 4, 0.55f, 701) * 0.5f + 0.5f;
        float sheen = SmoothStep(0.55f, 0.85f, Fbm2(u, v, 32, 4, 3, 0.5f, 702) * 0.5f + 0.5f);
        Rgba c = Mix(FromHex(0x2A3C34), FromHex(0x3E5248), streak);
        c = Mix(c, FromHex(0x9AAAA8), sheen * 0.35f);
        c.a = 0.86f + 0.08f * streak + 0.06f * sheen;
        return c;
    });
}

Image PondSurface()
{
    // Its alpha is how much of the reflection covers the pool bottom: two
    // thirds or so, so that the pebbles show through as in clear shallow
    // water; at three quarters and more the pools were sheets of grey sky.
    return Fill(256, 256, [](int, int, float u, float v) {
        float n = Fbm(u, v, 4, 4, 0.5f, 711) * 0.5f + 0.5f;
        Rgba c = Mix(FromHex(0x2E3A34), FromHex(0x46544A), n);
        c.a = 0.6f + 0.14f * n;
        return c;
    });
}

// Falling sheet: streaks run along v (down the fall) and the texture tiles
// both ways, since the fall repeats it several times.
Image Waterfall(uint32_t seed)
{
    return Fill(256, 256, [&](int, int, float u, float v) {
        float s = Fbm2(u, v, 24, 2, 4, 0.6f, seed) * 0.5f + 0.5f;
        float fine = Gradient2(u, v, 96, 8, seed + 1) * 0.5f + 0.5f;
        float w = SmoothStep(0.35f, 0.8f, s * 0.75f + fine * 0.25f);
        Rgba c = Mix(FromHex(0x8A9A98), FromHex(0xF2F6F4), w);
        c.a = 0.45f + 0.5f * w;
        return c;
    });
}

// Round patch of foam at a fall's foot: dense in the middle, breaking up into
// bubbles towards the rim, where it fades out completely.
Image FoamPatch()
{
    return Fill(256, 256, [](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float r = std::sqrt(dx * dx + dy * dy) + 0.12f * Fbm(u, v, 4, 3, 0.5f, 733);
        Cell a = Cellular(u, v, 24, 731, 0.9f);
        Cell b = Cellular(u, v, 48, 732, 0.9f);
        float bubbles = SmoothStep(0.0f, 0.25f, a.f2 - a.f1) * 0.6f + SmoothStep(0.0f, 0.2f, b.f2 - b.f1) * 0.4f;
        float body = 1 - SmoothStep(0.3f, 0.95f, r);
        Rgba c = Mix(FromHex(0xB8C4C0), FromHex(0xFFFFFF), bubbles);
        c.a = Clamp01(body * (0.55f + 0.45f * bubbles) * (r < 0.45f ? 1.0f : 0.6f + 0.4f * (1 - bubbles)));
        return c;
    });
}

// Rain ring, frame i of 16, for multiplicative drawing: white leaves the
// water alone; the ring is a slightly darker band that widens and fades.
Image RainRing(int frame)
{
    const int n = 64;
    float t = frame / 15.0f;
    float radius = 0.1f + 0.8f * t;
    float width = 0.05f + 0.07f * t;
    float strength = 0.38f * std::pow(1 - t, 1.3f) * (1 - std::exp(-(t + 0.03f) * 14));
    return Fill(n, n, [&](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float r = std::sqrt(dx * dx + dy * dy);
        float d = (r - radius) / width;
        float ring = std::exp(-d * d) - 0.35f * std::exp(-(d + 1.6f) * (d + 1.6f)); // dark crest, lighter trough
        float inner = 0.4f * std::exp(-std::pow((r - radius * 0.55f) / width, 2.0f));
        float k = 1 - strength * std::fmax(ring + inner, 0.0f);
        return Rgba{k, k, k, 1};
    });
}

// Height field made of travelling waves with whole-number wave vectors and
// whole-number turns over the 32 frames: it tiles in space and loops in time
// exactly. The slopes go to red (along u) and green (along v), 128 = flat.
std::vector<Image> RippleBumps()
{
    const int n = 128, frames = 32;
    struct Wave
    {
        float kx, ky, amp, turns, phase;
    };
    std::vector<Wave> waves;
    Random rng(741);
    for (int i = 0; i < 14; ++i)
    {
        int kx, ky;
        do
        {
            kx = int(rng.Range(-7, 8));
            ky = int(rng.Range(-7, 8));
        } while (kx * kx + ky * ky < 4);
        float k = std::sqrt(float(kx * kx + ky * ky));
        // Deep-water waves: speed grows with the root of the wave number.
        int turns = std::max(1, int(std::lround(std::sqrt(k) * 0.8f)));
        if (rng.Uniform() < 0.5f)
            turns = -turns;
        waves.push_back({float(kx), float(ky), 1.0f / k, float(turns), rng.Range(0, 2 * kPi)});
    }
    std::vector<std::vector<float>> sx(frames), sy(frames);
    float peak = 0;
    for (int f = 0; f < frames; ++f)
    {
        sx[f].resize(size_t(n) * n);
        sy[f].resize(size_t(n) * n);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
            {
                float u = float(x) / n, v = float(y) / n, gx = 0, gy = 0;
                for (auto& w : waves)
                {
                    float ph = 2 * kPi * (w.kx * u + w.ky * v + w.turns * f / float(frames)) + w.phase;
                    float c = std::cos(ph) * w.amp * 2 * kPi;
                    gx += c * w.kx;
                    gy += c * w.ky;
                }
                sx[f][size_t(y) * n + x] = gx;
                sy[f][size_t(y) * n + x] = gy;
                peak = std::fmax(peak, std::fmax(std::fabs(gx), std::fabs(gy)));
            }
    }
    std::vector<Image> out;
    const float scale = 120.0f / peak;
    for (int f = 0; f < frames; ++f)
    {
        Image img(n, n);
        for (int i = 0; i < n * n; ++i)
        {
            uint8_t* p = img.At(i % n, i / n);
            p[0] = uint8_t(std::lround(128 + sx[f][i] * scale));
            p[1] = uint8_t(std::lround(128 + sy[f][i] * scale));
            p[2] = 255;
            p[3] = 255;
        }
        out.push_back(std::move(img));
    }
    return out;
}

} // namespace

std::vector<TextureEntry> WaterTextures()
{
    std::vector<TextureEntry> t;
    t.push_back({"reka.tga", RiverSurface(), true, AlphaUse::Blend});
    t.push_back({"lusha.tga", PondSurface(), true, AlphaUse::Blend});
    t.push_back({"waterfall01.tga", Waterfall(721), true, AlphaUse::Blend});
    t.push_back({"waterfall02.tga", Waterfall(725), true, AlphaUse::Blend});
    t.push_back({"foam01.tga", FoamPatch(), false, AlphaUse::Blend});
    char name[64];
    for (int i = 0; i < 16; ++i)
    {
        std::snprintf(name, sizeof name, "wave%02d.tga", i);
        t.push_back({name, RainRing(i), false, AlphaUse::Opaque});
    }
    auto bumps = RippleBumps();
    for (int i = 0; i < 32; ++i)
    {
        std::snprintf(name, sizeof name, "water\\CAUST%02d_ddn.tga", i);
        t.push_back({name, std::move(bumps[i]), true, AlphaUse::Opaque});
    }
    return t;
}

} // namespace qmc
