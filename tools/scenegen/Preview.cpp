// Software preview renderer of the generator.
#include "Preview.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_ONLY_PNG
#include "stb_image.h"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

namespace sg {

namespace {

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

std::string Lower(std::string s)
{
    for (auto& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

float Frac(float x) { return x - std::floor(x); }

// Stand-in pictures until the real textures exist: colour, grain and alpha
// chosen by name, tileable (noise on a wrapped lattice).
Texture Procedural(const std::string& lname)
{
    Texture t;
    t.w = t.h = 128;
    t.px.resize(128 * 128);
    auto has = [&](const char* k) { return lname.find(k) != std::string::npos; };
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float u = (float(x) + 0.5f) / 128, v = (float(y) + 0.5f) / 128;
            // Tileable noise: blend of wrapped samples.
            auto tn = [&](float scale, uint32_t seed) {
                float a = Noise2(u * scale, v * scale, seed), b = Noise2((u - 1) * scale, v * scale, seed);
                float c = Noise2(u * scale, (v - 1) * scale, seed), d = Noise2((u - 1) * scale, (v - 1) * scale, seed);
                return Mix(Mix(a, b, u), Mix(c, d, u), v);
            };
            const float n = 0.6f * tn(8, 1) + 0.3f * tn(16, 2) + 0.1f * tn(32, 3);
            Rgba c = {0.5f, 0.5f, 0.5f, 1};
            auto col = [&](float r, float g, float b, float var) {
                c = {r * (1 + var * n), g * (1 + var * n), b * (1 + var * n), 1};
            };
            if (has("sky")) {
                float h = v;  // 0 zenith .. 1 horizon
                float cloud = Smooth(0.05f, 0.45f, tn(4, 9) + 0.5f * tn(8, 10)) * (1 - h * 0.6f);
                c = {Mix(0.32f, 0.78f, h), Mix(0.5f, 0.84f, h), Mix(0.82f, 0.88f, h), 1};
                c = {Mix(c.r, 0.95f, cloud), Mix(c.g, 0.95f, cloud), Mix(c.b, 0.96f, cloud), 1};
            } else if (has("ground01"))
                col(0.30f, 0.46f, 0.18f, 0.35f);
            else if (has("ground04"))
                col(0.40f, 0.52f, 0.20f, 0.4f);
            else if (has("ground03"))
                col(0.30f, 0.30f, 0.16f, 0.4f);
            else if (has("ground02"))
                col(0.45f, 0.36f, 0.24f, 0.35f);
            else if (has("rock01") || has("stone01"))
                col(0.50f, 0.49f, 0.46f, 0.4f);
            else if (has("rock02") || has("stone02") || has("ledge"))
                col(0.42f, 0.39f, 0.35f, 0.45f);
            else if (has("border01"))
                col(0.38f, 0.42f, 0.30f, 0.4f);
            else if (has("lusha_dno"))
                col(0.28f, 0.30f, 0.20f, 0.3f);
            else if (has("hill01"))
                col(0.30f, 0.40f, 0.24f, 0.3f);
            else if (has("ruslo"))
                col(0.40f, 0.37f, 0.30f, 0.5f);
            else if (has("bereg"))
                col(0.40f, 0.34f, 0.24f, 0.35f);
            else if (has("sand"))
                col(0.62f, 0.56f, 0.42f, 0.25f);
            else if (has("most")) {
                float plank = 0.8f + 0.2f * Noise2(u * 2, std::floor(v * 4), 5);
                col(0.48f * plank, 0.34f * plank, 0.20f * plank, 0.25f);
            } else if (has("waterfall")) {
                float streak = 0.5f + 0.5f * tn(6, 12) + 0.3f * Noise2(u * 40, v * 3, 13);
                c = {0.82f, 0.88f, 0.92f, Clamp(0.45f + 0.4f * streak, 0, 1)};
            } else if (has("foam") || has("brizg")) {
                float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f));
                c = {0.95f, 0.97f, 1.0f, Clamp((0.5f - d) * 2.4f * (0.7f + 0.3f * n), 0, 1)};
            } else if (has("lusha"))
                c = {0.16f, 0.26f, 0.24f, 0.8f};
            else if (has("reka"))
                c = {0.20f, 0.33f, 0.33f, Clamp(0.65f + 0.15f * tn(4, 14), 0, 1)};
            else if (has("tree_shadow")) {
                float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2;
                float k = Mix(0.55f, 1.0f, Smooth(0.3f, 1.0f, d + 0.15f * n));
                c = {k, k, k, 1};
            } else if (has("shadow")) {
                float k = Mix(0.6f, 1.0f, Smooth(0.0f, 1.0f, u));
                c = {k, k, k, 1};
            } else if (has("leaveswater") || lname == "leaf.tga")
                col(0.70f, 0.45f, 0.12f, 0.3f);
            else if (has("bark"))
                col(0.36f, 0.30f, 0.24f, 0.5f), c.r *= 0.9f + 0.2f * Noise2(u * 30, v * 2, 4);
            else if (has("leaves")) {
                // Clusters of leaves in each tile, cut out by alpha.
                float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f));
                float blob = tn(10, 20) * 0.8f + 0.5f - d * 1.3f;
                bool autumn = has("03");
                float g = 0.8f + 0.4f * tn(20, 21);
                c = {autumn ? 0.55f * g : 0.22f * g, autumn ? 0.5f * g : 0.42f * g, 0.12f * g, blob > 0 ? 1.0f : 0.0f};
            } else if (has("kamish")) {
                c = {0.35f, 0.48f, 0.2f, 1};
                if (v > 0.03f && v < 0.2f && u > 0.8f)
                    c = {0.35f, 0.22f, 0.12f, 1};
            } else if (has("grass")) {
                // Blades of different heights standing on the bottom edge.
                float col0 = std::floor(u * 24);
                float height = 0.45f + 0.5f * Frac(std::sin(col0 * 12.9898f) * 43758.5f);
                float inBlade = std::fabs(Frac(u * 24) - 0.5f) < 0.32f * (v - (1 - height)) / height + 0.05f ? 1.f : 0.f;
                c = {0.30f + 0.1f * n, 0.48f + 0.1f * n, 0.16f, (v > 1 - height && inBlade > 0) ? 1.0f : 0.0f};
            } else if (has("duck")) {
                if (v < 0.5f && u >= 0.5f)
                    col(0.45f, 0.42f, 0.38f, 0.3f);
                else if (v < 0.5f)
                    c = v < 0.1f ? Rgba{0.2f, 0.2f, 0.2f, 1} : Rgba{0.55f, 0.5f, 0.45f, 1};
                else if (v < 0.75f)
                    c = {0.08f, 0.36f, 0.18f, 1};
                else
                    c = u < 0.5f ? Rgba{0.9f, 0.75f, 0.2f, 1} : Rgba{0.95f, 0.5f, 0.15f, 1};
            } else
                col(0.6f, 0.2f, 0.6f, 0.2f);  // unknown: stands out on purpose
            t.px[size_t(y * 128 + x)] = c;
        }
    return t;
}

class TextureSet
{
public:
    explicit TextureSet(std::string dir) : m_Dir(std::move(dir)) {}
    const Texture& Get(const std::string& name)
    {
        std::string key = Lower(name.size() > 3 ? name.substr(0, name.size() - 3) + "tga" : name);
        auto it = m_Cache.find(key);
        if (it != m_Cache.end())
            return *it->second;
        auto t = std::make_unique<Texture>();
        bool loaded = false;
        if (!m_Dir.empty()) {
            for (const std::string& candidate : {m_Dir + "/" + key, m_Dir + "/" + name.substr(0, name.size() - 3) + "tga"}) {
                std::string path = candidate;
                std::replace(path.begin(), path.end(), '\\', '/');
                int w, h, n;
                unsigned char* p = stbi_load(path.c_str(), &w, &h, &n, 4);
                if (p) {
                    t->w = w;
                    t->h = h;
                    t->px.resize(size_t(w) * size_t(h));
                    for (size_t i = 0; i < t->px.size(); ++i)
                        t->px[i] = {p[i * 4] / 255.f, p[i * 4 + 1] / 255.f, p[i * 4 + 2] / 255.f, p[i * 4 + 3] / 255.f};
                    stbi_image_free(p);
                    loaded = true;
                    break;
                }
            }
        }
        if (!loaded)
            *t = Procedural(key);
        auto& ref = *t;
        m_Cache[key] = std::move(t);
        return ref;
    }

private:
    std::string m_Dir;
    std::unordered_map<std::string, std::unique_ptr<Texture>> m_Cache;
};

enum class Blend { Alpha, Multiply, Additive };
enum class Cull { None, CCW };

struct State
{
    Blend blend = Blend::Alpha;
    Cull cull = Cull::CCW;
    bool zTest = true, zWrite = true, alphaTest = true, fog = true;
    float fade = 1.0f;
};

struct ClipVert
{
    Vec3 view;  // view-space position
    float u, v;
};

class Raster
{
public:
    Raster(int w, int h, Mat4 view, float fovY, float aspect, float nearP, float farP, bool fog)
        : m_W(w), m_H(h), m_View(view), m_Near(nearP), m_Far(farP), m_bFog(fog)
    {
        m_YScale = 1.0f / std::tan(fovY / 2);
        m_XScale = m_YScale / aspect;
        m_Color.assign(size_t(w * h), {0, 0, 0, 1});
        m_Depth.assign(size_t(w * h), 1e30f);
    }

    void SetView(const Mat4& v) { m_View = v; }
    std::vector<Rgba>& Color() { return m_Color; }
    std::vector<float>& Depth() { return m_Depth; }

    // Draws triangles given in world space (already transformed).
    void Draw(const std::vector<Vec3>& pos, const std::vector<float>& uv, const std::vector<uint16_t>& idx,
              size_t first, size_t triCount, const Texture* tex, const State& st)
    {
        for (size_t t = 0; t < triCount; ++t) {
            size_t base = first + t * 3;
            if (base + 2 >= idx.size())
                break;
            ClipVert v[3];
            for (int k = 0; k < 3; ++k) {
                uint16_t i = idx[base + size_t(k)];
                v[k] = {XformPoint(pos[i], m_View), uv[size_t(i) * 2], uv[size_t(i) * 2 + 1]};
            }
            DrawTri(v, tex, st);
        }
    }

private:
    void DrawTri(const ClipVert in[3], const Texture* tex, const State& st)
    {
        // Clip against the near plane.
        ClipVert poly[4];
        int n = 0;
        for (int k = 0; k < 3; ++k) {
            const ClipVert &a = in[k], &b = in[(k + 1) % 3];
            bool ina = a.view.z >= m_Near, inb = b.view.z >= m_Near;
            if (ina)
                poly[n++] = a;
            if (ina != inb) {
                float t = (m_Near - a.view.z) / (b.view.z - a.view.z);
                poly[n++] = {Lerp(a.view, b.view, t), Mix(a.u, b.u, t), Mix(a.v, b.v, t)};
            }
        }
        if (n < 3)
            return;
        for (int k = 1; k + 1 < n; ++k) {
            ClipVert t[3] = {poly[0], poly[k], poly[k + 1]};
            Fill(t, tex, st);
        }
    }

    void Fill(const ClipVert v[3], const Texture* tex, const State& st)
    {
        float sx[3], sy[3], iw[3];
        for (int k = 0; k < 3; ++k) {
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
            for (int x = x0; x <= x1; ++x) {
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
                if (st.fog && m_bFog && st.blend == Blend::Alpha) {
                    float f = Clamp((3200.0f - z) / (3200.0f - 100.0f), 0, 1);
                    const float fr = 0x88 / 255.f, fg = 0x8F / 255.f, fb = 0x8F / 255.f;
                    c = {Mix(fr, c.r, f), Mix(fg, c.g, f), Mix(fb, c.b, f), c.a};
                }
                switch (st.blend) {
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

    int m_W, m_H;
    Mat4 m_View;
    float m_XScale, m_YScale, m_Near, m_Far;
    bool m_bFog;
    std::vector<Rgba> m_Color;
    std::vector<float> m_Depth;
};

// A model in world space, with its materials.
struct Posed
{
    std::vector<Vec3> pos;
    std::vector<float> uv;
    std::vector<uint16_t> idx;
    std::vector<SingleObjectMaterial> mats;
};

Posed FromModel(const SingleObjectData& m, const Mat4& world)
{
    Posed p;
    for (const auto& v : m.vertices) {
        p.pos.push_back(XformPoint({v.x, v.y, v.z}, world));
        p.uv.push_back(v.u);
        p.uv.push_back(v.v);
    }
    p.idx = m.indices;
    p.mats = m.materials;
    return p;
}

void DrawPosed(Raster& r, TextureSet& tex, const Posed& p, const State& st)
{
    for (const auto& m : p.mats)
        r.Draw(p.pos, p.uv, p.idx, m.firstIndex, m.triangleCount, &tex.Get(m.texture), st);
}

// A skin posed by one bone block and placed by world.
Posed FromSkin(const SkinData& s, const gfx::Mat4* bones, const Mat4& world, const std::string& texture)
{
    Posed p;
    for (size_t i = 0; i < s.positions.size(); ++i) {
        Vec3 q = XformPoint(s.positions[i], bones[s.bones[i]]);
        p.pos.push_back(XformPoint(q, world));
        p.uv.push_back(s.texcoords[i * 2]);
        p.uv.push_back(s.texcoords[i * 2 + 1]);
    }
    p.idx = s.indices;
    p.mats.push_back({0, uint16_t(s.indices.size() / 3), texture});
    return p;
}

// Leaf cards as the program builds them from the .linkanim data.
Posed LeafCards(const LinkAnimData& l, const gfx::Mat4* bones, const Mat4& world, const std::string& texture)
{
    Posed p;
    const Vec3 corner[4] = {{-0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}};
    const float uv[4][2] = {{0, 0}, {2, 0}, {0, 2}, {2, 2}};
    for (size_t i = 0; i < l.cards.size(); ++i) {
        float fi = float(i);
        Mat4 m = Mul(Mul(RotYPR(fi, fi, fi), l.cards[i]), bones[l.bones[i]]);
        float sz = std::sin(0.737f * fi) + 0.5f;
        uint16_t base = uint16_t(p.pos.size());
        for (int k = 0; k < 4; ++k) {
            p.pos.push_back(XformPoint(XformPoint(corner[k] * sz, m), world));
            p.uv.push_back(uv[k][0]);
            p.uv.push_back(uv[k][1]);
        }
        p.idx.insert(p.idx.end(), {base, uint16_t(base + 1), uint16_t(base + 2), uint16_t(base + 2),
                                   uint16_t(base + 1), uint16_t(base + 3)});
    }
    p.mats.push_back({0, uint16_t(p.idx.size() / 3), texture});
    return p;
}

// Grass cards facing the camera (rotation of the inverse view).
Posed Grass(const InstanceListData& l, const Mat4& invView)
{
    Mat4 r = invView;
    r.m[3][0] = r.m[3][1] = r.m[3][2] = 0;
    Posed p;
    const Vec3 corner[4] = {{-6, 15, 0}, {6, 15, 0}, {-6, 0, 0}, {6, 0, 0}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (size_t i = 0; i < l.placements.size(); ++i) {
        Vec3 at = {l.placements[i].m[3][0], l.placements[i].m[3][1], l.placements[i].m[3][2]};
        float c = 0.5f * std::sin(float(i)) + 1.6f;
        uint16_t base = uint16_t(p.pos.size());
        for (int k = 0; k < 4; ++k) {
            p.pos.push_back(XformPoint(corner[k] * c, r) + at);
            p.uv.push_back(uv[k][0]);
            p.uv.push_back(uv[k][1]);
        }
        p.idx.insert(p.idx.end(), {base, uint16_t(base + 1), uint16_t(base + 2), uint16_t(base + 1),
                                   uint16_t(base + 3), uint16_t(base + 2)});
    }
    p.mats.push_back({0, uint16_t(p.idx.size() / 3), "grass.tga"});
    return p;
}

Mat4 LookAt(Vec3 eye, Vec3 at)
{
    Mat4 v;
    if (!gfx::MatrixLookAtLH(v, eye, at, {0, 1, 0}))
        v = Identity();
    return v;
}

struct Frame
{
    int timeMs;
};

// Everything animated at one moment, in world space.
struct Animated
{
    std::vector<Posed> trees, leaves, reeds, ducks;
};

Animated Animate(const SceneContent& s, int timeMs)
{
    Animated a;
    const int step = timeMs / 32;
    struct Kind
    {
        const char *skin, *anim, *link, *list, *bark, *leaves;
    } kinds[3] = {{"tree02.skin", "tree02_stay.anim", "tree02.linkanim", "tree01.transobj", "bark02.tga", "Leaves02.tga"},
                  {"tree02.skin", "tree02_stay.anim", "tree02.linkanim", "tree02.transobj", "bark02.tga", "Leaves02.tga"},
                  {"tree03.skin", "tree03_stay.anim", "tree03.linkanim", "tree03.transobj", "bark03.tga", "Leaves03.tga"}};
    for (const auto& k : kinds) {
        const auto& anim = s.anims.at(k.anim);
        const gfx::Mat4* bones = anim.Frame(uint32_t(step % anim.frameCount));
        for (const auto& m : s.lists.at(k.list).placements) {
            a.trees.push_back(FromSkin(s.skins.at(k.skin), bones, m, k.bark));
            a.leaves.push_back(LeafCards(s.links.at(k.link), bones, m, k.leaves));
        }
    }
    const auto& reedAnim = s.anims.at("kamish_stay.anim");
    for (const auto& m : s.lists.at("kamish.transobj").placements)
        a.reeds.push_back(FromSkin(s.skins.at("kamish.skin"), reedAnim.Frame(uint32_t(step % reedAnim.frameCount)), m,
                                   "kamish.tga"));
    const auto& swim = s.anims.at("duck_plavat.anim");
    const auto& tr = s.duckTrajectory;
    const uint32_t f = uint32_t(timeMs / 50) % tr.frames;
    for (uint32_t d = 0; d < 3; ++d) {
        Mat4 world = Mul(Scale(30, 30, 30), tr.matrices[d * tr.frames + f]);
        a.ducks.push_back(FromSkin(s.skins.at("duck.skin"), swim.Frame(uint32_t(step % swim.frameCount)), world, "duck.tga"));
    }
    return a;
}

enum class Pass { Main, Pond, River };

// One pass of the scene as the program's DrawScene orders it.
void DrawScenePass(Raster& r, TextureSet& tex, const SceneContent& s, const Animated& an, const Mat4& view,
                   Pass pass)
{
    State st;
    // Sky with the view's rotation only, no depth.
    Mat4 sky = view;
    sky.m[3][0] = sky.m[3][1] = sky.m[3][2] = 0;
    r.SetView(sky);
    st.zTest = false;
    st.zWrite = false;
    st.cull = Cull::CCW;
    DrawPosed(r, tex, FromModel(s.models.at("sky.singleobject"), Identity()), st);
    r.SetView(view);
    st = State();
    st.cull = pass == Pass::Main ? Cull::None : Cull::CCW;
    const Mat4 inv = InverseAffine(view);
    if (pass == Pass::Pond) {
        DrawPosed(r, tex, FromModel(s.models.at("scene_refl_lusa.singleobject"), Identity()), st);
        st.cull = Cull::CCW;
        DrawPosed(r, tex, Grass(s.lists.at("grass_up.transobj"), inv), st);
        return;
    }
    DrawPosed(r, tex, FromModel(s.models.at("scene.singleobject"), Identity()), st);
    for (const auto& t : an.trees) {
        State ts = st;
        ts.alphaTest = false;
        DrawPosed(r, tex, t, ts);
    }
    for (const auto& l : an.leaves) {
        State ls = st;
        ls.alphaTest = true;
        DrawPosed(r, tex, l, ls);
    }
    for (const auto& reed : an.reeds)
        DrawPosed(r, tex, reed, st);
    st.cull = Cull::CCW;
    if (pass == Pass::Main) {
        for (const auto& d : an.ducks) {
            State ds = st;
            ds.cull = Cull::None;
            DrawPosed(r, tex, d, ds);
        }
        DrawPosed(r, tex, FromModel(s.models.at("ruslo_up.singleobject"), Identity()), st);
        DrawPosed(r, tex, FromModel(s.models.at("ruslo_dn.singleobject"), Identity()), st);
        State ws = st;
        ws.alphaTest = false;
        DrawPosed(r, tex, FromModel(s.models.at("reka.singleobject"), Identity()), ws);
        for (int k = 0; k < 7; ++k)
            DrawPosed(r, tex, FromModel(s.models.at("water_list_" + std::to_string(k) + ".singleobject"), Identity()), st);
        State sh = st;
        sh.blend = Blend::Multiply;
        sh.alphaTest = false;
        sh.zWrite = false;
        sh.fog = false;
        DrawPosed(r, tex, FromModel(s.models.at("shadow.singleobject"), Identity()), sh);
        DrawPosed(r, tex, FromModel(s.models.at("tree_shadow.singleobject"), Identity()), sh);
        DrawPosed(r, tex, Grass(s.lists.at("grass_down.transobj"), inv), st);
        DrawPosed(r, tex, Grass(s.lists.at("grass_up.transobj"), inv), st);
    } else {
        State ds = st;
        ds.alphaTest = false;
        ds.fade = 0.4f;
        for (const auto& d : an.ducks)
            DrawPosed(r, tex, d, ds);
        DrawPosed(r, tex, FromModel(s.models.at("ruslo_up.singleobject"), Identity()), st);
        DrawPosed(r, tex, Grass(s.lists.at("grass_down.transobj"), inv), st);
    }
}

Vec3 Mirror(Vec3 p, float plane) { return {p.x, plane - (p.y - plane), p.z}; }

} // namespace

std::vector<uint8_t> RenderView(const SceneContent& s, Vec3 eye, Vec3 at, int timeMs, float farPlane, bool fog,
                                const PreviewOptions& opt)
{
    const float fov = 1.2216945f, aspect = 1.2635379f;
    TextureSet tex(opt.textureDir);
    const Animated an = Animate(s, timeMs);
    const Mat4 view = LookAt(eye, at);
    Raster main(opt.width, opt.height, view, fov, aspect, 1.0f, farPlane, fog);
    DrawScenePass(main, tex, s, an, view, Pass::Main);

    if (opt.reflections) {
        // Each water body: its mirrored picture shows where its surface is
        // visible in front of the scene, through the surface's alpha.
        struct Water
        {
            const char* model;
            float plane;
            Pass pass;
            float fade;
        } waters[2] = {{"lusha.singleobject", kPoolY, Pass::Pond, 1.0f}, {"reka.singleobject", kRiverY, Pass::River, 0.5f}};
        for (const auto& w : waters) {
            Raster refl(opt.width, opt.height, view, fov, aspect, 1.0f, farPlane, fog);
            const Mat4 mview = LookAt(Mirror(eye, w.plane), Mirror(at, w.plane));
            DrawScenePass(refl, tex, s, an, mview, w.pass);
            Raster mask(opt.width, opt.height, view, fov, aspect, 1.0f, farPlane, false);
            mask.Depth() = main.Depth();
            for (auto& c : mask.Color())
                c = {0, 0, 0, 0};
            State ms;
            ms.alphaTest = false;
            ms.zWrite = false;
            ms.fog = false;
            ms.fade = w.fade;
            // Mask: the surface's alpha where it passes the depth test.
            const Posed surface = FromModel(s.models.at(w.model), Identity());
            for (const auto& m : surface.mats) {
                const Texture& t = tex.Get(m.texture);
                Texture alphaOnly = t;
                for (auto& p : alphaOnly.px)
                    p = {p.a, p.a, p.a, 1};
                mask.Draw(surface.pos, surface.uv, surface.idx, m.firstIndex, m.triangleCount, &alphaOnly, ms);
            }
            auto& dst = main.Color();
            const auto& rc = refl.Color();
            const auto& mc = mask.Color();
            for (int y = 0; y < opt.height; ++y)
                for (int x = 0; x < opt.width; ++x) {
                    size_t i = size_t(y * opt.width + x);
                    float a = mc[i].r * w.fade;
                    if (a <= 0)
                        continue;
                    // The mirrored picture is upside down.
                    const Rgba& c = rc[size_t((opt.height - 1 - y) * opt.width + x)];
                    dst[i] = {Mix(dst[i].r, c.r * 0.85f, a), Mix(dst[i].g, c.g * 0.9f, a), Mix(dst[i].b, c.b * 0.92f, a), 1};
                }
        }
    }
    std::vector<uint8_t> rgb(size_t(opt.width * opt.height * 3));
    const auto& c = main.Color();
    for (size_t i = 0; i < c.size(); ++i) {
        rgb[i * 3] = uint8_t(Clamp(c[i].r, 0, 1) * 255 + 0.5f);
        rgb[i * 3 + 1] = uint8_t(Clamp(c[i].g, 0, 1) * 255 + 0.5f);
        rgb[i * 3 + 2] = uint8_t(Clamp(c[i].b, 0, 1) * 255 + 0.5f);
    }
    return rgb;
}

bool RenderPathFrame(const SceneContent& s, int path, int frame, const std::string& png, const PreviewOptions& opt)
{
    if (path < 1 || path > int(s.cameras.size()) || frame < 0 || frame >= int(s.cameras[size_t(path - 1)].eyes.size())) {
        std::fprintf(stderr, "no frame %d of camera path %d\n", frame, path);
        return false;
    }
    const auto& cam = s.cameras[size_t(path - 1)];
    auto rgb = RenderView(s, cam.eyes[size_t(frame)], cam.targets[size_t(frame)], frame * 33, 2000.0f, true, opt);
    if (!stbi_write_png(png.c_str(), opt.width, opt.height, 3, rgb.data(), opt.width * 3)) {
        std::fprintf(stderr, "cannot write %s\n", png.c_str());
        return false;
    }
    return true;
}

bool RenderViewPng(const SceneContent& s, Vec3 eye, Vec3 at, int timeMs, const std::string& png,
                   const PreviewOptions& opt)
{
    auto rgb = RenderView(s, eye, at, timeMs, 2000.0f, true, opt);
    if (!stbi_write_png(png.c_str(), opt.width, opt.height, 3, rgb.data(), opt.width * 3)) {
        std::fprintf(stderr, "cannot write %s\n", png.c_str());
        return false;
    }
    return true;
}

bool WriteStandInTexture(const std::string& name, const std::string& path)
{
    const Texture t = Procedural(Lower(name));
    std::vector<uint8_t> rgba(size_t(t.w * t.h * 4));
    for (size_t i = 0; i < t.px.size(); ++i) {
        rgba[i * 4] = uint8_t(Clamp(t.px[i].r, 0, 1) * 255 + 0.5f);
        rgba[i * 4 + 1] = uint8_t(Clamp(t.px[i].g, 0, 1) * 255 + 0.5f);
        rgba[i * 4 + 2] = uint8_t(Clamp(t.px[i].b, 0, 1) * 255 + 0.5f);
        rgba[i * 4 + 3] = uint8_t(Clamp(t.px[i].a, 0, 1) * 255 + 0.5f);
    }
    stbi_write_tga_with_rle = 0;  // plain 32-bit TGA
    return stbi_write_tga(path.c_str(), t.w, t.h, 4, rgba.data()) != 0;
}

bool RenderOverview(const SceneContent& s, const std::string& png, const PreviewOptions& opt)
{
    PreviewOptions o = opt;
    auto rgb = RenderView(s, {-900, 1300, -1500}, {60, 0, -50}, 0, 6000.0f, false, o);
    if (!stbi_write_png(png.c_str(), o.width, o.height, 3, rgb.data(), o.width * 3)) {
        std::fprintf(stderr, "cannot write %s\n", png.c_str());
        return false;
    }
    return true;
}

} // namespace sg
