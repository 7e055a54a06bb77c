// PNG/JPEG encoding and image decoding through the stb headers. The stb
// implementations live in StbCodecs.cpp only, with static linkage, so they
// never clash with the copies other targets compile.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/Image.h"

namespace qmc {

std::vector<uint8_t> EncodePng(const Image& img);
std::vector<uint8_t> EncodeJpeg(const Image& img, int quality);
// Decodes any picture stb_image reads (TGA, PNG, JPEG, BMP); empty on failure.
Image DecodeImage(const std::vector<uint8_t>& bytes);

struct DecodedSound
{
    int channels = 0;
    int rate = 0;
    std::vector<float> samples; // interleaved
};
// Decodes an Ogg Vorbis file completely; channels 0 on failure.
DecodedSound DecodeVorbis(const std::vector<uint8_t>& bytes);

struct GlyphBitmap
{
    int w = 0, h = 0, xoff = 0, yoff = 0;
    std::vector<uint8_t> coverage;
};
// Loads a TrueType font from bytes; returns false when it is not a font.
class Font
{
public:
    bool Load(std::vector<uint8_t> ttf);
    // Scale that makes the font's ascent minus descent `pixels` tall.
    float ScaleForPixelHeight(float pixels) const;
    // Ascent in unscaled units.
    int Ascent() const;
    GlyphBitmap Render(int codepoint, float scale) const;
    int Advance(int codepoint) const; // unscaled

private:
    std::vector<uint8_t> m_data;
    std::vector<uint8_t> m_info; // holds stbtt_fontinfo without exposing it
};

} // namespace qmc
