// Windows layer: textures of the scene, read from the data archive.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "data/RarArchive.h"

// Loads the texture called name (its last three characters are an
// extension, which is ignored): the archive's .dds entry of that name in
// its own format, or else its .tga entry compressed to DXT3; created in
// D3DPOOL_DEFAULT, or D3DPOOL_MANAGED when that fails. Writes the texture
// (owned by the caller) or null to *texture; a failure logs
// "error load texture\t<name as last tried>". No cache: every call creates
// a new texture. Uses the global device and the archive of resource 454.
void LoadArchiveTexture(const char* name, IDirect3DTexture9** texture);

// The same over a given archive and device (tests use archives in memory).
void LoadArchiveTextureFrom(IDirect3DDevice9* device, const ArchiveView& archive, const char* name,
                            IDirect3DTexture9** texture);
