// Host tool: texture cards drawn into the painted pictures.
#include "tools/content/PictureSprites.h"

#include <algorithm>

namespace qmc {

const Image& Tex(const std::vector<TextureEntry>& t, const char* name)
{
    static const Image empty(1, 1);
    for (auto& e : t)
        if (e.name == name)
            return e.image;
    return empty;
}

Rgba Scale(Rgba c, float k)
{
    return {c.r * k, c.g * k, c.b * k, c.a};
}

Rgba SampleClamp(const Image& img, float u, float v)
{
    float x = Clamp01(u) * (img.Width() - 1), y = Clamp01(v) * (img.Height() - 1);
    int x0 = int(x), y0 = int(y);
    int x1 = std::min(x0 + 1, img.Width() - 1), y1 = std::min(y0 + 1, img.Height() - 1);
    float tx = x - x0, ty = y - y0;
    return Mix(Mix(img.Get(x0, y0), img.Get(x1, y0), tx), Mix(img.Get(x0, y1), img.Get(x1, y1), tx), ty);
}

void Sprite(Image& dst, const Image& src, float x, float y, float w, float h, Rgba tint, bool flip)
{
    for (int py = std::max(0, int(y)); py < std::min(dst.Height(), int(y + h) + 1); ++py)
        for (int px = std::max(0, int(x)); px < std::min(dst.Width(), int(x + w) + 1); ++px)
        {
            float u = (px + 0.5f - x) / w, v = (py + 0.5f - y) / h;
            if (u < 0 || u > 1 || v < 0 || v > 1)
                continue;
            Rgba s = SampleClamp(src, flip ? 1 - u : u, v);
            s.a *= SmoothStep(1.0f, 0.85f, v); // roots fade into the ground instead of ending in a line
            if (s.a <= 0.01f)
                continue;
            Rgba d = dst.Get(px, py);
            Rgba c = Mix(d, {s.r * tint.r, s.g * tint.g, s.b * tint.b, 1}, s.a * tint.a);
            c.a = 1;
            dst.Set(px, py, c);
        }
}

void Sprite(Canvas& dst, const Image& src, float x, float y, float w, float h, Rgba tint, bool flip)
{
    for (int py = std::max(0, int(y)); py < std::min(dst.Height(), int(y + h) + 1); ++py)
        for (int px = std::max(0, int(x)); px < std::min(dst.Width(), int(x + w) + 1); ++px)
        {
            float u = (px + 0.5f - x) / w, v = (py + 0.5f - y) / h;
            if (u < 0 || u > 1 || v < 0 || v > 1)
                continue;
            Rgba s = SampleClamp(src, flip ? 1 - u : u, v);
            dst.Over(px, py, {s.r * tint.r, s.g * tint.g, s.b * tint.b, 1}, s.a * tint.a);
        }
}

} // namespace qmc
