// Portable core: turns image file bytes into texture levels in a device
// format (decode, power-of-two size, mip chain, DXT3 or V8U8 encoding).
// The Windows layer only creates the texture and copies the levels in.
#pragma once
#include <string>

#include "data/ImageDecode.h"

namespace gfx {

struct TextureRequest
{
    uint32_t width = 0;            // 0: the image's width rounded up to a power of two
    uint32_t height = 0;           // 0: likewise
    uint32_t mipLevels = 0;        // 0: full chain (DDS: the levels stored in the file)
    uint32_t format = FMT_UNKNOWN; // FMT_UNKNOWN: the file's own format
    uint32_t maxEdge = 4096;       // device limit; sizes are capped to it
};

// Formats we can produce from a picture: A8R8G8B8, X8R8G8B8, DXT3, V8U8.
bool CanEncode(uint32_t format);

// Builds every level. False on any failure (unreadable bytes, a format we
// cannot produce from this source), with out empty and the reason in error
// when error is not null.
bool PrepareTexture(const uint8_t* data, size_t size, const TextureRequest& request, PreparedTexture& out,
                    std::string* error = nullptr);

// Pixel conversions of one level. V8U8 maps red to u and green to v, 128
// meaning zero: u = red - 128, v = green - 128 (signed bytes); blue and
// alpha are dropped. The way back gives red = u + 128, green = v + 128,
// blue 255, alpha 255.
void EncodeLevel(uint32_t format, const RgbaImage& image, TextureLevel& level);
bool DecodeLevel(uint32_t format, const TextureLevel& level, RgbaImage& out);

} // namespace gfx
