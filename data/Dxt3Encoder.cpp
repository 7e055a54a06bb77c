// Portable core: the DXT3 encoder. Colour: principal axis, least-squares
// refinement of the endpoints, then a small search around the quantised
// endpoints, all measured with the decoder's own integer palette. Alpha:
// explicit 4 bits, rounded to nearest.
#include "data/DxtBlocks.h"

#include <cmath>
#include <cstring>

namespace gfx {

namespace {

struct Tables
{
    int expand5[32], expand6[64];
    uint8_t quant5[256], quant6[256];
    // best (high, low) endpoint pair for a solid value when every texel uses
    // the 2/3 high + 1/3 low palette entry
    uint8_t single5[256][2], single6[256][2];

    Tables()
    {
        for (int i = 0; i < 32; ++i)
            expand5[i] = (i << 3) | (i >> 2);
        for (int i = 0; i < 64; ++i)
            expand6[i] = (i << 2) | (i >> 4);
        for (int v = 0; v < 256; ++v)
        {
            quant5[v] = Nearest(expand5, 32, v);
            quant6[v] = Nearest(expand6, 64, v);
            Single(expand5, 32, v, single5[v]);
            Single(expand6, 64, v, single6[v]);
        }
    }
    static uint8_t Nearest(const int* expand, int n, int v)
    {
        int best = 0;
        for (int i = 1; i < n; ++i)
            if (std::abs(expand[i] - v) < std::abs(expand[best] - v))
                best = i;
        return static_cast<uint8_t>(best);
    }
    static void Single(const int* expand, int n, int v, uint8_t out[2])
    {
        int bestError = 1 << 30;
        for (int hi = 0; hi < n; ++hi)
            for (int lo = 0; lo < n; ++lo)
            {
                const int e = std::abs((2 * expand[hi] + expand[lo]) / 3 - v) * 64 + std::abs(hi - lo);
                if (e < bestError)
                {
                    bestError = e;
                    out[0] = static_cast<uint8_t>(hi);
                    out[1] = static_cast<uint8_t>(lo);
                }
            }
    }
};

const Tables& T()
{
    static const Tables tables;
    return tables;
}

// Endpoints as quantised components: r, g, b of endpoint 0 then endpoint 1.
struct Endpoints
{
    int c[6];
};

struct Block
{
    int px[16][3];
};

int Pack(const int* e)
{
    return (e[0] << 11) | (e[1] << 5) | e[2];
}

// Sum of squared errors of the best palette entry per texel; writes indices.
// Stops early, returning a value >= limit, once the sum reaches limit (the
// indices are then incomplete).
int Evaluate(const Block& b, const Endpoints& ep, uint8_t idx[16], int limit = 1 << 30)
{
    const Tables& t = T();
    int p[4][3];
    p[0][0] = t.expand5[ep.c[0]];
    p[0][1] = t.expand6[ep.c[1]];
    p[0][2] = t.expand5[ep.c[2]];
    p[1][0] = t.expand5[ep.c[3]];
    p[1][1] = t.expand6[ep.c[4]];
    p[1][2] = t.expand5[ep.c[5]];
    for (int k = 0; k < 3; ++k)
    {
        p[2][k] = (2 * p[0][k] + p[1][k]) / 3;
        p[3][k] = (p[0][k] + 2 * p[1][k]) / 3;
    }
    int total = 0;
    for (int i = 0; i < 16; ++i)
    {
        int best = 0, bestError = 1 << 30;
        for (int j = 0; j < 4; ++j)
        {
            const int dr = b.px[i][0] - p[j][0], dg = b.px[i][1] - p[j][1], db = b.px[i][2] - p[j][2];
            const int e = dr * dr + dg * dg + db * db;
            if (e < bestError)
            {
                bestError = e;
                best = j;
            }
        }
        idx[i] = static_cast<uint8_t>(best);
        total += bestError;
        if (total >= limit)
            return total;
    }
    return total;
}

Endpoints Quantise(const float a[3], const float b[3])
{
    const Tables& t = T();
    auto q = [](float v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v + 0.5f); };
    return Endpoints{{t.quant5[q(a[0])], t.quant6[q(a[1])], t.quant5[q(a[2])], t.quant5[q(b[0])], t.quant6[q(b[1])],
                      t.quant5[q(b[2])]}};
}

// Least-squares endpoints for fixed indices; false when the indices do not
// determine two endpoints.
bool Refit(const Block& b, const uint8_t idx[16], Endpoints& out)
{
    static const float wa[4] = {1.0f, 0.0f, 2.0f / 3.0f, 1.0f / 3.0f};
    float aa = 0, ab = 0, bb = 0, ax[3] = {0, 0, 0}, bx[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
    {
        const float a = wa[idx[i]], c = 1.0f - a;
        aa += a * a;
        ab += a * c;
        bb += c * c;
        for (int k = 0; k < 3; ++k)
        {
            ax[k] += a * b.px[i][k];
            bx[k] += c * b.px[i][k];
        }
    }
    const float det = aa * bb - ab * ab;
    if (std::fabs(det) < 1e-4f)
        return false;
    const float inv = 1.0f / det;
    float e0[3], e1[3];
    for (int k = 0; k < 3; ++k)
    {
        e0[k] = (bb * ax[k] - ab * bx[k]) * inv;
        e1[k] = (aa * bx[k] - ab * ax[k]) * inv;
    }
    out = Quantise(e0, e1);
    return true;
}

void EncodeColour(const uint8_t rgba[64], uint8_t out[8])
{
    const Tables& t = T();
    Block b;
    bool solid = true;
    for (int i = 0; i < 16; ++i)
    {
        for (int k = 0; k < 3; ++k)
            b.px[i][k] = rgba[i * 4 + k];
        solid = solid && b.px[i][0] == b.px[0][0] && b.px[i][1] == b.px[0][1] && b.px[i][2] == b.px[0][2];
    }

    Endpoints best;
    uint8_t bestIdx[16];
    int bestError;
    if (solid)
    {
        const int r = b.px[0][0], g = b.px[0][1], bl = b.px[0][2];
        best = Endpoints{
            {t.single5[r][0], t.single6[g][0], t.single5[bl][0], t.single5[r][1], t.single6[g][1], t.single5[bl][1]}};
        bestError = Evaluate(b, best, bestIdx);
    }
    else
    {
        // principal axis by power iteration on the covariance
        float mean[3] = {0, 0, 0};
        for (int i = 0; i < 16; ++i)
            for (int k = 0; k < 3; ++k)
                mean[k] += b.px[i][k];
        for (float& m : mean)
            m *= 1.0f / 16.0f;
        float cov[6] = {0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 16; ++i)
        {
            const float r = b.px[i][0] - mean[0], g = b.px[i][1] - mean[1], bl = b.px[i][2] - mean[2];
            cov[0] += r * r;
            cov[1] += r * g;
            cov[2] += r * bl;
            cov[3] += g * g;
            cov[4] += g * bl;
            cov[5] += bl * bl;
        }
        float v[3] = {cov[0] + cov[1] + cov[2], cov[1] + cov[3] + cov[4], cov[2] + cov[4] + cov[5]};
        for (int it = 0; it < 6; ++it)
        {
            const float x = cov[0] * v[0] + cov[1] * v[1] + cov[2] * v[2];
            const float y = cov[1] * v[0] + cov[3] * v[1] + cov[4] * v[2];
            const float z = cov[2] * v[0] + cov[4] * v[1] + cov[5] * v[2];
            const float m = std::fmax(std::fabs(x), std::fmax(std::fabs(y), std::fabs(z)));
            if (m < 1e-12f)
                break;
            v[0] = x / m;
            v[1] = y / m;
            v[2] = z / m;
        }
        if (std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]) < 1e-12f)
        {
            v[0] = 0.299f;
            v[1] = 0.587f;
            v[2] = 0.114f; // symmetric spread: any axis will do
        }
        int lo = 0, hi = 0;
        float dLo = 1e30f, dHi = -1e30f;
        for (int i = 0; i < 16; ++i)
        {
            const float d = b.px[i][0] * v[0] + b.px[i][1] * v[1] + b.px[i][2] * v[2];
            if (d < dLo)
            {
                dLo = d;
                lo = i;
            }
            if (d > dHi)
            {
                dHi = d;
                hi = i;
            }
        }
        const float e0[3] = {float(b.px[hi][0]), float(b.px[hi][1]), float(b.px[hi][2])};
        const float e1[3] = {float(b.px[lo][0]), float(b.px[lo][1]), float(b.px[lo][2])};
        best = Quantise(e0, e1);
        bestError = Evaluate(b, best, bestIdx);

        // alternate index assignment and least-squares endpoints
        Endpoints cur = best;
        uint8_t idx[16];
        std::memcpy(idx, bestIdx, 16);
        for (int it = 0; it < 3; ++it)
        {
            Endpoints next;
            if (!Refit(b, idx, next) || std::memcmp(next.c, cur.c, sizeof cur.c) == 0)
                break;
            cur = next;
            const int e = Evaluate(b, cur, idx);
            if (e < bestError)
            {
                bestError = e;
                best = cur;
                std::memcpy(bestIdx, idx, 16);
            }
        }

        // step single components of the quantised endpoints while that helps
        static const int kLimit[6] = {31, 63, 31, 31, 63, 31};
        for (int round = 0; round < 4 && bestError > 0; ++round)
        {
            bool improved = false;
            for (int c = 0; c < 6; ++c)
                for (int step = -1; step <= 1; step += 2)
                {
                    Endpoints trial = best;
                    trial.c[c] += step;
                    if (trial.c[c] < 0 || trial.c[c] > kLimit[c])
                        continue;
                    const int e = Evaluate(b, trial, idx, bestError);
                    if (e < bestError)
                    {
                        bestError = e;
                        best = trial;
                        std::memcpy(bestIdx, idx, 16);
                        improved = true;
                    }
                }
            if (!improved)
                break;
        }
    }

    int c0 = Pack(best.c), c1 = Pack(best.c + 3);
    static const uint8_t kSwap[4] = {1, 0, 3, 2};
    if (c0 < c1)
    { // four-colour mode needs colour0 > colour1
        const int tmp = c0;
        c0 = c1;
        c1 = tmp;
        for (uint8_t& i : bestIdx)
            i = kSwap[i];
    }
    else if (c0 == c1)
    {
        std::memset(bestIdx, 0, 16);
    }
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= static_cast<uint32_t>(bestIdx[i]) << (2 * i);
    out[0] = static_cast<uint8_t>(c0);
    out[1] = static_cast<uint8_t>(c0 >> 8);
    out[2] = static_cast<uint8_t>(c1);
    out[3] = static_cast<uint8_t>(c1 >> 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(bits >> (8 * i));
}

} // namespace

void EncodeDxt3Block(const uint8_t rgba[64], uint8_t block[16])
{
    for (int i = 0; i < 8; ++i)
    {
        const int a0 = (rgba[(2 * i) * 4 + 3] + 8) / 17, a1 = (rgba[(2 * i + 1) * 4 + 3] + 8) / 17;
        block[i] = static_cast<uint8_t>(a0 | (a1 << 4));
    }
    EncodeColour(rgba, block + 8);
}

void EncodeDxt3Image(const RgbaImage& image, TextureLevel& level)
{
    level = MakeLevelLayout(FMT_DXT3, image.width, image.height);
    level.bytes.assign(static_cast<size_t>(level.rowPitch) * level.rowCount, 0);
    if (image.width == 0 || image.height == 0)
        return;
    uint8_t texels[64];
    for (uint32_t by = 0; by < level.rowCount; ++by)
        for (uint32_t bx = 0; bx < level.rowPitch / 16; ++bx)
        {
            for (uint32_t y = 0; y < 4; ++y)
            {
                const uint32_t sy = by * 4 + y < image.height ? by * 4 + y : image.height - 1;
                for (uint32_t x = 0; x < 4; ++x)
                {
                    const uint32_t sx = bx * 4 + x < image.width ? bx * 4 + x : image.width - 1;
                    std::memcpy(texels + (y * 4 + x) * 4, image.Row(sy) + sx * 4, 4);
                }
            }
            EncodeDxt3Block(texels, level.bytes.data() + static_cast<size_t>(by) * level.rowPitch + bx * 16);
        }
}

} // namespace gfx
