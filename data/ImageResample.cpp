// Portable core: resizing to texture sizes and building mip chains.
#include "data/ImageResample.h"

#include "data/DdsImage.h"

#include <stb_image_resize.h>

namespace gfx {

uint32_t RoundUpPow2(uint32_t value, uint32_t limit)
{
    uint32_t p = 1;
    while (p < value && p * 2 <= limit)
        p *= 2;
    return p;
}

bool ResizeRgba(const RgbaImage& src, uint32_t width, uint32_t height, RgbaImage& out)
{
    out = RgbaImage{};
    if (src.width == 0 || src.height == 0 || width == 0 || height == 0)
        return false;
    if (width == src.width && height == src.height)
    {
        out = src;
        return true;
    }
    RgbaImage result;
    result.width = width;
    result.height = height;
    result.pixels.resize(static_cast<size_t>(width) * height * 4);
    const int ok =
        stbir_resize_uint8_generic(src.pixels.data(), static_cast<int>(src.width), static_cast<int>(src.height), 0,
                                   result.pixels.data(), static_cast<int>(width), static_cast<int>(height), 0, 4, 3, 0,
                                   STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr);
    if (!ok)
        return false;
    out = std::move(result);
    return true;
}

bool IsCutout(const RgbaImage& image)
{
    size_t hard = 0, out = 0;
    const size_t n = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < n; ++i)
    {
        const int a = image.pixels[i * 4 + 3];
        if (a < 16)
        {
            ++hard;
            ++out;
        }
        else if (a > 239)
        {
            ++hard;
        }
    }
    return n > 0 && out > 0 && hard * 10 >= n * 9;
}

float AlphaCoverage(const RgbaImage& image, int ref)
{
    const size_t n = static_cast<size_t>(image.width) * image.height;
    if (n == 0)
        return 0.0f;
    size_t in = 0;
    for (size_t i = 0; i < n; ++i)
        in += image.pixels[i * 4 + 3] >= ref;
    return static_cast<float>(in) / static_cast<float>(n);
}

void Downsample2x(const RgbaImage& src, RgbaImage& out)
{
    out.width = src.width > 1 ? src.width / 2 : 1;
    out.height = src.height > 1 ? src.height / 2 : 1;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 4);
    const uint32_t sx = src.width > 1 ? 2 : 1, sy = src.height > 1 ? 2 : 1;
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < out.width; ++x)
        {
            uint32_t sum[4] = {0, 0, 0, 0}, weighted[3] = {0, 0, 0}, alpha = 0;
            for (uint32_t dy = 0; dy < sy; ++dy)
                for (uint32_t dx = 0; dx < sx; ++dx)
                {
                    const uint8_t* p = src.Row(y * sy + dy) + (x * sx + dx) * 4;
                    for (int k = 0; k < 4; ++k)
                        sum[k] += p[k];
                    for (int k = 0; k < 3; ++k)
                        weighted[k] += p[k] * p[3];
                    alpha += p[3];
                }
            const uint32_t n = sx * sy;
            uint8_t* d = out.Row(y) + x * 4;
            for (int k = 0; k < 3; ++k)
                d[k] = static_cast<uint8_t>(alpha ? (weighted[k] + alpha / 2) / alpha : (sum[k] + n / 2) / n);
            d[3] = static_cast<uint8_t>((sum[3] + n / 2) / n);
        }
}

namespace {

// Alpha scale that brings the coverage of image closest to target.
void KeepCoverage(RgbaImage& image, float target)
{
    float lo = 0.0f, hi = 8.0f, bestScale = 1.0f;
    float bestDiff = 2.0f;
    const size_t n = static_cast<size_t>(image.width) * image.height;
    auto coverage = [&](float scale) {
        size_t in = 0;
        for (size_t i = 0; i < n; ++i)
            in += image.pixels[i * 4 + 3] * scale >= CUTOUT_ALPHA_REF;
        return static_cast<float>(in) / static_cast<float>(n);
    };
    for (int it = 0; it < 12; ++it)
    {
        const float mid = 0.5f * (lo + hi);
        const float c = coverage(mid);
        const float diff = c > target ? c - target : target - c;
        if (diff < bestDiff)
        {
            bestDiff = diff;
            bestScale = mid;
        }
        if (c < target)
            lo = mid;
        else
            hi = mid;
    }
    if (bestScale == 1.0f)
        return;
    for (size_t i = 0; i < n; ++i)
    {
        const float a = image.pixels[i * 4 + 3] * bestScale;
        image.pixels[i * 4 + 3] = static_cast<uint8_t>(a >= 255.0f ? 255 : a); // truncate: keeps the test's side
    }
}

} // namespace

void BuildMipChain(const RgbaImage& top, uint32_t count, std::vector<RgbaImage>& levels)
{
    levels.clear();
    if (top.width == 0 || top.height == 0)
        return;
    const uint32_t full = FullMipCount(top.width, top.height);
    if (count == 0 || count > full)
        count = full;
    const bool cutout = IsCutout(top);
    const float target = cutout ? AlphaCoverage(top, CUTOUT_ALPHA_REF) : 0.0f;
    levels.push_back(top);
    RgbaImage plain = top; // the level above, before its alpha was scaled
    for (uint32_t i = 1; i < count; ++i)
    {
        RgbaImage next;
        Downsample2x(plain, next);
        plain = next;
        if (cutout)
            KeepCoverage(next, target);
        levels.push_back(std::move(next));
    }
}

} // namespace gfx
