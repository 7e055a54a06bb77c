// Host tool: the program's pictures: the loading screen's background and
// corners, the preview, dialog and about bitmaps and the icon.
#include "tools/content/Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/content/BmpFile.h"
#include "tools/content/Canvas.h"
#include "tools/content/IcoFile.h"
#include "tools/content/Noise.h"
#include "tools/content/PictureSprites.h"
#include "tools/content/StbCodecs.h"
#include "tools/content/TextDrawing.h"
#include "tools/content/TgaFile.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

// A leafy twig reaching in from a corner (alpha over the background).
Image CornerBranch(const std::vector<TextureEntry>& tex, bool right)
{
    Canvas cv(256, 128);
    Random rng(right ? 951 : 952);
    float sx = right ? 256.0f : 0.0f, dir = right ? -1.0f : 1.0f;
    float x = sx, y = 6;
    for (int i = 0; i < 12; ++i)
    {
        float nx = x + dir * 14, ny = y + 3.5f + std::sin(i * 0.7f) * 2;
        cv.Capsule(x, y, 3.2f - i * 0.22f, nx, ny, 3.0f - i * 0.22f, FromHex(0x4A3A2A));
        for (float side : {-1.0f, 1.0f})
        {
            float a = std::atan2(ny - y, nx - x) + side * rng.Range(0.6f, 1.1f);
            float len = rng.Range(18, 28) * (1 - i * 0.03f);
            Rgba c = Mix(FromHex(0x3E6A26), FromHex(0xB89A38), rng.Uniform() * 0.5f);
            cv.Leaf(nx, ny, a, len, len * 0.5f, Scale(c, rng.Range(0.8f, 1.1f)));
        }
        x = nx;
        y = ny;
    }
    (void)tex;
    Image img = cv.ToImage();
    BleedColour(img);
    return img;
}

Image CornerGrass(const std::vector<TextureEntry>& tex)
{
    Canvas cv(256, 128);
    const Image& grass = Tex(tex, "grass.tga");
    static const Image reeds = ReedClump();
    Sprite(cv, reeds, -30, -10, 150, 140, {1, 1, 1, 1});
    for (int k = 0; k < 5; ++k)
        Sprite(cv, grass, -20.0f + k * 38, 30.0f + (k & 1) * 10, 110, 100, {1, 1, 1, 1}, k & 1);
    Image out = cv.ToImage();
    // Fade out towards the right so the tuft sits into the picture.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x)
        {
            uint8_t* p = out.At(x, y);
            p[3] = uint8_t(p[3] * SmoothStep(256, 150, float(x)));
        }
    BleedColour(out);
    return out;
}

Image Icon(const std::vector<TextureEntry>& tex, int size)
{
    // Painted at four times the size (twice for the large one), rounded-square
    // frame, then reduced.
    const int n = size * (size > 64 ? 2 : 4);
    Image scene = PaintValley(tex, n, n);
    Image big(n, n);
    const float r = n * 0.2f;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            float dx = std::fmax(std::fmax(r - x, x - (n - 1 - r)), 0.0f);
            float dy = std::fmax(std::fmax(r - y, y - (n - 1 - r)), 0.0f);
            float d = std::sqrt(dx * dx + dy * dy) - r; // < 0 inside
            Rgba c = scene.Get(x, y);
            if (size <= 32)
            {
                // Small sizes: simple bands read better than the painting.
                float t = float(y) / n;
                c = t < 0.5f ? Mix(FromHex(0x9AA8B4), FromHex(0xD8B894), t * 2)
                             : Mix(FromHex(0x3E6A5A), FromHex(0x1E3A3A), (t - 0.5f) * 2);
                float hill = 0.5f - 0.12f * std::sin(float(x) / n * kPi);
                if (t > hill && t < 0.5f)
                    c = FromHex(0x2E5024);
                float ex = (float(x) / n - 0.5f) * 2, ey = (t - 0.72f) * 5;
                float ring = std::fabs(std::sqrt(ex * ex + ey * ey) - 0.45f);
                if (t > 0.5f && ring < 0.05f)
                    c = Mix(c, FromHex(0xE0ECEC), 0.8f);
            }
            float border = SmoothStep(-n * 0.035f, -n * 0.02f, d);
            c = Mix(c, FromHex(0x20302A), border);
            c.a = Clamp01(0.5f - d / 4);
            big.Set(x, y, c);
        }
    return big.Resized(size, size);
}

Picture Make(const std::string& file, Image img, std::vector<uint8_t> bytes)
{
    return {file, std::move(img), std::move(bytes)};
}

} // namespace

Image FitTo(const Image& src, int w, int h)
{
    // Centre crop to the target's aspect, then reduce by box filter or enlarge
    // bilinearly.
    float aspect = float(w) / h;
    int cw = src.Width(), ch = src.Height();
    if (float(cw) / ch > aspect)
        cw = int(ch * aspect + 0.5f);
    else
        ch = int(cw / aspect + 0.5f);
    Image crop(cw, ch);
    const int ox = (src.Width() - cw) / 2, oy = (src.Height() - ch) / 2;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            std::memcpy(crop.At(x, y), src.At(ox + x, oy + y), 4);
    if (cw >= w && ch >= h)
        return crop.Resized(w, h);
    Image out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float u = (x + 0.5f) * cw / w - 0.5f, v = (y + 0.5f) * ch / h - 0.5f;
            Rgba c = SampleClamp(crop, u / std::max(cw - 1, 1), v / std::max(ch - 1, 1));
            out.Set(x, y, c);
        }
    return out;
}

std::vector<Picture> AllPictures(const std::vector<TextureEntry>& tex, const std::string& fontPath, const Image* shot)
{
    std::vector<Picture> out;
    Font font = LoadFont(fontPath);
    // A render of the scene, when given, replaces the painting in every
    // picture of the scene; the icon stays painted, it needs simple shapes.
    auto scene = [&](int w, int h, int paintScale) {
        if (shot && !shot->Empty())
            return FitTo(*shot, w, h);
        return PaintValley(tex, w * paintScale, h * paintScale).Resized(w, h);
    };
    // Loading screen background: 512 x 512, stretched over the whole screen.
    // Painted for a 3:2 screen (at 3 x 2 times the size, so the squeeze into
    // the square is an even reduction), it looks nearly right on 4:3 (drawn
    // 0.89 as wide) and on 16:9 screens (1.19 as wide); a square picture
    // would be stretched 1.33 and 1.78 times.
    Image wide = scene(1536, 1024, 1);
    DrawText(wide, font, "Quenmoor", 128, 768, 240, {0.97f, 0.96f, 0.92f, 1}, true);
    DrawText(wide, font, "3D Screensaver", 56, 768, 316, {0.92f, 0.92f, 0.88f, 1}, true);
    Image loading = wide.Resized(512, 512);
    out.push_back(Make("loading467.jpg", loading, EncodeJpeg(loading, 90)));
    Image tl = CornerBranch(tex, false), tr = CornerBranch(tex, true);
    Image bl = CornerGrass(tex);
    Image br(256, 128);
    // large enough to read on a 1920 x 1080 screen, where the corner is small
    DrawText(br, font, "Loading...", 30, 236 - 150, 104, {0.95f, 0.95f, 0.9f, 1}, false);
    BleedColour(br);
    // Bottom-right reads left to right, so flip the grass for the bottom-left only.
    out.push_back(Make("loading471.tga", tl, EncodeTga(tl)));
    out.push_back(Make("loading472.tga", bl, EncodeTga(bl)));
    out.push_back(Make("loading473.tga", tr, EncodeTga(tr)));
    out.push_back(Make("loading474.tga", br, EncodeTga(br)));
    // Preview (155 x 115), configuration dialog (128 x 89 dialog units, 192 x 145
    // pixels at 8-point MS Sans Serif) and about box (49 x 46 units, 74 x 75).
    Image preview = scene(155, 115, 4);
    out.push_back(Make("preview432.bmp", preview, EncodeBmp24(preview)));
    Image dialog = scene(192, 145, 4);
    out.push_back(Make("dialog434.bmp", dialog, EncodeBmp24(dialog)));
    Image about = scene(74, 75, 4);
    out.push_back(Make("about437.bmp", about, EncodeBmp24(about)));
    std::vector<Image> icons;
    for (int s : {16, 32, 48, 256})
        icons.push_back(Icon(tex, s));
    out.push_back(Make("icon224.ico", icons.back(), EncodeIco(icons)));
    return out;
}

} // namespace qmc
