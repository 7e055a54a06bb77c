// Portable core: reader of Truevision TGA pictures.
#include "data/TgaImage.h"

#include <cstring>

namespace gfx {

namespace {

constexpr size_t kHeaderBytes = 18;

struct Layout
{
    TgaHeader header;
    bool rle = false;
    bool grey = false;
    uint32_t bytesPerPixel = 0;
    bool topOrigin = false;
    bool rightOrigin = false;
    size_t dataOffset = 0;
};

bool ReadLayout(const uint8_t* d, size_t size, Layout& l)
{
    if (!d || size < kHeaderBytes)
        return false;
    const uint8_t idLength = d[0], mapType = d[1], type = d[2];
    const uint32_t bits = d[16], descriptor = d[17];
    if (mapType != 0)
        return false; // colour-mapped pictures are not used by the scene
    switch (type)
    {
    case 2:
        l.rle = false;
        l.grey = false;
        break;
    case 3:
        l.rle = false;
        l.grey = true;
        break;
    case 10:
        l.rle = true;
        l.grey = false;
        break;
    case 11:
        l.rle = true;
        l.grey = true;
        break;
    default:
        return false;
    }
    if (l.grey ? bits != 8 : (bits != 16 && bits != 24 && bits != 32))
        return false;
    l.bytesPerPixel = bits / 8;
    l.header.width = d[12] | (d[13] << 8);
    l.header.height = d[14] | (d[15] << 8);
    if (l.header.width == 0 || l.header.height == 0 || l.header.width > MAX_IMAGE_EDGE ||
        l.header.height > MAX_IMAGE_EDGE)
        return false;
    const uint32_t alphaBits = descriptor & 15;
    // 32-bit files that declare no alpha bits still carry it in practice
    l.header.hasAlpha = bits == 32 || (bits == 16 && alphaBits == 1);
    l.topOrigin = (descriptor & 0x20) != 0;
    l.rightOrigin = (descriptor & 0x10) != 0;
    l.dataOffset = kHeaderBytes + idLength;
    return l.dataOffset <= size;
}

void ToRgba(const uint8_t* s, uint32_t bpp, bool grey, bool alpha, uint8_t* d)
{
    if (grey)
    {
        d[0] = d[1] = d[2] = s[0];
        d[3] = 255;
    }
    else if (bpp == 2)
    {
        const uint32_t v = s[0] | (s[1] << 8);
        const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        d[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
        d[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        d[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        d[3] = alpha ? ((v & 0x8000) ? 255 : 0) : 255;
    }
    else
    {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = bpp == 4 ? s[3] : 255;
    }
}

} // namespace

bool ReadTgaHeader(const uint8_t* data, size_t size, TgaHeader& header)
{
    Layout l;
    if (!ReadLayout(data, size, l))
        return false;
    header = l.header;
    return true;
}

bool DecodeTga(const uint8_t* data, size_t size, RgbaImage& out)
{
    out = RgbaImage{};
    Layout l;
    if (!ReadLayout(data, size, l))
        return false;
    const uint32_t w = l.header.width, h = l.header.height, bpp = l.bytesPerPixel;
    const size_t count = static_cast<size_t>(w) * h;
    if (!l.rle && (size - l.dataOffset) / bpp < count)
        return false; // cut short

    // texels in file order first, then rows put right way up
    std::vector<uint8_t> linear(count * 4);
    const uint8_t* p = data + l.dataOffset;
    const uint8_t* end = data + size;
    size_t done = 0;
    while (done < count)
    {
        size_t run = 1;
        bool repeat = false;
        if (l.rle)
        {
            if (p >= end)
                return false;
            const uint8_t packet = *p++;
            run = (packet & 0x7F) + 1u;
            repeat = (packet & 0x80) != 0;
            if (run > count - done)
                return false; // a packet crossing the end of the image
        }
        else
        {
            run = count;
        }
        const size_t need = repeat ? bpp : run * bpp;
        if (static_cast<size_t>(end - p) < need)
            return false;
        for (size_t i = 0; i < run; ++i)
            ToRgba(repeat ? p : p + i * bpp, bpp, l.grey, l.header.hasAlpha, &linear[(done + i) * 4]);
        p += need;
        done += run;
    }

    out.width = w;
    out.height = h;
    out.pixels.resize(count * 4);
    for (uint32_t y = 0; y < h; ++y)
    {
        const uint32_t srcRow = l.topOrigin ? y : h - 1 - y;
        const uint8_t* s = &linear[static_cast<size_t>(srcRow) * w * 4];
        uint8_t* d = out.Row(y);
        if (!l.rightOrigin)
        {
            std::memcpy(d, s, static_cast<size_t>(w) * 4);
        }
        else
        {
            for (uint32_t x = 0; x < w; ++x)
                std::memcpy(d + x * 4, s + (w - 1 - x) * 4, 4);
        }
    }
    return true;
}

} // namespace gfx
