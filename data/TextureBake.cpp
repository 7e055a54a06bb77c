// Portable core: textures encoded when the content is built.
#include "data/TextureBake.h"

#include "data/DdsImage.h"
#include "data/TexturePrepare.h"

namespace gfx {

uint32_t BakedTextureFormat(const std::string& entryName)
{
    const std::string bumpSuffix = "_ddn.tga";
    const bool bump = entryName.size() >= bumpSuffix.size() &&
                      entryName.compare(entryName.size() - bumpSuffix.size(), bumpSuffix.size(), bumpSuffix) == 0;
    if (bump)
        return FMT_V8U8;
    // the clock's glyphs keep their soft alpha: the overlay loads them uncompressed
    const bool glyph = entryName.compare(0, 7, "digits/") == 0 || entryName.compare(0, 7, "digits\\") == 0;
    return glyph ? FMT_A8R8G8B8 : FMT_DXT3;
}

bool BakeTexture(const uint8_t* data, size_t size, uint32_t format, std::vector<uint8_t>& dds, std::string* error)
{
    dds.clear();
    TextureRequest request;
    request.format = format;
    PreparedTexture prepared;
    if (!PrepareTexture(data, size, request, prepared, error))
        return false;
    dds = WriteDds(prepared);
    if (dds.empty() && error != nullptr)
        *error = "no DDS layout for this format";
    return !dds.empty();
}

} // namespace gfx
