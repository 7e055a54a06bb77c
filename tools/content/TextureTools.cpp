#include <cmath>

#include "tools/content/Textures.h"

namespace qmc {

Field MakeField(int w, int h, const std::function<float(float, float)>& fn)
{
    Field f;
    f.w = w;
    f.h = h;
    f.v.resize(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f.v[size_t(y) * w + x] = fn((x + 0.5f) / w, (y + 0.5f) / h);
    return f;
}

float Light(const Field& f, int x, int y, float strength)
{
    float dx = (f.At(x + 1, y) - f.At(x - 1, y)) * strength;
    float dy = (f.At(x, y + 1) - f.At(x, y - 1)) * strength;
    // Normal (-dx, -dy, 1), light from upper left and above.
    const float lx = -0.45f, ly = -0.55f, lz = 0.70f;
    float len = std::sqrt(dx * dx + dy * dy + 1);
    float d = (-dx * lx - dy * ly + lz) / len;
    return d / lz;
}

Image Fill(int w, int h, const std::function<Rgba(int, int, float, float)>& fn)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.Set(x, y, fn(x, y, (x + 0.5f) / w, (y + 0.5f) / h));
    return img;
}

void BleedColour(Image& img)
{
    const int w = img.Width(), h = img.Height();
    std::vector<uint8_t> known(size_t(w) * h);
    double avg[3] = {0, 0, 0}, wsum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const uint8_t* p = img.At(x, y);
            known[size_t(y) * w + x] = p[3] > 8;
            for (int c = 0; c < 3; ++c)
                avg[c] += p[c] * (p[3] / 255.0);
            wsum += p[3] / 255.0;
        }
    // A few rounds of growing the visible colour outwards, then the average for the rest.
    for (int pass = 0; pass < 8; ++pass)
    {
        std::vector<uint8_t> next = known;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                if (known[size_t(y) * w + x])
                    continue;
                int acc[3] = {0, 0, 0}, n = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                    {
                        int sx = x + i, sy = y + j;
                        if (sx < 0 || sy < 0 || sx >= w || sy >= h || !known[size_t(sy) * w + sx])
                            continue;
                        const uint8_t* q = img.At(sx, sy);
                        for (int c = 0; c < 3; ++c)
                            acc[c] += q[c];
                        ++n;
                    }
                if (n)
                {
                    uint8_t* p = img.At(x, y);
                    for (int c = 0; c < 3; ++c)
                        p[c] = uint8_t(acc[c] / n);
                    next[size_t(y) * w + x] = 1;
                }
            }
        known.swap(next);
    }
    if (wsum <= 0)
        return;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!known[size_t(y) * w + x])
            {
                uint8_t* p = img.At(x, y);
                for (int c = 0; c < 3; ++c)
                    p[c] = uint8_t(avg[c] / wsum);
            }
}

std::vector<TextureEntry> AllTextures(const std::string& fontPath)
{
    std::vector<TextureEntry> all;
    for (auto* part : {&TerrainTextures, &PlantTextures, &WaterTextures, &SkyAndMiscTextures})
    {
        auto t = (*part)();
        for (auto& e : t)
            all.push_back(std::move(e));
    }
    for (auto& e : GlyphTextures(fontPath))
        all.push_back(std::move(e));
    return all;
}

} // namespace qmc
