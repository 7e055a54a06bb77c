// Sky dome, shadow decals, the spray sprite and the duck's plumage.
#include <cmath>

#include "src/ClassBase/SceneConstants.h"
#include "tools/content/Noise.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

Rgba Scale(Rgba c, float k)
{
    return {c.r * k, c.g * k, c.b * k, c.a};
}

// Sky dome: u runs around the horizon and wraps; v is linear in elevation,
// 1 at 0.6 rad below the horizon, about 0.713 at the horizon and 0 at the
// zenith (the dome's rings are spaced evenly in elevation). At and below the
// horizon it is the scene's fog colour, so the dome meets the fogged distance
// without a line.
const float kSkyHorizonV = 0.713f;
float SkyElevation(float v)
{
    return std::fmin(-0.6f + (1 - v) * 2.092f, kPi / 2);
}

Image Sky()
{
    const int w = 1024, h = 256; // soft, and a quarter of it is fog
    const Rgba fog = FromHex(SCENE_FOG_COLOR);
    return Fill(w, h, [&](int, int, float u, float v) {
        float e = SkyElevation(v);
        float up = Clamp01(e / (kPi / 2)); // 0 at the horizon, 1 at the zenith
        Rgba c = Mix(FromHex(0x8E9AA6), FromHex(0x5E6E82), SmoothStep(0.0f, 0.9f, up));
        // Warm evening light low in one part of the sky.
        float du = std::fabs(u - 0.3f);
        du = std::fmin(du, 1 - du);
        float glow = std::exp(-du * du * 40) * (1 - SmoothStep(0.0f, 0.35f, up));
        c = Mix(c, FromHex(0xC8A68A), glow * 0.55f);
        // Clouds lie on a flat layer overhead: project the dome direction onto
        // it, so they thin out towards the horizon and wrap around in u.
        float r = std::fmin(std::cos(e) / std::fmax(std::sin(e), 0.02f), 8.0f) * 0.06f;
        float px = 0.5f + r * std::cos(u * 2 * kPi), py = 0.5f + r * std::sin(u * 2 * kPi);
        float n = Fbm(px, py, 4, 6, 0.55f, 801) * 0.5f + 0.5f;
        float n2 = Fbm(px, py, 16, 4, 0.5f, 802) * 0.5f + 0.5f;
        float cover = SmoothStep(0.36f, 0.68f, n * 0.8f + n2 * 0.2f);
        Rgba body = Mix(FromHex(0x767C86), FromHex(0xB8BCC0), SmoothStep(0.4f, 0.9f, n2));
        body = Mix(body, FromHex(0xD8C0A8), glow * 0.6f);
        c = Mix(c, body, cover * 0.85f);
        c = Mix(c, fog, 1 - SmoothStep(0.0f, 0.22f, e));
        c.a = 1;
        return c;
    });
}

Image TreeShadow()
{
    return Fill(256, 256, [](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float d = std::sqrt(dx * dx + dy * dy);
        float r = d + 0.15f * Fbm(u, v, 4, 3, 0.5f, 811);
        // White well inside the square, so the patch's sides never show.
        float crown = (1 - SmoothStep(0.4f, 0.85f, r)) * (1 - SmoothStep(0.7f, 0.92f, d));
        float holes = SmoothStep(0.1f, 0.5f, Fbm(u, v, 16, 3, 0.5f, 812)); // sun flecks through the leaves
        float k = 1 - 0.42f * crown * (1 - 0.6f * holes);
        return Rgba{k, k, k, 1};
    });
}

// Drawn additively over black: the colour fades to black at the rim.
Image Spray()
{
    return Fill(64, 64, [](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float g = std::exp(-(dx * dx + dy * dy) * 4.0f) * (1 - SmoothStep(0.85f, 1.0f, std::sqrt(dx * dx + dy * dy)));
        float n = 0.85f + 0.15f * Gradient(u, v, 8, 821);
        float k = g * n;
        return Rgba{k * 0.94f, k * 0.98f, k, k};
    });
}

// Mallard drake as the duck model maps it:
//   body   u 0..0.5 once round the body (0 right side, 0.125 back, 0.25 left
//          side, 0.375 belly), v 0 at the tail to 0.5 at the breast;
//   wings  u 0.5 (inner edge) to 1 (outer edge), v 0 (shoulder) to 0.4 (tip);
//   head and neck v 0.5 (crown) to 0.75 (chin), u once round (0 right side,
//          0.25 front, 0.5 left side);
//   bill   v 0.75..0.8; legs and feet v 0.8..1.
Image Duck()
{
    return Fill(256, 256, [](int, int, float u, float v) {
        Rgba c;
        if (v < 0.5f && u < 0.5f)
        {
            float a = u / 0.5f * 2 * kPi;
            float back = std::sin(a) * 0.5f + 0.5f; // 1 on the back, 0 under the belly
            float t = v / 0.5f;                     // 0 tail .. 1 breast
            float fine = Gradient2(u, v, 64, 96, 833) * 0.5f + 0.5f;
            Rgba flank = Mix(FromHex(0x9A9890), FromHex(0xBAB8B0), fine);
            flank = Mix(flank, FromHex(0x6A5A48), SmoothStep(0.6f, 0.9f, back));
            flank = Mix(flank, FromHex(0xD8D8D0), SmoothStep(0.3f, 0.05f, back) * 0.6f);
            float scallop = std::sin(u * 2 * kPi * 24 + std::sin(v * 40) * 1.5f) * std::sin(v * 2 * kPi * 30);
            flank = Scale(flank, 0.95f + 0.05f * scallop);
            Rgba tail = Mix(FromHex(0x1A1A1A), FromHex(0x3A3A36), 1 - back);
            tail = Mix(tail, FromHex(0xE4E4E0), SmoothStep(0.06f, 0.02f, t)); // white tail feathers
            Rgba breast = Mix(FromHex(0x5E3220), FromHex(0x8A5034), Gradient(u, v, 16, 832) * 0.5f + 0.5f);
            c = Mix(tail, flank, SmoothStep(0.16f, 0.22f, t));
            c = Mix(c, breast, SmoothStep(0.78f, 0.84f, t));
        }
        else if (v < 0.5f)
        {
            float w = (u - 0.5f) / 0.5f, along = std::fmin(v / 0.4f, 1.0f);
            Rgba wing = Mix(FromHex(0x7A7064), FromHex(0x9A9080), Gradient2(u, v, 16, 32, 834) * 0.5f + 0.5f);
            wing = Scale(wing, 0.93f + 0.07f * std::sin(along * 2 * kPi * 6)); // rows of feathers
            // Blue mirror patch near the outer edge, edged white.
            float sp = SmoothStep(0.4f, 0.45f, along) * SmoothStep(0.7f, 0.65f, along) * SmoothStep(0.45f, 0.55f, w);
            float edge = (SmoothStep(0.36f, 0.4f, along) * SmoothStep(0.44f, 0.4f, along) +
                          SmoothStep(0.66f, 0.7f, along) * SmoothStep(0.74f, 0.7f, along)) *
                         SmoothStep(0.45f, 0.55f, w);
            wing = Mix(wing, FromHex(0x2A3AA0), sp);
            wing = Mix(wing, FromHex(0xF0F0F0), edge);
            wing = Mix(wing, FromHex(0x4A443E), SmoothStep(0.75f, 0.85f, along)); // dark primaries
            c = wing;
        }
        else if (v < 0.75f)
        {
            float sheen = Gradient(u, v, 8, 831) * 0.5f + 0.5f;
            c = Mix(FromHex(0x173C22), FromHex(0x2E7A4A), sheen);
            for (float eu : {0.05f, 0.45f})
            {
                float ex = (u - eu) * 256, ey = (v - 0.6f) * 256 * 2, er = std::sqrt(ex * ex + ey * ey);
                c = Mix(c, FromHex(0x141008), SmoothStep(4.0f, 2.5f, er));
                c = Mix(c, FromHex(0xE8E8E0), SmoothStep(1.2f, 0.5f, er + 1));
            }
        }
        else if (v < 0.8f)
        {
            c = Mix(FromHex(0xB89A30), FromHex(0xD8C048), Gradient(u, v, 8, 835) * 0.5f + 0.5f);
        }
        else
        {
            c = Mix(FromHex(0xD06A20), FromHex(0xE88A34), Gradient(u, v, 8, 836) * 0.5f + 0.5f);
        }
        c.a = 1;
        return c;
    });
}

} // namespace

std::vector<TextureEntry> SkyAndMiscTextures()
{
    std::vector<TextureEntry> t;
    t.push_back({"sky.tga", Sky(), false, AlphaUse::Opaque});
    t.push_back({"tree_shadow.tga", TreeShadow(), false, AlphaUse::Opaque});
    t.push_back({"brizg.tga", Spray(), false, AlphaUse::Blend});
    t.push_back({"duck.tga", Duck(), false, AlphaUse::Opaque});
    return t;
}

} // namespace qmc
