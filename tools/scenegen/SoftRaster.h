// Host tool: the preview's software rasteriser: perspective triangles with
// near clipping, depth test, alpha test, the three blend modes of the
// program and its linear fog.
#pragma once

#include <cstdint>
#include <vector>

#include "ToolMath.h"

namespace sg {

struct Rgba
{
    float r, g, b, a;
};

struct Texture
{
    int w = 0, h = 0;
    std::vector<Rgba> px;
    Rgba Sample(float u, float v) const
    {
        // Bilinear, wrapping.
        float x = u * float(w) - 0.5f, y = v * float(h) - 0.5f;
        float fx = std::floor(x), fy = std::floor(y);
        float tx = x - fx, ty = y - fy;
        auto at = [&](int ix, int iy) -> const Rgba& {
            ix %= w;
            iy %= h;
            if (ix < 0)
                ix += w;
            if (iy < 0)
                iy += h;
            return px[size_t(iy * w + ix)];
        };
        int ix = int(fx), iy = int(fy);
        const Rgba &a = at(ix, iy), &b = at(ix + 1, iy), &c = at(ix, iy + 1), &d = at(ix + 1, iy + 1);
        auto mix = [&](float p, float q, float r, float s) { return Mix(Mix(p, q, tx), Mix(r, s, tx), ty); };
        return {mix(a.r, b.r, c.r, d.r), mix(a.g, b.g, c.g, d.g), mix(a.b, b.b, c.b, d.b), mix(a.a, b.a, c.a, d.a)};
    }
};

enum class Blend
{
    Alpha,
    Multiply,
    Additive
};
enum class Cull
{
    None,
    CCW
};

struct State
{
    Blend blend = Blend::Alpha;
    Cull cull = Cull::CCW;
    bool zTest = true, zWrite = true, alphaTest = true, fog = true;
    float fade = 1.0f;
};

struct ClipVert
{
    Vec3 view; // view-space position
    float u, v;
};

class Raster
{
public:
    Raster(int w, int h, Mat4 view, float fovY, float aspect, float nearP, float farP, bool fog);

    void SetView(const Mat4& v) { m_View = v; }
    std::vector<Rgba>& Color() { return m_Color; }
    std::vector<float>& Depth() { return m_Depth; }

    // Draws triangles given in world space (already transformed).
    void Draw(const std::vector<Vec3>& pos, const std::vector<float>& uv, const std::vector<uint16_t>& idx,
              size_t first, size_t triCount, const Texture* tex, const State& st);

private:
    void DrawTri(const ClipVert in[3], const Texture* tex, const State& st);
    void Fill(const ClipVert v[3], const Texture* tex, const State& st);

    int m_W, m_H;
    Mat4 m_View;
    float m_XScale, m_YScale, m_Near, m_Far;
    bool m_bFog;
    std::vector<Rgba> m_Color;
    std::vector<float> m_Depth;
};

} // namespace sg
