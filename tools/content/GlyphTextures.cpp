// Clock glyphs: white, with the font's anti-aliased coverage as alpha, on a
// common baseline so every digit sits at the same height in its quad, inside
// a dark rim that keeps them readable over a bright sky as over dark water.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "tools/content/StbCodecs.h"
#include "tools/content/Textures.h"

namespace qmc {
namespace {

const int kSize = 64;     // every glyph texture is 64 x 64
const float kPixels = 72; // font size; digits come out about 52 px tall
const int kBaseline = 58; // room below for the rim
// The rim: about 2 pixels wide where a 64-pixel glyph is drawn 38 pixels
// tall (1024 x 768), nearly black, slightly see-through.
const float kRimRadius = 3.5f;
const float kRimAlpha = 0.85f;
const float kRimColour = 0.06f;

// The white fill over its dark rim. `fill` is the font's coverage (0..255);
// texels outside both take the rim's colour, so filtering never pulls white
// beyond the rim.
void AddRim(Image& img, const std::vector<uint8_t>& fill)
{
    const int r = int(std::ceil(kRimRadius));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
        {
            float rim = 0;
            for (int dy = -r - 1; dy <= r + 1; ++dy)
                for (int dx = -r - 1; dx <= r + 1; ++dx)
                {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= kSize || sy >= kSize)
                        continue;
                    const float reach = Clamp01(kRimRadius + 1 - std::sqrt(float(dx * dx + dy * dy)));
                    rim = std::max(rim, reach * fill[size_t(sy) * kSize + sx] / 255.0f);
                }
            const float a = fill[size_t(y) * kSize + x] / 255.0f;
            const float under = rim * kRimAlpha * (1 - a);
            const float alpha = a + under;
            const float grey = alpha > 0 ? (a + kRimColour * under) / alpha : kRimColour;
            img.Set(x, y, {grey, grey, grey, alpha});
        }
}

Image RenderText(const Font& font, const char* text, float pixels)
{
    float scale = font.ScaleForPixelHeight(pixels);
    // Measure, then centre horizontally.
    float width = 0;
    for (const char* p = text; *p; ++p)
        width += font.Advance(*p) * scale;
    std::vector<uint8_t> fill(size_t(kSize) * kSize, 0);
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
                uint8_t& a = fill[size_t(ty) * kSize + tx];
                a = std::max<uint8_t>(a, g.coverage[size_t(y) * g.w + x]);
            }
        pen += font.Advance(*p) * scale;
    }
    Image img(kSize, kSize);
    AddRim(img, fill);
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
    // The marks take the whole quad width, so they use a smaller size that
    // leaves room for the rim.
    t.push_back({"digits\\am.tga", RenderText(font, "AM", 36), false, AlphaUse::Blend});
    t.push_back({"digits\\pm.tga", RenderText(font, "PM", 36), false, AlphaUse::Blend});
    return t;
}

} // namespace qmc
