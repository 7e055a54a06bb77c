// Sky dome, shadow decals, the spray sprite and the duck's plumage.
#include <cmath>

#include "tools/content/Noise.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

Rgba Scale(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

// u runs once around the horizon (it wraps), v from the zenith (0) down to
// the horizon (1). The lowest rows are the fog colour 0x888F8F, so the dome
// meets the fogged distance without a line.
Image Sky() {
    const int w = 1024, h = 512;
    const Rgba fog = FromHex(0x888F8F);
    return Fill(w, h, [&](int, int, float u, float v) {
        float elev = 1 - v;  // 1 at the zenith
        Rgba c = Mix(FromHex(0x8E9AA6), FromHex(0x5E6E82), SmoothStep(0.0f, 0.9f, elev));
        // Warm evening light low in one quarter of the sky.
        float du = std::fabs(u - 0.3f);
        du = std::fmin(du, 1 - du);
        float glow = std::exp(-du * du * 40) * SmoothStep(0.55f, 0.95f, v);
        c = Mix(c, FromHex(0xC8A68A), glow * 0.55f);
        // Clouds lie on a flat layer overhead: project the dome direction onto
        // it, so they thin out towards the horizon and wrap around in u.
        float e = (1 - v) * kPi / 2;
        float r = std::fmin(std::cos(e) / std::fmax(std::sin(e), 0.02f), 8.0f) * 0.06f;
        float px = 0.5f + r * std::cos(u * 2 * kPi), py = 0.5f + r * std::sin(u * 2 * kPi);
        float n = Fbm(px, py, 4, 6, 0.55f, 801) * 0.5f + 0.5f;
        float n2 = Fbm(px, py, 16, 4, 0.5f, 802) * 0.5f + 0.5f;
        float cover = SmoothStep(0.36f, 0.68f, n * 0.8f + n2 * 0.2f);
        Rgba body = Mix(FromHex(0x767C86), FromHex(0xB8BCC0), SmoothStep(0.4f, 0.9f, n2));
        body = Mix(body, FromHex(0xD8C0A8), glow * 0.6f);
        c = Mix(c, body, cover * 0.85f);
        c = Mix(c, fog, SmoothStep(0.78f, 0.97f, v));
        c.a = 1;
        return c;
    });
}

// Multiplicative decal: white leaves the ground as it is.
Image BlobShadow() {
    return Fill(128, 128, [](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float r = std::sqrt(dx * dx + dy * dy);
        float k = 1 - 0.5f * (1 - SmoothStep(0.2f, 0.95f, r));
        return Rgba{k, k, k, 1};
    });
}

Image TreeShadow() {
    return Fill(256, 256, [](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float r = std::sqrt(dx * dx + dy * dy) + 0.15f * Fbm(u, v, 4, 3, 0.5f, 811);
        float crown = 1 - SmoothStep(0.45f, 0.95f, r);
        float holes = SmoothStep(0.1f, 0.5f, Fbm(u, v, 16, 3, 0.5f, 812));  // sun flecks through the leaves
        float k = 1 - 0.5f * crown * (1 - 0.6f * holes);
        return Rgba{k, k, k, 1};
    });
}

// Drawn additively over black: the colour fades to black at the rim.
Image Spray() {
    return Fill(64, 64, [](int, int, float u, float v) {
        float dx = u * 2 - 1, dy = v * 2 - 1;
        float g = std::exp(-(dx * dx + dy * dy) * 4.0f) * (1 - SmoothStep(0.85f, 1.0f, std::sqrt(dx * dx + dy * dy)));
        float n = 0.85f + 0.15f * Gradient(u, v, 8, 821);
        float k = g * n;
        return Rgba{k * 0.94f, k * 0.98f, k, k};
    });
}

// Mallard drake on a cylinder: v runs from the bill tip (0) to the tail (1),
// u around the body with the back at 0.5 and the belly line at 0 and 1; the
// eyes sit at u 0.25 and 0.75, v 0.14.
Image Duck() {
    return Fill(256, 256, [](int, int, float u, float v) {
        float back = 1 - std::fabs(u - 0.5f) * 2;  // 1 on the back, 0 under the belly
        float side = std::fmin(std::fabs(u - 0.25f), std::fabs(u - 0.75f));
        auto band = [&](float at) { return SmoothStep(at - 0.008f, at + 0.008f, v); };
        // Bill.
        Rgba bill = Mix(FromHex(0xB89028), FromHex(0xE0C040), back);
        if (v < 0.015f) bill = FromHex(0x3A3020);  // nail of the bill
        // Head: bottle green with a sheen, the eye, then the white collar.
        float sheen = Gradient(u, v, 8, 831) * 0.5f + 0.5f;
        Rgba head = Mix(FromHex(0x173C22), FromHex(0x2E7A4A), sheen * (0.3f + 0.7f * back));
        float ex = side * 256, ey = (v - 0.14f) * 256, er = std::sqrt(ex * ex + ey * ey);
        head = Mix(head, FromHex(0x141008), SmoothStep(5.0f, 3.5f, er));
        head = Mix(head, FromHex(0xE8E8E0), SmoothStep(1.6f, 0.8f, std::sqrt((ex + 1) * (ex + 1) + (ey + 1) * (ey + 1))));
        head = Mix(head, FromHex(0xF0F0EC), band(0.275f));
        // Chestnut breast.
        Rgba breast = Mix(FromHex(0x5E3220), FromHex(0x8A5034), Gradient(u, v, 16, 832) * 0.5f + 0.5f);
        // Grey flanks with fine vermiculation, browner on the back, pale belly.
        float fine = Gradient2(u, v, 64, 96, 833) * 0.5f + 0.5f;
        Rgba body = Mix(FromHex(0x9A9890), FromHex(0xBAB8B0), fine);
        body = Mix(body, FromHex(0x6A5A48), SmoothStep(0.55f, 0.85f, back));
        float scallop = std::sin(u * 2 * kPi * 24 + std::sin(v * 40) * 1.5f) * std::sin(v * 2 * kPi * 30);
        body = Scale(body, 0.95f + 0.05f * scallop);
        // Blue mirror patch on the wing, edged white, soft-edged.
        float wing = std::fmin(std::fabs(u - 0.36f), std::fabs(u - 0.64f));  // upper flank, one per side
        float sx = wing / 0.045f, sy = (v - 0.68f) / 0.03f;
        float patch = std::sqrt(sx * sx + sy * sy);
        body = Mix(body, FromHex(0xF0F0F0), SmoothStep(1.25f, 1.05f, patch));
        body = Mix(body, FromHex(0x2A3AA0), SmoothStep(1.0f, 0.85f, patch));
        body = Mix(body, FromHex(0xD8D8D0), SmoothStep(0.3f, 0.0f, back) * 0.6f);
        // Black tail with the white curl at the end.
        Rgba tail = Mix(FromHex(0x1A1A1A), FromHex(0x303030), back);
        tail = Mix(tail, FromHex(0xE8E8E4), band(0.96f));
        Rgba c = Mix(bill, head, band(0.09f));
        c = Mix(c, breast, band(0.30f));
        c = Mix(c, body, band(0.45f));
        c = Mix(c, tail, band(0.90f));
        c.a = 1;
        return c;
    });
}

}  // namespace

std::vector<TextureEntry> SkyAndMiscTextures() {
    std::vector<TextureEntry> t;
    t.push_back({"sky.tga", Sky(), false, AlphaUse::Opaque});
    t.push_back({"shadow.tga", BlobShadow(), false, AlphaUse::Opaque});
    t.push_back({"tree_shadow.tga", TreeShadow(), false, AlphaUse::Opaque});
    t.push_back({"brizg.tga", Spray(), false, AlphaUse::Blend});
    t.push_back({"duck.tga", Duck(), false, AlphaUse::Opaque});
    return t;
}

}  // namespace qmc
