// Portable core: textures encoded when the content is built, so the saver's
// load does no compression. A picture becomes a DDS file holding exactly the
// levels the saver would make from it at load time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gfx {

// The device format the saver asks for a texture of this archive name: the
// water bump maps ("..._ddn.tga") are V8U8, the clock's glyphs ("digits\...")
// A8R8G8B8 as their pictures are, every other picture DXT3.
uint32_t BakedTextureFormat(const std::string& entryName);

// Decodes a picture and encodes its full mip chain in `format` as a DDS file
// (the saver's own preparation: power-of-two size, coverage-keeping mips for
// cut-outs). False with dds empty and the reason in error when the picture
// cannot be read or encoded.
bool BakeTexture(const uint8_t* data, size_t size, uint32_t format, std::vector<uint8_t>& dds,
                 std::string* error = nullptr);

} // namespace gfx
