// Portable core: which archive entry holds a texture.
#include "data/TextureEntry.h"

#include <cstdlib>
#include <cstring>

namespace {

// One entry through a fresh view; an empty entry counts as missing.
bool ReadEntry(const ArchiveView& archive, const char* name, unsigned char** data, uint32_t* size)
{
    ArchiveView view = {archive.data, archive.size, 0};
    if (ExtractArchiveEntry("", name, data, size, &view) && *size != 0)
        return true;
    std::free(*data); // an empty entry still has a buffer
    *data = nullptr;
    *size = 0;
    return false;
}

} // namespace

bool ExtractTextureEntry(const ArchiveView& archive, const char* name, char* entry, unsigned char** data,
                         uint32_t* size, bool* isTga)
{
    *data = nullptr;
    *size = 0;
    *isTga = false;
    entry[0] = '\0';
    if (name != nullptr)
        std::strncpy(entry, name, TEXTURE_ENTRY_NAME_MAX - 1);
    entry[TEXTURE_ENTRY_NAME_MAX - 1] = '\0';
    const size_t length = std::strlen(entry);
    if (length < 3)
        return false;
    char* extension = entry + length - 3;

    std::memcpy(extension, "dds", 3);
    if (ReadEntry(archive, entry, data, size))
        return true;
    std::memcpy(extension, "tga", 3);
    *isTga = true;
    return ReadEntry(archive, entry, data, size);
}
