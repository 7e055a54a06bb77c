// Portable core: decoding picture files into 8-bit RGBA.
#include "data/ImageDecode.h"

#include "data/DdsImage.h"
#include "data/TgaImage.h"

#include <climits>
#include <cstring>

#include <stb_image.h>

namespace gfx {

namespace {

bool IsDds(const uint8_t* data, size_t size)
{
    return size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

// JPEG, PNG and BMP carry a signature; stb_image reads them. TGA has none
// and is read by our own reader, so stb never guesses at TGA bytes.
bool IsStbPicture(const uint8_t* data, size_t size)
{
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return true;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        return true;
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

// stb_image (this version) trusts the code counts of a Huffman table and
// writes as many symbols as they add up to into 256-entry arrays. Walk
// every marker segment, including those between progressive scans, and
// refuse a table whose counts exceed 256 or its segment.
bool JpegTablesSane(const uint8_t* data, size_t size)
{
    size_t p = 2; // after SOI
    while (p + 4 <= size)
    {
        if (data[p] != 0xFF)
            return false;
        const uint8_t marker = data[p + 1];
        if (marker == 0xFF)
        { // fill byte
            ++p;
            continue;
        }
        if (marker == 0xD9) // EOI
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
        {
            p += 2;
            continue;
        }
        const size_t length = (static_cast<size_t>(data[p + 2]) << 8) | data[p + 3];
        if (length < 2 || length > size - p - 2)
            return false;
        if (marker == 0xC4)
        {
            size_t q = p + 4;
            const size_t end = p + 2 + length;
            while (q < end)
            {
                if (end - q < 17)
                    return false;
                size_t symbols = 0;
                for (int i = 1; i <= 16; ++i)
                    symbols += data[q + i];
                if (symbols > 256 || symbols > end - q - 17)
                    return false;
                q += 17 + symbols;
            }
        }
        p += 2 + length;
        if (marker == 0xDA)
        { // entropy-coded data runs to the next marker
            while (p + 1 < size &&
                   !(data[p] == 0xFF && data[p + 1] != 0x00 && !(data[p + 1] >= 0xD0 && data[p + 1] <= 0xD7)))
                ++p;
        }
    }
    return true; // the decoder reports a file cut short itself
}

bool EdgeOk(int w, int h)
{
    return w > 0 && h > 0 && static_cast<uint32_t>(w) <= MAX_IMAGE_EDGE && static_cast<uint32_t>(h) <= MAX_IMAGE_EDGE;
}

} // namespace

bool ReadImageInfo(const uint8_t* data, size_t size, ImageInfo& info)
{
    info = ImageInfo{};
    if (!data || size == 0 || size > INT_MAX)
        return false;
    if (IsDds(data, size))
    {
        DdsHeader header;
        if (!ReadDdsHeader(data, size, header))
            return false;
        info.kind = ImageFileKind::Dds;
        info.width = header.width;
        info.height = header.height;
        info.mipLevels = header.mipLevels;
        info.fileFormat = header.format;
        return true;
    }
    if (!IsStbPicture(data, size))
    {
        TgaHeader tga;
        if (!ReadTgaHeader(data, size, tga))
            return false;
        info.kind = ImageFileKind::Picture;
        info.width = tga.width;
        info.height = tga.height;
        info.fileFormat = tga.hasAlpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
        return true;
    }
    if (data[0] == 0xFF && !JpegTablesSane(data, size))
        return false;
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &comp) || !EdgeOk(w, h))
        return false;
    info.kind = ImageFileKind::Picture;
    info.width = static_cast<uint32_t>(w);
    info.height = static_cast<uint32_t>(h);
    info.fileFormat = (comp == 2 || comp == 4) ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    return true;
}

bool DecodePictureRgba(const uint8_t* data, size_t size, RgbaImage& out)
{
    out = RgbaImage{};
    if (!data || size == 0 || size > INT_MAX || IsDds(data, size))
        return false;
    if (!IsStbPicture(data, size))
        return DecodeTga(data, size, out);
    if (data[0] == 0xFF && !JpegTablesSane(data, size))
        return false;
    int w = 0, h = 0, comp = 0;
    // check the header first so that a huge claimed size allocates nothing
    if (!stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &comp) || !EdgeOk(w, h))
        return false;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &comp, 4);
    if (!pixels)
        return false;
    if (!EdgeOk(w, h))
    {
        stbi_image_free(pixels);
        return false;
    }
    out.width = static_cast<uint32_t>(w);
    out.height = static_cast<uint32_t>(h);
    out.pixels.assign(pixels, pixels + static_cast<size_t>(w) * h * 4);
    stbi_image_free(pixels);
    return true;
}

} // namespace gfx
