// Anti-aliased drawing of leaves, blades and stems onto a transparent card.
#pragma once
#include <vector>

#include "tools/content/Image.h"

namespace qmc {

class Canvas
{
public:
    Canvas(int w, int h) : m_w(w), m_h(h), m_px(size_t(w) * h * 4, 0.0f) {}
    int Width() const { return m_w; }
    int Height() const { return m_h; }

    // Round-ended stroke from (x0, y0) to (x1, y1), radius tapering r0 to r1.
    void Capsule(float x0, float y0, float r0, float x1, float y1, float r1, const Rgba& c);
    // Pointed leaf: base at (x, y), pointing along `angle` (radians, 0 = +x,
    // y grows downwards), `len` long and `width` wide at its widest.
    // `light` shades one half darker, as if lit from the side.
    void Leaf(float x, float y, float angle, float len, float width, const Rgba& c, float light = 0.25f);
    // Soft round spot (gaussian falloff), added under the "over" rule.
    void Spot(float x, float y, float radius, const Rgba& c);
    // Premultiplied "over" of one pixel.
    void Over(int x, int y, const Rgba& c, float coverage);

    Image ToImage() const;

private:
    int m_w, m_h;
    std::vector<float> m_px; // premultiplied RGBA
};

} // namespace qmc
