// Host tool: the preview's textures, loaded or stood in for.
#include "StandInTextures.h"

#include <algorithm>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_ONLY_PNG
#include "stb_image.h"

namespace sg {

namespace {

float Frac(float x)
{
    return x - std::floor(x);
}

std::string Lower(std::string s)
{
    for (auto& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

// Tileable: noise on a wrapped lattice.
Texture StandInTexture(const std::string& name)
{
    const std::string lname = Lower(name);
    Texture t;
    t.w = t.h = 128;
    t.px.resize(128 * 128);
    auto has = [&](const char* k) { return lname.find(k) != std::string::npos; };
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
        {
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
            if (has("sky"))
            {
                float h = v; // 0 zenith .. 1 horizon
                float cloud = Smooth(0.05f, 0.45f, tn(4, 9) + 0.5f * tn(8, 10)) * (1 - h * 0.6f);
                c = {Mix(0.32f, 0.78f, h), Mix(0.5f, 0.84f, h), Mix(0.82f, 0.88f, h), 1};
                c = {Mix(c.r, 0.95f, cloud), Mix(c.g, 0.95f, cloud), Mix(c.b, 0.96f, cloud), 1};
            }
            else if (has("ground01"))
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
            else if (has("most"))
            {
                float plank = 0.8f + 0.2f * Noise2(u * 2, std::floor(v * 4), 5);
                col(0.48f * plank, 0.34f * plank, 0.20f * plank, 0.25f);
            }
            else if (has("waterfall"))
            {
                float streak = 0.5f + 0.5f * tn(6, 12) + 0.3f * Noise2(u * 40, v * 3, 13);
                c = {0.82f, 0.88f, 0.92f, Clamp(0.45f + 0.4f * streak, 0, 1)};
            }
            else if (has("foam") || has("brizg"))
            {
                float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f));
                c = {0.95f, 0.97f, 1.0f, Clamp((0.5f - d) * 2.4f * (0.7f + 0.3f * n), 0, 1)};
            }
            else if (has("lusha"))
                c = {0.16f, 0.26f, 0.24f, 0.8f};
            else if (has("reka"))
                c = {0.20f, 0.33f, 0.33f, Clamp(0.65f + 0.15f * tn(4, 14), 0, 1)};
            else if (has("tree_shadow"))
            {
                float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2;
                float k = Mix(0.55f, 1.0f, Smooth(0.3f, 1.0f, d + 0.15f * n));
                c = {k, k, k, 1};
            }
            else if (has("shadow"))
            {
                float k = Mix(0.6f, 1.0f, Smooth(0.0f, 1.0f, u));
                c = {k, k, k, 1};
            }
            else if (has("leaveswater") || lname == "leaf.tga")
                col(0.70f, 0.45f, 0.12f, 0.3f);
            else if (has("bark"))
                col(0.36f, 0.30f, 0.24f, 0.5f), c.r *= 0.9f + 0.2f * Noise2(u * 30, v * 2, 4);
            else if (has("leaves"))
            {
                // Clusters of leaves in each tile, cut out by alpha.
                float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f));
                float blob = tn(10, 20) * 0.8f + 0.5f - d * 1.3f;
                bool autumn = has("03");
                float g = 0.8f + 0.4f * tn(20, 21);
                c = {autumn ? 0.55f * g : 0.22f * g, autumn ? 0.5f * g : 0.42f * g, 0.12f * g, blob > 0 ? 1.0f : 0.0f};
            }
            else if (has("kamish"))
            {
                c = {0.35f, 0.48f, 0.2f, 1};
                if (v > 0.03f && v < 0.2f && u > 0.8f)
                    c = {0.35f, 0.22f, 0.12f, 1};
            }
            else if (has("grass"))
            {
                // Blades of different heights standing on the bottom edge.
                float col0 = std::floor(u * 24);
                float height = 0.45f + 0.5f * Frac(std::sin(col0 * 12.9898f) * 43758.5f);
                float inBlade =
                    std::fabs(Frac(u * 24) - 0.5f) < 0.32f * (v - (1 - height)) / height + 0.05f ? 1.f : 0.f;
                c = {0.30f + 0.1f * n, 0.48f + 0.1f * n, 0.16f, (v > 1 - height && inBlade > 0) ? 1.0f : 0.0f};
            }
            else if (has("duck"))
            {
                if (v < 0.5f && u >= 0.5f)
                    col(0.45f, 0.42f, 0.38f, 0.3f);
                else if (v < 0.5f)
                    c = v < 0.1f ? Rgba{0.2f, 0.2f, 0.2f, 1} : Rgba{0.55f, 0.5f, 0.45f, 1};
                else if (v < 0.75f)
                    c = {0.08f, 0.36f, 0.18f, 1};
                else
                    c = u < 0.5f ? Rgba{0.9f, 0.75f, 0.2f, 1} : Rgba{0.95f, 0.5f, 0.15f, 1};
            }
            else
                col(0.6f, 0.2f, 0.6f, 0.2f); // unknown: stands out on purpose
            t.px[size_t(y * 128 + x)] = c;
        }
    return t;
}

void TextureSet::PutTga(const std::string& name, const std::vector<uint8_t>& tga)
{
    int w, h, n;
    unsigned char* p = stbi_load_from_memory(tga.data(), int(tga.size()), &w, &h, &n, 4);
    if (!p)
        return;
    auto t = std::make_unique<Texture>();
    t->w = w;
    t->h = h;
    t->px.resize(size_t(w) * size_t(h));
    for (size_t i = 0; i < t->px.size(); ++i)
        t->px[i] = {p[i * 4] / 255.f, p[i * 4 + 1] / 255.f, p[i * 4 + 2] / 255.f, p[i * 4 + 3] / 255.f};
    stbi_image_free(p);
    m_Cache[Lower(name)] = std::move(t);
}

const Texture& TextureSet::Get(const std::string& name)
{
    std::string key = Lower(name.size() > 3 ? name.substr(0, name.size() - 3) + "tga" : name);
    auto it = m_Cache.find(key);
    if (it != m_Cache.end())
        return *it->second;
    auto t = std::make_unique<Texture>();
    bool loaded = false;
    if (!m_Dir.empty())
    {
        for (const std::string& candidate : {m_Dir + "/" + key, m_Dir + "/" + name.substr(0, name.size() - 3) + "tga"})
        {
            std::string path = candidate;
            std::replace(path.begin(), path.end(), '\\', '/');
            int w, h, n;
            unsigned char* p = stbi_load(path.c_str(), &w, &h, &n, 4);
            if (p)
            {
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
        *t = StandInTexture(key);
    auto& ref = *t;
    m_Cache[key] = std::move(t);
    return ref;
}

} // namespace sg
