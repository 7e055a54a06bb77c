// Ground, bank, rock, river-bed and bridge textures. All tile seamlessly: the
// noise they are built from wraps at the texture edge.
#include <cmath>

#include "tools/content/Noise.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

Rgba Scale(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Image Meadow() {
    const int n = 512;
    Field h = MakeField(n, n, [](float u, float v) {
        return 0.6f * Fbm(u, v, 64, 2, 0.5f, 11) + 0.4f * Fbm(u, v, 8, 4, 0.5f, 12);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float patches = Fbm(u, v, 4, 4, 0.55f, 13) * 0.5f + 0.5f;
        float dry = SmoothStep(0.25f, 0.55f, Fbm(u, v, 8, 3, 0.5f, 14));
        float soil = SmoothStep(0.45f, 0.7f, Fbm(u, v, 16, 3, 0.5f, 15));
        Rgba c = Mix(FromHex(0x34501F), FromHex(0x6A7A32), patches);
        c = Mix(c, FromHex(0x8E8650), dry * 0.55f);
        c = Mix(c, FromHex(0x5C4A30), soil * 0.6f);
        float blade = Gradient(u, v, 128, 16) * 0.5f + Gradient(u, v, 256, 17) * 0.3f;
        return Scale(c, (0.92f + 0.16f * blade) * Light(h, x, y, 6.0f));
    });
}

Image ForestFloor() {
    const int n = 512;
    Field h = MakeField(n, n, [](float u, float v) { return Fbm(u, v, 16, 4, 0.5f, 21); });
    const Rgba leafCols[4] = {FromHex(0x9A6A2A), FromHex(0x8A4422), FromHex(0xA88A3A), FromHex(0x6A4A2A)};
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float humus = Fbm(u, v, 8, 5, 0.55f, 22) * 0.5f + 0.5f;
        Rgba c = Mix(FromHex(0x3A2C1E), FromHex(0x5E4A32), humus);
        c = Mix(c, FromHex(0x48552A), SmoothStep(0.3f, 0.6f, Fbm(u, v, 4, 3, 0.5f, 23)) * 0.5f);
        float shade = Light(h, x, y, 5.0f);
        // Two layers of fallen leaves: each cell holds one leaf with its own turn.
        for (int layer = 0; layer < 2; ++layer) {
            Cell cell = Cellular(u, v, 20 + layer * 6, 24 + layer, 0.8f);
            float a = (cell.id & 1023) / 1023.0f * kPi;
            float px = cell.cx * std::cos(a) + cell.cy * std::sin(a);
            float py = -cell.cx * std::sin(a) + cell.cy * std::cos(a);
            float size = 0.28f + 0.12f * ((cell.id >> 10) & 255) / 255.0f;
            float t = px / size;  // along the leaf, -1..1
            float half = 0.45f * size * (1 - t * t);
            if (std::fabs(t) < 1 && std::fabs(py) < half && ((cell.id >> 20) & 3) != 0) {
                Rgba leaf = leafCols[(cell.id >> 18) & 3];
                leaf = Scale(leaf, 0.8f + 0.3f * ((cell.id >> 24) & 255) / 255.0f);
                if (std::fabs(py) < 0.012f) leaf = Scale(leaf, 0.75f);  // middle vein
                float edge = SmoothStep(0.0f, 0.02f, half - std::fabs(py));
                c = Mix(c, leaf, edge * (layer ? 0.9f : 0.75f));
                shade = shade * 0.85f + 0.17f;
            }
        }
        return Scale(c, shade * (0.95f + 0.1f * Gradient(u, v, 128, 26)));
    });
}

Image Pebbles(int freq, uint32_t seed, Rgba mud, float wet) {
    const int n = 512;
    Field h = MakeField(n, n, [&](float u, float v) {
        Cell c = Cellular(u, v, freq, seed, 0.85f);
        float gap = c.f2 - c.f1;
        float stone = SmoothStep(0.05f, 0.3f, gap);
        return stone * 0.8f + 0.1f * Fbm(u, v, 32, 2, 0.5f, seed + 1);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        Cell c = Cellular(u, v, freq, seed, 0.85f);
        float gap = c.f2 - c.f1;
        float stone = SmoothStep(0.06f, 0.12f, gap);
        float tone = ((c.id >> 8) & 255) / 255.0f;
        Rgba sc = Mix(FromHex(0x6E6A62), FromHex(0x9C9282), tone);
        if (((c.id >> 16) & 7) == 0) sc = Mix(sc, FromHex(0x8A6E52), 0.6f);  // a rusty one now and then
        sc = Scale(sc, 0.9f + 0.15f * Gradient(u, v, 96, seed + 3));
        Rgba m = Scale(mud, 0.85f + 0.3f * (Fbm(u, v, 16, 3, 0.5f, seed + 4) * 0.5f + 0.5f));
        Rgba col = Mix(m, sc, stone);
        col = Scale(col, 1.0f - wet * (0.5f + 0.5f * Fbm(u, v, 4, 3, 0.5f, seed + 5)) * 0.35f);
        return Scale(col, Light(h, x, y, 9.0f));
    });
}

Image Rock(uint32_t seed, float moss) {
    const int n = 512;
    Field h = MakeField(n, n, [&](float u, float v) {
        float strata = std::sin((v * 6 + 0.35f * Fbm(u, v, 4, 3, 0.5f, seed)) * 2 * kPi);
        return 0.55f * Ridged(u, v, 6, 5, seed + 1) + 0.15f * strata + 0.3f * Fbm(u, v, 16, 3, 0.5f, seed + 2);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float tone = Fbm(u, v, 4, 4, 0.5f, seed + 3) * 0.5f + 0.5f;
        Rgba c = Mix(FromHex(0x5A5550), FromHex(0x8A8276), tone);
        float band = std::sin((v * 6 + 0.35f * Fbm(u, v, 4, 3, 0.5f, seed)) * 2 * kPi * 2) * 0.5f + 0.5f;
        c = Mix(c, FromHex(0x7A6A58), band * 0.25f);
        float lichen = SmoothStep(0.35f, 0.5f, Fbm(u, v, 32, 3, 0.5f, seed + 4));
        c = Mix(c, FromHex(0xA4A070), lichen * 0.55f);
        float m = SmoothStep(0.5f - moss, 0.75f - moss, Fbm(u, v, 4, 5, 0.55f, seed + 5) * 0.5f + 0.5f);
        Rgba mossCol = Mix(FromHex(0x3E5222), FromHex(0x667A30), Gradient(u, v, 64, seed + 6) * 0.5f + 0.5f);
        c = Mix(c, mossCol, m * 0.85f);
        float crack = SmoothStep(0.92f, 1.0f, Ridged(u, v, 6, 2, seed + 1));
        c = Scale(c, 1.0f - crack * 0.35f);
        return Scale(c, Light(h, x, y, 10.0f) * (0.94f + 0.12f * Gradient(u, v, 128, seed + 7)));
    });
}

Image RiverBed() {
    Image img = Pebbles(28, 41, FromHex(0x7C6A4C), 0.2f);
    // Sand drifts and a faint green film of algae over the stones.
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            float u = (x + 0.5f) / img.Width(), v = (y + 0.5f) / img.Height();
            Rgba c = img.Get(x, y);
            float sand = SmoothStep(0.0f, 0.4f, Fbm(u, v, 4, 4, 0.5f, 42));
            Rgba s = Scale(FromHex(0x9A8662), 0.9f + 0.2f * Gradient(u, v, 128, 43));
            c = Mix(c, s, sand * 0.7f);
            c = Mix(c, FromHex(0x5A6A32), SmoothStep(0.2f, 0.6f, Fbm(u, v, 8, 3, 0.5f, 44)) * 0.3f);
            img.Set(x, y, c);
        }
    return img;
}

Image Planks() {
    const int n = 256, planks = 4;
    return Fill(n, n, [&](int, int, float u, float v) {
        int p = int(v * planks);
        float pv = v * planks - p;  // 0..1 across the plank
        uint32_t id = Hash(uint32_t(p), 7, 51);
        float joint = Hash01(uint32_t(p), 8, 51);
        float du = std::fabs(u - joint);
        du = std::fmin(du, 1 - du);
        float grain = Fbm2(u + Hash01(uint32_t(p), 9, 51), v, 2, 64, 3, 0.5f, 52 + p);
        float rings = std::sin((grain * 6 + Gradient2(u, v, 4, 16, 53) * 2) * kPi) * 0.5f + 0.5f;
        Rgba c = Mix(FromHex(0x6E5236), FromHex(0x94764E), ((id >> 8) & 255) / 255.0f);
        c = Mix(c, FromHex(0x57402A), rings * 0.35f);
        c = Mix(c, FromHex(0x7A7A70), SmoothStep(0.2f, 0.6f, Fbm(u, v, 8, 3, 0.5f, 54)) * 0.35f);  // weathering
        float edge = SmoothStep(0.0f, 0.06f, pv) * SmoothStep(0.0f, 0.06f, 1 - pv);
        float gap = SmoothStep(0.0f, 0.008f, du);
        float k = (0.35f + 0.65f * edge) * (0.4f + 0.6f * gap);
        // Two nails by each joint.
        for (float side : {-0.025f, 0.025f})
            for (float row : {0.3f, 0.7f}) {
                float dx = std::fabs(du - std::fabs(side)) * n, dy = (pv - row) * n / planks;
                if (dx * dx + dy * dy < 4.0f) c = FromHex(0x3A3430);
            }
        return Scale(c, k);
    });
}

}  // namespace

std::vector<TextureEntry> TerrainTextures() {
    std::vector<TextureEntry> t;
    t.push_back({"ground01.tga", Meadow(), true, AlphaUse::Opaque});
    t.push_back({"ground02.tga", ForestFloor(), true, AlphaUse::Opaque});
    t.push_back({"border01.tga", Pebbles(18, 31, FromHex(0x4A3E30), 0.6f), true, AlphaUse::Opaque});
    t.push_back({"rock01.tga", Rock(61, 0.1f), true, AlphaUse::Opaque});
    t.push_back({"rock02.tga", Rock(71, 0.35f), true, AlphaUse::Opaque});
    t.push_back({"sand01.tga", RiverBed(), true, AlphaUse::Opaque});
    t.push_back({"most.tga", Planks(), true, AlphaUse::Opaque});
    return t;
}

}  // namespace qmc
