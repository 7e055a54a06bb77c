// Ground, bank, rock, river-bed and bridge textures. All tile seamlessly: the
// noise they are built from wraps at the texture edge.
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

// Short strokes wrapped around the edges, so the card still tiles.
void WrappedStroke(Canvas& cv, float x, float y, float ang, float len, float w, const Rgba& c)
{
    float ex = x + std::cos(ang) * len, ey = y + std::sin(ang) * len;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i)
        {
            float ox = float(i * cv.Width()), oy = float(j * cv.Height());
            float lo = std::fmin(x, ex) + ox, hi = std::fmax(x, ex) + ox;
            float lo2 = std::fmin(y, ey) + oy, hi2 = std::fmax(y, ey) + oy;
            if (hi < -2 || lo > cv.Width() + 2 || hi2 < -2 || lo2 > cv.Height() + 2)
                continue;
            cv.Capsule(x + ox, y + oy, w, ex + ox, ey + oy, w * 0.4f, c);
        }
}

struct MeadowStyle
{
    uint32_t seed;
    Rgba lo, hi;   // the two greens the patches mix
    float dry;     // share of straw-coloured patches
    float flowers; // chance of a blade being a flower
};

Image Meadow(const MeadowStyle& st)
{
    const int n = 512;
    const uint32_t sd = st.seed;
    Field h = MakeField(n, n, [&](float u, float v) { return Fbm(u, v, 8, 4, 0.5f, sd); });
    Image base = Fill(n, n, [&](int x, int y, float u, float v) {
        float patches = Fbm(u, v, 4, 4, 0.55f, sd + 1) * 0.5f + 0.5f;
        float dry = SmoothStep(0.25f, 0.55f, Fbm(u, v, 8, 3, 0.5f, sd + 2));
        float soil = SmoothStep(0.5f, 0.75f, Fbm(u, v, 16, 3, 0.5f, sd + 3));
        // Gentle variation only: strong patches would show the repeat across a field.
        Rgba c = Mix(st.lo, st.hi, patches);
        c = Mix(c, FromHex(0x7E7844), dry * st.dry);
        c = Mix(c, FromHex(0x4C3E28), soil * 0.4f);
        return Scale(c, Light(h, x, y, 3.0f));
    });
    // Blades: thousands of short strokes leaning every way, in the local colour.
    Canvas cv(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            cv.Over(x, y, base.Get(x, y), 1.0f);
    Random rng(sd + 4);
    for (int i = 0; i < 26000; ++i)
    {
        float x = rng.Uniform() * n, y = rng.Uniform() * n;
        Rgba c = base.Get(int(x), int(y));
        float k = rng.Range(0.7f, 1.45f);
        Rgba blade = Mix(Scale(c, k), FromHex(0x8A9A48), rng.Uniform() * 0.25f);
        if (rng.Uniform() < st.flowers)
        {
            const uint32_t petals[4] = {0xC8C070, 0xB8B4C0, 0xA890B8, 0xD0B040}; // muted: they are tiny
            blade = FromHex(petals[rng.Next() & 3]);
        }
        blade.a = rng.Range(0.6f, 0.95f);
        WrappedStroke(cv, x, y, rng.Range(0, 2 * kPi), rng.Range(4, 10), rng.Range(0.6f, 1.1f), blade);
    }
    return cv.ToImage();
}

Image ForestFloor()
{
    const int n = 512;
    Field h = MakeField(n, n, [](float u, float v) { return Fbm(u, v, 16, 4, 0.5f, 21); });
    // Dry leaves and soil in warm browns, near the meadow's brightness: the
    // tree's shade darkens it further, and darker litter read as a hole.
    const Rgba leafCols[4] = {FromHex(0xB07E38), FromHex(0x9E5A2C), FromHex(0xB89A48), FromHex(0x86623A)};
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float humus = Fbm(u, v, 8, 5, 0.55f, 22) * 0.5f + 0.5f;
        Rgba c = Mix(FromHex(0x5A4630), FromHex(0x7A6244), humus);
        // Grass comes through the litter, so the edge to the meadow stays soft.
        c = Mix(c, FromHex(0x4E5E2A), 0.25f + SmoothStep(-0.3f, 0.4f, Fbm(u, v, 4, 3, 0.5f, 23)) * 0.4f);
        float shade = Light(h, x, y, 5.0f);
        // Two layers of fallen leaves: each cell holds one leaf with its own turn.
        for (int layer = 0; layer < 2; ++layer)
        {
            Cell cell = Cellular(u, v, 20 + layer * 6, 24 + layer, 0.8f);
            float a = (cell.id & 1023) / 1023.0f * kPi;
            float px = cell.cx * std::cos(a) + cell.cy * std::sin(a);
            float py = -cell.cx * std::sin(a) + cell.cy * std::cos(a);
            float size = 0.28f + 0.12f * ((cell.id >> 10) & 255) / 255.0f;
            float t = px / size; // along the leaf, -1..1
            float half = 0.45f * size * (1 - t * t);
            if (std::fabs(t) < 1 && std::fabs(py) < half && ((cell.id >> 20) & 1) != 0)
            {
                Rgba leaf = leafCols[(cell.id >> 18) & 3];
                leaf = Scale(leaf, 0.8f + 0.3f * ((cell.id >> 24) & 255) / 255.0f);
                if (std::fabs(py) < 0.012f)
                    leaf = Scale(leaf, 0.75f); // middle vein
                float edge = SmoothStep(0.0f, 0.02f, half - std::fabs(py));
                c = Mix(c, leaf, edge * (layer ? 0.7f : 0.55f));
                shade = shade * 0.85f + 0.17f;
            }
        }
        return Scale(c, shade * (0.95f + 0.1f * Gradient(u, v, 128, 26)));
    });
}

// Mud with stones lying in it: only some cells hold a stone, and each stone
// has its own size, so it reads as a bank, not as paving.
Image Pebbles(int freq, uint32_t seed, Rgba mud, float wet, float share, int n = 512)
{
    auto stoneAt = [&](float u, float v, float& tone, uint32_t& id) {
        float best = 0;
        for (int layer = 0; layer < 2; ++layer)
        {
            int f = layer ? freq * 2 : freq;
            Cell c = Cellular(u, v, f, seed + uint32_t(layer) * 17, 0.7f);
            if (Hash01(c.id, 1, seed) > share)
                continue;
            float r = 0.25f + 0.2f * Hash01(c.id, 2, seed);
            float a = Hash01(c.id, 3, seed) * kPi;
            float px = c.cx * std::cos(a) + c.cy * std::sin(a), py = -c.cx * std::sin(a) + c.cy * std::cos(a);
            float e = std::sqrt(px * px / (r * r * 1.4f) + py * py / (r * r * 0.7f));
            e += 0.15f * Gradient(u, v, f * 4, seed + 5);
            float dome = 1 - e;
            if (dome > best)
            {
                best = dome;
                tone = Hash01(c.id, 4, seed);
                id = c.id;
            }
        }
        return best;
    };
    Field h = MakeField(n, n, [&](float u, float v) {
        float tone;
        uint32_t id;
        float d = stoneAt(u, v, tone, id);
        return (d > 0 ? std::sqrt(d) * 0.9f : 0.0f) + 0.12f * Fbm(u, v, 32, 2, 0.5f, seed + 1);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float tone = 0;
        uint32_t id = 0;
        float d = stoneAt(u, v, tone, id);
        Rgba sc = Mix(FromHex(0x6E6A62), FromHex(0xA09684), tone);
        if ((id & 7) == 0)
            sc = Mix(sc, FromHex(0x8A6E52), 0.6f); // a rusty one now and then
        sc = Scale(sc, 0.9f + 0.15f * Gradient(u, v, 96, seed + 3));
        Rgba m = Scale(mud, 0.8f + 0.4f * (Fbm(u, v, 16, 4, 0.5f, seed + 4) * 0.5f + 0.5f));
        Rgba col = Mix(m, sc, SmoothStep(0.0f, 0.08f, d));
        col = Mix(col, Scale(col, 0.6f), SmoothStep(0.0f, -0.1f, d) * SmoothStep(-0.3f, -0.1f, d) * 0.6f); // damp rim
        col = Scale(col, 1.0f - wet * (0.5f + 0.5f * Fbm(u, v, 4, 3, 0.5f, seed + 5)) * 0.35f);
        return Scale(col, Light(h, x, y, 7.0f));
    });
}

Image Rock(uint32_t seed, float moss, float strataAmount, Rgba dark = FromHex(0x5A5550), Rgba light = FromHex(0x8A8276),
           int n = 512)
{
    Field h = MakeField(n, n, [&](float u, float v) {
        float strata = std::sin((v * 6 + 0.35f * Fbm(u, v, 4, 3, 0.5f, seed)) * 2 * kPi);
        return 0.55f * Ridged(u, v, 6, 5, seed + 1) + strataAmount * strata + 0.3f * Fbm(u, v, 16, 3, 0.5f, seed + 2);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float tone = Fbm(u, v, 4, 4, 0.5f, seed + 3) * 0.5f + 0.5f;
        Rgba c = Mix(dark, light, tone);
        float band = std::sin((v * 6 + 0.35f * Fbm(u, v, 4, 3, 0.5f, seed)) * 2 * kPi * 2) * 0.5f + 0.5f;
        c = Mix(c, FromHex(0x7A6A58), band * strataAmount * 1.6f);
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

Image RiverBed()
{
    Image img = Pebbles(20, 41, FromHex(0x7C6A4C), 0.2f, 0.45f);
    // Sand drifts and a faint green film of algae over the stones.
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
        {
            float u = (x + 0.5f) / img.Width(), v = (y + 0.5f) / img.Height();
            Rgba c = img.Get(x, y);
            float sand = SmoothStep(0.0f, 0.4f, Fbm(u, v, 4, 4, 0.5f, 42));
            Rgba s = Scale(FromHex(0x9A8662), 0.9f + 0.2f * Gradient(u, v, 128, 43));
            c = Mix(c, s, sand * 0.7f);
            c = Mix(c, FromHex(0x5A6A32), SmoothStep(0.2f, 0.6f, Fbm(u, v, 8, 3, 0.5f, 44)) * 0.3f);
            // It lies under the water: darker and greener than dry gravel.
            c = Mix(Scale(c, 0.65f), FromHex(0x3A4A30), 0.25f);
            img.Set(x, y, c);
        }
    return img;
}

// Fine silt on a pool floor with sunken leaves and a few stones; it is seen
// through the reflection, so it is dark and muted.
Image PoolBed()
{
    Image img = Pebbles(12, 81, FromHex(0x3E3A2A), 0.4f, 0.25f, 256); // seen only through the water
    const Rgba leaf = FromHex(0x6A4A26);
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
        {
            float u = (x + 0.5f) / img.Width(), v = (y + 0.5f) / img.Height();
            Rgba c = img.Get(x, y);
            Cell l = Cellular(u, v, 14, 82, 0.8f);
            if ((l.id & 3) == 0 && l.f1 < 0.18f)
                c = Mix(c, leaf, 0.6f * SmoothStep(0.18f, 0.12f, l.f1));
            c = Mix(c, FromHex(0x3A4A2A), SmoothStep(0.1f, 0.5f, Fbm(u, v, 4, 3, 0.5f, 83)) * 0.4f); // algae
            img.Set(x, y, Scale(c, 0.8f));
        }
    return img;
}

// Distant hills: meadow and clumps of woodland at a coarse scale.
Image Hills()
{
    const int n = 256; // only seen far away
    Field h = MakeField(n, n, [](float u, float v) { return Fbm(u, v, 8, 5, 0.5f, 91); });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        float wood = SmoothStep(0.15f, 0.35f, Fbm(u, v, 4, 4, 0.5f, 92));
        Cell crown = Cellular(u, v, 48, 93, 0.9f);
        float bump = 1 - SmoothStep(0.2f, 0.6f, crown.f1);
        Rgba meadow = Mix(FromHex(0x4A5E28), FromHex(0x6A7034), Fbm(u, v, 16, 3, 0.5f, 94) * 0.5f + 0.5f);
        Rgba trees = Mix(FromHex(0x2E4220), FromHex(0x45582A), bump * (0.6f + 0.4f * Hash01(crown.id, 1, 95)));
        Rgba c = Mix(meadow, trees, wood);
        return Scale(c, Light(h, x, y, 4.0f) * (0.95f + 0.1f * Gradient(u, v, 128, 96)));
    });
}

// Bare earth of steep banks: packed soil, roots and a few stones.
Image Earth()
{
    Image img = Pebbles(14, 101, FromHex(0x5A4632), 0.2f, 0.18f);
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
        {
            float u = (x + 0.5f) / img.Width(), v = (y + 0.5f) / img.Height();
            Rgba c = img.Get(x, y);
            float root = 1 - std::fabs(Gradient2(u, v, 6, 3, 102));
            c = Mix(c, FromHex(0x3A2C20), SmoothStep(0.93f, 0.99f, root) * 0.7f);
            c = Mix(c, FromHex(0x4E5A2A), SmoothStep(0.3f, 0.7f, Fbm(u, v, 8, 3, 0.5f, 103)) * 0.35f); // sparse grass
            img.Set(x, y, c);
        }
    return img;
}

// Wet sand at the water's edge.
Image WetSand()
{
    const int n = 512;
    Field h = MakeField(n, n, [](float u, float v) {
        return 0.12f * std::sin((v * 12 + 0.8f * Fbm(u, v, 4, 3, 0.5f, 111)) * 2 * kPi) +
               0.4f * Fbm(u, v, 32, 3, 0.5f, 112);
    });
    return Fill(n, n, [&](int x, int y, float u, float v) {
        Rgba c = Mix(FromHex(0x5E5240), FromHex(0x76684C), Fbm(u, v, 8, 4, 0.5f, 113) * 0.5f + 0.5f);
        c = Scale(c, 0.85f + 0.15f * Hash01(uint32_t(x), uint32_t(y), 114)); // grains
        Cell p = Cellular(u, v, 40, 115, 0.9f);
        if ((p.id & 7) == 0 && p.f1 < 0.22f)
            c = Mix(c, FromHex(0x6E6A62), SmoothStep(0.22f, 0.15f, p.f1));
        c = Scale(c, 1 - 0.25f * SmoothStep(0.0f, 0.5f, Fbm(u, v, 4, 3, 0.5f, 116))); // damp patches
        return Scale(c, Light(h, x, y, 3.0f));
    });
}

Image Planks()
{
    const int n = 256, planks = 4;
    return Fill(n, n, [&](int, int, float u, float v) {
        int p = int(v * planks);
        float pv = v * planks - p; // 0..1 across the plank
        uint32_t id = Hash(uint32_t(p), 7, 51);
        float joint = Hash01(uint32_t(p), 8, 51);
        float du = std::fabs(u - joint);
        du = std::fmin(du, 1 - du);
        float grain = Fbm2(u + Hash01(uint32_t(p), 9, 51), v, 2, 64, 3, 0.5f, 52 + p);
        float rings = std::sin((grain * 6 + Gradient2(u, v, 4, 16, 53) * 2) * kPi) * 0.5f + 0.5f;
        Rgba c = Mix(FromHex(0x6E5236), FromHex(0x94764E), ((id >> 8) & 255) / 255.0f);
        c = Mix(c, FromHex(0x57402A), rings * 0.35f);
        c = Mix(c, FromHex(0x7A7A70), SmoothStep(0.2f, 0.6f, Fbm(u, v, 8, 3, 0.5f, 54)) * 0.35f); // weathering
        float edge = SmoothStep(0.0f, 0.06f, pv) * SmoothStep(0.0f, 0.06f, 1 - pv);
        float gap = SmoothStep(0.0f, 0.008f, du);
        float k = (0.35f + 0.65f * edge) * (0.4f + 0.6f * gap);
        // Two nails by each joint.
        for (float side : {-0.025f, 0.025f})
            for (float row : {0.3f, 0.7f})
            {
                float dx = std::fabs(du - std::fabs(side)) * n, dy = (pv - row) * n / planks;
                if (dx * dx + dy * dy < 4.0f)
                    c = FromHex(0x3A3430);
            }
        return Scale(c, k);
    });
}

// The litter's fringe over the grass: rows of the forest floor, laid along
// the litter's edge (u) and across it (v), the edge a quarter of the way
// across. It fades in from nothing inside the litter, where the floor
// itself lies under it, and thins out raggedly over the grass.
Image LitterFringe()
{
    const Image floor = ForestFloor();
    const int w = floor.Width(), h = w / 4;
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const float u = (float(x) + 0.5f) / float(w), v = (float(y) + 0.5f) / float(h);
            const float edge = 0.25f;
            float a = SmoothStep(0.0f, edge, v);
            if (v > edge)
            {
                // Clumps of litter reach out over the grass, fewer and
                // thinner the further out, rather than an even veil.
                const float t = (v - edge) / (1 - edge);
                const float clumps = Fbm(u, 0.25f * v, 24, 3, 0.5f, 91);
                const float reach = Fbm(u, 0.25f * v, 6, 2, 0.5f, 92);
                const float cover = 1 - t + 0.2f * reach + 0.4f * clumps;
                a = SmoothStep(0.1f, 0.8f, cover) * (1 - 0.3f * t);
                a = std::max(a, 1 - SmoothStep(0.0f, 0.12f, t));
                a *= 1 - SmoothStep(0.8f, 1.0f, t);
            }
            if (y == 0 || y == h - 1)
                a = 0; // the rows the filter wraps onto each other
            std::copy(floor.At(x, y), floor.At(x, y) + 3, img.At(x, y));
            img.At(x, y)[3] = uint8_t(a * 255.0f + 0.5f);
        }
    return img;
}

} // namespace

std::vector<TextureEntry> TerrainTextures()
{
    std::vector<TextureEntry> t;
    auto add = [&](const char* name, Image img) { t.push_back({name, std::move(img), true, AlphaUse::Opaque}); };
    add("ground01.tga", Meadow({12, FromHex(0x344C1E), FromHex(0x4E6226), 0.3f, 0.002f})); // lawn
    add("ground04.tga", Meadow({22, FromHex(0x3A4E1E), FromHex(0x566628), 0.4f, 0.006f})); // drier meadow with flowers
    add("ground03.tga", ForestFloor());
    t.push_back({"litter_edge.tga", LitterFringe(), false, AlphaUse::Blend});
    add("ground02.tga", Earth());
    add("hill01.tga", Hills());
    add("border01.tga", Pebbles(10, 31, FromHex(0x4A3E30), 0.6f, 0.5f)); // pool rims
    add("bereg01.tga", Pebbles(14, 35, FromHex(0x52442E), 0.4f, 0.3f));  // river banks
    add("sand01.tga", WetSand());
    add("ruslo01.tga", RiverBed());
    add("lusha_dno.tga", PoolBed());
    add("rock01.tga", Rock(61, 0.02f, 0.07f));
    add("rock02.tga", Rock(71, 0.1f, 0.03f));
    add("ledge01.tga",
        Rock(141, 0.05f, 0.12f, FromHex(0x4E4A46), FromHex(0x7A746A), 256)); // wet ledges the falls pour from
    add("stone01.tga", Rock(121, -0.05f, 0.0f, FromHex(0x62605C), FromHex(0x9A9894), 256)); // granite
    add("stone02.tga", Rock(131, 0.15f, 0.02f, FromHex(0x6A5E4C), FromHex(0x9A8C72), 256)); // mossy sandstone
    add("most.tga", Planks());
    return t;
}

} // namespace qmc
