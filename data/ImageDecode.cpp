// Portable core: decoding picture files into 8-bit RGBA.
#include "data/ImageDecode.h"

#include "data/DdsImage.h"
#include "data/TgaImage.h"

#include <climits>
#include <cstring>

#include <stb_image.h>

namespace gfx {

namespace {

bool IsDds(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "DDS ", 4) == 0; }

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
    if (IsDds(data, size)) {
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
    if (!IsStbPicture(data, size)) {
        TgaHeader tga;
        if (!ReadTgaHeader(data, size, tga))
            return false;
        info.kind = ImageFileKind::Picture;
        info.width = tga.width;
        info.height = tga.height;
        info.fileFormat = tga.hasAlpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
        return true;
    }
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
    int w = 0, h = 0, comp = 0;
    // check the header first so that a huge claimed size allocates nothing
    if (!stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &comp) || !EdgeOk(w, h))
        return false;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &comp, 4);
    if (!pixels)
        return false;
    if (!EdgeOk(w, h)) {
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
