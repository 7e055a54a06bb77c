// Portable core: pixel containers shared by the image decoders and texture
// preparation.
#include "data/TextureData.h"

namespace gfx {

bool IsBlockFormat(uint32_t format)
{
    return format == FMT_DXT1 || format == FMT_DXT3 || format == FMT_DXT5;
}

uint32_t FormatUnitBytes(uint32_t format)
{
    switch (format)
    {
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
        return 4;
    case FMT_V8U8:
        return 2;
    case FMT_DXT1:
        return 8;
    case FMT_DXT3:
    case FMT_DXT5:
        return 16;
    default:
        return 0;
    }
}

TextureLevel MakeLevelLayout(uint32_t format, uint32_t width, uint32_t height)
{
    TextureLevel level;
    level.width = width;
    level.height = height;
    if (IsBlockFormat(format))
    {
        level.rowPitch = ((width + 3) / 4) * FormatUnitBytes(format);
        level.rowCount = (height + 3) / 4;
    }
    else
    {
        level.rowPitch = width * FormatUnitBytes(format);
        level.rowCount = height;
    }
    return level;
}

} // namespace gfx
