// Fuzz target: every reader of image bytes (TGA, JPEG through stb_image,
// DDS) and the texture preparation behind them.
#include <cstddef>
#include <cstdint>

#include "data/DdsImage.h"
#include "data/ImageDecode.h"
#include "data/TexturePrepare.h"
#include "data/TgaImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gfx::ImageInfo info;
    if (!gfx::ReadImageInfo(data, size, info))
        return 0;
    // huge claimed sizes are legal up to the edge limit; keep runs fast
    if (static_cast<uint64_t>(info.width) * info.height > (1u << 20))
        return 0;

    gfx::RgbaImage image;
    gfx::DecodePictureRgba(data, size, image);
    gfx::TgaHeader tga;
    if (gfx::ReadTgaHeader(data, size, tga))
        gfx::DecodeTga(data, size, image);
    gfx::PreparedTexture dds;
    gfx::ReadDds(data, size, dds);

    // the last byte picks the requested format, as the loaders ask for them
    static const uint32_t kFormats[] = {gfx::FMT_UNKNOWN, gfx::FMT_DXT3, gfx::FMT_V8U8, gfx::FMT_A8R8G8B8};
    gfx::TextureRequest request;
    request.format = kFormats[size ? data[size - 1] & 3 : 0];
    request.maxEdge = 256;
    gfx::PreparedTexture texture;
    gfx::PrepareTexture(data, size, request, texture);
    return 0;
}
