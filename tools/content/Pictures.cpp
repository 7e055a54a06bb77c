#include "tools/content/Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/content/BmpFile.h"
#include "tools/content/Canvas.h"
#include "tools/content/IcoFile.h"
#include "tools/content/Noise.h"
#include "tools/content/StbCodecs.h"
#include "tools/content/TgaFile.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;

const Image& Tex(const std::vector<TextureEntry>& t, const char* name) {
    static const Image empty(1, 1);
    for (auto& e : t)
        if (e.name == name) return e.image;
    return empty;
}

Rgba Scale(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Rgba SampleClamp(const Image& img, float u, float v) {  // u, v in 0..1
    float x = Clamp01(u) * (img.Width() - 1), y = Clamp01(v) * (img.Height() - 1);
    int x0 = int(x), y0 = int(y);
    int x1 = std::min(x0 + 1, img.Width() - 1), y1 = std::min(y0 + 1, img.Height() - 1);
    float tx = x - x0, ty = y - y0;
    return Mix(Mix(img.Get(x0, y0), img.Get(x1, y0), tx), Mix(img.Get(x0, y1), img.Get(x1, y1), tx), ty);
}

// Draws a card scaled into the rectangle, tinted, over the picture.
void Sprite(Image& dst, const Image& src, float x, float y, float w, float h, Rgba tint, bool flip = false) {
    for (int py = std::max(0, int(y)); py < std::min(dst.Height(), int(y + h) + 1); ++py)
        for (int px = std::max(0, int(x)); px < std::min(dst.Width(), int(x + w) + 1); ++px) {
            float u = (px + 0.5f - x) / w, v = (py + 0.5f - y) / h;
            if (u < 0 || u > 1 || v < 0 || v > 1) continue;
            Rgba s = SampleClamp(src, flip ? 1 - u : u, v);
            s.a *= SmoothStep(1.0f, 0.85f, v);  // roots fade into the ground instead of ending in a line
            if (s.a <= 0.01f) continue;
            Rgba d = dst.Get(px, py);
            Rgba c = Mix(d, {s.r * tint.r, s.g * tint.g, s.b * tint.b, 1}, s.a * tint.a);
            c.a = 1;
            dst.Set(px, py, c);
        }
}

// The same onto a transparent card.
void Sprite(Canvas& dst, const Image& src, float x, float y, float w, float h, Rgba tint, bool flip = false) {
    for (int py = std::max(0, int(y)); py < std::min(dst.Height(), int(y + h) + 1); ++py)
        for (int px = std::max(0, int(x)); px < std::min(dst.Width(), int(x + w) + 1); ++px) {
            float u = (px + 0.5f - x) / w, v = (py + 0.5f - y) / h;
            if (u < 0 || u > 1 || v < 0 || v > 1) continue;
            Rgba s = SampleClamp(src, flip ? 1 - u : u, v);
            dst.Over(px, py, {s.r * tint.r, s.g * tint.g, s.b * tint.b, 1}, s.a * tint.a);
        }
}

}  // namespace

Image PaintValley(const std::vector<TextureEntry>& tex, int W, int H) {
    const Rgba fog = FromHex(0x888F8F);
    const Image& sky = Tex(tex, "sky.tga");
    const Image& ground = Tex(tex, "ground01.tga");
    const Image& bank = Tex(tex, "border01.tga");
    const Image& leavesA = Tex(tex, "Leaves02.tga");
    const Image& leavesB = Tex(tex, "Leaves03.tga");
    const Image& grass = Tex(tex, "grass.tga");
    static const Image reeds = ReedClump();
    const Image& bark = Tex(tex, "bark02.tga");
    const float y0 = H * 0.55f;  // horizon
    Image img(W, H);
    // Sky, far hills and the wooded middle distance above the horizon.
    auto far = [&](float x) { return y0 - H * (0.11f + 0.06f * Fbm(x / W * 0.5f, 0.3f, 4, 4, 0.5f, 901)); };
    auto mid = [&](float x) {
        float crowns = 0;
        for (int t = 0; t < 40; ++t) {
            float cx = Hash01(uint32_t(t), 1, 902) * W, r = (0.025f + 0.03f * Hash01(uint32_t(t), 2, 902)) * W;
            float d = (x - cx) / r;
            if (std::fabs(d) < 1) crowns = std::fmax(crowns, std::sqrt(1 - d * d) * r * 0.9f);
        }
        return y0 - H * 0.03f - crowns * (1.0f - 0.4f * std::fabs(x / W - 0.5f));
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float fy = float(y);
            Rgba c;
            if (fy < y0) {
                float sv = 0.2f + 0.513f * fy / y0;  // zenith side down to the horizon row of the dome
                c = sky.SampleWrap((0.16f + 0.3f * x / W) * sky.Width(), sv * (sky.Height() - 1));
                if (fy > far(float(x))) {
                    float n = Fbm(float(x) / W, fy / H, 16, 3, 0.5f, 903) * 0.5f + 0.5f;
                    c = Mix(Mix(FromHex(0x4E5E50), FromHex(0x6A7462), n), fog, 0.6f);
                }
                if (fy > mid(float(x))) {
                    float n = Fbm(float(x) / W * 2, fy / H * 2, 16, 4, 0.55f, 904) * 0.5f + 0.5f;
                    c = Mix(Mix(FromHex(0x22381C), FromHex(0x4A6630), n), fog, 0.3f);
                }
            } else {
                c = fog;
            }
            c.a = 1;
            img.Set(x, y, c);
        }
    // A rock cliff on the right with a waterfall, half lost in the haze.
    {
        const Image& rock = Tex(tex, "rock01.tga");
        const Image& fall = Tex(tex, "waterfall01.tga");
        const float x0 = W * 0.56f, x1 = W * 0.86f;
        for (int x = int(x0); x < int(x1); ++x) {
            float t = (x - x0) / (x1 - x0);
            float shoulder = SmoothStep(0.0f, 0.25f, t) * SmoothStep(1.0f, 0.7f, t);
            float top = y0 - H * (0.04f + 0.13f * shoulder + 0.03f * Fbm(t, 0.5f, 8, 4, 0.5f, 906) * shoulder);
            for (int y = std::max(0, int(top)); y < int(y0); ++y) {
                float rv = (y - top) / (y0 - top);
                Rgba c = rock.SampleWrap(x * 1.5f, y * 1.5f);
                c = Scale(c, 0.75f + 0.35f * (1 - rv) * (1 - t));  // lit from the left, darker low down
                float fx = (x - W * 0.68f) / (W * 0.018f * (1 + rv * 0.6f));
                if (std::fabs(fx) < 1) {
                    Rgba f = fall.SampleWrap(fx * 40 + 128, y * 2.0f);
                    float a = f.a * SmoothStep(1.0f, 0.6f, std::fabs(fx));
                    c = Mix(c, {f.r, f.g, f.b, 1}, Clamp01(a * 1.2f));
                }
                c = Mix(c, fog, 0.35f);
                c.a = 1;
                img.Set(x, y, c);
            }
        }
        Sprite(img, Tex(tex, "brizg.tga"), W * 0.63f, y0 - H * 0.05f, W * 0.1f, H * 0.07f, {1, 1, 1, 0.8f});
    }
    // Distant trees standing on the wooded line.
    Random rng(905);
    for (int t = 0; t < 26; ++t) {
        float cx = rng.Uniform() * W, s = (0.05f + 0.05f * rng.Uniform()) * W;
        Sprite(img, rng.Uniform() < 0.5f ? leavesA : leavesB, cx - s / 2, mid(cx) - s * 0.55f, s, s, {0.75f, 0.8f, 0.75f, 0.85f});
    }
    // The brook runs towards the viewer; banks and water below the horizon.
    Image above = img;
    auto edges = [&](float t, float& xl, float& xr) {
        float bend = std::sin(t * 3.0f + 0.6f) * 0.06f * W * t;
        // Ragged shores: the further, the finer the wiggle looks.
        float wl = Fbm(t * 0.5f, 0.2f, 16, 3, 0.5f, 907) * 0.025f * W * (0.2f + t);
        float wr = Fbm(t * 0.5f, 0.7f, 16, 3, 0.5f, 908) * 0.025f * W * (0.2f + t);
        xl = W * (0.5f - 0.03f - 0.34f * t) + bend + wl;
        xr = W * (0.5f + 0.03f + 0.30f * t) + bend + wr;
    };
    for (int y = int(y0); y < H; ++y) {
        float t = (y - y0) / (H - y0);
        float z = 1.0f / (t + 0.04f);  // distance along the ground
        float xl, xr;
        edges(t, xl, xr);
        for (int x = 0; x < W; ++x) {
            Rgba c;
            float side = (x - W * 0.5f) / W;
            if (x > xl && x < xr) {
                // Water: the mirrored world, stirred a little, over a dark green-brown body.
                float wob = std::sin(y * 0.9f + std::sin(x * 0.05f) * 2) * t * 0.008f * W;
                int my = int(y0 - (y - y0) * 0.95f);
                int mx = std::min(std::max(int(x + wob), 0), W - 1);
                Rgba r = above.Get(mx, std::max(my, 0));
                c = Mix(Scale(r, 0.78f), FromHex(0x34443A), 0.25f + 0.2f * t);
                float edge = std::fmin(x - xl, xr - x) / (W * 0.02f);
                c = Mix(Scale(c, 0.7f), c, Clamp01(edge));
            } else {
                float gu = side * z * 0.6f, gv = z * 0.5f;
                c = ground.SampleWrap(gu * ground.Width(), gv * ground.Height());
                float d = x <= xl ? xl - x : x - xr;
                float bankW = W * (0.015f + 0.06f * t);
                if (d < bankW) {
                    Rgba b = bank.SampleWrap(gu * bank.Width() * 2, gv * bank.Height() * 2);
                    c = Mix(b, c, SmoothStep(0.3f, 1.0f, d / bankW));
                }
                c = Scale(c, 0.85f + 0.3f * t);
            }
            c = Mix(c, fog, std::pow(1 - t, 6.0f) * 0.8f);
            c.a = 1;
            img.Set(x, y, c);
        }
    }
    // Reeds along both shores, further ones smaller.
    for (int k = 0; k < 16; ++k) {
        float t = 0.1f + 0.8f * rng.Uniform();
        float xl, xr;
        edges(t, xl, xr);
        float s = W * (0.04f + 0.16f * t);
        float y = y0 + t * (H - y0);
        float x = (k & 1 ? xr : xl) + (rng.Uniform() - 0.5f) * s * 0.3f;
        Sprite(img, reeds, x - s / 2, y - s * 0.95f, s, s, {0.9f, 0.9f, 0.85f, 1}, k & 2);
    }
    // A near tree on the left bank, its crown reaching over the top.
    {
        Canvas trunk(W, H);
        float bx = W * 0.12f;
        for (int i = 0; i < 20; ++i) {
            float a = i / 20.0f, b = (i + 1) / 20.0f;
            trunk.Capsule(bx + std::sin(a * 2) * W * 0.02f, H * (1.02f - a * 0.95f), W * 0.03f * (1 - a * 0.6f),
                          bx + std::sin(b * 2) * W * 0.02f, H * (1.02f - b * 0.95f), W * 0.03f * (1 - b * 0.6f), {1, 1, 1, 1});
        }
        Image mask = trunk.ToImage();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                float a = mask.At(x, y)[3] / 255.0f;
                if (a <= 0) continue;
                float lit = Clamp01(0.6f + (x - bx) / (W * 0.05f) * 0.4f);
                Rgba b = bark.SampleWrap(x * 2.0f, y * 1.0f);
                Rgba c = Mix(img.Get(x, y), Scale(b, lit), a);
                c.a = 1;
                img.Set(x, y, c);
            }
        for (int i = 0; i < 14; ++i) {
            float s = W * rng.Range(0.2f, 0.32f);
            float cx = bx + rng.Range(-0.12f, 0.22f) * W, cy = H * rng.Range(-0.05f, 0.3f);
            Sprite(img, leavesA, cx - s / 2, cy - s / 2, s, s, {0.85f, 0.9f, 0.85f, 1}, i & 1);
        }
    }
    // Smaller trees on the right bank.
    for (int k = 0; k < 5; ++k) {
        float t = 0.05f + 0.2f * k;
        float xl, xr;
        edges(t, xl, xr);
        float s = W * (0.12f + 0.2f * t);
        float y = y0 + t * (H - y0);
        float x = xr + s * (0.4f + rng.Uniform() * 0.3f);
        Sprite(img, leavesB, x - s / 2, y - s * 1.3f, s, s * 1.2f, {0.8f, 0.85f, 0.8f, 1}, k & 1);
    }
    // Grass in the foreground.
    for (int k = 0; k < 40; ++k) {
        float t = 0.55f + 0.45f * rng.Uniform();
        float xl, xr;
        edges(t, xl, xr);
        float x = rng.Uniform() * W;
        if (x > xl - W * 0.02f && x < xr + W * 0.02f) continue;
        float s = W * (0.05f + 0.12f * t);
        float y = y0 + t * (H - y0);
        Sprite(img, grass, x - s / 2, y - s * 0.9f, s, s, {0.9f, 0.95f, 0.85f, 1}, k & 1);
    }
    return img;
}

namespace {

Font LoadFont(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Font f;
    f.Load(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    return f;
}

// Text with a soft dark shadow; x is the centre when centred is set.
void DrawText(Image& img, const Font& font, const std::string& text, float px, float x, float baseline, Rgba colour,
              bool centred) {
    float scale = font.ScaleForPixelHeight(px);
    float width = 0;
    for (char ch : text) width += font.Advance(ch) * scale;
    float pen = centred ? x - width / 2 : x;
    Canvas shadow(img.Width(), img.Height()), ink(img.Width(), img.Height());
    for (char ch : text) {
        GlyphBitmap g = font.Render(ch, scale);
        int ox = int(pen + 0.5f) + g.xoff, oy = int(baseline) + g.yoff;
        for (int y = 0; y < g.h; ++y)
            for (int xx = 0; xx < g.w; ++xx) {
                float a = g.coverage[size_t(y) * g.w + xx] / 255.0f;
                if (a <= 0) continue;
                ink.Over(ox + xx, oy + y, colour, a);
                for (int s = 1; s <= 3; ++s) shadow.Over(ox + xx + s, oy + y + s, {0, 0, 0, 0.25f}, a);
            }
        pen += font.Advance(ch) * scale;
    }
    Image sh = shadow.ToImage(), in = ink.ToImage();
    Image out = img;
    for (int y = 0; y < img.Height(); ++y)
        for (int x2 = 0; x2 < img.Width(); ++x2) {
            Rgba d = img.Get(x2, y), s = sh.Get(x2, y), i = in.Get(x2, y);
            Rgba c = Mix(d, {0, 0, 0, 1}, s.a);
            c.a = d.a + s.a * (1 - d.a);
            c = Mix(c, {i.r, i.g, i.b, 1}, i.a);
            c.a = Clamp01(std::fmax(c.a, i.a));
            out.Set(x2, y, c);
        }
    img = out;
}

// A leafy twig reaching in from a corner (alpha over the background).
Image CornerBranch(const std::vector<TextureEntry>& tex, bool right) {
    Canvas cv(256, 128);
    Random rng(right ? 951 : 952);
    float sx = right ? 256.0f : 0.0f, dir = right ? -1.0f : 1.0f;
    float x = sx, y = 6;
    for (int i = 0; i < 12; ++i) {
        float nx = x + dir * 14, ny = y + 3.5f + std::sin(i * 0.7f) * 2;
        cv.Capsule(x, y, 3.2f - i * 0.22f, nx, ny, 3.0f - i * 0.22f, FromHex(0x4A3A2A));
        for (float side : {-1.0f, 1.0f}) {
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

Image CornerGrass(const std::vector<TextureEntry>& tex) {
    Canvas cv(256, 128);
    const Image& grass = Tex(tex, "grass.tga");
    static const Image reeds = ReedClump();
    Sprite(cv, reeds, -30, -10, 150, 140, {1, 1, 1, 1});
    for (int k = 0; k < 5; ++k) Sprite(cv, grass, -20.0f + k * 38, 30.0f + (k & 1) * 10, 110, 100, {1, 1, 1, 1}, k & 1);
    Image out = cv.ToImage();
    // Fade out towards the right so the tuft sits into the picture.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) {
            uint8_t* p = out.At(x, y);
            p[3] = uint8_t(p[3] * SmoothStep(256, 150, float(x)));
        }
    BleedColour(out);
    return out;
}

Image Icon(const std::vector<TextureEntry>& tex, int size) {
    // Painted at four times the size (twice for the large one), rounded-square
    // frame, then reduced.
    const int n = size * (size > 64 ? 2 : 4);
    Image scene = PaintValley(tex, n, n);
    Image big(n, n);
    const float r = n * 0.2f;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float dx = std::fmax(std::fmax(r - x, x - (n - 1 - r)), 0.0f);
            float dy = std::fmax(std::fmax(r - y, y - (n - 1 - r)), 0.0f);
            float d = std::sqrt(dx * dx + dy * dy) - r;  // < 0 inside
            Rgba c = scene.Get(x, y);
            if (size <= 32) {
                // Small sizes: simple bands read better than the painting.
                float t = float(y) / n;
                c = t < 0.5f ? Mix(FromHex(0x9AA8B4), FromHex(0xD8B894), t * 2)
                             : Mix(FromHex(0x3E6A5A), FromHex(0x1E3A3A), (t - 0.5f) * 2);
                float hill = 0.5f - 0.12f * std::sin(float(x) / n * kPi);
                if (t > hill && t < 0.5f) c = FromHex(0x2E5024);
                float ex = (float(x) / n - 0.5f) * 2, ey = (t - 0.72f) * 5;
                float ring = std::fabs(std::sqrt(ex * ex + ey * ey) - 0.45f);
                if (t > 0.5f && ring < 0.05f) c = Mix(c, FromHex(0xE0ECEC), 0.8f);
            }
            float border = SmoothStep(-n * 0.035f, -n * 0.02f, d);
            c = Mix(c, FromHex(0x20302A), border);
            c.a = Clamp01(0.5f - d / 4);
            big.Set(x, y, c);
        }
    return big.Resized(size, size);
}

Picture Make(const std::string& file, Image img, std::vector<uint8_t> bytes) { return {file, std::move(img), std::move(bytes)}; }

}  // namespace

Image FitTo(const Image& src, int w, int h) {
    // Centre crop to the target's aspect, then reduce by box filter or enlarge
    // bilinearly.
    float aspect = float(w) / h;
    int cw = src.Width(), ch = src.Height();
    if (float(cw) / ch > aspect) cw = int(ch * aspect + 0.5f);
    else ch = int(cw / aspect + 0.5f);
    Image crop(cw, ch);
    const int ox = (src.Width() - cw) / 2, oy = (src.Height() - ch) / 2;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) std::memcpy(crop.At(x, y), src.At(ox + x, oy + y), 4);
    if (cw >= w && ch >= h) return crop.Resized(w, h);
    Image out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float u = (x + 0.5f) * cw / w - 0.5f, v = (y + 0.5f) * ch / h - 0.5f;
            Rgba c = SampleClamp(crop, u / std::max(cw - 1, 1), v / std::max(ch - 1, 1));
            out.Set(x, y, c);
        }
    return out;
}

std::vector<Picture> AllPictures(const std::vector<TextureEntry>& tex, const std::string& fontPath, const Image* shot) {
    std::vector<Picture> out;
    Font font = LoadFont(fontPath);
    // A render of the scene, when given, replaces the painting in every
    // picture of the scene; the icon stays painted, it needs simple shapes.
    auto scene = [&](int w, int h, int paintScale) {
        if (shot && !shot->Empty()) return FitTo(*shot, w, h);
        return PaintValley(tex, w * paintScale, h * paintScale).Resized(w, h);
    };
    // Loading screen background: 512 x 512.
    Image loading = scene(512, 512, 2);
    DrawText(loading, font, "Quenmoor", 64, 256, 120, {0.97f, 0.96f, 0.92f, 1}, true);
    DrawText(loading, font, "3D Screensaver", 28, 256, 158, {0.92f, 0.92f, 0.88f, 1}, true);
    out.push_back(Make("loading467.jpg", loading, EncodeJpeg(loading, 90)));
    Image tl = CornerBranch(tex, false), tr = CornerBranch(tex, true);
    Image bl = CornerGrass(tex);
    Image br(256, 128);
    DrawText(br, font, "Loading...", 24, 236 - 120, 104, {0.95f, 0.95f, 0.9f, 1}, false);
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
    for (int s : {16, 32, 48, 256}) icons.push_back(Icon(tex, s));
    out.push_back(Make("icon224.ico", icons.back(), EncodeIco(icons)));
    return out;
}

}  // namespace qmc
