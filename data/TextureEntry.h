// Portable core: which archive entry holds a texture. The program names its
// textures ".dds"; an entry of that name is taken as it is, and without one
// the ".tga" of the same name is read instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"

// Longest texture name, terminator included.
constexpr size_t TEXTURE_ENTRY_NAME_MAX = 256;

// Reads `name` with its three-letter extension replaced by "dds", else by
// "tga". `entry` (TEXTURE_ENTRY_NAME_MAX bytes) receives the name read last.
// Returns true with a malloc'ed buffer the caller frees and *isTga telling
// which one was found. Failure (no such entry, an empty one, or a name with
// no room for an extension): false, *data null, *size 0, nothing allocated.
bool ExtractTextureEntry(const ArchiveView& archive, const char* name, char* entry, unsigned char** data,
                         uint32_t* size, bool* isTga);
