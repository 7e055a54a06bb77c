// Portable core: turns image file bytes into texture levels in a device
// format.
#include "data/TexturePrepare.h"

#include "data/DdsImage.h"
#include "data/DxtBlocks.h"
#include "data/ImageResample.h"

namespace gfx {

namespace {

bool Fail(std::string* error, const char* reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool CanEncode(uint32_t format)
{
    return format == FMT_A8R8G8B8 || format == FMT_X8R8G8B8 || format == FMT_DXT3 || format == FMT_V8U8;
}

void EncodeLevel(uint32_t format, const RgbaImage& image, TextureLevel& level)
{
    if (format == FMT_DXT3)
    {
        EncodeDxt3Image(image, level);
        return;
    }
    level = MakeLevelLayout(format, image.width, image.height);
    level.bytes.resize(static_cast<size_t>(level.rowPitch) * level.rowCount);
    const size_t n = static_cast<size_t>(image.width) * image.height;
    const uint8_t* s = image.pixels.data();
    uint8_t* d = level.bytes.data();
    if (format == FMT_V8U8)
    {
        for (size_t i = 0; i < n; ++i)
        {
            d[i * 2] = static_cast<uint8_t>(s[i * 4] ^ 0x80);         // u = red - 128
            d[i * 2 + 1] = static_cast<uint8_t>(s[i * 4 + 1] ^ 0x80); // v = green - 128
        }
        return;
    }
    const bool opaque = format == FMT_X8R8G8B8;
    for (size_t i = 0; i < n; ++i)
    { // B, G, R, A in memory
        d[i * 4] = s[i * 4 + 2];
        d[i * 4 + 1] = s[i * 4 + 1];
        d[i * 4 + 2] = s[i * 4];
        d[i * 4 + 3] = opaque ? 255 : s[i * 4 + 3];
    }
}

bool DecodeLevel(uint32_t format, const TextureLevel& level, RgbaImage& out)
{
    if (IsBlockFormat(format))
        return DecodeDxtLevel(format, level, out);
    out = RgbaImage{};
    const uint32_t unit = FormatUnitBytes(format);
    if (unit == 0 || level.rowPitch < level.width * unit ||
        level.bytes.size() < static_cast<size_t>(level.rowPitch) * level.height)
        return false;
    out.width = level.width;
    out.height = level.height;
    out.pixels.resize(static_cast<size_t>(level.width) * level.height * 4);
    for (uint32_t y = 0; y < level.height; ++y)
    {
        const uint8_t* s = level.bytes.data() + static_cast<size_t>(y) * level.rowPitch;
        uint8_t* d = out.Row(y);
        for (uint32_t x = 0; x < level.width; ++x, d += 4)
        {
            if (format == FMT_V8U8)
            {
                d[0] = static_cast<uint8_t>(s[x * 2] ^ 0x80);
                d[1] = static_cast<uint8_t>(s[x * 2 + 1] ^ 0x80);
                d[2] = 255;
                d[3] = 255;
            }
            else
            {
                d[0] = s[x * 4 + 2];
                d[1] = s[x * 4 + 1];
                d[2] = s[x * 4];
                d[3] = format == FMT_X8R8G8B8 ? 255 : s[x * 4 + 3];
            }
        }
    }
    return true;
}

bool PrepareTexture(const uint8_t* data, size_t size, const TextureRequest& request, PreparedTexture& out,
                    std::string* error)
{
    out = PreparedTexture{};
    ImageInfo info;
    if (!ReadImageInfo(data, size, info))
        return Fail(error, "not a readable image");
    const uint32_t format = request.format == FMT_UNKNOWN ? info.fileFormat : request.format;
    const uint32_t maxEdge = request.maxEdge ? request.maxEdge : 1;

    RgbaImage top;
    if (info.kind == ImageFileKind::Dds)
    {
        PreparedTexture dds;
        if (!ReadDds(data, size, dds))
            return Fail(error, "DDS file shorter than its levels");
        const bool sizeKept = (request.width == 0 || request.width == info.width) &&
                              (request.height == 0 || request.height == info.height) && info.width <= maxEdge &&
                              info.height <= maxEdge;
        if (format == dds.format && sizeKept)
        {
            // a ready texture: take the stored levels as they are
            if (request.mipLevels && request.mipLevels < dds.levels.size())
                dds.levels.resize(request.mipLevels);
            out = std::move(dds);
            return true;
        }
        if (!DecodeLevel(dds.format, dds.levels[0], top))
            return Fail(error, "DDS level cannot be decoded");
    }
    else if (!DecodePictureRgba(data, size, top))
    {
        return Fail(error, "picture cannot be decoded");
    }
    if (!CanEncode(format))
        return Fail(error, "requested format cannot be produced from this image");

    if (format == FMT_V8U8 || format == FMT_X8R8G8B8)
    {
        // no alpha in the result: it must not weight the filters either
        for (size_t i = 3; i < top.pixels.size(); i += 4)
            top.pixels[i] = 255;
    }

    const uint32_t width = request.width ? RoundUpPow2(request.width, maxEdge) : RoundUpPow2(top.width, maxEdge);
    const uint32_t height = request.height ? RoundUpPow2(request.height, maxEdge) : RoundUpPow2(top.height, maxEdge);
    RgbaImage sized;
    if (!ResizeRgba(top, width, height, sized))
        return Fail(error, "resize failed");
    top = RgbaImage{};

    std::vector<RgbaImage> chain;
    BuildMipChain(sized, request.mipLevels, chain);
    PreparedTexture result;
    result.format = format;
    result.levels.resize(chain.size());
    for (size_t i = 0; i < chain.size(); ++i)
        EncodeLevel(format, chain[i], result.levels[i]);
    out = std::move(result);
    return true;
}

} // namespace gfx
