// Clock glyphs: white, with the font's anti-aliased coverage as alpha, on a
// common baseline so every digit sits at the same height in its quad.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "tools/content/StbCodecs.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const int kSize = 64;     // every glyph texture is 64 x 64
const float kPixels = 64; // font size; digits come out about 46 px tall
const int kBaseline = 55;

Image RenderText(const Font& font, const char* text, float pixels)
{
    float scale = font.ScaleForPixelHeight(pixels);
    // Measure, then centre horizontally.
    float width = 0;
    for (const char* p = text; *p; ++p)
        width += font.Advance(*p) * scale;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
        {
            uint8_t* px = img.At(x, y);
            px[0] = px[1] = px[2] = 255; // white everywhere, so filtering never darkens the edge
            px[3] = 0;
        }
    float pen = (kSize - width) / 2;
    for (const char* p = text; *p; ++p)
    {
        GlyphBitmap g = font.Render(*p, scale);
        int ox = int(pen + 0.5f) + g.xoff, oy = kBaseline + g.yoff;
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x)
            {
                int tx = ox + x, ty = oy + y;
                if (tx < 0 || ty < 0 || tx >= kSize || ty >= kSize)
                    continue;
                uint8_t& a = img.At(tx, ty)[3];
                a = std::max<uint8_t>(a, g.coverage[size_t(y) * g.w + x]);
            }
        pen += font.Advance(*p) * scale;
    }
    return img;
}

} // namespace

std::vector<TextureEntry> GlyphTextures(const std::string& fontPath)
{
    std::ifstream in(fontPath, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Font font;
    if (!font.Load(std::move(bytes)))
        return {};
    std::vector<TextureEntry> t;
    const char* names[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 10; ++i)
        t.push_back(
            {std::string("digits\\") + names[i] + ".tga", RenderText(font, names[i], kPixels), false, AlphaUse::Blend});
    t.push_back({"digits\\ddot.tga", RenderText(font, ":", kPixels), false, AlphaUse::Blend});
    t.push_back({"digits\\dot.tga", RenderText(font, ".", kPixels), false, AlphaUse::Blend});
    // The marks take the whole quad width, so they use a smaller size.
    t.push_back({"digits\\am.tga", RenderText(font, "AM", 40), false, AlphaUse::Blend});
    t.push_back({"digits\\pm.tga", RenderText(font, "PM", 40), false, AlphaUse::Blend});
    return t;
}

} // namespace qmc
