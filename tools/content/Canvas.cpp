#include "tools/content/Canvas.h"

#include <algorithm>
#include <cmath>

namespace qmc {

void Canvas::Over(int x, int y, const Rgba& c, float coverage)
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h || coverage <= 0)
        return;
    float a = Clamp01(c.a * coverage);
    float* p = &m_px[(size_t(y) * m_w + x) * 4];
    p[0] = c.r * a + p[0] * (1 - a);
    p[1] = c.g * a + p[1] * (1 - a);
    p[2] = c.b * a + p[2] * (1 - a);
    p[3] = a + p[3] * (1 - a);
}

void Canvas::Capsule(float x0, float y0, float r0, float x1, float y1, float r1, const Rgba& c)
{
    float rmax = std::max(r0, r1) + 1.5f;
    int xa = int(std::floor(std::min(x0, x1) - rmax)), xb = int(std::ceil(std::max(x0, x1) + rmax));
    int ya = int(std::floor(std::min(y0, y1) - rmax)), yb = int(std::ceil(std::max(y0, y1) + rmax));
    float dx = x1 - x0, dy = y1 - y0, l2 = dx * dx + dy * dy;
    for (int y = std::max(ya, 0); y <= std::min(yb, m_h - 1); ++y)
        for (int x = std::max(xa, 0); x <= std::min(xb, m_w - 1); ++x)
        {
            float px = x + 0.5f - x0, py = y + 0.5f - y0;
            float t = l2 > 0 ? Clamp01((px * dx + py * dy) / l2) : 0;
            float ex = px - dx * t, ey = py - dy * t;
            float d = std::sqrt(ex * ex + ey * ey) - (r0 + (r1 - r0) * t);
            Over(x, y, c, Clamp01(0.5f - d));
        }
}

void Canvas::Leaf(float x, float y, float angle, float len, float width, const Rgba& c, float light)
{
    float ca = std::cos(angle), sa = std::sin(angle);
    float ext = len + 2;
    int xa = int(std::floor(x - ext)), xb = int(std::ceil(x + ext));
    int ya = int(std::floor(y - ext)), yb = int(std::ceil(y + ext));
    for (int py = std::max(ya, 0); py <= std::min(yb, m_h - 1); ++py)
        for (int px = std::max(xa, 0); px <= std::min(xb, m_w - 1); ++px)
        {
            float rx = px + 0.5f - x, ry = py + 0.5f - y;
            float t = (rx * ca + ry * sa) / len; // 0 at the base, 1 at the tip
            float s = -rx * sa + ry * ca;        // across
            if (t < -0.1f || t > 1.1f)
                continue;
            float tc = Clamp01(t);
            // Widest a third of the way up, pointed tip, rounded base.
            float half = 0.5f * width * std::pow(std::sin(3.14159265f * tc), 0.75f) * (1.15f - 0.3f * tc);
            float along = std::fmin(t, 1 - t) * len; // distance inside the ends
            float d = std::fmax(std::fabs(s) - half, -along);
            float cov = Clamp01(0.5f - d);
            if (cov <= 0)
                continue;
            float k = s > 0 ? 1.0f - light : 1.0f;
            k *= 0.85f + 0.25f * tc; // tips catch more light
            if (std::fabs(s) < 0.6f && t < 0.9f)
                k *= 1.18f; // pale midrib
            Over(px, py, {c.r * k, c.g * k, c.b * k, c.a}, cov);
        }
}

void Canvas::Spot(float x, float y, float radius, const Rgba& c)
{
    int r = int(std::ceil(radius * 2.5f));
    for (int py = std::max(int(y) - r, 0); py <= std::min(int(y) + r, m_h - 1); ++py)
        for (int px = std::max(int(x) - r, 0); px <= std::min(int(x) + r, m_w - 1); ++px)
        {
            float dx = (px + 0.5f - x) / radius, dy = (py + 0.5f - y) / radius;
            Over(px, py, c, std::exp(-(dx * dx + dy * dy) * 1.5f));
        }
}

Image Canvas::ToImage() const
{
    Image img(m_w, m_h);
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
        {
            const float* p = &m_px[(size_t(y) * m_w + x) * 4];
            float a = p[3];
            Rgba c = a > 1e-5f ? Rgba{p[0] / a, p[1] / a, p[2] / a, a} : Rgba{0, 0, 0, 0};
            img.Set(x, y, c);
        }
    return img;
}

} // namespace qmc
