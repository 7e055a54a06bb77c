// RGBA8 picture in memory, the common currency of the content generators.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qmc {

struct Rgba
{
    float r = 0, g = 0, b = 0, a = 1;
};

class Image
{
public:
    Image() = default;
    Image(int w, int h) : m_w(w), m_h(h), m_px(std::size_t(w) * h * 4, 0) {}

    int Width() const { return m_w; }
    int Height() const { return m_h; }
    bool Empty() const { return m_w == 0 || m_h == 0; }
    const std::vector<uint8_t>& Bytes() const { return m_px; }
    std::vector<uint8_t>& Bytes() { return m_px; }

    uint8_t* At(int x, int y) { return &m_px[(std::size_t(y) * m_w + x) * 4]; }
    const uint8_t* At(int x, int y) const { return &m_px[(std::size_t(y) * m_w + x) * 4]; }

    // Colour components 0..1, clamped and rounded on the way in.
    void Set(int x, int y, const Rgba& c);
    Rgba Get(int x, int y) const;
    // Bilinear sample with wrap-around (u, v in texels).
    Rgba SampleWrap(float u, float v) const;
    // Box-filtered copy at a new size (used for contact sheets and icons).
    Image Resized(int w, int h) const;
    // Composite src over this picture at (x, y), src alpha.
    void Blit(const Image& src, int x, int y);

private:
    int m_w = 0, m_h = 0;
    std::vector<uint8_t> m_px;
};

Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba FromHex(uint32_t rgb, float alpha = 1.0f);
float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);

} // namespace qmc
