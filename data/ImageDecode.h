// Portable core: decoding picture files (TGA with our own reader; JPEG,
// PNG and BMP with stb_image) into 8-bit RGBA. DDS files have their own
// reader.
#pragma once
#include "data/TextureData.h"

namespace gfx {

enum class ImageFileKind
{
    Unknown,
    Dds,
    Picture, // TGA, JPEG, PNG, BMP
};

struct ImageInfo
{
    ImageFileKind kind = ImageFileKind::Unknown;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mipLevels = 1;
    // Device format the file maps to when the caller asks for the file's own
    // format: A8R8G8B8 for pictures with alpha, X8R8G8B8 without; DDS files
    // give their stored format.
    uint32_t fileFormat = FMT_UNKNOWN;
};

// Reads only the header. False for bytes that are no image we can decode,
// or an image with an edge of 0 or above MAX_IMAGE_EDGE.
bool ReadImageInfo(const uint8_t* data, size_t size, ImageInfo& info);

// Decodes a picture (not DDS) into RGBA, top row first. Grey pictures are
// spread to R = G = B; pictures without alpha get A = 255. False on any
// error, with out left empty.
bool DecodePictureRgba(const uint8_t* data, size_t size, RgbaImage& out);

} // namespace gfx
