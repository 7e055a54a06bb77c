// Samples: TGA and DDS writers and test pictures.
#include "tools/samples/SamplePictures.h"

#include <cmath>

namespace gfxtest {

void Put16(std::vector<uint8_t>& v, int x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

std::vector<uint8_t> MakeTga(int w, int h, const std::vector<uint8_t>& rgba, TgaOptions o)
{
    std::vector<uint8_t> f;
    f.push_back(0);
    f.push_back(0);
    f.push_back(static_cast<uint8_t>((o.bits == 8 ? 3 : 2) + (o.rle ? 8 : 0)));
    for (int i = 0; i < 5; ++i)
        f.push_back(0);
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, w);
    Put16(f, h);
    f.push_back(static_cast<uint8_t>(o.bits));
    f.push_back(static_cast<uint8_t>((o.bits == 32 ? 8 : 0) | (o.topOrigin ? 0x20 : 0)));
    const int bpp = o.bits / 8;
    for (int row = 0; row < h; ++row)
    {
        const int y = o.topOrigin ? row : h - 1 - row;
        std::vector<std::vector<uint8_t>> px;
        for (int x = 0; x < w; ++x)
        {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            if (bpp == 1)
                px.push_back({p[0]});
            else if (bpp == 3)
                px.push_back({p[2], p[1], p[0]});
            else
                px.push_back({p[2], p[1], p[0], p[3]});
        }
        if (!o.rle)
        {
            for (auto& p : px)
                f.insert(f.end(), p.begin(), p.end());
            continue;
        }
        // runs of equal texels become run packets, the rest raw packets
        int x = 0;
        while (x < w)
        {
            int run = 1;
            while (x + run < w && run < 128 && px[x + run] == px[x])
                ++run;
            if (run > 1)
            {
                f.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
                f.insert(f.end(), px[x].begin(), px[x].end());
                x += run;
            }
            else
            {
                int raw = 1;
                while (x + raw < w && raw < 128 && !(x + raw + 1 < w && px[x + raw] == px[x + raw + 1]))
                    ++raw;
                f.push_back(static_cast<uint8_t>(raw - 1));
                for (int i = 0; i < raw; ++i)
                    f.insert(f.end(), px[x + i].begin(), px[x + i].end());
                x += raw;
            }
        }
    }
    return f;
}

std::vector<uint8_t> MakeDds(int w, int h, uint32_t format, const std::vector<std::vector<uint8_t>>& levels)
{
    std::vector<uint8_t> f = {'D', 'D', 'S', ' '};
    Put32(f, 124);
    Put32(f, 0x1007 | (levels.size() > 1 ? 0x20000 : 0));
    Put32(f, h);
    Put32(f, w);
    Put32(f, 0);
    Put32(f, 0);
    Put32(f, static_cast<uint32_t>(levels.size()));
    for (int i = 0; i < 11; ++i)
        Put32(f, 0);
    Put32(f, 32); // pixel format
    const bool fourcc = format > 0xFF;
    if (fourcc)
    {
        Put32(f, 0x4);
        Put32(f, format);
        for (int i = 0; i < 5; ++i)
            Put32(f, 0);
    }
    else if (format == 60)
    {
        Put32(f, 0x80000);
        Put32(f, 0);
        Put32(f, 16);
        Put32(f, 0xFF);
        Put32(f, 0xFF00);
        Put32(f, 0);
        Put32(f, 0);
    }
    else
    {
        Put32(f, format == 21 ? 0x41 : 0x40);
        Put32(f, 0);
        Put32(f, 32);
        Put32(f, 0xFF0000);
        Put32(f, 0xFF00);
        Put32(f, 0xFF);
        Put32(f, format == 21 ? 0xFF000000u : 0);
    }
    Put32(f, 0x1000 | (levels.size() > 1 ? 0x400008 : 0));
    for (int i = 0; i < 4; ++i)
        Put32(f, 0);
    for (auto& l : levels)
        f.insert(f.end(), l.begin(), l.end());
    return f;
}

std::vector<uint8_t> MakeSmoothPicture(int w, int h, uint32_t seed)
{
    Rng r;
    r.s += seed * 7919;
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            const float fx = float(x) / w, fy = float(y) / h;
            p[0] = static_cast<uint8_t>(128 + 100 * std::sin(6 * fx + seed) + (r.Next() % 16));
            p[1] = static_cast<uint8_t>(128 + 100 * std::cos(5 * fy + 2 * fx) + (r.Next() % 16));
            p[2] = static_cast<uint8_t>(40 + 180 * fx * fy + (r.Next() % 16));
            p[3] = static_cast<uint8_t>(255 * fy);
        }
    return px;
}

std::vector<uint8_t> MakeLeafPicture(int w, int h, uint32_t seed)
{
    Rng r;
    r.s += seed * 104729;
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4, 0);
    for (int leaf = 0; leaf < 40; ++leaf)
    {
        const float cx = r.Unit() * w, cy = r.Unit() * h;
        const float rx = (0.03f + 0.05f * r.Unit()) * w, ry = rx * (0.3f + 0.3f * r.Unit());
        const float angle = r.Unit() * 3.14159f;
        const float ca = std::cos(angle), sa = std::sin(angle);
        const uint8_t g = static_cast<uint8_t>(90 + r.Next() % 120);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const float dx = x - cx, dy = y - cy;
                const float u = (dx * ca + dy * sa) / rx, v = (-dx * sa + dy * ca) / ry;
                const float d = std::sqrt(u * u + v * v);
                if (d > 1.05f)
                    continue;
                uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
                const uint8_t a = d < 0.95f ? 255 : static_cast<uint8_t>(255 * (1.05f - d) / 0.1f);
                if (a > p[3])
                {
                    p[0] = static_cast<uint8_t>(g / 3);
                    p[1] = g;
                    p[2] = static_cast<uint8_t>(g / 5);
                    p[3] = a;
                }
            }
    }
    return px;
}

double SquaredColourError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        for (int k = 0; k < 3; ++k)
        {
            const double d = double(a[i + k]) - b[i + k];
            sum += d * d;
        }
    return sum;
}

} // namespace gfxtest
