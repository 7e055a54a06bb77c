// Host tool: the painting of the valley the pictures fall back on: a view
// down the brook between wooded banks, from the generated textures.
#include <algorithm>
#include <cmath>

#include "src/ClassBase/SceneConstants.h"
#include "tools/content/Canvas.h"
#include "tools/content/Noise.h"
#include "tools/content/PictureSprites.h"
#include "tools/content/Pictures.h"

namespace qmc {

Image PaintValley(const std::vector<TextureEntry>& tex, int W, int H)
{
    const Rgba fog = FromHex(SCENE_FOG_COLOR);
    const Image& sky = Tex(tex, "sky.tga");
    const Image& ground = Tex(tex, "ground01.tga");
    const Image& bank = Tex(tex, "border01.tga");
    const Image& leavesA = Tex(tex, "Leaves02.tga");
    const Image& leavesB = Tex(tex, "Leaves03.tga");
    const Image& grass = Tex(tex, "grass.tga");
    static const Image reeds = ReedClump();
    const Image& bark = Tex(tex, "bark02.tga");
    const float y0 = H * 0.55f; // horizon
    Image img(W, H);
    // Sky, far hills and the wooded middle distance above the horizon.
    auto far = [&](float x) { return y0 - H * (0.11f + 0.06f * Fbm(x / W * 0.5f, 0.3f, 4, 4, 0.5f, 901)); };
    auto mid = [&](float x) {
        float crowns = 0;
        for (int t = 0; t < 40; ++t)
        {
            float cx = Hash01(uint32_t(t), 1, 902) * W, r = (0.025f + 0.03f * Hash01(uint32_t(t), 2, 902)) * W;
            float d = (x - cx) / r;
            if (std::fabs(d) < 1)
                crowns = std::fmax(crowns, std::sqrt(1 - d * d) * r * 0.9f);
        }
        return y0 - H * 0.03f - crowns * (1.0f - 0.4f * std::fabs(x / W - 0.5f));
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
        {
            float fy = float(y);
            Rgba c;
            if (fy < y0)
            {
                float sv = 0.2f + 0.513f * fy / y0; // zenith side down to the horizon row of the dome
                c = sky.SampleWrap((0.16f + 0.3f * x / W) * sky.Width(), sv * (sky.Height() - 1));
                if (fy > far(float(x)))
                {
                    float n = Fbm(float(x) / W, fy / H, 16, 3, 0.5f, 903) * 0.5f + 0.5f;
                    c = Mix(Mix(FromHex(0x4E5E50), FromHex(0x6A7462), n), fog, 0.6f);
                }
                if (fy > mid(float(x)))
                {
                    float n = Fbm(float(x) / W * 2, fy / H * 2, 16, 4, 0.55f, 904) * 0.5f + 0.5f;
                    c = Mix(Mix(FromHex(0x22381C), FromHex(0x4A6630), n), fog, 0.3f);
                }
            }
            else
            {
                c = fog;
            }
            c.a = 1;
            img.Set(x, y, c);
        }
    // A rock cliff on the right with a waterfall, half lost in the haze.
    {
        const Image& rock = Tex(tex, "rock01.tga");
        const Image& fall = Tex(tex, "waterfall01.tga");
        const float x0 = W * 0.56f, x1 = W * 0.86f;
        for (int x = int(x0); x < int(x1); ++x)
        {
            float t = (x - x0) / (x1 - x0);
            float shoulder = SmoothStep(0.0f, 0.25f, t) * SmoothStep(1.0f, 0.7f, t);
            float top = y0 - H * (0.04f + 0.13f * shoulder + 0.03f * Fbm(t, 0.5f, 8, 4, 0.5f, 906) * shoulder);
            for (int y = std::max(0, int(top)); y < int(y0); ++y)
            {
                float rv = (y - top) / (y0 - top);
                Rgba c = rock.SampleWrap(x * 1.5f, y * 1.5f);
                c = Scale(c, 0.75f + 0.35f * (1 - rv) * (1 - t)); // lit from the left, darker low down
                float fx = (x - W * 0.68f) / (W * 0.018f * (1 + rv * 0.6f));
                if (std::fabs(fx) < 1)
                {
                    Rgba f = fall.SampleWrap(fx * 40 + 128, y * 2.0f);
                    float a = f.a * SmoothStep(1.0f, 0.6f, std::fabs(fx));
                    c = Mix(c, {f.r, f.g, f.b, 1}, Clamp01(a * 1.2f));
                }
                c = Mix(c, fog, 0.35f);
                c.a = 1;
                img.Set(x, y, c);
            }
        }
        Sprite(img, Tex(tex, "brizg.tga"), W * 0.63f, y0 - H * 0.05f, W * 0.1f, H * 0.07f, {1, 1, 1, 0.8f});
    }
    // Distant trees standing on the wooded line.
    Random rng(905);
    for (int t = 0; t < 26; ++t)
    {
        float cx = rng.Uniform() * W, s = (0.05f + 0.05f * rng.Uniform()) * W;
        Sprite(img, rng.Uniform() < 0.5f ? leavesA : leavesB, cx - s / 2, mid(cx) - s * 0.55f, s, s,
               {0.75f, 0.8f, 0.75f, 0.85f});
    }
    // The brook runs towards the viewer; banks and water below the horizon.
    Image above = img;
    auto edges = [&](float t, float& xl, float& xr) {
        float bend = std::sin(t * 3.0f + 0.6f) * 0.06f * W * t;
        // Ragged shores: the further, the finer the wiggle looks.
        float wl = Fbm(t * 0.5f, 0.2f, 16, 3, 0.5f, 907) * 0.025f * W * (0.2f + t);
        float wr = Fbm(t * 0.5f, 0.7f, 16, 3, 0.5f, 908) * 0.025f * W * (0.2f + t);
        xl = W * (0.5f - 0.03f - 0.34f * t) + bend + wl;
        xr = W * (0.5f + 0.03f + 0.30f * t) + bend + wr;
    };
    for (int y = int(y0); y < H; ++y)
    {
        float t = (y - y0) / (H - y0);
        float z = 1.0f / (t + 0.04f); // distance along the ground
        float xl, xr;
        edges(t, xl, xr);
        for (int x = 0; x < W; ++x)
        {
            Rgba c;
            float side = (x - W * 0.5f) / W;
            if (x > xl && x < xr)
            {
                // Water: the mirrored world, stirred a little, over a dark green-brown body.
                float wob = std::sin(y * 0.9f + std::sin(x * 0.05f) * 2) * t * 0.008f * W;
                int my = int(y0 - (y - y0) * 0.95f);
                int mx = std::min(std::max(int(x + wob), 0), W - 1);
                Rgba r = above.Get(mx, std::max(my, 0));
                c = Mix(Scale(r, 0.78f), FromHex(0x34443A), 0.25f + 0.2f * t);
                float edge = std::fmin(x - xl, xr - x) / (W * 0.02f);
                c = Mix(Scale(c, 0.7f), c, Clamp01(edge));
            }
            else
            {
                float gu = side * z * 0.6f, gv = z * 0.5f;
                c = ground.SampleWrap(gu * ground.Width(), gv * ground.Height());
                float d = x <= xl ? xl - x : x - xr;
                float bankW = W * (0.015f + 0.06f * t);
                if (d < bankW)
                {
                    Rgba b = bank.SampleWrap(gu * bank.Width() * 2, gv * bank.Height() * 2);
                    c = Mix(b, c, SmoothStep(0.3f, 1.0f, d / bankW));
                }
                c = Scale(c, 0.85f + 0.3f * t);
            }
            c = Mix(c, fog, std::pow(1 - t, 6.0f) * 0.8f);
            c.a = 1;
            img.Set(x, y, c);
        }
    }
    // Reeds along both shores, further ones smaller.
    for (int k = 0; k < 16; ++k)
    {
        float t = 0.1f + 0.8f * rng.Uniform();
        float xl, xr;
        edges(t, xl, xr);
        float s = W * (0.04f + 0.16f * t);
        float y = y0 + t * (H - y0);
        float x = (k & 1 ? xr : xl) + (rng.Uniform() - 0.5f) * s * 0.3f;
        Sprite(img, reeds, x - s / 2, y - s * 0.95f, s, s, {0.9f, 0.9f, 0.85f, 1}, k & 2);
    }
    // A near tree on the left bank, its crown reaching over the top.
    {
        Canvas trunk(W, H);
        float bx = W * 0.12f;
        for (int i = 0; i < 20; ++i)
        {
            float a = i / 20.0f, b = (i + 1) / 20.0f;
            trunk.Capsule(bx + std::sin(a * 2) * W * 0.02f, H * (1.02f - a * 0.95f), W * 0.03f * (1 - a * 0.6f),
                          bx + std::sin(b * 2) * W * 0.02f, H * (1.02f - b * 0.95f), W * 0.03f * (1 - b * 0.6f),
                          {1, 1, 1, 1});
        }
        Image mask = trunk.ToImage();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
            {
                float a = mask.At(x, y)[3] / 255.0f;
                if (a <= 0)
                    continue;
                float lit = Clamp01(0.6f + (x - bx) / (W * 0.05f) * 0.4f);
                Rgba b = bark.SampleWrap(x * 2.0f, y * 1.0f);
                Rgba c = Mix(img.Get(x, y), Scale(b, lit), a);
                c.a = 1;
                img.Set(x, y, c);
            }
        for (int i = 0; i < 14; ++i)
        {
            float s = W * rng.Range(0.2f, 0.32f);
            float cx = bx + rng.Range(-0.12f, 0.22f) * W, cy = H * rng.Range(-0.05f, 0.3f);
            Sprite(img, leavesA, cx - s / 2, cy - s / 2, s, s, {0.85f, 0.9f, 0.85f, 1}, i & 1);
        }
    }
    // Smaller trees on the right bank.
    for (int k = 0; k < 5; ++k)
    {
        float t = 0.05f + 0.2f * k;
        float xl, xr;
        edges(t, xl, xr);
        float s = W * (0.12f + 0.2f * t);
        float y = y0 + t * (H - y0);
        float x = xr + s * (0.4f + rng.Uniform() * 0.3f);
        Sprite(img, leavesB, x - s / 2, y - s * 1.3f, s, s * 1.2f, {0.8f, 0.85f, 0.8f, 1}, k & 1);
    }
    // Grass in the foreground.
    for (int k = 0; k < 40; ++k)
    {
        float t = 0.55f + 0.45f * rng.Uniform();
        float xl, xr;
        edges(t, xl, xr);
        float x = rng.Uniform() * W;
        if (x > xl - W * 0.02f && x < xr + W * 0.02f)
            continue;
        float s = W * (0.05f + 0.12f * t);
        float y = y0 + t * (H - y0);
        Sprite(img, grass, x - s / 2, y - s * 0.9f, s, s, {0.9f, 0.95f, 0.85f, 1}, k & 1);
    }
    return img;
}

} // namespace qmc
