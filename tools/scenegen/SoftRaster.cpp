// Host tool: the preview's software rasteriser.
#include "SoftRaster.h"

#include <algorithm>

#include "src/ClassBase/SceneConstants.h"

namespace sg {

Raster::Raster(int w, int h, Mat4 view, float fovY, float aspect, float nearP, float farP, bool fog)
    : m_W(w), m_H(h), m_View(view), m_Near(nearP), m_Far(farP), m_bFog(fog)
{
    m_YScale = 1.0f / std::tan(fovY / 2);
    m_XScale = m_YScale / aspect;
    m_Color.assign(size_t(w * h), {0, 0, 0, 1});
    m_Depth.assign(size_t(w * h), 1e30f);
}

void Raster::Draw(const std::vector<Vec3>& pos, const std::vector<float>& uv, const std::vector<uint16_t>& idx,
                  size_t first, size_t triCount, const Texture* tex, const State& st)
{
    for (size_t t = 0; t < triCount; ++t)
    {
        size_t base = first + t * 3;
        if (base + 2 >= idx.size())
            break;
        ClipVert v[3];
        for (int k = 0; k < 3; ++k)
        {
            uint16_t i = idx[base + size_t(k)];
            v[k] = {XformPoint(pos[i], m_View), uv[size_t(i) * 2], uv[size_t(i) * 2 + 1]};
        }
        DrawTri(v, tex, st);
    }
}

void Raster::DrawTri(const ClipVert in[3], const Texture* tex, const State& st)
{
    // Clip against the near plane.
    ClipVert poly[4];
    int n = 0;
    for (int k = 0; k < 3; ++k)
    {
        const ClipVert &a = in[k], &b = in[(k + 1) % 3];
        bool ina = a.view.z >= m_Near, inb = b.view.z >= m_Near;
        if (ina)
            poly[n++] = a;
        if (ina != inb)
        {
            float t = (m_Near - a.view.z) / (b.view.z - a.view.z);
            poly[n++] = {Lerp(a.view, b.view, t), Mix(a.u, b.u, t), Mix(a.v, b.v, t)};
        }
    }
    if (n < 3)
        return;
    for (int k = 1; k + 1 < n; ++k)
    {
        ClipVert t[3] = {poly[0], poly[k], poly[k + 1]};
        Fill(t, tex, st);
    }
}

void Raster::Fill(const ClipVert v[3], const Texture* tex, const State& st)
{
    float sx[3], sy[3], iw[3];
    for (int k = 0; k < 3; ++k)
    {
        iw[k] = 1.0f / v[k].view.z;
        sx[k] = (v[k].view.x * m_XScale * iw[k] * 0.5f + 0.5f) * float(m_W);
        sy[k] = (0.5f - v[k].view.y * m_YScale * iw[k] * 0.5f) * float(m_H);
    }
    float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
    if (area == 0)
        return;
    // Clockwise on screen (y down) is the front; counter-clockwise culls.
    if (st.cull == Cull::CCW && area < 0)
        return;
    int x0 = std::max(0, int(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    int x1 = std::min(m_W - 1, int(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    int y0 = std::max(0, int(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    int y1 = std::min(m_H - 1, int(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    const float inv = 1.0f / area;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
        {
            float px = float(x) + 0.5f, py = float(y) + 0.5f;
            float w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) * inv;
            float w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) * inv;
            float w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0)
                continue;
            float q = w0 * iw[0] + w1 * iw[1] + w2 * iw[2];
            float z = 1.0f / q;
            if (z > m_Far)
                continue;
            size_t at = size_t(y * m_W + x);
            if (st.zTest && z > m_Depth[at])
                continue;
            float u = (w0 * v[0].u * iw[0] + w1 * v[1].u * iw[1] + w2 * v[2].u * iw[2]) * z;
            float vv = (w0 * v[0].v * iw[0] + w1 * v[1].v * iw[1] + w2 * v[2].v * iw[2]) * z;
            Rgba c = tex ? tex->Sample(u, vv) : Rgba{1, 1, 1, 1};
            if (st.blend != Blend::Additive)
                c.a *= st.fade;
            else
                c = {c.r * st.fade, c.g * st.fade, c.b * st.fade, c.a * st.fade};
            if (st.alphaTest && c.a < 128.0f / 255.0f)
                continue;
            Rgba& d = m_Color[at];
            if (st.fog && m_bFog && st.blend == Blend::Alpha)
            {
                float f = Clamp((SCENE_FOG_END - z) / (SCENE_FOG_END - SCENE_FOG_START), 0, 1);
                const float fr = ((SCENE_FOG_COLOR >> 16) & 0xFF) / 255.f;
                const float fg = ((SCENE_FOG_COLOR >> 8) & 0xFF) / 255.f;
                const float fb = (SCENE_FOG_COLOR & 0xFF) / 255.f;
                c = {Mix(fr, c.r, f), Mix(fg, c.g, f), Mix(fb, c.b, f), c.a};
            }
            switch (st.blend)
            {
            case Blend::Alpha:
                d = {Mix(d.r, c.r, c.a), Mix(d.g, c.g, c.a), Mix(d.b, c.b, c.a), 1};
                break;
            case Blend::Multiply:
                d = {d.r * c.r, d.g * c.g, d.b * c.b, 1};
                break;
            case Blend::Additive:
                d = {std::min(1.f, d.r + c.r), std::min(1.f, d.g + c.g), std::min(1.f, d.b + c.b), 1};
                break;
            }
            if (st.zWrite)
                m_Depth[at] = z;
        }
}

} // namespace sg
