// Portable core: DXT block decoding.
#include "data/DxtBlocks.h"

namespace gfx {

namespace {

void Expand565(uint32_t c, int out[3])
{
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    out[0] = (r << 3) | (r >> 2);
    out[1] = (g << 2) | (g >> 4);
    out[2] = (b << 3) | (b >> 2);
}

void DecodeColour(const uint8_t* block, uint8_t rgba[64], bool allowThreeColour)
{
    const uint32_t c0 = block[0] | (block[1] << 8), c1 = block[2] | (block[3] << 8);
    int p[4][4];
    Expand565(c0, p[0]);
    Expand565(c1, p[1]);
    p[0][3] = p[1][3] = 255;
    if (c0 > c1 || !allowThreeColour)
    {
        for (int k = 0; k < 3; ++k)
        {
            p[2][k] = (2 * p[0][k] + p[1][k]) / 3;
            p[3][k] = (p[0][k] + 2 * p[1][k]) / 3;
        }
        p[2][3] = p[3][3] = 255;
    }
    else
    {
        for (int k = 0; k < 3; ++k)
        {
            p[2][k] = (p[0][k] + p[1][k]) / 2;
            p[3][k] = 0;
        }
        p[2][3] = 255;
        p[3][3] = 0;
    }
    const uint32_t bits = block[4] | (block[5] << 8) | (block[6] << 16) | (static_cast<uint32_t>(block[7]) << 24);
    for (int i = 0; i < 16; ++i)
    {
        const int idx = (bits >> (2 * i)) & 3;
        for (int k = 0; k < 4; ++k)
            rgba[i * 4 + k] = static_cast<uint8_t>(p[idx][k]);
    }
}

} // namespace

void DecodeDxt1Block(const uint8_t* block, uint8_t rgba[64])
{
    DecodeColour(block, rgba, true);
}

void DecodeDxt3Block(const uint8_t* block, uint8_t rgba[64])
{
    DecodeColour(block + 8, rgba, false);
    for (int i = 0; i < 16; ++i)
    {
        const int a = (block[i / 2] >> ((i & 1) * 4)) & 15;
        rgba[i * 4 + 3] = static_cast<uint8_t>(a * 17);
    }
}

void DecodeDxt5Block(const uint8_t* block, uint8_t rgba[64])
{
    DecodeColour(block + 8, rgba, false);
    const int a0 = block[0], a1 = block[1];
    int table[8] = {a0, a1};
    if (a0 > a1)
    {
        for (int i = 1; i < 7; ++i)
            table[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    }
    else
    {
        for (int i = 1; i < 5; ++i)
            table[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        table[6] = 0;
        table[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        rgba[i * 4 + 3] = static_cast<uint8_t>(table[(bits >> (3 * i)) & 7]);
}

bool DecodeDxtLevel(uint32_t format, const TextureLevel& level, RgbaImage& out)
{
    out = RgbaImage{};
    if (!IsBlockFormat(format))
        return false;
    const TextureLevel layout = MakeLevelLayout(format, level.width, level.height);
    if (level.bytes.size() != static_cast<size_t>(layout.rowPitch) * layout.rowCount)
        return false;
    const uint32_t unit = FormatUnitBytes(format);
    out.width = level.width;
    out.height = level.height;
    out.pixels.resize(static_cast<size_t>(level.width) * level.height * 4);
    uint8_t texels[64];
    for (uint32_t by = 0; by < layout.rowCount; ++by)
    {
        for (uint32_t bx = 0; bx < layout.rowPitch / unit; ++bx)
        {
            const uint8_t* block = level.bytes.data() + static_cast<size_t>(by) * layout.rowPitch + bx * unit;
            if (format == FMT_DXT1)
                DecodeDxt1Block(block, texels);
            else if (format == FMT_DXT3)
                DecodeDxt3Block(block, texels);
            else
                DecodeDxt5Block(block, texels);
            for (uint32_t y = 0; y < 4 && by * 4 + y < level.height; ++y)
                for (uint32_t x = 0; x < 4 && bx * 4 + x < level.width; ++x)
                    for (int k = 0; k < 4; ++k)
                        out.Row(by * 4 + y)[(bx * 4 + x) * 4 + k] = texels[(y * 4 + x) * 4 + k];
        }
    }
    return true;
}

} // namespace gfx
