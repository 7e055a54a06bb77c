// Test helper (Windows tests): a decoded picture read the way the device
// filters it when it draws it: one texel, or bilinear with the default
// wrapping.
#pragma once
#include <algorithm>
#include <cmath>

#include "data/TextureData.h"

namespace picturetest {

// A colour and its alpha, 0..1.
struct Texel
{
    float r, g, b, a;
};

struct SampledPicture
{
    gfx::RgbaImage image;

    Texel At(int x, int y) const
    {
        const uint8_t* p = image.Row(static_cast<uint32_t>(y)) + static_cast<size_t>(x) * 4;
        return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
    }
    // Bilinear at texel coordinates (texel centres on whole numbers), with
    // the device's default wrapping.
    Texel Bilinear(float tx, float ty) const
    {
        const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
        const float fx = std::floor(tx), fy = std::floor(ty);
        const float ax = tx - fx, ay = ty - fy;
        const int x0 = ((static_cast<int>(fx) % w) + w) % w, y0 = ((static_cast<int>(fy) % h) + h) % h;
        const int x1 = (x0 + 1) % w, y1 = (y0 + 1) % h;
        const Texel t[4] = {At(x0, y0), At(x1, y0), At(x0, y1), At(x1, y1)};
        const float k[4] = {(1 - ax) * (1 - ay), ax * (1 - ay), (1 - ax) * ay, ax * ay};
        Texel out = {0, 0, 0, 0};
        for (int i = 0; i < 4; ++i)
        {
            out.r += t[i].r * k[i];
            out.g += t[i].g * k[i];
            out.b += t[i].b * k[i];
            out.a += t[i].a * k[i];
        }
        return out;
    }
};

} // namespace picturetest
