#include "tools/content/Image.h"

#include <algorithm>
#include <cmath>

namespace qmc {

float Clamp01(float v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float SmoothStep(float e0, float e1, float x)
{
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Rgba Mix(const Rgba& a, const Rgba& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba FromHex(uint32_t rgb, float alpha)
{
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, alpha};
}

static uint8_t ToByte(float v)
{
    return uint8_t(std::lround(Clamp01(v) * 255.0f));
}

void Image::Set(int x, int y, const Rgba& c)
{
    uint8_t* p = At(x, y);
    p[0] = ToByte(c.r);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.b);
    p[3] = ToByte(c.a);
}

Rgba Image::Get(int x, int y) const
{
    const uint8_t* p = At(x, y);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
}

Rgba Image::SampleWrap(float u, float v) const
{
    float fu = std::floor(u), fv = std::floor(v);
    float tu = u - fu, tv = v - fv;
    auto wrap = [](int i, int n) { return ((i % n) + n) % n; };
    int x0 = wrap(int(fu), m_w), y0 = wrap(int(fv), m_h);
    int x1 = (x0 + 1) % m_w, y1 = (y0 + 1) % m_h;
    Rgba a = Mix(Get(x0, y0), Get(x1, y0), tu);
    Rgba b = Mix(Get(x0, y1), Get(x1, y1), tu);
    return Mix(a, b, tv);
}

Image Image::Resized(int w, int h) const
{
    Image out(w, h);
    for (int y = 0; y < h; ++y)
    {
        int sy0 = y * m_h / h, sy1 = std::max(sy0 + 1, (y + 1) * m_h / h);
        for (int x = 0; x < w; ++x)
        {
            int sx0 = x * m_w / w, sx1 = std::max(sx0 + 1, (x + 1) * m_w / w);
            double acc[4] = {0, 0, 0, 0}, wsum = 0;
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx)
                {
                    const uint8_t* p = At(sx, sy);
                    double a = p[3] / 255.0; // weight colour by alpha so edges stay clean
                    acc[0] += p[0] * a;
                    acc[1] += p[1] * a;
                    acc[2] += p[2] * a;
                    acc[3] += p[3];
                    wsum += a;
                }
            int n = (sx1 - sx0) * (sy1 - sy0);
            uint8_t* q = out.At(x, y);
            for (int c = 0; c < 3; ++c)
            {
                if (wsum > 0)
                {
                    q[c] = uint8_t(std::lround(acc[c] / wsum));
                }
                else
                {
                    double s = 0;
                    for (int sy = sy0; sy < sy1; ++sy)
                        for (int sx = sx0; sx < sx1; ++sx)
                            s += At(sx, sy)[c];
                    q[c] = uint8_t(std::lround(s / n));
                }
            }
            q[3] = uint8_t(std::lround(acc[3] / n));
        }
    }
    return out;
}

void Image::Blit(const Image& src, int ox, int oy)
{
    for (int y = 0; y < src.Height(); ++y)
    {
        int ty = oy + y;
        if (ty < 0 || ty >= m_h)
            continue;
        for (int x = 0; x < src.Width(); ++x)
        {
            int tx = ox + x;
            if (tx < 0 || tx >= m_w)
                continue;
            Rgba s = src.Get(x, y), d = Get(tx, ty);
            Rgba o = Mix(d, s, s.a);
            o.a = s.a + d.a * (1 - s.a);
            Set(tx, ty, o);
        }
    }
}

} // namespace qmc
