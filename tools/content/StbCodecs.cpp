#include "tools/content/StbCodecs.h"

#include <cstring>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
// stb_vorbis has no static switch; its symbols stay inside this tool's binaries.
#include <stb_vorbis.h>

namespace qmc {

static void Append(void* ctx, void* data, int size)
{
    auto* v = static_cast<std::vector<uint8_t>*>(ctx);
    v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

std::vector<uint8_t> EncodePng(const Image& img)
{
    std::vector<uint8_t> out;
    stbi_write_png_to_func(Append, &out, img.Width(), img.Height(), 4, img.Bytes().data(), img.Width() * 4);
    return out;
}

std::vector<uint8_t> EncodeJpeg(const Image& img, int quality)
{
    // JPEG has no alpha: flatten to RGB first.
    std::vector<uint8_t> rgb(size_t(img.Width()) * img.Height() * 3);
    for (size_t i = 0, n = size_t(img.Width()) * img.Height(); i < n; ++i)
        std::memcpy(&rgb[i * 3], &img.Bytes()[i * 4], 3);
    std::vector<uint8_t> out;
    stbi_write_jpg_to_func(Append, &out, img.Width(), img.Height(), 3, rgb.data(), quality);
    return out;
}

Image DecodeImage(const std::vector<uint8_t>& bytes)
{
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &n, 4);
    if (!px)
        return Image();
    Image img(w, h);
    std::memcpy(img.Bytes().data(), px, size_t(w) * h * 4);
    stbi_image_free(px);
    return img;
}

DecodedSound DecodeVorbis(const std::vector<uint8_t>& bytes)
{
    DecodedSound s;
    int err = 0;
    stb_vorbis* v = stb_vorbis_open_memory(bytes.data(), int(bytes.size()), &err, nullptr);
    if (!v)
        return s;
    stb_vorbis_info info = stb_vorbis_get_info(v);
    s.channels = info.channels;
    s.rate = int(info.sample_rate);
    std::vector<float> buf(4096 * size_t(info.channels));
    for (;;)
    {
        int got = stb_vorbis_get_samples_float_interleaved(v, info.channels, buf.data(), int(buf.size()));
        if (got <= 0)
            break;
        s.samples.insert(s.samples.end(), buf.begin(), buf.begin() + size_t(got) * info.channels);
    }
    stb_vorbis_close(v);
    return s;
}

bool Font::Load(std::vector<uint8_t> ttf)
{
    m_data = std::move(ttf);
    m_info.assign(sizeof(stbtt_fontinfo), 0);
    if (m_data.empty())
        return false;
    int offset = stbtt_GetFontOffsetForIndex(m_data.data(), 0);
    if (offset < 0)
        return false;
    return stbtt_InitFont(reinterpret_cast<stbtt_fontinfo*>(m_info.data()), m_data.data(), offset) != 0;
}

float Font::ScaleForPixelHeight(float pixels) const
{
    return stbtt_ScaleForPixelHeight(reinterpret_cast<const stbtt_fontinfo*>(m_info.data()), pixels);
}

int Font::Ascent() const
{
    int a = 0, d = 0, g = 0;
    stbtt_GetFontVMetrics(reinterpret_cast<const stbtt_fontinfo*>(m_info.data()), &a, &d, &g);
    return a;
}

int Font::Advance(int codepoint) const
{
    int adv = 0, lsb = 0;
    stbtt_GetCodepointHMetrics(reinterpret_cast<const stbtt_fontinfo*>(m_info.data()), codepoint, &adv, &lsb);
    return adv;
}

GlyphBitmap Font::Render(int codepoint, float scale) const
{
    GlyphBitmap g;
    unsigned char* bm = stbtt_GetCodepointBitmap(reinterpret_cast<const stbtt_fontinfo*>(m_info.data()), scale, scale,
                                                 codepoint, &g.w, &g.h, &g.xoff, &g.yoff);
    if (bm)
    {
        g.coverage.assign(bm, bm + size_t(g.w) * g.h);
        stbtt_FreeBitmap(bm, nullptr);
    }
    return g;
}

} // namespace qmc
