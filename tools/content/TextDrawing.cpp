// Host tool: text on the pictures.
#include "tools/content/TextDrawing.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/content/Canvas.h"

namespace qmc {

Font LoadFont(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    Font f;
    f.Load(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    return f;
}

void DrawText(Image& img, const Font& font, const std::string& text, float px, float x, float baseline, Rgba colour,
              bool centred)
{
    float scale = font.ScaleForPixelHeight(px);
    float width = 0;
    for (char ch : text)
        width += font.Advance(ch) * scale;
    float pen = centred ? x - width / 2 : x;
    Canvas shadow(img.Width(), img.Height()), ink(img.Width(), img.Height());
    for (char ch : text)
    {
        GlyphBitmap g = font.Render(ch, scale);
        int ox = int(pen + 0.5f) + g.xoff, oy = int(baseline) + g.yoff;
        for (int y = 0; y < g.h; ++y)
            for (int xx = 0; xx < g.w; ++xx)
            {
                float a = g.coverage[size_t(y) * g.w + xx] / 255.0f;
                if (a <= 0)
                    continue;
                ink.Over(ox + xx, oy + y, colour, a);
                for (int s = 1; s <= 3; ++s)
                    shadow.Over(ox + xx + s, oy + y + s, {0, 0, 0, 0.25f}, a);
            }
        pen += font.Advance(ch) * scale;
    }
    Image sh = shadow.ToImage(), in = ink.ToImage();
    Image out = img;
    for (int y = 0; y < img.Height(); ++y)
        for (int x2 = 0; x2 < img.Width(); ++x2)
        {
            Rgba d = img.Get(x2, y), s = sh.Get(x2, y), i = in.Get(x2, y);
            Rgba c = Mix(d, {0, 0, 0, 1}, s.a);
            c.a = d.a + s.a * (1 - d.a);
            c = Mix(c, {i.r, i.g, i.b, 1}, i.a);
            c.a = Clamp01(std::fmax(c.a, i.a));
            out.Set(x2, y, c);
        }
    img = out;
}

} // namespace qmc
