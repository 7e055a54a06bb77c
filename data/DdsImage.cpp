// Portable core: reader of DirectDraw Surface files.
#include "data/DdsImage.h"

#include <cstring>

namespace gfx {

namespace {

constexpr size_t kHeaderBytes = 128; // magic + 124-byte header
constexpr uint32_t kFlagMipCount = 0x20000;
constexpr uint32_t kPfAlphaPixels = 0x1;
constexpr uint32_t kPfFourCC = 0x4;
constexpr uint32_t kPfRgb = 0x40;
constexpr uint32_t kPfBumpDuDv = 0x80000;
constexpr uint32_t kCaps2CubeMap = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;

uint32_t U32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t PixelFormat(const uint8_t* pf)
{
    const uint32_t flags = U32(pf + 4), fourCC = U32(pf + 8), bits = U32(pf + 12);
    const uint32_t r = U32(pf + 16), g = U32(pf + 20), b = U32(pf + 24), a = U32(pf + 28);
    if (flags & kPfFourCC)
    {
        switch (fourCC)
        {
        case FMT_DXT1:
        case FMT_DXT3:
        case FMT_DXT5:
        case FMT_A8R8G8B8: // some writers store the D3DFORMAT number as the code
        case FMT_X8R8G8B8:
        case FMT_V8U8:
            return fourCC;
        default:
            return FMT_UNKNOWN;
        }
    }
    if ((flags & kPfRgb) && bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
        return ((flags & kPfAlphaPixels) && a == 0xFF000000u) ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    if ((flags & kPfBumpDuDv) && bits == 16 && r == 0xFF && g == 0xFF00)
        return FMT_V8U8;
    return FMT_UNKNOWN;
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The 32-byte pixel format block of a format the reader takes.
void PutPixelFormat(std::vector<uint8_t>& out, uint32_t format)
{
    Put32(out, 32);
    if (IsBlockFormat(format))
    {
        Put32(out, kPfFourCC);
        Put32(out, format);
        for (int i = 0; i < 5; ++i)
            Put32(out, 0);
    }
    else if (format == FMT_V8U8)
    {
        for (uint32_t v : {kPfBumpDuDv, 0u, 16u, 0xFFu, 0xFF00u, 0u, 0u})
            Put32(out, v);
    }
    else
    {
        const bool alpha = format == FMT_A8R8G8B8;
        for (uint32_t v :
             {alpha ? kPfRgb | kPfAlphaPixels : kPfRgb, 0u, 32u, 0xFF0000u, 0xFF00u, 0xFFu, alpha ? 0xFF000000u : 0u})
            Put32(out, v);
    }
}

} // namespace

uint32_t FullMipCount(uint32_t width, uint32_t height)
{
    uint32_t count = 1;
    while (width > 1 || height > 1)
    {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++count;
    }
    return count;
}

bool ReadDdsHeader(const uint8_t* data, size_t size, DdsHeader& header)
{
    header = DdsHeader{};
    if (!data || size < kHeaderBytes || std::memcmp(data, "DDS ", 4) != 0 || U32(data + 4) != 124)
        return false;
    const uint32_t flags = U32(data + 8);
    const uint32_t height = U32(data + 12), width = U32(data + 16);
    const uint32_t caps2 = U32(data + 112);
    if (width == 0 || height == 0 || width > MAX_IMAGE_EDGE || height > MAX_IMAGE_EDGE)
        return false;
    if (caps2 & (kCaps2CubeMap | kCaps2Volume))
        return false;
    const uint32_t format = PixelFormat(data + 76);
    if (format == FMT_UNKNOWN)
        return false;
    uint32_t mips = (flags & kFlagMipCount) ? U32(data + 28) : 1;
    if (mips == 0)
        mips = 1;
    const uint32_t full = FullMipCount(width, height);
    header.width = width;
    header.height = height;
    header.mipLevels = mips < full ? mips : full;
    header.format = format;
    return true;
}

bool ReadDds(const uint8_t* data, size_t size, PreparedTexture& out)
{
    out = PreparedTexture{};
    DdsHeader header;
    if (!ReadDdsHeader(data, size, header))
        return false;
    size_t offset = kHeaderBytes;
    uint32_t w = header.width, h = header.height;
    PreparedTexture result;
    result.format = header.format;
    for (uint32_t i = 0; i < header.mipLevels; ++i)
    {
        TextureLevel level = MakeLevelLayout(header.format, w, h);
        const size_t bytes = static_cast<size_t>(level.rowPitch) * level.rowCount;
        if (bytes > size - offset)
            return false;
        level.bytes.assign(data + offset, data + offset + bytes);
        offset += bytes;
        result.levels.push_back(std::move(level));
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    out = std::move(result);
    return true;
}

std::vector<uint8_t> WriteDds(const PreparedTexture& texture)
{
    const uint32_t format = texture.format;
    const bool known = IsBlockFormat(format) || format == FMT_A8R8G8B8 || format == FMT_X8R8G8B8 || format == FMT_V8U8;
    if (!known || texture.levels.empty())
        return {};
    const TextureLevel& top = texture.levels[0];
    std::vector<uint8_t> out = {'D', 'D', 'S', ' '};
    constexpr uint32_t kFlagsRequired = 0x1007; // caps, height, width, pixel format
    Put32(out, 124);
    Put32(out, kFlagsRequired | (texture.levels.size() > 1 ? kFlagMipCount : 0));
    Put32(out, top.height);
    Put32(out, top.width);
    Put32(out, 0); // pitch or linear size: optional, readers compute it
    Put32(out, 0); // depth
    Put32(out, static_cast<uint32_t>(texture.levels.size()));
    for (int i = 0; i < 11; ++i)
        Put32(out, 0);
    PutPixelFormat(out, format);
    constexpr uint32_t kCapsTexture = 0x1000, kCapsComplexMipmap = 0x400008;
    Put32(out, kCapsTexture | (texture.levels.size() > 1 ? kCapsComplexMipmap : 0));
    for (int i = 0; i < 4; ++i)
        Put32(out, 0); // caps2 (a plain 2D texture), caps3, caps4, reserved
    for (const TextureLevel& level : texture.levels)
        out.insert(out.end(), level.bytes.begin(), level.bytes.end());
    return out;
}

} // namespace gfx
